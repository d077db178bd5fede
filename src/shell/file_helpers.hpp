#pragma once
// Small questions about the disk that every window asks.

#include <string_view>

namespace zov::platform {
class FileSystem;
}

namespace zov::shell {

// True when the path names an existing file, not a folder.
bool isFile(const platform::FileSystem& fileSystem, std::string_view path);
// True when the path names an existing folder.
bool folderExists(const platform::FileSystem& fileSystem, std::string_view path);

}  // namespace zov::shell
