#include "net/movie_file.hpp"

#include <vector>

#include "platform/clock.hpp"
#include "platform/file_system.hpp"

namespace zov::net {

namespace {

constexpr std::int32_t kPreparationBlock = 1000000;
// The side file's count is brought up to date at most this often, each time after the
// movie's data has reached the disk: a count is never ahead of what a power cut leaves.
constexpr std::int64_t kCountIntervalMs = 1000;

}  // namespace

MovieFile::MovieFile(platform::FileSystem& fileSystem, const platform::Clock& clock)
    : fileSystem_(fileSystem), clock_(clock) {}

MovieFile::~MovieFile() = default;

void MovieFile::startNew(std::string localPath) {
    close();
    localPath_ = std::move(localPath);
}

std::optional<ResumePoint> MovieFile::resumePoint(std::int64_t backoff) const {
    if (!fileSystem_.fileExists(localPath_) || !fileSystem_.fileExists(sideFilePath()))
        return std::nullopt;
    // The partial movie has the last word over its side file: a count it does not hold
    // starts from the beginning instead of leaving a hole of zeros.
    auto content = fileSystem_.readFile(sideFilePath());
    auto partial = fileSystem_.openReadWrite(localPath_);
    const std::int64_t length = partial ? partial->size().value_or(0) : 0;
    return resumePointFromSideFile(content ? *content : std::string(), length, backoff);
}

platform::DiskFailure MovieFile::prepare(std::int32_t size, const PrepareProgress& progress) {
    auto file = fileSystem_.openReadWrite(localPath_);
    if (!file || !file->seek(0)) return platform::DiskFailure::CannotWrite;
    const std::vector<char> zeros(kPreparationBlock, '\0');
    std::int64_t remaining = size;
    while (remaining > kPreparationBlock - 1) {
        if (!file->write(zeros.data(), zeros.size())) return file->failure();
        remaining -= kPreparationBlock;
        if (!progress(remaining)) return platform::DiskFailure::None;
    }
    if (remaining > 0 && !file->write(zeros.data(), static_cast<std::size_t>(remaining))) {
        return file->failure();
    }
    return platform::DiskFailure::None;
}

bool MovieFile::open(std::int64_t offset) {
    file_ = fileSystem_.openReadWrite(localPath_);
    if (!file_) return false;
    countSaved_ = -1;
    writePosition_ = offset;
    if (offset != 0) file_->seek(offset);
    return true;
}

void MovieFile::close() {
    file_.reset();
    sideFile_.reset();
}

bool MovieFile::write(const std::string& block) {
    if (!file_->write(block.data(), block.size())) return false;
    writePosition_ += static_cast<std::int64_t>(block.size());
    return true;
}

platform::DiskFailure MovieFile::failure() const {
    return file_ ? file_->failure() : platform::DiskFailure::CannotWrite;
}

bool MovieFile::countWhenDue(std::int64_t count) {
    const bool due = countSaved_ < 0 || clock_.nowMs() - countSavedAtMs_ >= kCountIntervalMs;
    return !due || saveCount(count);
}

void MovieFile::saveLastCount(std::int64_t count) {
    if (file_ && countSaved_ >= 0 && countSaved_ != count) saveCount(count);
}

void MovieFile::forgetCount() {
    sideFile_.reset();
    countSaved_ = -1;
    fileSystem_.deleteFile(sideFilePath());
}

// The movie on disk is exactly the bytes received: an older, longer file of the same name
// loses its tail, and the data is on the disk before the download counts as complete.
bool MovieFile::complete(std::int64_t length) {
    return file_ && file_->truncate(length) && file_->syncData();
}

// The movie's data reaches the disk itself before the side file counts it.
bool MovieFile::saveCount(std::int64_t count) {
    if (!file_->syncData()) return false;
    countSaved_ = count;
    countSavedAtMs_ = clock_.nowMs();
    writeSideFile(count);
    return true;
}

void MovieFile::writeSideFile(std::int64_t count) {
    const std::string text = std::to_string(count) + "\r\n\r\n";
    // The first count of a transfer creates the file anew; later ones overwrite it in place.
    // The count only grows, so the file holds exactly the new text either way, without a
    // truncating open per block (which file systems make wait for the previous write).
    if (sideFile_ && sideFile_->seek(0) && sideFile_->write(text.data(), text.size())) return;
    sideFile_.reset();
    if (fileSystem_.writeFile(sideFilePath(), text)) {
        sideFile_ = fileSystem_.openReadWrite(sideFilePath());
    }
}

}  // namespace zov::net
