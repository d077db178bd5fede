#pragma once
// The guide window on the headless front end with everything it talks to: the playback
// tests' main window with both players, a real download engine against a scripted delivery
// server on loopback and a guide page; the fixture hands the guide the main window's parts.

#include <functional>
#include <string>
#include <vector>

#include "config/delivery_server_info.hpp"
#include "guide/guide_host.hpp"
#include "guide/movie_guide.hpp"
#include "playback/player_fixture.hpp"
#include "runtime/yes_no_popup.hpp"
#include "support/no_lookups.hpp"
#include "support/scripted_ftp_peer.hpp"
#include "ui/headless/headless_button.hpp"
#include "ui/headless/headless_label.hpp"
#include "ui/headless/headless_window.hpp"
#include "ui/headless/memory_browser.hpp"

namespace zov::test {

using Lines = std::vector<std::string>;

// The fixture is also the main window as the guide sees it.
class GuideFixture : public PlayerFixture, public guide::GuideHost {
  protected:
    static constexpr const char* kMediaPath = "C:\\zov\\";
    static constexpr const char* kGuideUrl = "http://127.0.0.1/guide.html";

    GuideFixture() {
        mainPlayer->hide();
        playerProp().setMediaPath(kMediaPath);
        config::DeliveryServerInfo server;
        server.setServerURL("127.0.0.1");
        server.setPort(peer.port());
        server.setAccountName("bob");
        server.setPassword("secret");
        playerProp().addDeliveryServer(server);
        playerProp().setStbEpgURL(kGuideUrl);
        ui.pages().add(kGuideUrl, R"(<html><body>
  <input type="hidden" name="c_uid" value=""><input type="hidden" name="c_filename" value="">
  <input type="hidden" name="c_mediaTitle" value="">
  <input type="hidden" name="c_fileExtension" value="">
  <div name="clip_control">first</div><div name="clip_control">second</div></body></html>)");
        ui.onChange([this](const std::string& window, const std::string& control,
                           const std::string& property, const std::string& value) {
            if (window == "popupwindow" && control == "Label1" && property == "caption" &&
                !value.empty())
                popups.push_back(value);
            // Every question is answered, so none can hang a test: an unexpected one gets No.
            if (window == "yesNoPopup" && control.empty() && property == "visible" &&
                value == "true") {
                const bool yes = !answers.empty() && answers.front();
                if (answers.empty()) ADD_FAILURE() << "a question the test did not expect";
                if (!answers.empty()) answers.erase(answers.begin());
                loop.post([this, yes] {
                    auto& question = dialogs.yesNoPopup();
                    (yes ? question.YesControl() : question.NoControl()).Click();
                });
            }
        });
        guide = std::make_shared<guide::movieGuide>(
            guide::GuideServices{loop, resolver, files, ui, dialogs, *this});
        guide->window().show();
    }
    ~GuideFixture() override {
        ui.onChange({});
        EXPECT_TRUE(answers.empty()) << "a question the test expected was never asked";
    }

    // guide::GuideHost
    config::PlayerProperties& playerProp() override { return PlayerFixture::playerProp; }
    playback::PlayerAdaptor& mediaPlayer() override { return PlayerFixture::mediaPlayer; }
    playback::h264Player& streamingPlayer() override { return PlayerFixture::streamingPlayer; }
    ui::MediaPlayerControl& wmpPlayer() override { return *control; }
    ui::PictureBox& h264Screen() override { return PlayerFixture::h264Screen; }
    void setSkinVariable(const std::string& name, const std::string& value) override {
        skin[name] = value;
        if (name == "videoName") videoNames.push_back(value);
    }
    void onDownload(const config::MediaInfo& mediafile) override {
        skin["_root.progressbar.percentage"] = "0";
        downloadsEnded.push_back(mediafile.remoteFileName());
    }
    bool fileExistsInMediaPath(const std::string& name) override {
        return files.fileExists(playerProp().mediaPath() + name);
    }
    void addToPlayList(const config::MediaInfo&) override {}
    void showMainWindow() override {
        mainPlayer->show(ui::ShowMode::Modeless);
        mainPlayer->setFocus();
    }
    void showPlayList() override {}

