#include "desktop_command.hpp"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace zov {

namespace {

bool hasDisplay() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value) return true;
    }
    return false;
}

}  // namespace

int launchDesktopClient(const std::vector<std::string>& args,
                        const std::optional<std::string>& clientDir,
                        const std::string& executableFolder) {
    if (!hasDisplay()) {
        std::cerr << "zov: no display to open the desktop client on; run zov --headless, or "
                     "the desktop client under xvfb-run\n";
        return 2;
    }
    const std::string program = executableFolder + "/zov-desktop";
    std::vector<std::string> words{program};
    if (clientDir) words.insert(words.end(), {"--client-dir", *clientDir});
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    ::execv(program.c_str(), argv.data());
    std::cerr << "zov: cannot start the desktop client " << program << ": " << std::strerror(errno)
              << "\n";
    return 2;
}

}  // namespace zov
