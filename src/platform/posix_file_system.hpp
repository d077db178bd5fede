#pragma once
// The disk of a Linux host behind the system's Windows-form paths. A path is translated at
// the moment it is used: the drive letter through the drive map, backslashes to slashes,
// "." and ".." resolved without ever climbing above the drive's folder; a path with no
// drive is relative to the client's folder. Ordinary failures answer false or nullopt.

#include <optional>
#include <string>
#include <string_view>

#include "platform/drive_map.hpp"
#include "platform/file_system.hpp"

namespace zov::platform {

class PosixFileSystem final : public FileSystem {
  public:
    // clientFolder is a host path; a relative one is taken from the current folder.
    PosixFileSystem(DriveMap drives, std::string clientFolder);

    std::string hostPath(std::string_view path) const override;
    // Uses the letter that names the host's root (Z:); empty when no letter does.
    std::string windowsPath(std::string_view hostPath) const override;

    bool fileExists(std::string_view path) const override;
    bool folderExists(std::string_view path) const override;
    // As on Windows, the part after the last "\" is a file name and is not created.
    bool createFolderPath(std::string_view path) override;

    std::optional<std::string> readFile(std::string_view path) const override;
    bool writeFile(std::string_view path, std::string_view bytes,
                   Privacy privacy = Privacy::Normal) override;
    bool deleteFile(std::string_view path) override;
    std::unique_ptr<RandomAccessFile> openReadWrite(std::string_view path) override;

    // A folder that does not exist yet is measured on the volume of its nearest existing
    // parent inside the same drive; a drive whose own folder is missing has no space.
    std::optional<DiskSpace> diskSpace(std::string_view path) const override;
    // Kept as the "user.DOSATTRIB" extended attribute ("0x6"), as file servers keep them.
    bool setAttributes(std::string_view path, unsigned attributes) override;

    std::vector<char> driveLetters() const override;

  private:
    struct Resolved {
        std::string root;  // the drive's folder, or "/" for a path with no drive
        std::string host;  // ends in "/" when the Windows path ended in a separator
        bool folderForm = false;
    };
    std::optional<Resolved> resolve(std::string_view path) const;

    DriveMap drives_;
    std::string clientFolder_;
};

}  // namespace zov::platform
