#pragma once
// The disk as the system sees it: paths keep their Windows form ("c:\zov\movie.wmv",
// "zov.ini" relative to the client folder) and are translated to host paths through the
// drive map only at the moment the disk is touched.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zov::platform {

// File attribute bits, with the values the system stores (hidden 2, system 4).
enum FileAttributes : unsigned { kAttributeHidden = 2, kAttributeSystem = 4 };

struct DiskSpace {
    std::uint64_t freeBytes = 0;  // free to the calling user
    std::uint64_t totalBytes = 0;
};

enum class Privacy { Normal, OwnerOnly };

// Why the disk refused a write: a full disk (or quota) is the user's to fix, anything else
// (an I/O error, a file that cannot be opened) is a fault of the disk or the folder.
enum class DiskFailure { None, NoSpace, CannotWrite };

// A file open for reading and writing at arbitrary positions.
class RandomAccessFile {
  public:
    virtual ~RandomAccessFile() = default;
    virtual bool seek(std::int64_t position) = 0;
    // Writes all bytes at the current position and moves past them. On failure the
    // position stays and failure() says why.
    virtual bool write(const void* data, std::size_t size) = 0;
    virtual std::optional<std::int64_t> size() const = 0;
    // Cuts (or extends with zeros) the file to exactly this many bytes.
    virtual bool truncate(std::int64_t size) = 0;
    // Waits until the bytes written so far are on the disk itself, not only in its cache.
    virtual bool syncData() = 0;
    // The cause of the last failed write; None while every write succeeded.
    virtual DiskFailure failure() const = 0;
};

class FileSystem {
  public:
    virtual ~FileSystem() = default;

    // The host path a Windows-form path names; empty when its drive is not mapped.
    virtual std::string hostPath(std::string_view path) const = 0;
    // The Windows form of a host path (through the Z: drive, the host's root).
    virtual std::string windowsPath(std::string_view hostPath) const = 0;

    virtual bool fileExists(std::string_view path) const = 0;  // a file, not a folder
    virtual bool folderExists(std::string_view path) const = 0;
    // Creates every missing folder of the path; a path ending in "\" creates its last
    // folder too. True when the whole path exists afterwards.
    virtual bool createFolderPath(std::string_view path) = 0;

    virtual std::optional<std::string> readFile(std::string_view path) const = 0;
    // Creates or truncates the file and writes the bytes.
    virtual bool writeFile(std::string_view path, std::string_view bytes,
                           Privacy privacy = Privacy::Normal) = 0;
    virtual bool deleteFile(std::string_view path) = 0;
    // Opens for reading and writing, creating the file if missing, never truncating.
    virtual std::unique_ptr<RandomAccessFile> openReadWrite(std::string_view path) = 0;

    // Free and total space of the volume that holds the path.
    virtual std::optional<DiskSpace> diskSpace(std::string_view path) const = 0;
    // Best effort: false where the file system cannot keep the attributes.
    virtual bool setAttributes(std::string_view path, unsigned attributes) = 0;

    // The mapped drive letters in order, upper case ('C', 'D', ..., 'Z').
    virtual std::vector<char> driveLetters() const = 0;
};

}  // namespace zov::platform
