#include "shell/file_helpers.hpp"

#include "platform/file_system.hpp"

namespace zov::shell {

bool isFile(const platform::FileSystem& fileSystem, std::string_view path) {
    return fileSystem.fileExists(path);
}

bool folderExists(const platform::FileSystem& fileSystem, std::string_view path) {
    return fileSystem.folderExists(path);
}

}  // namespace zov::shell
