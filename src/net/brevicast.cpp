#include "net/brevicast.hpp"

#include <algorithm>
#include <limits>

#include "config/media_info.hpp"

#include "net/ftp_reply.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "platform/plain_file_name.hpp"
#include "platform/socket_io.hpp"
#include "runtime/c_socket.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/numeric_text.hpp"

namespace zov::net {

namespace {

// The transcript is only shown to the owner; a server that never stops talking must not
// fill the memory with it.
constexpr std::size_t kTranscriptLimit = 64 * 1024;
constexpr std::int64_t kResumeBackoff = 1280;
constexpr std::int32_t kTrickleTail = 500000;
// RFC 1123's answer to a restart point the server cannot position to (past the end).
constexpr std::int16_t kInvalidRestartPoint = 554;

bool hasControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

}  // namespace

std::shared_ptr<Brevicast> Brevicast::create(platform::EventLoop& loop,
                                             platform::Resolver& resolver,
                                             platform::FileSystem& fileSystem) {
    std::shared_ptr<Brevicast> engine(new Brevicast(loop, resolver, fileSystem));
    engine->wireTimers();
    return engine;
}

Brevicast::Brevicast(platform::EventLoop& loop, platform::Resolver& resolver,
                     platform::FileSystem& fileSystem)
    : loop_(loop),
      resolver_(resolver),
      m_controlCon(runtime::CSocket::create(loop, resolver)),
      m_dataCon(runtime::CSocket::create(loop, resolver)),
      m_timeout(runtime::CTimeout::create(loop, 30)),
      m_finalizeTimer(runtime::CTimeout::create(loop, 1)),
      movie_(fileSystem, loop.clock()) {}

Brevicast::~Brevicast() = default;

void Brevicast::wireTimers() {
    m_timeout->TimeOut.connect(weak_.bind([](Brevicast& self) { self.m_timeout_TimeOut(); }));
    m_finalizeTimer->TimeOut.connect(
        weak_.bind([](Brevicast& self) { self.m_finalizeTimer_TimeOut(); }));
    m_dataCon->OnConnect.connect(weak_.bind([](Brevicast& self) { self.m_dataCon_OnConnect(); }));
    m_dataCon->OnDataArrival.connect(weak_.bind(
        [](Brevicast& self, std::int32_t total) { self.m_dataCon_OnDataArrival(total); }));
}

// ---- connecting and sending -------------------------------------------------------------

void Brevicast::connecting() {
    setCommandState(CommandState::Connecting);
    bytesSoFar_ = 0;
    transcript_.clear();
    m_timeout->StartTimer();
    bool connected = true;
    try {
        m_controlCon->Connect(serverURL_, port_);
    } catch (const Error&) {
        connected = false;  // no host to connect to: it fails as any failed connection does
    }
    std::string line = "Connecting to " + serverURL_;
    onDataSend(line);
    if (!connected) raiseError(DownloadError::ConnectionOrLogin);
}

void Brevicast::sendCommand(CommandState command, const std::string& argument) {
    if (m_controlCon->State() != runtime::sckConnected) return;
    // Text from outside never reaches the wire with a line break or NUL in it.
    if (hasControlCharacters(argument)) {
        const bool namesTheMovie = command == CommandState::Size || command == CommandState::Retr;
        return raiseError(namesTheMovie ? DownloadError::NotOnServer
                                        : DownloadError::ConnectionOrLogin);
    }
    setCommandState(command);
    std::string line = std::string(commandStateName(command)) + " " + argument;
    m_controlCon->SendData(line + "\r\n");
    onDataSend(line);
}

void Brevicast::setCommandState(CommandState state) {
    if (trace_ && state != commandState_) trace_(commandState_, state);
    commandState_ = state;
}

// ---- receiving --------------------------------------------------------------------------

void Brevicast::m_controlCon_OnConnect() {
    m_timeout->Reset();
}

// Replies are read from where the last whole reply ended: one split across receives is
// handled once its last line is in, and several in one receive are handled in order.
void Brevicast::m_controlCon_OnDataArrival(std::int32_t) {
    auto self = shared_from_this();
    // A failure while handling one receive ends the handling of that receive.
    runtime::ignoringErrors([&] {
        std::string chunk;
        m_controlCon->GetData(chunk);
        appendToTranscript(chunk);
        onServerReply(transcript_);
        replies_.feed(chunk);
        const std::uint64_t download = downloadNumber_;
        while (auto reply = replies_.next()) {
            // A reply that arrives after the engine gave up (a late 226 crossing our close)
            // belongs to no download and changes nothing; nor does one of a download that
            // the owner replaced from inside an event.
            if (downloadStatus_ == DownloadStatus::Idle || download != downloadNumber_) return;
            lastReply_ = std::move(reply->text);
            m_timeout->Reset();
            dispatchReply(reply->code);
        }
    });
}

void Brevicast::appendToTranscript(const std::string& chunk) {
    transcript_ += chunk;
    if (transcript_.size() > kTranscriptLimit) {
        std::size_t cut = transcript_.size() - kTranscriptLimit / 2;
        std::size_t lineStart = transcript_.find("\r\n", cut);
        transcript_.erase(0, lineStart == std::string::npos ? cut : lineStart + 2);
    }
}

void Brevicast::dispatchReply(std::int16_t replyCode) {
    switch (commandState_) {
        case CommandState::None:
            return;
        case CommandState::Connecting:
            return handle_CONNECTING(replyCode);
        case CommandState::User:
            return handle_USER(replyCode);
        case CommandState::Pass:
            return handle_PASS(replyCode);
        case CommandState::Type:
            return handle_TYPE(replyCode);
        case CommandState::Size:
            return handle_SIZE(replyCode);
        case CommandState::Pasv:
            return handle_PASV(replyCode);
        case CommandState::Rest:
            return handle_REST(replyCode);
        case CommandState::Retr:
            return handle_RETR(replyCode);
    }
}

// ---- the command state machine ----------------------------------------------------------

void Brevicast::handle_CONNECTING(std::int16_t replyCode) {
    if (replyCode == 220) return sendCommand(CommandState::User, account_);
    raiseError(DownloadError::ConnectionOrLogin);
}

void Brevicast::handle_USER(std::int16_t replyCode) {
    if (replyCode == 331) return sendCommand(CommandState::Pass, pass_);
    if (replyCode == 230) return sendCommand(CommandState::Type, "I");
    raiseError(DownloadError::ConnectionOrLogin);
}

void Brevicast::handle_PASS(std::int16_t replyCode) {
    if (replyCode == 230 || replyCode == 202) return sendCommand(CommandState::Type, "I");
    raiseError(DownloadError::ConnectionOrLogin);
}

void Brevicast::handle_TYPE(std::int16_t replyCode) {
    if (replyCode != 200) return raiseError(DownloadError::ModeRefused);
    // A name that would leave the download folder is never asked for.
    if (!namesArePlain_) return raiseError(DownloadError::NotOnServer);
    sendCommand(CommandState::Size, remoteName_);
}

void Brevicast::handle_REST(std::int16_t replyCode) {
    if (restRefusedAsPastTheEnd(replyCode)) return restartFromTheBeginning();
    if (replyCode != 350) return raiseError(DownloadError::ModeRefused);
    m_timeout->Reset();
    sendCommand(CommandState::Retr, remoteName_);
}

void Brevicast::handle_RETR(std::int16_t replyCode) {
    if (replyCode == 150 || replyCode == 125 || replyCode == 110) {
        downloadStatus_ = DownloadStatus::Transferring;
    } else if (replyCode == 226 || replyCode == 250) {
        m_finalizeTimer->StartTimer();
        transferReported_ = true;
        finishWhenEveryByteIsIn();
    } else if (restRefusedAsPastTheEnd(replyCode)) {
        restartFromTheBeginning();
    } else {
        raiseError(DownloadError::TransferFailed);
    }
}

// ---- failures ---------------------------------------------------------------------------

void Brevicast::raiseError(DownloadError error) {
    auto self = shared_from_this();
    trickle_ = false;  // a failure ends the whole download, also during its tail phase
    if (downloadStatus_ != DownloadStatus::Cancelling) closeConnection();
    auto code = static_cast<std::int32_t>(error);
    onError(code);
}

void Brevicast::m_controlCon_OnError() {
    auto self = shared_from_this();
    const std::uint64_t download = downloadNumber_;
    raiseError(downloadStatus_ == DownloadStatus::Started ? DownloadError::ConnectionOrLogin
                                                          : DownloadError::TransferFailed);
    // The owner may have started the next download from its error handler: leave that one.
    if (download == downloadNumber_) closeConnection();
}

void Brevicast::m_timeout_TimeOut() {
    auto self = shared_from_this();
    trickle_ = false;
    closeConnection();
    m_timeout->StopTimer();
    onTimeOut();
}

void Brevicast::closeConnection() {
    // What was written stays for a resume, counted only once it is on the disk.
    if (!trickle_) movie_.saveLastCount(bytesSoFar_);
    if (!trickle_) {
        m_timeout->StopTimer();
        // A download that ended any other way must not be found complete a second later.
        m_finalizeTimer->StopTimer();
        m_controlCon->CloseSocket();
    } else {
        m_timeout->Reset();
        resumeOffset_ = 0;
    }
    closeDataConnection();
    movie_.close();
    if (!trickle_) replies_.clear();
    transferReported_ = false;
    // The size stays through the trickle phase: the whole-file transfer that follows
    // must wait for every byte before it counts as complete.
    if (!trickle_) fileSize_ = 0;
    transcript_.clear();
    if (!trickle_) downloadStatus_ = DownloadStatus::Idle;
}

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
    movie_.startNew(localPath);
    namesArePlain_ = namesArePlain;
    resumeOffset_ = 0;
    resumeCount_ = 0;
    restartedFromTheBeginning_ = false;
    fileSize_ = 0;
    diskFailure_ = platform::DiskFailure::None;
    // A name that is not a plain file name is refused once the server asks for it; until
    // then nothing of it touches the disk.
    if (namesArePlain_) resumeCheck();
    connecting();
}

