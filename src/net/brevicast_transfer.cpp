// The data side of the download engine: starting a download, resuming from the side file,
// the passive data connection, writing the movie, the trickle mode and completion.

#include <limits>
#include <vector>

#include "config/media_info.hpp"
#include "net/brevicast.hpp"
#include "net/ftp_reply.hpp"
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

}  // namespace

// ---- starting ---------------------------------------------------------------------------

void Brevicast::downloadNoTrickle(const config::MediaInfo& mediafile, const std::string& dataPath) {
    trickle_ = false;
    std::string name = mediafile.remoteFileName() + mediafile.fileExtension();
    startDownload(name, dataPath + name, platform::isPlainFileName(name));
}

void Brevicast::downloadAndAllowTrickleDownload(const config::MediaInfo& mediafile,
                                                const std::string& dataPath) {
    trickle_ = true;
    std::string remote = mediafile.remoteFileName() + ".wmv";
    std::string local = mediafile.remoteFileName() + mediafile.fileExtension();
    startDownload(remote, dataPath + local,
                  platform::isPlainFileName(remote) && platform::isPlainFileName(local));
}

void Brevicast::cancelCurrentDownload() {
    if (downloadStatus_ == 0) return;
    trickle_ = false;
    downloadStatus_ = 3;
    closeConnection();
}

void Brevicast::startDownload(const std::string& remoteName, const std::string& localPath,
                              bool namesArePlain) {
    auto self = shared_from_this();
    ++downloadNumber_;
    if (downloadStatus_ == 3) {
        std::int32_t code = 4;
        onError(code);
    }
    downloadStatus_ = 1;
    m_controlCon = runtime::CSocket::create(loop_, resolver_);
    std::weak_ptr<Brevicast> weak = weak_from_this();
    m_controlCon->OnConnect.connect([weak] {
        if (auto engine = weak.lock()) engine->m_controlCon_OnConnect();
    });
    m_controlCon->OnDataArrival.connect([weak](std::int32_t total) {
        if (auto engine = weak.lock()) engine->m_controlCon_OnDataArrival(total);
    });
    m_controlCon->OnError.connect([weak](std::int16_t, const std::string&, std::int32_t,
                                         const std::string&, const std::string&, std::int32_t,
                                         bool&) {
        if (auto engine = weak.lock()) engine->m_controlCon_OnError();
    });

    remoteName_ = remoteName;
    localPath_ = localPath;
    namesArePlain_ = namesArePlain;
    resumeOffset_ = 0;
    fileSize_ = 0;
    file_.reset();
    // A name that is not a plain file name is refused once the server asks for it; until
    // then nothing of it touches the disk.
    if (namesArePlain_) resumeCheck();
    connecting();
}

void Brevicast::resumeCheck() {
    if (!fileSystem_.fileExists(localPath_) || !fileSystem_.fileExists(sideFilePath())) return;
    // A count that is not a number, or does not fit 32 bits, starts from the beginning.
    auto content = fileSystem_.readFile(sideFilePath());
    resumeOffset_ = resumeOffsetFromSideFile(content ? *content : std::string(), kResumeBackoff);
    trickle_ = false;  // a resumed download never has a trickle phase
    std::string text = "Preparing Download";
    onDownloadPreparation(text);
}

// ---- SIZE and PASV ----------------------------------------------------------------------

