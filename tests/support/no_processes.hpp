#pragma once
// A process table with nothing in it and nothing to end, for tests that never start an
// external player.

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/process_table.hpp"

namespace zov::test {

class NoProcesses final : public platform::ProcessTable {
  public:
    std::vector<platform::ProcessInfo> processes() const override { return {}; }
    std::optional<platform::ProcessInfo> process(std::int32_t) const override { return {}; }
    bool terminate(const platform::ProcessInfo&) override { return false; }
    std::int32_t currentProcessId() const override { return 1; }
    std::uint32_t currentUserId() const override { return 1000; }
};

}  // namespace zov::test
