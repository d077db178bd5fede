#include "library/hd_engine.hpp"

#include <optional>

#include "config/player_properties.hpp"
#include "library/library_host.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/ignoring_errors.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::library {

namespace {

constexpr std::uint64_t kGigabyte = 1073741824;
constexpr std::uint64_t kMegabyte = 1048576;

const char* const kLowSpaceWarning =
    "You have less than 1GB left in your harddrive for storing video cache. You might have "
    "problems viewing videos.  Please free up more space on the current harddrive or use the "
    "movie cache manager to select another harddrive with more than 1GB of harddrive space.";

// "##0.###": at least one integer digit, up to three decimals, and the point always.
std::string threeDecimals(std::uint64_t bytes, std::uint64_t unit) {
    const std::uint64_t whole = bytes / unit;
    const std::uint64_t rest = bytes % unit;
    std::uint64_t thousandths = whole * 1000 + (rest * 1000 + unit / 2) / unit;
    std::string text = std::to_string(thousandths / 1000) + ".";
    std::string decimals = std::to_string(1000 + thousandths % 1000).substr(1);
    while (!decimals.empty() && decimals.back() == '0')
        decimals.pop_back();
    return text + decimals;
}

std::shared_ptr<ui::Label> label(ui::UiFactory& ui, ui::Window& window, const char* name,
                                 const std::string& caption) {
    auto control = ui.createLabel(window, name);
    control->setCaption(caption);
    return control;
}

}  // namespace

std::string HDEngine::sizeText(std::uint64_t bytes) {
    return bytes >= kGigabyte ? threeDecimals(bytes, kGigabyte) + "GB"
                              : threeDecimals(bytes, kMegabyte) + "MB";
}

bool HDEngine::lowOnSpace(std::uint64_t freeBytes) {
    // Ten-thousands of bytes, then units of 1,024,000,000 bytes rounded half to even.
    const std::uint64_t tenThousands = freeBytes / 10000;
    std::uint64_t count = tenThousands / 102400;
    const std::uint64_t rest = tenThousands % 102400;
    if (rest * 2 > 102400 || (rest * 2 == 102400 && count % 2 == 1)) ++count;
    return count < 1;
}

HDEngine::HDEngine(ui::UiFactory& ui, platform::FileSystem& files, runtime::Dialogs& dialogs,
                   LibraryHost& host)
    : files_(files), dialogs_(dialogs), host_(host) {
    window_ = ui.createWindow("HDEngine");
    window_->setCaption("MOVIE CACHE MANAGER");
    const char* titleNames[] = {"TitleLabel1", "TitleLabel2", "TitleLabel3"};
    for (int i = 0; i < 3; ++i)
        titles_[i] = label(ui, *window_, titleNames[i], "MOVIE CACHE MANAGER");
    Label1_ = label(ui, *window_, "Label1", "Currently using ");
    HDlabel_ = label(ui, *window_, "HDlabel", "");
    Label2_ = label(ui, *window_, "Label2", "drive for movie cache");
    currentHDLabel_ = label(ui, *window_, "currentHDLabel", "");
    HD_ = ui.createDriveList(*window_, "HD");
    Label6_ = label(ui, *window_, "Label6", "Total Size:");
    totalSizeLabel_ = label(ui, *window_, "totalSizeLabel", "");
    Label5_ = label(ui, *window_, "Label5", "Free hardddrive space:");
    freeSpaceLabel_ = label(ui, *window_, "freeSpaceLabel", "");
    changeHDButton_ = ui.createButton(*window_, "changeHDButton");
    HDClose_ = ui.createButton(*window_, "HDClose");
    HDClose_->setCaption("close window");
    HDPlay_ = ui.createButton(*window_, "HDPlay");
    HDPlay_->setCaption("Play Movie");
    HDDel_ = ui.createButton(*window_, "HDDel");
    HDDel_->setCaption("Delete Movie");

    HD_->Change.connect([this] { HD_Change(); });
    changeHDButton_->Click.connect([this] { host_.changeDataPath(); });
    HDClose_->Click.connect([this] { window_->hide(); });

    HDPlay_->setVisible(false);
    HDDel_->setVisible(false);
    getCurrentHDUse();
    updateSpace();
}

HDEngine::~HDEngine() = default;

void HDEngine::getCurrentHDUse() {
    const std::string& path = host_.playerProp().mediaPath();
    const std::string drive = path.substr(0, 2);
    // A movie folder on a drive the list does not offer leaves the list as it was
    // rather than failing the window's load.
    runtime::ignoringErrors([&] { HD_->setDrive(drive); });
    currentHDLabel_->setCaption(drive);
    HDlabel_->setCaption(path.substr(0, 1));
}

void HDEngine::HD_Change() {
    updateSpace();
}

void HDEngine::updateSpace() {
    const std::string drive = HD_->drive().substr(0, 2);
    std::optional<platform::DiskSpace> space;
    // Only a drive letter and colon name a drive; anything else would measure the
    // program folder's drive instead.
    if (drive.size() == 2 && drive[1] == ':') space = files_.diskSpace(drive + "\\");
    const std::uint64_t total = space ? space->totalBytes : 0;
    const std::uint64_t free = space ? space->freeBytes : 0;
    totalSizeLabel_->setCaption(sizeText(total));
    freeSpaceLabel_->setCaption(sizeText(free));
    if (lowOnSpace(free)) dialogs_.showPopup(kLowSpaceWarning);
}

}  // namespace zov::library
