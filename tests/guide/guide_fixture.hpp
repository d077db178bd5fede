#pragma once
// The guide window on the headless front end with everything it talks to: the manual
// clock, a real download engine on loopback, the in-memory disk, a guide page, and a host
// standing in for the main window (a simulated media player behind a real player adaptor,
// the external player's controller with a fake launcher, and the skin's variables).

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_host.hpp"
#include "guide/movie_guide.hpp"
#include "platform/clock.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/memory_window_messages.hpp"
#include "platform/poll_loop.hpp"
#include "platform/process_launcher.hpp"
#include "platform/process_table.hpp"
#include "platform/resolver.hpp"
#include "playback/h264_player.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "support/no_lookups.hpp"
#include "support/no_processes.hpp"
#include "support/scripted_ftp_peer.hpp"
#include "ui/headless/headless_ui_factory.hpp"
#include "ui/media_player_control.hpp"

namespace zov::test {

class RecordingLauncher final : public platform::ProcessLauncher {
  public:
    std::int32_t start(const std::string& path, const std::vector<std::string>&) override {
        started.push_back(path);
        return 4242;
    }
    bool running(std::int32_t) override { return false; }
    std::vector<std::string> started;
};

// The main window as the guide sees it.
class TestGuideHost final : public guide::GuideHost {
  public:
    TestGuideHost(platform::EventLoop& loop, platform::MemoryFileSystem& files,
                  ui::headless::HeadlessUiFactory& ui, runtime::Dialogs& dialogs);

    config::PlayerProperties& playerProp() override { return properties; }
    playback::PlayerAdaptor& mediaPlayer() override { return adaptor; }
    playback::h264Player& streamingPlayer() override { return *external; }
    ui::MediaPlayerControl& wmpPlayer() override { return *player; }
    ui::PictureBox& h264Screen() override { return *screen; }
    void setSkinVariable(const std::string& name, const std::string& value) override;
    void onDownload(const config::MediaInfo& mediafile) override;
    bool fileExistsInMediaPath(const std::string& name) override;
    void addToPlayList(const config::MediaInfo& media) override { playlist.push_back(media); }
    void showMainWindow() override;
    void showPlayList() override { ++playListsShown; }
    int playListsShown = 0;

    platform::MemoryFileSystem& files;
    config::PlayerProperties properties;
    std::shared_ptr<ui::Window> mainWindow;
    std::shared_ptr<ui::MediaPlayerControl> player;
    std::shared_ptr<ui::PictureBox> screen;
    platform::MemoryWindowMessages messages;
    RecordingLauncher launcher;
    NoProcesses processes;
    playback::PlayerAdaptor adaptor;
    std::unique_ptr<playback::h264Player> external;

    std::map<std::string, std::string> skin;
    std::vector<std::string> videoNames;  // every value videoName was given, in order
    std::vector<std::string> downloadsEnded;
    std::vector<config::MediaInfo> playlist;
};

class GuideFixture : public ::testing::Test {
  protected:
    static constexpr const char* kMediaPath = "C:\\zov\\";
    static constexpr const char* kGuideUrl = "http://127.0.0.1/guide.html";

    GuideFixture();
    ~GuideFixture() override;

    // Loads the guide page through the pre-load browser and waits until it is wired.
    void loadGuidePage();
    // A click on the page's item with these hidden values.
    void clickItem(const std::string& uid, const std::string& title,
                   const std::string& extension = ".wmv", const std::string& fileName = "");
    // Puts a downloaded movie (and its marker) into the movie folder.
    void putMovie(const std::string& uid, const std::string& extension = ".wmv",
                  bool withMarker = true);
    std::string readFile(const std::string& name) const;
    bool fileExists(const std::string& name) const;

    // The conversation that downloads `name` of `bytes.size()` bytes; stopAt holds the data
    // connection open and silent after that many bytes.
    void scriptDownload(const std::string& name, const std::string& bytes,
                        std::size_t stopAt = std::string::npos);
    // The answer to the next yes/no question; a question without one is answered No and
    // fails the test.
    void answerNextQuestion(bool yes);

    bool runUntil(const std::function<bool()>& predicate);
    void advance(std::int64_t ms);
    std::vector<std::string> popupsContaining(const std::string& text) const;

    // Controls of the guide.
    bool shown(const std::string& button) const;
    bool click(const std::string& button);
    std::string caption(const std::string& label) const;

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    NoLookups resolver;
    platform::MemoryFileSystem files;
    ui::headless::HeadlessUiFactory ui{loop, files};
    runtime::Dialogs dialogs{loop, ui};
    TestGuideHost host{loop, files, ui, dialogs};
    ScriptedFtpPeer peer{loop};
    std::vector<std::string> popups;  // every message shown, in order
    std::vector<bool> answers;
    int unexpectedQuestions = 0;
    std::shared_ptr<guide::movieGuide> guide;
};

}  // namespace zov::test
