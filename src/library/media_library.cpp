#include "library/media_library.hpp"

#include "config/player_properties.hpp"
#include "library/library_host.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/ignoring_errors.hpp"
#include "ui/browser.hpp"
#include "ui/html_text.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::library {

namespace {

constexpr std::size_t kTitleShown = 25;
constexpr const char* kButtonIds[] = {"playbutton_over", "repeatbutton_over", "exitbutton_over"};
constexpr std::int16_t kButtonRows = 3;

// The first n characters of a UTF-8 text, never cutting a character in two.
std::string firstCharacters(const std::string& text, std::size_t n) {
    std::size_t end = 0;
    for (std::size_t count = 0; end < text.size(); ++end) {
        const bool startsCharacter = (static_cast<unsigned char>(text[end]) & 0xC0) != 0x80;
        if (startsCharacter && count++ == n) break;
    }
    return text.substr(0, end);
}

std::string rowFragment(const config::MediaInfo& media) {
    return "<center><div id='ninety'><div id='selectionControl' style='border-color: orange; "
           "border-width: 0.1cm;' onmouseout=this.style.borderStyle='none' "
           "onmouseover=this.style.borderStyle='solid'><font color='white' face='Arial, "
           "Helvetica, sans-serif' size=6>" +
           ui::escapeHtml(firstCharacters(media.mediaTitle(), kTitleShown)) +
           "</font></div></div></center>";
}

void highlight(ui::Element& element, bool on) {
    element.fireEvent(on ? ui::PageEvent::onmouseover : ui::PageEvent::onmouseout);
}

}  // namespace

mediaLibrary::mediaLibrary(ui::UiFactory& ui, platform::FileSystem& files,
                           runtime::Dialogs& dialogs, LibraryHost& host)
    : files_(files), dialogs_(dialogs), host_(host) {
    window_ = ui.createWindow("mediaLibrary");
    PlayListView_ = ui.createBrowser(*window_, "PlayListView");
    PlayListView_->DocumentComplete.connect(
        [this](const std::string&, ui::FrameLevel level) { PlayListView_DocumentComplete(level); });
    window_->KeyDown.connect([this](int key) { window_KeyDown(key); });
    PlayListView_->Navigate("about:blank");
}

mediaLibrary::~mediaLibrary() = default;

void mediaLibrary::PlayListView_DocumentComplete(ui::FrameLevel level) {
    if (level != ui::FrameLevel::TopLevel) return;
    if (!pageLoaded_) {
        pageLoaded_ = true;
        PlayListView_->Navigate(host_.programFilesFolder() + "/playlistSkin.html");
        return;
    }
    // A fresh page shows none of the entries yet, and its buttons are not wired.
    addMissingRows();
    wireButtons();
    runtime::ignoringErrors([this] {
        if (repeat_) repeatLabel().setInnerText("ONCE");
        highlightCurrent();
    });
}

void mediaLibrary::window_KeyDown(int key) {
    // The key is the caller of the commands that pass their failures on: a page without
    // its elements changes nothing more here.
    runtime::ignoringErrors([this, key] {
        switch (key) {
            case kKeyLeft:
                onControlKeyLeft();
                break;
            case kKeyRight:
                onControlKeyRight();
                break;
            case kKeyUp:
                onControlKeyUp();
                break;
            case kKeyDown:
                onControlKeyDown();
                break;
            case kKeyEnter:
                onControlClick();
                break;
            case kKeyDelete:
                onDelete();
                break;
            default:
                break;
        }
    });
}

void mediaLibrary::wireButtons() {
    auto* document = PlayListView_->document();
    if (!document) return;
    using Command = void (mediaLibrary::*)();
    const Command commands[] = {&mediaLibrary::MLPlayPlayList, &mediaLibrary::MLRepeat,
                                &mediaLibrary::MLExit};
    for (int i = 0; i < kButtonRows; ++i) {
        if (auto* element = document->all(kButtonIds[i])) {
            element->setOnclick([this, command = commands[i]] {
                runtime::ignoringErrors([this, command] { (this->*command)(); });
                return false;
            });
        }
    }
}

void mediaLibrary::showPlayList() {
    window_->show(ui::ShowMode::Modeless);
    window_->setFocus();
    runtime::ignoringErrors([this] { highlightCurrent(); });
}

void mediaLibrary::addToPlayList(const config::MediaInfo& media) {
    for (const auto& entry : *playlist_) {
        if (entry.remoteFileName() == media.remoteFileName()) {
            dialogs_.showPopup("Media is already in the playlist");
            return;
        }
    }
    dialogs_.showPopup(media.mediaTitle() + " is added to the playlist");
    playlist_->push_back(media);
    addMissingRows();
}

void mediaLibrary::addMissingRows() {
    // A page that refuses a row keeps the rows it took.
    runtime::ignoringErrors([this] {
        auto& list = table();
        for (int i = list.rowCount(); i < static_cast<int>(playlist_->size()); ++i) {
            auto* row = list.insertRow(i);
            auto* cell = row ? row->insertCell(0) : nullptr;
            if (!cell) return;
            cell->setInnerHtml(rowFragment((*playlist_)[static_cast<std::size_t>(i)]));
        }
    });
}

