#pragma once
// kill_process: ends running processes by executable name, so that no copy of an external
// program survives when it is no longer wanted. It ends only processes of the calling
// user, and never the calling process itself.

#include <cstdint>
#include <string_view>

namespace zov::platform {
class ProcessTable;
}

namespace zov::runtime {

// Ends every process whose program name ends with name, compared without regard to case
// ("myzovplayer1.exe" and "/opt/zov/ZOVPLAYER1.EXE" both match "zovplayer1.exe"). True when
// at least one matched; an empty name matches nothing.
bool KillProcessByName(platform::ProcessTable& processes, std::string_view name);

// Ends one process at once. Linux gives a killed process no exit code of the caller's
// choosing: it dies of SIGKILL, and exitCode is accepted for the callers' sake only.
bool KillProcessById(platform::ProcessTable& processes, std::int32_t id, std::uint32_t exitCode);

}  // namespace zov::runtime
