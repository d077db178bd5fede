#include "support/temporary_drive.hpp"

#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <system_error>

namespace zov::test {

namespace {

std::string makeFolder(const std::string& prefix) {
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create " + pattern);
    return pattern;
}

}  // namespace

TemporaryDrive::TemporaryDrive(const std::string& prefix)
    : root_(makeFolder(prefix)),
      files_(platform::DriveMap(
                 [this](const std::string& name) -> std::optional<std::string> {
                     if (name == "ZOV_DRIVE_C") return root_;
                     return std::nullopt;
                 },
                 {}),
             root_) {}

TemporaryDrive::~TemporaryDrive() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

}  // namespace zov::test