bool mediaLibrary::FileExists(std::string& strFileName) {
    strFileName = host_.playerProp().mediaPath() + strFileName;
    bool exists = false;
    runtime::ignoringErrors([&] { exists = files_.fileExists(strFileName); });
    return exists;
}

bool mediaLibrary::CreatePath(std::string NewPath) {
    if (NewPath.empty() || NewPath.back() != '\\') NewPath += '\\';
    return files_.createFolderPath(NewPath);
}

// ---- remote-control commands -------------------------------------------------------------

void mediaLibrary::onControlKeyLeft() {
    if (playlist_->empty()) return;
    runtime::ignoringErrors([this] { switchColumn(); });
}

void mediaLibrary::onControlKeyRight() {
    onControlKeyLeft();
}

void mediaLibrary::switchColumn() {
    column_ = column_ == kButtons ? kEntries : kButtons;
    rowOf_[static_cast<std::size_t>(column_)] = 0;
    if (column_ == kButtons) {
        highlight(button(0), true);
        highlight(entryFrame(rowOf_[kEntries]), false);
    } else {
        highlightButtons(false);
        highlight(entryFrame(0), true);
    }
}

void mediaLibrary::onControlKeyUp() {
    moveRow(-1);
}

void mediaLibrary::onControlKeyDown() {
    moveRow(+1);
}

void mediaLibrary::moveRow(int step) {
    // Column 1 holds one row per entry, whatever the page managed to show.
    const int count = column_ == kButtons ? kButtonRows : static_cast<int>(playlist_->size());
    if (count == 0) return;
    auto& row = rowOf_[static_cast<std::size_t>(column_)];
    if (column_ == kEntries && count > 1) highlight(entryFrame(row), false);
    row = static_cast<std::int16_t>((row + count + step) % count);
    highlightCurrent();
}

void mediaLibrary::onControlClick() {
    if (column_ != kButtons) return;
    runtime::ignoringErrors([this] {
        switch (rowOf_[kButtons]) {
            case 0:
                MLPlayPlayList();
                break;
            case 1:
                MLRepeat();
                break;
            case 2:
                MLExit();
                break;
            default:
                break;
        }
    });
}

void mediaLibrary::onDelete() {
    if (column_ != kEntries) return;
    auto& row = rowOf_[kEntries];
    if (row < 0 || row >= static_cast<int>(playlist_->size()))
        throw Error(9, "Subscript out of range", "mediaLibrary.onDelete");
    table().deleteRow(row);
    playlist_->erase(playlist_->begin() + row);
    const auto count = static_cast<int>(playlist_->size());
    if (count > 0 && row > count - 1) --row;
    if (count == 0) column_ = kButtons;
    highlightCurrent();
}

void mediaLibrary::MLPlayPlayList() {
    showMainWindow();
    window_->hide();
    // The adaptor expects entries: an empty list would leave it in playlist mode with
    // nothing to play.
    if (!playlist_->empty()) host_.mediaPlayer().loadThisPlayList(playlist_);
}

void mediaLibrary::MLRepeat() {
    repeat_ = !repeat_;
    host_.mediaPlayer().setPlayListToRepeat(repeat_);
    // The label names what the next press selects.
    repeatLabel().setInnerText(repeat_ ? "ONCE" : "REPEAT");
}

void mediaLibrary::MLExit() {
    showMainWindow();
    window_->hide();
}

void mediaLibrary::showMainWindow() {
    auto& main = host_.window();
    main.show(ui::ShowMode::Modeless);
    main.setFocus();
}

// ---- the page ----------------------------------------------------------------------------

void mediaLibrary::highlightCurrent() {
    if (column_ == kButtons) {
        highlightButtons(false);
        highlight(button(rowOf_[kButtons]), true);
    } else {
        highlight(entryFrame(rowOf_[kEntries]), true);
    }
}

void mediaLibrary::highlightButtons(bool on) {
    for (int i = 0; i < kButtonRows; ++i)
        highlight(button(i), on);
}

ui::Element& mediaLibrary::button(int row) {
    auto* document = PlayListView_->document();
    const char* id = kButtonIds[row];
    return pageElement(document ? document->all(id) : nullptr, id);
}

ui::Element& mediaLibrary::entryFrame(int row) {
    auto* document = PlayListView_->document();
    ui::Element* frame = nullptr;
    if (document) {
        const auto frames = document->getElementsByName("selectionControl");
        if (row >= 0 && row < static_cast<int>(frames.size()))
            frame = frames[static_cast<std::size_t>(row)];
    }
    return pageElement(frame, "selectionControl");
}

ui::Element& mediaLibrary::repeatLabel() {
    auto* document = PlayListView_->document();
    return pageElement(document ? document->getElementById("MLRepeat") : nullptr, "MLRepeat");
}

ui::Element& mediaLibrary::table() {
    auto* document = PlayListView_->document();
    return pageElement(document ? document->getElementById("myPlayList") : nullptr, "myPlayList");
}

ui::Element& mediaLibrary::pageElement(ui::Element* element, std::string_view name) {
    if (!element)
        throw Error(91, "Object variable or With block variable not set",
                    "mediaLibrary." + std::string(name));
    return *element;
}

}  // namespace zov::library
