#include "runtime/kill_process.hpp"

#include <algorithm>
#include <string>

#include "platform/process_table.hpp"

namespace zov::runtime {

namespace {

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool endsWithIgnoringCase(std::string_view text, std::string_view lowerSuffix) {
    if (text.size() < lowerSuffix.size()) return false;
    const std::string_view tail = text.substr(text.size() - lowerSuffix.size());
    return std::equal(tail.begin(), tail.end(), lowerSuffix.begin(),
                      [](char a, char b) { return lower(a) == b; });
}

// Without a debug privilege to hold, the rule is plain: the caller's own processes only.
bool mayEnd(const platform::ProcessTable& processes, const platform::ProcessInfo& process) {
    return process.uid == processes.currentUserId() && process.pid != processes.currentProcessId();
}

}  // namespace

bool KillProcessByName(platform::ProcessTable& processes, std::string_view name) {
    if (name.empty()) return false;  // every name ends with nothing
    std::string wanted(name);
    std::transform(wanted.begin(), wanted.end(), wanted.begin(), lower);

    bool matched = false;
    for (const auto& process : processes.processes()) {
        if (!mayEnd(processes, process)) continue;
        if (endsWithIgnoringCase(process.executablePath, wanted) ||
            endsWithIgnoringCase(process.argv0, wanted) ||
            endsWithIgnoringCase(process.commandName, wanted)) {
            matched = true;
            processes.terminate(process);
        }
    }
    return matched;
}

bool KillProcessById(platform::ProcessTable& processes, std::int32_t id,
                     [[maybe_unused]] std::uint32_t exitCode) {
    auto process = processes.process(id);
    return process && mayEnd(processes, *process) && processes.terminate(*process);
}

}  // namespace zov::runtime
