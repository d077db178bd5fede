#pragma once
// A file system held in memory, for unit tests: deterministic, no disk touched. Paths take
// the same Windows form as on the real disk; the drive letter is matched without regard to
// case, the names after it exactly. A path without a drive lies under the client folder.
// Not a simulation of every disk failure: writes succeed wherever the folder exists, until a
// test makes them fail (failWrites).

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "platform/file_system.hpp"

namespace zov::platform {

class MemoryFileSystem final : public FileSystem {
  public:
    static constexpr std::string_view kDefaultClientFolder = "C:\\zov-client";
    static constexpr DiskSpace kDefaultDiskSpace{64ull << 30, 128ull << 30};

    // Drives C and Z are mapped; the client folder (Windows form, with its drive) exists.
    explicit MemoryFileSystem(std::string_view clientFolder = kDefaultClientFolder);
    ~MemoryFileSystem() override;

    // What tests arrange and inspect.
    const std::string& clientFolder() const { return clientFolder_; }
    void mapDrive(char letter, DiskSpace space = kDefaultDiskSpace);
    void setDiskSpace(char letter, DiskSpace space);
    // The privacy the file was last written with; nothing when there is no such file.
    std::optional<Privacy> privacy(std::string_view path) const;
    // Attribute bits of a file or folder; nothing when there is neither.
    std::optional<unsigned> attributes(std::string_view path) const;
    // From now on every write, truncation and sync fails with this cause (None: they work
    // again), also in files opened before; opening and reading still work.
    void failWrites(DiskFailure failure) { *writeFailure_ = failure; }

    std::string hostPath(std::string_view path) const override;
    std::string windowsPath(std::string_view hostPath) const override;
    bool fileExists(std::string_view path) const override;
    bool folderExists(std::string_view path) const override;
    bool createFolderPath(std::string_view path) override;
    std::optional<std::string> readFile(std::string_view path) const override;
    bool writeFile(std::string_view path, std::string_view bytes,
                   Privacy privacy = Privacy::Normal) override;
    bool deleteFile(std::string_view path) override;
    std::unique_ptr<RandomAccessFile> openReadWrite(std::string_view path) override;
    std::optional<DiskSpace> diskSpace(std::string_view path) const override;
    bool setAttributes(std::string_view path, unsigned attributes) override;
    std::vector<char> driveLetters() const override;

  private:
    struct FileData;
    class OpenFile;

    // The one spelling of a path: upper-case drive, backslashes, no "." or "..", no
    // trailing "\" ("C:" for the root). Nothing when the path is empty or its drive is not
    // mapped.
    std::optional<std::string> normalize(std::string_view path) const;
    bool parentFolderExists(const std::string& key) const;

    std::string clientFolder_;
    std::map<char, DiskSpace> drives_;
    std::set<std::string> folders_;  // drive roots are implied by drives_
    std::map<std::string, unsigned> folderAttributes_;
    std::map<std::string, std::shared_ptr<FileData>> files_;
    std::shared_ptr<DiskFailure> writeFailure_ = std::make_shared<DiskFailure>(DiskFailure::None);
};

}  // namespace zov::platform
