#pragma once
// The libmpv player on a loop with a manual clock, the states and errors it raised, and
// real movies made by ffmpeg in a folder of the suite's own. libmpv works in real time, so
// waits for its states are runUntil with a watchdog; the loop's own timers (the reverse
// scan) run on the manual clock.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/drive_map.hpp"
#include "platform/poll_loop.hpp"
#include "platform/posix_file_system.hpp"
#include "ui/media_player_control.hpp"
#include "ui/mpv/mpv_media_player.hpp"

namespace zov::test {

inline constexpr auto kPatience = std::chrono::seconds(30);  // a hung decoder fails, never waits on

class MpvPlayerFixture : public ::testing::Test {
  protected:
    // A fresh folder for the suite, removed at its end.
    static void makeFolder() {
        folder_ =
            std::filesystem::temp_directory_path() / ("zov-mpv-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    static void removeFolder() { std::filesystem::remove_all(folder_); }
    static std::filesystem::path folder() { return folder_; }
    // `seconds` of test picture and tone in a small mp4, its index at the front as the
    // delivery server's movies have it. Fails the test when ffmpeg is missing.
    static void makeMovie(const std::string& name, int seconds) {
        const std::string length = std::to_string(seconds);
        const std::string command =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i testsrc=duration=" + length +
            ":size=160x120:rate=10 -f lavfi -i sine=frequency=440:duration=" + length +
            " -c:v mpeg4 -c:a aac -shortest -movflags +faststart '" + (folder_ / name).string() +
            "'";
        ASSERT_EQ(std::system(command.c_str()), 0) << "ffmpeg is needed: scripts/setup installs it";
    }
    // The first `bytes` of `from` as `to`: a movie cut short, or one still arriving.
    static void copyStart(const std::string& from, const std::string& to, std::uintmax_t bytes) {
        std::ifstream in(folder_ / from, std::ios::binary);
        std::string data(bytes, '\0');
        in.read(data.data(), static_cast<std::streamsize>(bytes));
        ASSERT_EQ(static_cast<std::uintmax_t>(in.gcount()), bytes);
        std::ofstream(folder_ / to, std::ios::binary | std::ios::trunc) << data;
    }

    void SetUp() override {
        player_ = ui::mpv::MpvMediaPlayer::create(ui::ControlName{}, loop_, files_);
        player_->PlayStateChange.connect([this](int state) { states_.push_back(state); });
        player_->Error.connect([this] { ++errors_; });
    }

    // The client's form of a path in the suite's folder (through the root drive).
    std::string clientPath(const std::string& name) const {
        return files_.windowsPath((folder_ / name).string());
    }
    bool waitFor(int state) {
        return loop_.runUntil([&] { return player_->playState() == state; }, kPatience);
    }

    static inline std::filesystem::path folder_;
    platform::ManualClock clock_;
    platform::PollLoop loop_{clock_};
    platform::PosixFileSystem files_{platform::DriveMap::fromSystem(), "/"};
    std::shared_ptr<ui::mpv::MpvMediaPlayer> player_;
    std::vector<int> states_;
    int errors_ = 0;
};

}  // namespace zov::test
