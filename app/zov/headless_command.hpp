#pragma once
// "zov --headless": the whole client on the headless front end and the real event loop,
// until ExitPlayer ends the process.

#include <string>
#include <vector>

namespace zov {

// args are the words after "--headless"; clientDir is the program folder (host path).
int runHeadlessClient(const std::vector<std::string>& args, const std::string& clientDir);

}  // namespace zov
