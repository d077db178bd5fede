// The control connection of the download engine: connecting, logging in, reading replies
// and the command state machine. The data transfer lives in brevicast_transfer.cpp.

#include "net/brevicast.hpp"

#include <algorithm>

#include "net/ftp_reply.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "runtime/c_socket.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/ignoring_errors.hpp"

namespace zov::net {

namespace {

// The transcript is only shown to the owner; a server that never stops talking must not
// fill the memory with it.
constexpr std::size_t kTranscriptLimit = 64 * 1024;

bool hasControlCharacters(const std::string& text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return c == '\r' || c == '\n' || c == '\0'; });
}

}  // namespace

std::string_view commandStateName(CommandState state) {
    switch (state) {
        case CommandState::None:
            return "";
        case CommandState::Connecting:
            return "CONNECTING";
        case CommandState::User:
            return "USER";
        case CommandState::Pass:
            return "PASS";
        case CommandState::Type:
            return "TYPE";
        case CommandState::Size:
            return "SIZE";
        case CommandState::Pasv:
            return "PASV";
        case CommandState::Rest:
            return "REST";
        case CommandState::Retr:
            return "RETR";
    }
    return "";
}

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
      fileSystem_(fileSystem),
      m_controlCon(runtime::CSocket::create(loop, resolver)),
      m_dataCon(runtime::CSocket::create(loop, resolver)),
      m_timeout(runtime::CTimeout::create(loop, 30)),
      m_finalizeTimer(runtime::CTimeout::create(loop, 1)) {}

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
    if (file_ && !trickle_ && countSaved_ >= 0 && countSaved_ != bytesSoFar_) saveCount();
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
    file_.reset();
    sideFile_.reset();
    if (!trickle_) replies_.clear();
    transferReported_ = false;
    // The size stays through the trickle phase: the whole-file transfer that follows
    // must wait for every byte before it counts as complete.
    if (!trickle_) fileSize_ = 0;
    transcript_.clear();
    if (!trickle_) downloadStatus_ = DownloadStatus::Idle;
}

}  // namespace zov::net