    // Loads the guide page through the pre-load browser and waits until it is wired.
    void loadGuidePage() {
        auto epg = ui.browser("movieGuide", "epgBrowser");
        const int loadsBefore = epg->loadCount();
        guide->bufferView().Navigate(kGuideUrl);
        ASSERT_TRUE(runUntil([&] {
            return epg->LocationURL() == kGuideUrl && epg->loadCount() > loadsBefore &&
                   !epg->busy();
        }));
    }
    // A click on one of the page's items (each in turn) with these hidden values.
    void clickItem(const std::string& uid, const std::string& title,
                   const std::string& extension = ".wmv", const std::string& fileName = "") {
        auto* page = guide->epgBrowser().document();
        ASSERT_NE(page, nullptr);
        page->all("c_uid")->setValue(uid);
        page->all("c_mediaTitle")->setValue(title);
        page->all("c_fileExtension")->setValue(extension);
        page->all("c_filename")->setValue(fileName.empty() ? title : fileName);
        page->getElementsByName("clip_control").at(clicks++ % 2)->fireEvent(ui::PageEvent::onclick);
    }
    // Puts a downloaded movie (and its marker) into the movie folder.
    void putMovie(const std::string& uid, bool withMarker = true) {
        files.writeFile(kMediaPath + uid + ".wmv", "movie bytes");
        if (withMarker) files.writeFile(kMediaPath + uid + ".conf", "done\r\n\r\n");
    }
    bool fileExists(const std::string& name) const { return files.fileExists(kMediaPath + name); }
    bool playing() {
        return runUntil([&] { return control->playState() == ui::wmppsPlaying; });
    }
    bool downloadedBytesReach(std::int32_t bytes) {
        return runUntil([&] {
            return guide->currentDownload() && guide->currentDownload()->downloadedBytes() >= bytes;
        });
    }

    // The conversation that downloads `name` of `size` bytes; stopAt holds the data
    // connection open and silent after that many bytes.
    void scriptDownload(const std::string& name, std::size_t size,
                        std::size_t stopAt = std::string::npos) {
        const std::string bytes(size, 'x');
        peer.greet("220 Delivery server ready");
        peer.expect("USER bob").reply("331 Password required");
        peer.expect("PASS secret").reply("230 Logged in");
        peer.expect("TYPE I").reply("200 Binary");
        peer.expect("SIZE " + name).reply("213 " + std::to_string(size));
        peer.expect("PASV ")
            .passive()
            .expect("RETR " + name)
            .reply("150 Opening BINARY connection");
        if (stopAt != std::string::npos)
            peer.transfer({bytes, stopAt, DataEnd::Stall});
        else
            peer.transfer({bytes}).reply("226 Transfer complete");
    }
    // The answer to the next yes/no question.
    void answerNextQuestion(bool yes) { answers.push_back(yes); }

    // The guide's buttons that are shown, in a fixed order.
    Lines shownButtons() const {
        Lines seen;
        for (const char* button : {"MLplay", "MLdownload", "MLDelete", "stopDownload", "previewbt",
                                   "showdownload", "view_queue", "MLFavour", "refreshBt", "close"})
            if (ui.button("movieGuide", button)->visible()) seen.push_back(button);
        return seen;
    }
    bool click(const std::string& button) { return ui.button("movieGuide", button)->click(); }
    std::string caption(const std::string& label) const {
        return ui.label("movieGuide", label)->caption();
    }

    NoLookups resolver;
    Lines videoNames;  // every value videoName was given, in order
    Lines downloadsEnded;
    ScriptedFtpPeer peer{loop};
    Lines popups;  // every message shown, in order
    std::vector<bool> answers;
    std::size_t clicks = 0;
    std::shared_ptr<guide::movieGuide> guide;
};

// The guide with its page loaded and wired.
struct LoadedGuideFixture : GuideFixture {
    void SetUp() override { loadGuidePage(); }
};

}  // namespace zov::test
