#include "ftp_session.hpp"

#include <filesystem>
#include <system_error>
#include <vector>

#include "command_reader.hpp"
#include "connection_gate.hpp"
#include "login_throttle.hpp"
#include "movie_folder.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"
#include "subscribers.hpp"

namespace zov::service {

using runtime::CSocket;
namespace fs = std::filesystem;

FtpSession::FtpSession(platform::EventLoop& loop, platform::Resolver& resolver,
                       const Subscribers& subscribers, LoginThrottle& throttle,
                       const MovieFolder& movies, std::string host, Limits limits,
                       std::function<void()> finished)
    : loop_(loop),
      resolver_(resolver),
      subscribers_(subscribers),
      throttle_(throttle),
      movies_(movies),
      host_(std::move(host)),
      limits_(limits),
      finished_(std::move(finished)),
      login_(loop),
      pacer_(limits.bytesPerSecond),
      paceTimer_(loop.newTimerKey()),
      idleTimer_(loop.newTimerKey()) {}

FtpSession::~FtpSession() {
    loop_.killTimer(paceTimer_);
    loop_.killTimer(idleTimer_);
    for (auto* socket : {&control_, &passiveListener_, &data_}) {
        closeQuietly(*socket);
    }
}

void FtpSession::start(std::shared_ptr<CSocket> control) {
    control_ = std::move(control);
    control_->OnDataArrival.connect(
        weak_.bind([](FtpSession& self, std::int32_t) { self.received(); }));
    control_->OnClose.connect(weak_.bind([](FtpSession& self) { self.finish(); }));
    control_->connectOnError(weak_.bind([](FtpSession& self) { self.finish(); }));
    stillActive();
    reply("220-ZOV delivery server\r\n220 Ready.");
}

void FtpSession::received() {
    std::string chunk;
    control_->GetData(chunk);
    if (closing_) return;
    buffer_ += chunk;
    takeLines();
}

void FtpSession::takeLines() {
    std::string line;
    while (!closing_) {
        if (login_.waiting()) {
            // Commands sent ahead of the verdict wait for it, within bounds.
            if (buffer_.size() <= kMaxLineLength) return;
            reply("500 Line too long.");
            return quit();
        }
        LineStatus status = takeLine(buffer_, line);
        if (status == LineStatus::Incomplete) return;
        if (status == LineStatus::TooLong) {
            reply("500 Line too long.");
            return quit();
        }
        stillActive();
        command(line);
    }
}

void FtpSession::command(const std::string& line) {
    FtpCommand c = readFtpCommand(line);
    const std::string& arg = c.argument;
    if (c.verb == "QUIT") {
        reply("221 Goodbye.");
        return quit();
    }
    if (c.verb == "USER") {
        user_ = arg;
        loggedIn_ = false;
        return reply("331 Password required.");
    }
    if (c.verb == "PASS") {
        if (user_.empty()) return reply("503 Send USER first.");
        return checkPassword(arg);
    }
    if (c.verb == "NOOP") return reply("200 OK.");
    if (!loggedIn_) return reply("530 Please log in with USER and PASS.");
    if (c.verb == "TYPE") {
        if (arg == "I" || arg == "A" || arg == "L 8") return reply("200 Type set to " + arg + ".");
        return reply("504 Type not supported.");
    }
    if (c.verb == "SIZE") {
        std::optional<fs::path> path = movies_.locate(arg);
        std::error_code error;
        std::uintmax_t size = path ? fs::file_size(*path, error) : 0;
        if (!path || error) return reply("550 No such file.");
        return reply("213 " + std::to_string(size));
    }
    if (c.verb == "PASV") return passive();
    if (c.verb == "REST") {
        std::optional<std::int64_t> offset = readOffset(arg);
        if (!offset) return reply("501 REST needs a decimal byte offset.");
        restOffset_ = *offset;
        return reply("350 Restarting at " + std::to_string(restOffset_) + ".");
    }
    if (c.verb == "RETR") return retrieve(arg);
    if (c.verb.empty()) return reply("500 Empty command.");
    reply("502 Command not implemented.");
}

void FtpSession::checkPassword(const std::string& password) {
    login_.start(throttle_, control_->RemoteHostIP(), [this, user = user_, password] {
        loggedIn_ = subscribers_.acceptsAccount(user, password);
        if (loggedIn_) {
            reply("230 Logged in.");
        } else {
            throttle_.failed(control_->RemoteHostIP(), loop_.clock().nowMs());
            reply("530 Login incorrect.");
            if (++loginFailures_ >= kMaxLoginFailures) return quit();
        }
        takeLines();  // commands that came while the password waited for its turn
    });
}

// A client that vanished makes the send fail: that ends the session, never the service.
void FtpSession::reply(const std::string& text) {
    if (!control_ || control_->State() != runtime::sckConnected) return;
    try {
        control_->SendData(text + "\r\n");
    } catch (const Error&) {
        finish();
    }
}

void FtpSession::passive() {
    if (sending_ || waitingForData_) return reply("425 A transfer is running.");
    closeData();
    data_.reset();
    try {
        passiveListener_ = CSocket::create(loop_, resolver_);
        passiveListener_->Bind(0, host_);
        passiveListener_->Listen();
    } catch (const Error&) {
        closeQuietly(passiveListener_);
        passiveListener_.reset();
        return reply("425 Cannot open a data connection.");
    }
    passiveListener_->OnConnectionRequest.connect(
        weak_.bind([](FtpSession& self, std::int32_t id) { self.acceptData(id); }));
    std::string address = host_;
    for (char& c : address) {
        if (c == '.') c = ',';
    }
    std::int32_t port = passiveListener_->LocalPort();
    reply("227 Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
          std::to_string(port % 256) + ").");
}

void FtpSession::acceptData(std::int32_t requestId) {
    if (data_) return;  // one data connection per PASV; the rest are refused
    auto data = CSocket::create(loop_, resolver_);
    try {
        data->Accept(requestId);
    } catch (const Error&) {
        return;
    }
    // Only the client on the control connection may take its data connection.
    if (data->RemoteHostIP() != control_->RemoteHostIP()) return closeQuietly(data);
    data_ = std::move(data);
    closeQuietly(passiveListener_);
    data_->OnDataArrival.connect(weak_.bind([](FtpSession& self, std::int32_t) {
        std::string ignored;
        self.data_->GetData(ignored);
    }));
    data_->OnSendProgress.connect(
        weak_.bind([](FtpSession& self, std::int32_t, std::int32_t) { self.stillActive(); }));
    data_->OnSendComplete.connect(weak_.bind([](FtpSession& self) { self.sendNextBlock(); }));
    data_->OnClose.connect(weak_.bind([](FtpSession& self) {
        if (self.sending_) return self.endTransfer(false);
        closeQuietly(self.data_);
    }));
    data_->connectOnError(weak_.bind([](FtpSession& self) {
        if (self.sending_) self.endTransfer(false);
    }));
    if (waitingForData_) {
        waitingForData_ = false;
        sending_ = true;
        sendNextBlock();
    }
}

void FtpSession::retrieve(const std::string& name) {
    std::int64_t offset = restOffset_;
    restOffset_ = 0;
    if (sending_ || waitingForData_) return reply("425 A transfer is running.");
    std::optional<fs::path> path = movies_.locate(name);
    if (!path) return reply("550 No such file.");
    std::error_code error;
    std::uintmax_t size = fs::file_size(*path, error);
    if (error) return reply("550 No such file.");
    if (static_cast<std::uintmax_t>(offset) > size) return reply("554 Offset beyond the file.");
    if (!data_ && !passiveListener_) return reply("425 Use PASV first.");
    file_.close();
    file_.clear();
    file_.open(*path, std::ios::binary);
    if (!file_ || !file_.seekg(offset)) return reply("550 Cannot read the file.");
    reply("150 Opening BINARY mode data connection for " + name + " (" +
          std::to_string(size - static_cast<std::uintmax_t>(offset)) + " bytes).");
    if (closing_) return;
    pacer_.restart(loop_.clock().nowMs());
    if (data_ && data_->State() == runtime::sckConnected) {
        sending_ = true;
        sendNextBlock();
    } else if (data_) {
        sending_ = true;
        endTransfer(false);  // the data connection is already gone
    } else {
        waitingForData_ = true;
    }
}

// One block at a time, the next when the socket has sent the last (and, with a rate, when
// the rate allows): memory stays bounded however large the movie and however slow the
// client.
void FtpSession::sendNextBlock() {
    if (!sending_ || !data_) return;
    if (data_->State() != runtime::sckConnected) return endTransfer(false);
    if (std::int64_t wait = pacer_.waitMs(loop_.clock().nowMs()); wait > 0) {
        loop_.setTimer(paceTimer_, wait, [this] {
            loop_.killTimer(paceTimer_);
            sendNextBlock();
        });
        return;
    }
    runtime::ByteArray block(pacer_.blockSize(kBlockSize));
    file_.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
    std::streamsize got = file_.gcount();
    if (got <= 0) return endTransfer(!file_.bad());
    block.resize(static_cast<std::size_t>(got));
    try {
        data_->SendData(block);
    } catch (const Error&) {
        return endTransfer(false);
    }
    pacer_.sent(block.size(), loop_.clock().nowMs());
}

void FtpSession::endTransfer(bool complete) {
    sending_ = false;
    waitingForData_ = false;
    loop_.killTimer(paceTimer_);
    file_.close();
    closeData();
    reply(complete ? "226 Transfer complete." : "426 Connection closed; transfer aborted.");
    stillActive();
}

// Sockets are only closed here, never released: this may run inside their own events.
void FtpSession::closeData() {
    closeQuietly(data_);
    closeQuietly(passiveListener_);
}

// The connection closes once the client has read what was said; a client that never lets
// go is cut off an idle period later.
void FtpSession::quit() {
    closing_ = true;
    login_.cancel();
    buffer_.clear();
    closeQuietly(control_);
    stillActive();
}

void FtpSession::finish() {
    if (finishing_) return;
    finishing_ = true;
    closing_ = true;
    login_.cancel();
    sending_ = false;
    waitingForData_ = false;
    loop_.killTimer(paceTimer_);
    loop_.killTimer(idleTimer_);
    file_.close();
    closeData();
    loop_.post(finished_);
}

// Anything the client says, and every block it takes, starts the idle countdown afresh.
void FtpSession::stillActive() {
    if (limits_.idleTimeoutMs <= 0 || finishing_) return;
    loop_.setTimer(idleTimer_, limits_.idleTimeoutMs, [this] { idle(); });
}

void FtpSession::idle() {
    if (closing_) {
        closeQuietly(control_);  // a second close drops a half-closed connection outright
        closeQuietly(control_);
        return finish();
    }
    if (sending_ || waitingForData_) {
        sending_ = false;
        waitingForData_ = false;
        loop_.killTimer(paceTimer_);
        file_.close();
    }
    closeData();
    reply("421 Idle time-out; closing the control connection.");
    quit();
}

}  // namespace zov::service
