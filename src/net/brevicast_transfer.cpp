// The data side of the download engine: starting a download, resuming from the side file,
// the passive data connection, writing the movie, the trickle mode and completion.

#include <limits>
#include <vector>

#include "config/media_info.hpp"
#include "net/brevicast.hpp"
#include "net/ftp_reply.hpp"
#include "platform/clock.hpp"
#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "platform/plain_file_name.hpp"
#include "platform/socket_io.hpp"
#include "runtime/c_socket.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/numeric_text.hpp"

namespace zov::net {

namespace {

constexpr std::int64_t kResumeBackoff = 1280;
constexpr std::int32_t kTrickleTail = 500000;
constexpr std::int32_t kPreparationBlock = 1000000;
// The side file's count is brought up to date at most this often, each time after the
// movie's data has reached the disk: a count is never ahead of what a power cut leaves.
constexpr std::int64_t kCountIntervalMs = 1000;
// RFC 1123's answer to a restart point the server cannot position to (past the end).
constexpr std::int16_t kInvalidRestartPoint = 554;

}  // namespace

// ---- starting ---------------------------------------------------------------------------

void Brevicast::downloadNoTrickle(const config::MediaInfo& mediafile, const std::string& dataPath) {
    trickle_ = false;
    std::string name = mediafile.movieFileName();
    startDownload(name, dataPath + name, platform::isPlainFileName(name));
}

void Brevicast::downloadAndAllowTrickleDownload(const config::MediaInfo& mediafile,
                                                const std::string& dataPath) {
    trickle_ = true;
    std::string remote = mediafile.remoteFileName() + ".wmv";
    std::string local = mediafile.movieFileName();
    startDownload(remote, dataPath + local,
                  platform::isPlainFileName(remote) && platform::isPlainFileName(local));
}

void Brevicast::cancelCurrentDownload() {
    if (downloadStatus_ == DownloadStatus::Idle) return;
    trickle_ = false;
    downloadStatus_ = DownloadStatus::Cancelling;
    closeConnection();
}

void Brevicast::startDownload(const std::string& remoteName, const std::string& localPath,
                              bool namesArePlain) {
    auto self = shared_from_this();
    ++downloadNumber_;
    if (downloadStatus_ == DownloadStatus::Cancelling) {
        auto code = static_cast<std::int32_t>(DownloadError::CancelUnfinished);
        onError(code);
    }
    downloadStatus_ = DownloadStatus::Started;
    m_controlCon = runtime::CSocket::create(loop_, resolver_);
    m_controlCon->OnConnect.connect(
        weak_.bind([](Brevicast& self) { self.m_controlCon_OnConnect(); }));
    m_controlCon->OnDataArrival.connect(weak_.bind(
        [](Brevicast& self, std::int32_t total) { self.m_controlCon_OnDataArrival(total); }));
    m_controlCon->connectOnError(weak_.bind([](Brevicast& self) { self.m_controlCon_OnError(); }));

    remoteName_ = remoteName;
    localPath_ = localPath;
    namesArePlain_ = namesArePlain;
    resumeOffset_ = 0;
    resumeCount_ = 0;
    restartedFromTheBeginning_ = false;
    fileSize_ = 0;
    file_.reset();
    diskFailure_ = platform::DiskFailure::None;
    // A name that is not a plain file name is refused once the server asks for it; until
    // then nothing of it touches the disk.
    if (namesArePlain_) resumeCheck();
    connecting();
}

void Brevicast::resumeCheck() {
    if (!fileSystem_.fileExists(localPath_) || !fileSystem_.fileExists(sideFilePath())) return;
    // The partial movie has the last word over its side file: a count it does not hold
    // starts from the beginning instead of leaving a hole of zeros.
    auto content = fileSystem_.readFile(sideFilePath());
    auto partial = fileSystem_.openReadWrite(localPath_);
    const std::int64_t length = partial ? partial->size().value_or(0) : 0;
    const ResumePoint point =
        resumePointFromSideFile(content ? *content : std::string(), length, kResumeBackoff);
    resumeCount_ = point.count;
    resumeOffset_ = point.offset;
    trickle_ = false;  // a resumed download never has a trickle phase
    std::string text = "Preparing Download";
    onDownloadPreparation(text);
}

// ---- SIZE and PASV ----------------------------------------------------------------------

void Brevicast::handle_SIZE(std::int16_t replyCode) {
    if (replyCode != 213) return raiseError(DownloadError::NotOnServer);
    auto size = sizeFromReply(lastReply_);
    if (size && *size > std::numeric_limits<std::int32_t>::max()) {
        return raiseError(
            DownloadError::NotOnServer);  // a movie beyond 32-bit byte counts cannot be kept
    }
    if (size) fileSize_ = static_cast<std::int32_t>(runtime::roundHalfEven(*size));
    // A count past the end belongs to another movie of that name (the server's was
    // replaced by a shorter one): start again from its first byte.
    if (size && resumeCount_ > fileSize_) resumeCount_ = resumeOffset_ = 0;
    // A movie shorter than the tail has no tail phase: it comes whole at once.
    if (size && trickle_ && fileSize_ < kTrickleTail) trickle_ = false;
    if (size && trickle_) {
        m_timeout->StopTimer();
        const std::uint64_t download = downloadNumber_;
        const platform::DiskFailure refused = prepareTrickleFile(fileSize_);
        if (download != downloadNumber_ || downloadStatus_ == DownloadStatus::Idle) {
            return;  // the download ended or changed while the file was prepared
        }
        if (refused != platform::DiskFailure::None) return failAtTheDisk(refused);
        resumeOffset_ = fileSize_ - kTrickleTail;
        m_timeout->StartTimer();
    }
    std::int32_t reported = size ? fileSize_ : 0;
    onFileSize(reported);
    sendCommand(CommandState::Pasv, "");
}

// Why the disk refused the file; None when it is prepared (or the download changed meanwhile).
platform::DiskFailure Brevicast::prepareTrickleFile(std::int32_t size) {
    auto file = fileSystem_.openReadWrite(localPath_);
    if (!file || !file->seek(0)) return platform::DiskFailure::CannotWrite;
    const std::vector<char> zeros(kPreparationBlock, '\0');
    std::int64_t remaining = size;
    const std::uint64_t download = downloadNumber_;
    while (remaining > kPreparationBlock - 1) {
        if (!file->write(zeros.data(), zeros.size())) return file->failure();
        remaining -= kPreparationBlock;
        std::string text =
            "Prepare file for trickle download (bytes remaining): " + std::to_string(remaining);
        onDownloadPreparation(text);
        loop_.processPending();
        if (download != downloadNumber_) return platform::DiskFailure::None;
    }
    if (remaining > 0 && !file->write(zeros.data(), static_cast<std::size_t>(remaining))) {
        return file->failure();
    }
    return platform::DiskFailure::None;
}

void Brevicast::handle_PASV(std::int16_t replyCode) {
    if (replyCode != 227) return raiseError(DownloadError::ConnectionOrLogin);
    auto port = passiveDataPort(lastReply_);
    if (!port) return;  // unreadable: the inactivity time-out ends the download
    closeDataConnection();
    m_dataCon->setLocalPort(0);
    m_dataCon->Connect(m_controlCon->RemoteHostIP(), *port);
}

// ---- the data connection ----------------------------------------------------------------

void Brevicast::m_dataCon_OnConnect() {
    file_ = fileSystem_.openReadWrite(localPath_);
    // A movie that cannot be opened (a folder in its place, a read-only folder) ends the
    // download now, not after thirty silent seconds.
    if (!file_) return failAtTheDisk(platform::DiskFailure::CannotWrite);
    countSaved_ = -1;
    writePosition_ = resumeOffset_;
    if (resumeOffset_ == 0) {
        bytesSoFar_ = 0;
        sendCommand(CommandState::Retr, remoteName_);
        return;
    }
    file_->seek(resumeOffset_);
    bytesSoFar_ = resumeOffset_;
    sendCommand(CommandState::Rest, std::to_string(resumeOffset_));
}

void Brevicast::m_dataCon_OnDataArrival(std::int32_t bytesTotal) {
    auto self = shared_from_this();
    if (downloadStatus_ != DownloadStatus::Idle) m_timeout->Reset();
    if (bytesTotal <= 0) return;
    std::string block;
    m_dataCon->GetData(block);
    if (!file_) return;
    const auto blockSize = static_cast<std::int64_t>(block.size());
    // More than the server announced is not this movie: nothing of it is kept as done,
    // and without its side file the next try starts clean.
    if (fileSize_ > 0 && writePosition_ + blockSize > fileSize_) {
        sideFile_.reset();
        countSaved_ = -1;  // and closing must not write it again
        fileSystem_.deleteFile(sideFilePath());
        return raiseError(DownloadError::TransferFailed);
    }
    // The data goes to disk before the side file counts it, so the side file is never
    // ahead of the movie.
    if (!file_->write(block.data(), block.size())) return failAtTheDisk(file_->failure());
    writePosition_ += blockSize;
    if (trickle_) return;
    bytesSoFar_ += blockSize;
    if (bytesSoFar_ > std::numeric_limits<std::int32_t>::max()) {
        return raiseError(
            DownloadError::TransferFailed);  // beyond 32-bit byte counts: never wrap, never finish
    }
    if (countIsDue() && !saveCount()) return failAtTheDisk(file_->failure());
    std::int32_t count = static_cast<std::int32_t>(bytesSoFar_);
    onDownloading(count);
    if (transferReported_) finishWhenEveryByteIsIn();
}

// A server that cannot restart where the side file said (the count was past the end of
// its movie) gets the whole movie asked for again, once.
bool Brevicast::restRefusedAsPastTheEnd(std::int16_t replyCode) {
    return replyCode == kInvalidRestartPoint && resumeOffset_ > 0 && !restartedFromTheBeginning_;
}

void Brevicast::restartFromTheBeginning() {
    restartedFromTheBeginning_ = true;
    resumeOffset_ = resumeCount_ = 0;
    file_.reset();
    sideFile_.reset();
    fileSystem_.deleteFile(sideFilePath());
    closeDataConnection();
    sendCommand(CommandState::Pasv, "");
}

bool Brevicast::countIsDue() const {
    return countSaved_ < 0 || loop_.clock().nowMs() - countSavedAtMs_ >= kCountIntervalMs;
}

// The movie's data reaches the disk itself before the side file counts it.
bool Brevicast::saveCount() {
    if (!file_->syncData()) return false;
    countSaved_ = bytesSoFar_;
    countSavedAtMs_ = loop_.clock().nowMs();
    writeSideFile();
    return true;
}

void Brevicast::writeSideFile() {
    const std::string text = std::to_string(bytesSoFar_) + "\r\n\r\n";
    // The first count of a transfer creates the file anew; later ones overwrite it in place.
    // The count only grows, so the file holds exactly the new text either way, without a
    // truncating open per block (which file systems make wait for the previous write).
    if (sideFile_ && sideFile_->seek(0) && sideFile_->write(text.data(), text.size())) return;
    sideFile_.reset();
    if (fileSystem_.writeFile(sideFilePath(), text)) {
        sideFile_ = fileSystem_.openReadWrite(sideFilePath());
    }
}

// The movie on disk is exactly the bytes received: an older, longer file of the same name
// loses its tail, and the data is on the disk before the download counts as complete.
bool Brevicast::completeTheFile() {
    if (!file_ || !file_->truncate(bytesSoFar_) || !file_->syncData()) {
        failAtTheDisk(file_ ? file_->failure() : platform::DiskFailure::CannotWrite);
        return false;
    }
    return true;
}

void Brevicast::failAtTheDisk(platform::DiskFailure cause) {
    diskFailure_ =
        cause == platform::DiskFailure::None ? platform::DiskFailure::CannotWrite : cause;
    raiseError(DownloadError::TransferFailed);
}

void Brevicast::finishWhenEveryByteIsIn() {
    // The server has reported the end and every byte of the known size is on disk: finish
    // now rather than at the next completion check, a second later.
    if (trickle_ || fileSize_ <= 0 || bytesSoFar_ < fileSize_) return;
    const std::uint64_t download = downloadNumber_;
    loop_.post(weak_.bind([download](Brevicast& self) {
        if (self.downloadNumber_ != download || !self.transferReported_) return;
        if (self.m_finalizeTimer->running()) self.m_finalizeTimer_TimeOut();
    }));
}

void Brevicast::closeDataConnection() {
    if (m_dataCon->State() == runtime::sckClosed) return;
    if (m_dataCon->SocketHandle() >= 0) {
        platform::socket_io::shutdownSocket(m_dataCon->SocketHandle(),
                                            platform::socket_io::Direction::Both);
    }
    m_dataCon->CloseSocket();
    // A connected socket only starts closing; this engine has no more use for it.
    if (m_dataCon->State() != runtime::sckClosed) m_dataCon->CloseSocket();
}

// ---- completion -------------------------------------------------------------------------

void Brevicast::m_finalizeTimer_TimeOut() {
    auto self = shared_from_this();
    if (!trickle_) {
        const bool sizeKnown = fileSize_ > 0;
        // With an unknown size the end of the data is the data connection's close.
        if ((sizeKnown && bytesSoFar_ < fileSize_) ||
            (!sizeKnown && m_dataCon->State() == runtime::sckConnected)) {
            m_finalizeTimer->Reset();
            return;
        }
    }
    m_finalizeTimer->StopTimer();
    if (!trickle_ && !completeTheFile()) return;
    file_.reset();
    sideFile_.reset();
    m_dataCon->CloseSocket();
    closeConnection();
    if (!trickle_) {
        fileSystem_.deleteFile(sideFilePath());
        onDownloaded();
        return;
    }
    trickle_ = false;
    sendCommand(CommandState::Pasv, "");
}

}  // namespace zov::net
