#pragma once
// "zov" without --headless: the desktop front end, a program of its own (zov-desktop, the
// only one that links Qt) beside this one, started in this process's place.

#include <optional>
#include <string>
#include <vector>

namespace zov {

// Never returns when the desktop program starts. Otherwise says why on standard error and
// returns the exit status: 2 without a display (naming --headless and xvfb-run) or without
// the desktop program. Without a client folder given, the desktop program finds (and on a
// first start makes) the client folder as this one would.
int launchDesktopClient(const std::vector<std::string>& args,
                        const std::optional<std::string>& clientDir,
                        const std::string& executableFolder);

}  // namespace zov
