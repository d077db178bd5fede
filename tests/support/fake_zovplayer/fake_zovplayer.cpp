// A stand-in for the external H.264 player, built as "zovplayer1.exe" for tests. It takes
// the player's command line (program, video region, main window, address[, position]),
// makes its own control window, tells the main window about it (0x464), posts what its
// script says, and answers the messages it receives as the script says. It records its
// arguments and every message it receives, one line each, to a file the test reads.
//
// The script is a file named by ZOV_FAKE_PLAYER_SCRIPT, one instruction per line:
//   endpoints <folder>          where the window message endpoints are
//   record <file>               where to record ("arg <i> <text>", "got <msg> <w> <l>")
//   handle <n>                  its control window handle (default: derived from its pid)
//   post <msg> <w>              posted to the main window after 0x464, in order
//   on <msg> post <msg> <w|w>   answer to a message; "w" stands for the received wParam
//   on <msg> exit               end when the message arrives
// Numbers may be decimal or 0x-hexadecimal. It ends by itself after a minute at most.

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "platform/unix_window_messages.hpp"

using namespace zov::platform;

namespace {

struct Rule {
    std::uint32_t when = 0;
    bool exit = false;
    std::uint32_t message = 0;
    bool echoWParam = false;
    std::int64_t wParam = 0;
};

struct Script {
    std::string endpoints;
    std::string record;
    std::int64_t handle = static_cast<std::int64_t>(::getpid()) * 1000 + 7;
    std::vector<WindowMessage> posts;
    std::vector<Rule> rules;
};

std::int64_t number(const std::string& text) {
    return std::strtoll(text.c_str(), nullptr, 0);
}

Script readScript(const char* path) {
    Script script;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        std::string keyword, a, b, c, d;
        words >> keyword >> a >> b >> c >> d;
        if (keyword == "endpoints") {
            script.endpoints = a;
        } else if (keyword == "record") {
            script.record = a;
        } else if (keyword == "handle") {
            script.handle = number(a);
        } else if (keyword == "post") {
            script.posts.push_back({static_cast<std::uint32_t>(number(a)), number(b), 0});
        } else if (keyword == "on") {
            Rule rule;
            rule.when = static_cast<std::uint32_t>(number(a));
            rule.exit = b == "exit";
            rule.message = static_cast<std::uint32_t>(number(c));
            rule.echoWParam = d == "w";
            rule.wParam = rule.echoWParam ? 0 : number(d);
            script.rules.push_back(rule);
        }
    }
    return script;
}

}  // namespace

int main(int argc, char** argv) {
    const char* scriptPath = std::getenv("ZOV_FAKE_PLAYER_SCRIPT");
    if (!scriptPath || argc < 4) {
        std::cerr << "usage: ZOV_FAKE_PLAYER_SCRIPT=<file> zovplayer1.exe <region> <window> "
                     "<address> [<position>]\n";
        return 2;
    }
    const Script script = readScript(scriptPath);
    std::FILE* record = std::fopen(script.record.c_str(), "a");
    if (!record) return 3;
    auto note = [record](const std::string& line) {
        std::fputs((line + "\n").c_str(), record);
        std::fflush(record);
    };
    for (int i = 0; i < argc; ++i)
        note("arg " + std::to_string(i) + " " + argv[i]);

    MonotonicClock clock;
    PollLoop loop(clock);
    UnixWindowMessages messages(loop, script.endpoints);
    const std::int64_t mainWindow = number(argv[2]);

    messages.listen(script.handle, [&](const WindowMessage& got) {
        char text[96];
        std::snprintf(text, sizeof text, "got 0x%x %lld %lld", got.message,
                      static_cast<long long>(got.wParam), static_cast<long long>(got.lParam));
        note(text);
        for (const Rule& rule : script.rules) {
            if (rule.when != got.message) continue;
            if (rule.exit) {
                note("exit");
                loop.quit();
                return;
            }
            messages.post(mainWindow, rule.message, rule.echoWParam ? got.wParam : rule.wParam, 0);
        }
    });
    messages.post(mainWindow, 0x464, script.handle, 0);
    for (const WindowMessage& post : script.posts)
        messages.post(mainWindow, post.message, post.wParam, post.lParam);
    note("ready");

    loop.setTimer(loop.newTimerKey(), 60000, [&loop] { loop.quit(); });  // never lingers
    loop.run();
    std::fclose(record);
    return 0;
}
