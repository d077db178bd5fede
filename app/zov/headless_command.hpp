#pragma once
// "zov --headless": the whole client on the headless front end and the real event loop,
// until ExitPlayer ends the process.

#include <string>
#include <vector>

namespace zov {

struct ClientFolders;

// args are the words after "--headless"; the folders are ready (client_folders.hpp).
int runHeadlessClient(const std::vector<std::string>& args, const ClientFolders& folders);

}  // namespace zov
