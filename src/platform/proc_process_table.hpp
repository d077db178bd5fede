#pragma once
// The process table of Linux, read from /proc. Processes are ended with SIGKILL through a
// pidfd, after checking that the pid still belongs to the process that was listed.

#include "platform/process_table.hpp"

namespace zov::platform {

class ProcProcessTable final : public ProcessTable {
  public:
    std::vector<ProcessInfo> processes() const override;
    std::optional<ProcessInfo> process(std::int32_t pid) const override;
    bool terminate(const ProcessInfo& process) override;
    std::int32_t currentProcessId() const override;
    std::uint32_t currentUserId() const override;
};

}  // namespace zov::platform
