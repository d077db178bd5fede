#pragma once
// The running processes of the host, as far as ending one by name needs them: who owns
// each, the names it goes by, and a way to end it at once.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zov::platform {

struct ProcessInfo {
    std::int32_t pid = 0;
    std::uint32_t uid = 0;        // the real user id of the owner
    std::uint64_t startTime = 0;  // tells the process from a later one that reuses its pid
    // The names to match against; any may be empty when the host does not tell.
    std::string executablePath;  // the program file the process runs
    std::string argv0;           // the name it was started under
    std::string commandName;     // the host's short name for it (possibly cut short)
};

class ProcessTable {
  public:
    virtual ~ProcessTable() = default;

    // Every running process; those that end during the walk are left out.
    virtual std::vector<ProcessInfo> processes() const = 0;
    virtual std::optional<ProcessInfo> process(std::int32_t pid) const = 0;
    // Ends the process at once, with no chance to clean up. False when it is gone, when its
    // pid now belongs to another process, or when the host refuses.
    virtual bool terminate(const ProcessInfo& process) = 0;

    virtual std::int32_t currentProcessId() const = 0;
    virtual std::uint32_t currentUserId() const = 0;  // the real user id of the caller
};

}  // namespace zov::platform
