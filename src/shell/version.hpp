#pragma once
// The client's version: major, minor and revision.

namespace zov::shell {

inline constexpr int kVersionMajor = 5;
inline constexpr int kVersionMinor = 3;
inline constexpr int kVersionRevision = 135;
inline constexpr const char* kVersion = "5.3.135";

}  // namespace zov::shell
