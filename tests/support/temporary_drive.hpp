#pragma once
// A fresh folder under the system's temporary folder that stands in for drive C:, with a
// real file system on it; the folder and everything in it go when this does.

#include <string>

#include "platform/posix_file_system.hpp"

namespace zov::test {

class TemporaryDrive {
  public:
    // prefix names the folder ("zov-engine" gives /tmp/zov-engine-XXXXXX).
    explicit TemporaryDrive(const std::string& prefix);
    ~TemporaryDrive();
    TemporaryDrive(const TemporaryDrive&) = delete;
    TemporaryDrive& operator=(const TemporaryDrive&) = delete;

    // The host folder of C:, without a trailing "/".
    const std::string& root() const { return root_; }
    platform::PosixFileSystem& files() { return files_; }

  private:
    std::string root_;
    platform::PosixFileSystem files_;
};

}  // namespace zov::test