void Brevicast::resumeCheck() {
    const auto point = movie_.resumePoint(kResumeBackoff);
    if (!point) return;
    resumeCount_ = point->count;
    resumeOffset_ = point->offset;
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
    const std::uint64_t download = downloadNumber_;
    return movie_.prepare(size, [&](std::int64_t remaining) {
        std::string text =
            "Prepare file for trickle download (bytes remaining): " + std::to_string(remaining);
        onDownloadPreparation(text);
        loop_.processPending();
        return download == downloadNumber_;
    });
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
    // A movie that cannot be opened ends the download now, not after thirty silent seconds.
    if (!movie_.open(resumeOffset_)) return failAtTheDisk(platform::DiskFailure::CannotWrite);
    if (resumeOffset_ == 0) {
        bytesSoFar_ = 0;
        sendCommand(CommandState::Retr, remoteName_);
        return;
    }
    bytesSoFar_ = resumeOffset_;
    sendCommand(CommandState::Rest, std::to_string(resumeOffset_));
}

void Brevicast::m_dataCon_OnDataArrival(std::int32_t bytesTotal) {
    auto self = shared_from_this();
    if (downloadStatus_ != DownloadStatus::Idle) m_timeout->Reset();
    if (bytesTotal <= 0) return;
    std::string block;
    m_dataCon->GetData(block);
    if (!movie_.isOpen()) return;
    const auto blockSize = static_cast<std::int64_t>(block.size());
    // More than the server announced is not this movie: nothing of it is kept as done,
    // and without its side file the next try starts clean.
    if (fileSize_ > 0 && movie_.writePosition() + blockSize > fileSize_) {
        movie_.forgetCount();
        return raiseError(DownloadError::TransferFailed);
    }
    // The data goes to disk before the side file counts it, so the side file is never
    // ahead of the movie.
    if (!movie_.write(block)) return failAtTheDisk(movie_.failure());
    if (trickle_) return;
    bytesSoFar_ += blockSize;
    if (bytesSoFar_ > std::numeric_limits<std::int32_t>::max()) {
        return raiseError(
            DownloadError::TransferFailed);  // beyond 32-bit byte counts: never wrap, never finish
    }
    if (!movie_.countWhenDue(bytesSoFar_)) return failAtTheDisk(movie_.failure());
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
    movie_.close();
    movie_.forgetCount();
    closeDataConnection();
    sendCommand(CommandState::Pasv, "");
}

bool Brevicast::completeTheFile() {
    if (movie_.complete(bytesSoFar_)) return true;
    failAtTheDisk(movie_.failure());
    return false;
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
    movie_.close();
    m_dataCon->CloseSocket();
    closeConnection();
    if (!trickle_) {
        movie_.forgetCount();  // complete: nothing left to resume
        onDownloaded();
        return;
    }
    trickle_ = false;
    sendCommand(CommandState::Pasv, "");
}

}  // namespace zov::net
