#pragma once
// The libmpv player on a loop with a manual clock, the states and errors it raised, and
// real movies made by ffmpeg in a folder of the suite's own. libmpv works in real time, so
// waits for its states are runUntil with a watchdog; the loop's own timers (the reverse
// scan) run on the manual clock.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
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
    static void makeFolder();
    static void removeFolder();
    static std::filesystem::path folder() { return folder_; }
    // `seconds` of test picture and tone in a small mp4, its index at the front as the
    // delivery server's movies have it. Fails the test when ffmpeg is missing.
    static void makeMovie(const std::string& name, int seconds);
    // The first `bytes` of `from` as `to`: a movie cut short, or one still arriving.
    static void copyStart(const std::string& from, const std::string& to, std::uintmax_t bytes);

    void SetUp() override;

    // The client's form of a path in the suite's folder (through the root drive).
    std::string clientPath(const std::string& name) const;
    bool waitFor(int state);

    static inline std::filesystem::path folder_;
    platform::ManualClock clock_;
    platform::PollLoop loop_{clock_};
    platform::PosixFileSystem files_{platform::DriveMap::fromSystem(), "/"};
    std::shared_ptr<ui::mpv::MpvMediaPlayer> player_;
    std::vector<int> states_;
    int errors_ = 0;
};

}  // namespace zov::test
