#include "guide_fixture.hpp"

#include "config/delivery_server_info.hpp"
#include "runtime/popupwindow.hpp"
#include "runtime/yes_no_popup.hpp"
#include "support/manual_time.hpp"
#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/memory_browser.hpp"
#include "ui/window.hpp"

using namespace std::chrono_literals;

namespace zov::test {

namespace {

constexpr const char* kGuidePage = R"(<html><body>
  <input type="hidden" name="c_uid" value="">
  <input type="hidden" name="c_filename" value="">
  <input type="hidden" name="c_mediaTitle" value="">
  <input type="hidden" name="c_fileExtension" value="">
  <div name="clip_control">first</div>
  <div name="clip_control">second</div>
</body></html>)";

}  // namespace

TestGuideHost::TestGuideHost(platform::EventLoop& loop, platform::MemoryFileSystem& files,
                             ui::headless::HeadlessUiFactory& ui, runtime::Dialogs& dialogs)
    : files(files),
      properties(files),
      mainWindow(ui.createWindow("mainPlayer")),
      player(ui.createMediaPlayer(*mainWindow, "wmpPlayer")),
      screen(ui.createPictureBox(*mainWindow, "h264Screen")),
      messages(loop),
      adaptor(loop, dialogs) {
    adaptor.setMediaPlayer(*player);
    adaptor.setPlayerProp(properties);
    external = std::make_unique<playback::h264Player>(
        playback::h264Player::Ports{messages, launcher, processes, "/opt/zov", *screen, *player});
}

void TestGuideHost::setSkinVariable(const std::string& name, const std::string& value) {
    skin[name] = value;
    if (name == "videoName") videoNames.push_back(value);
}

void TestGuideHost::onDownload(const config::MediaInfo& mediafile) {
    skin["_root.progressbar.percentage"] = "0";
    downloadsEnded.push_back(mediafile.remoteFileName());
}

bool TestGuideHost::fileExistsInMediaPath(const std::string& name) {
    return files.fileExists(properties.mediaPath() + name);
}

void TestGuideHost::showMainWindow() {
    mainWindow->show(ui::ShowMode::Modeless);
    mainWindow->setFocus();
}

GuideFixture::GuideFixture() {
    files.createFolderPath(kMediaPath);
    host.properties.setMediaPath(kMediaPath);
    config::DeliveryServerInfo server;
    server.setServerURL("127.0.0.1");
    server.setPort(peer.port());
    server.setAccountName("bob");
    server.setPassword("secret");
    host.properties.addDeliveryServer(server);
    host.properties.setStbEpgURL(kGuideUrl);
    ui.pages().add(kGuideUrl, kGuidePage);
    ui.onChange([this](const std::string& window, const std::string& control,
                       const std::string& property, const std::string& value) {
        if (window == "popupwindow" && control == "Label1" && property == "caption" &&
            !value.empty())
            popups.push_back(value);
        // Every question is answered, so none can hang a test: an unexpected one gets No.
        if (window == "yesNoPopup" && control.empty() && property == "visible" && value == "true") {
            const bool yes = answers.empty() ? (++unexpectedQuestions, false) : answers.front();
            if (!answers.empty()) answers.erase(answers.begin());
            loop.post([this, yes] {
                auto& question = dialogs.yesNoPopup();
                (yes ? question.YesControl() : question.NoControl()).Click();
            });
        }
    });
    guide = std::make_shared<guide::movieGuide>(
        guide::GuideServices{loop, resolver, files, ui, dialogs, host});
    guide->window().show();
}

GuideFixture::~GuideFixture() {
    ui.onChange({});
    EXPECT_TRUE(answers.empty()) << "a question the test expected was never asked";
    EXPECT_EQ(unexpectedQuestions, 0) << "a question the test did not expect was asked";
}

bool GuideFixture::runUntil(const std::function<bool()>& predicate) {
    return loop.runUntil(predicate, 10s);
}

void GuideFixture::advance(std::int64_t ms) {
    advanceTime(loop, clock, ms);
}

void GuideFixture::loadGuidePage() {
    auto epg = ui.browser("movieGuide", "epgBrowser");
    const int loadsBefore = epg->loadCount();
    guide->bufferView().Navigate(kGuideUrl);
    ASSERT_TRUE(runUntil([&] {
        return epg->LocationURL() == kGuideUrl && epg->loadCount() > loadsBefore && !epg->busy();
    }));
}

void GuideFixture::clickItem(const std::string& uid, const std::string& title,
                             const std::string& extension, const std::string& fileName) {
    auto* page = guide->epgBrowser().document();
    ASSERT_NE(page, nullptr);
    page->all("c_uid")->setValue(uid);
    page->all("c_mediaTitle")->setValue(title);
    page->all("c_fileExtension")->setValue(extension);
    page->all("c_filename")->setValue(fileName.empty() ? title : fileName);
    page->getElementsByName("clip_control").at(1)->fireEvent(ui::PageEvent::onclick);
}

void GuideFixture::putMovie(const std::string& uid, const std::string& extension, bool withMarker) {
    files.writeFile(std::string(kMediaPath) + uid + extension, "movie bytes");
    if (withMarker) files.writeFile(std::string(kMediaPath) + uid + ".conf", "done\r\n\r\n");
}

std::string GuideFixture::readFile(const std::string& name) const {
    return files.readFile(std::string(kMediaPath) + name).value_or("<missing>");
}

bool GuideFixture::fileExists(const std::string& name) const {
    return files.fileExists(std::string(kMediaPath) + name);
}

void GuideFixture::scriptDownload(const std::string& name, const std::string& bytes,
                                  std::size_t stopAt) {
    peer.greet("220 Delivery server ready")
        .expect("USER bob")
        .reply("331 Password required")
        .expect("PASS secret")
        .reply("230 Logged in")
        .expect("TYPE I")
        .reply("200 Binary")
        .expect("SIZE " + name)
        .reply("213 " + std::to_string(bytes.size()))
        .expect("PASV ")
        .passive()
        .expect("RETR " + name)
        .reply("150 Opening BINARY connection");
    if (stopAt != std::string::npos) {
        peer.transfer({bytes, stopAt, DataEnd::Stall});
        return;
    }
    peer.transfer({bytes}).reply("226 Transfer complete");
}

void GuideFixture::answerNextQuestion(bool yes) {
    answers.push_back(yes);
}

std::vector<std::string> GuideFixture::popupsContaining(const std::string& text) const {
    std::vector<std::string> found;
    for (const auto& popup : popups)
        if (popup.find(text) != std::string::npos) found.push_back(popup);
    return found;
}

bool GuideFixture::shown(const std::string& button) const {
    return ui.button("movieGuide", button)->visible();
}

bool GuideFixture::click(const std::string& button) {
    return ui.button("movieGuide", button)->click();
}

std::string GuideFixture::caption(const std::string& label) const {
    return ui.label("movieGuide", label)->caption();
}

}  // namespace zov::test
