// The player's tests draw on an X display of their own, started for the whole run. The X
// server picks its own free display number (-displayfd), so runs in parallel, from other
// trees too, never take the same one. It never resets: a server that resets when its last
// client leaves refuses the next test's window for a moment.

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

extern char** environ;

namespace zov::test {
namespace {

class OwnDisplay final : public ::testing::Environment {
  public:
    void SetUp() override {
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const std::string fd = std::to_string(pipe[1]);
        const char* argv[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                              "640x480x24", "-nolisten",  "tcp",      nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 0, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 0, 0);
        const int error = posix_spawnp(&server_, "Xvfb", &actions, nullptr,
                                       const_cast<char* const*>(argv), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipe[1]);
        std::string number;
        char c = 0;
        while (error == 0 && ::read(pipe[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(pipe[0]);
        ASSERT_EQ(error, 0) << "Xvfb is missing (scripts/setup installs xvfb)";
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        ::setenv("DISPLAY", (":" + number).c_str(), 1);
    }
    void TearDown() override {
        if (server_ <= 0) return;
        ::kill(server_, SIGTERM);
        ::waitpid(server_, nullptr, 0);
    }

  private:
    pid_t server_ = -1;
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new OwnDisplay);

}  // namespace
}  // namespace zov::test
