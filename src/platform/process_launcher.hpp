#pragma once
// Starts external programs: an executable and its argument vector, never a command line for
// a shell to take apart, so no argument can be mistaken for more than itself.

#include <cstdint>
#include <string>
#include <vector>

namespace zov::platform {

class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;

    // Starts the program at path (a host path) with the arguments, of which the first is the
    // name the program goes by. It gets no terminal input and no window from us. Returns its
    // process id; throws zov::Error when it cannot be started (53 "File not found" for a
    // missing program).
    virtual std::int32_t start(const std::string& path,
                               const std::vector<std::string>& arguments) = 0;

    // True while a process started here runs; one that has ended is collected.
    virtual bool running(std::int32_t pid) = 0;
};

}  // namespace zov::platform
