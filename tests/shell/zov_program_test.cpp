// The zov program itself: which command its first word picks, and the options of the
// headless client, run whole with no display and no input.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/temporary_drive.hpp"

namespace {

// What the program writes (both streams) and its exit status.
std::pair<std::string, int> run(const std::string& arguments) {
    const std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY " ZOV_TEST_BIN_DIR "/zov " +
                                arguments + " </dev/null 2>&1";
    FILE* program = ::popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, program)) > 0;)
        output.append(buffer, got);
    const int status = ::pclose(program);
    return {output, WIFEXITED(status) ? WEXITSTATUS(status) : -1};
}

TEST(ZovProgram, TheFirstWordPicksTheCommand) {
    zov::test::TemporaryDrive disk("zov-program");
    const std::string folder = "--client-dir " + disk.root() + " ";
    const struct {
        std::string arguments, shows;
        int status;
    } cases[] = {
        {"--version", "ZOV 5.3.135\n", 0},
        {"--help", "usage: zov [COMMAND]", 0},
        {folder + "config", "ZOVAuthServer.URL=vod.zov.example\n", 0},
        {folder + "--remote stdio", "zov: no display to open the desktop client on", 2},
        {folder + "--headless --bogus value", "zov --headless: unknown option '--bogus'", 2},
        // The channel on standard input and output reports the first window, then the input
        // ends and so does the client.
        {folder +
             "--headless --simulated-player --remote stdio --version-server http://127.0.0.1:9/",
         R"({"event":"window-shown","window":"LoginPage"})", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const auto [output, status] = run(c.arguments);
        EXPECT_NE(output.find(c.shows), std::string::npos) << output;
        EXPECT_EQ(status, c.status);
    }
}

}  // namespace