void Brevicast::handle_SIZE(std::int16_t replyCode) {
    if (replyCode != 213) return raiseError(1);
    auto size = sizeFromReply(lastChunk_);
    if (size && *size > std::numeric_limits<std::int32_t>::max()) {
        return raiseError(1);  // a movie beyond 32-bit byte counts cannot be kept
    }
    if (size) fileSize_ = static_cast<std::int32_t>(runtime::roundHalfEven(*size));
    // A movie shorter than the tail has no tail phase: it comes whole at once.
    if (size && trickle_ && fileSize_ < kTrickleTail) trickle_ = false;
    if (size && trickle_) {
        m_timeout->StopTimer();
        const std::uint64_t download = downloadNumber_;
        if (!prepareTrickleFile(fileSize_) || download != downloadNumber_ || downloadStatus_ == 0) {
            return;  // the download ended or changed while the file was prepared
        }
        resumeOffset_ = fileSize_ - kTrickleTail;
        m_timeout->StartTimer();
    }
    std::int32_t reported = size ? fileSize_ : 0;
    onFileSize(reported);
    sendCommand("PASV", "");
}

bool Brevicast::prepareTrickleFile(std::int32_t size) {
    auto file = fileSystem_.openReadWrite(localPath_);
    if (!file || !file->seek(0)) return false;
    const std::vector<char> zeros(kPreparationBlock, '\0');
    std::int64_t remaining = size;
    const std::uint64_t download = downloadNumber_;
    while (remaining > kPreparationBlock - 1) {
        if (!file->write(zeros.data(), zeros.size())) return false;
        remaining -= kPreparationBlock;
        std::string text =
            "Prepare file for trickle download (bytes remaining): " + std::to_string(remaining);
        onDownloadPreparation(text);
        loop_.processPending();
        if (download != downloadNumber_) return false;
    }
    return remaining == 0 || file->write(zeros.data(), static_cast<std::size_t>(remaining));
}

void Brevicast::handle_PASV(std::int16_t replyCode) {
    if (replyCode != 227) return raiseError(0);
    auto port = passiveDataPort(lastChunk_);
    if (!port) return;  // unreadable: the inactivity time-out ends the download
    closeDataConnection();
    m_dataCon->setLocalPort(0);
    m_dataCon->Connect(m_controlCon->RemoteHostIP(), *port);
}

// ---- the data connection ----------------------------------------------------------------

void Brevicast::m_dataCon_OnConnect() {
    file_ = fileSystem_.openReadWrite(localPath_);
    if (resumeOffset_ == 0) {
        bytesSoFar_ = 0;
        sendCommand("RETR", remoteName_);
        return;
    }
    if (file_) file_->seek(resumeOffset_);
    bytesSoFar_ = resumeOffset_;
    sendCommand("REST", std::to_string(resumeOffset_));
}

void Brevicast::m_dataCon_OnDataArrival(std::int32_t bytesTotal) {
    auto self = shared_from_this();
    if (downloadStatus_ != 0) m_timeout->Reset();
    if (bytesTotal <= 0) return;
    std::string block;
    m_dataCon->GetData(block);
    // The data goes to disk before the side file counts it, so the side file is never
    // ahead of the movie.
    if (!file_ || !file_->write(block.data(), block.size())) return;
    if (trickle_) return;
    bytesSoFar_ += static_cast<std::int64_t>(block.size());
    if (bytesSoFar_ > std::numeric_limits<std::int32_t>::max()) {
        return raiseError(2);  // beyond 32-bit byte counts: never wrap, never finish
    }
    writeSideFile();
    std::int32_t count = static_cast<std::int32_t>(bytesSoFar_);
    onDownloading(count);
    if (transferReported_) finishWhenEveryByteIsIn();
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

void Brevicast::finishWhenEveryByteIsIn() {
    // The server has reported the end and every byte of the known size is on disk: finish
    // now rather than at the next completion check, a second later.
    if (trickle_ || fileSize_ <= 0 || bytesSoFar_ < fileSize_) return;
    std::weak_ptr<Brevicast> weak = weak_from_this();
    const std::uint64_t download = downloadNumber_;
    loop_.post([weak, download] {
        auto self = weak.lock();
        if (!self || self->downloadNumber_ != download || !self->transferReported_) return;
        if (self->m_finalizeTimer->running()) self->m_finalizeTimer_TimeOut();
    });
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
    sendCommand("PASV", "");
}

}  // namespace zov::net
