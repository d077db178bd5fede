#pragma once
// The movie a download writes, and its side file: the count of bytes that are on the disk
// itself, from which an interrupted download resumes. It knows nothing of connections or
// replies; the engine says where the data lands and how much of it counts.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "net/ftp_reply.hpp"

namespace zov::platform {
class Clock;
class FileSystem;
class RandomAccessFile;
enum class DiskFailure;
}  // namespace zov::platform

namespace zov::net {

class MovieFile {
  public:
    MovieFile(platform::FileSystem& fileSystem, const platform::Clock& clock);
    ~MovieFile();
    MovieFile(const MovieFile&) = delete;
    MovieFile& operator=(const MovieFile&) = delete;

    // The movie of a new download (a Windows-form path); nothing of the last one stays open.
    void startNew(std::string localPath);
    std::string sideFilePath() const { return localPath_ + ".ini"; }

    // Where a partial movie with its side file resumes, backing off this many bytes; none
    // when either file is missing.
    std::optional<ResumePoint> resumePoint(std::int64_t backoff) const;
    // Fills the movie with `size` zeros ahead of a download whose tail comes first.
    // `progress` is told the bytes still to write after each block and answers whether to go
    // on. Why the disk refused; None when done or stopped.
    using PrepareProgress = std::function<bool(std::int64_t remaining)>;
    platform::DiskFailure prepare(std::int32_t size, const PrepareProgress& progress);

    // Opens the movie to receive data from `offset` on, with no count saved yet; false when
    // it cannot be opened (a folder in its place, a read-only folder).
    bool open(std::int64_t offset);
    bool isOpen() const { return file_ != nullptr; }
    void close();
    // Where the next byte received lands.
    std::int64_t writePosition() const { return writePosition_; }
    bool write(const std::string& block);
    // Why the last write, sync or completion failed.
    platform::DiskFailure failure() const;

    // Brings the side file up to `count` when its count is due (the first of a transfer,
    // then at most once a second); false when the movie's data could not be synced.
    bool countWhenDue(std::int64_t count);
    // Before closing: a side file that holds another count than `count` is brought up to it.
    void saveLastCount(std::int64_t count);
    // The side file is deleted and nothing writes it again until the movie is reopened.
    void forgetCount();
    // The movie is exactly `length` bytes and on the disk itself; false when not.
    bool complete(std::int64_t length);

  private:
    bool saveCount(std::int64_t count);
    void writeSideFile(std::int64_t count);

    platform::FileSystem& fileSystem_;
    const platform::Clock& clock_;
    std::string localPath_;
    std::unique_ptr<platform::RandomAccessFile> file_;
    std::unique_ptr<platform::RandomAccessFile> sideFile_;  // kept open while counting
    std::int64_t writePosition_ = 0;
    std::int64_t countSaved_ = -1;  // the count the side file holds; -1 before the first
    std::int64_t countSavedAtMs_ = 0;
};

}  // namespace zov::net
