#include "ftp_session.hpp"

#include <system_error>
#include <vector>

#include "command_reader.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"
#include "subscribers.hpp"

namespace zov::service {

using runtime::CSocket;
namespace fs = std::filesystem;

namespace {

using SocketErrorHandler =
    std::function<void(std::int16_t, const std::string&, std::int32_t, const std::string&,
                       const std::string&, std::int32_t, bool&)>;

SocketErrorHandler ignoringArguments(std::function<void()> action) {
    return [action = std::move(action)](std::int16_t, const std::string&, std::int32_t,
                                        const std::string&, const std::string&, std::int32_t,
                                        bool&) { action(); };
}

}  // namespace

FtpSession::FtpSession(platform::EventLoop& loop, platform::Resolver& resolver,
                       const Subscribers& subscribers, fs::path movies, std::string host,
                       std::function<void()> finished)
    : loop_(loop),
      resolver_(resolver),
      subscribers_(subscribers),
      movies_(std::move(movies)),
      host_(std::move(host)),
      finished_(std::move(finished)) {}

FtpSession::~FtpSession() {
    for (auto* socket : {&control_, &passiveListener_, &data_}) {
        if (*socket) (*socket)->CloseSocket();
    }
}

void FtpSession::accept(std::int32_t requestId) {
    control_ = CSocket::create(loop_, resolver_);
    control_->Accept(requestId);
    control_->OnDataArrival.connect([this](std::int32_t) { received(); });
    control_->OnClose.connect([this] { finish(); });
    control_->OnError.connect(ignoringArguments([this] { finish(); }));
    reply("220-ZOV delivery server\r\n220 Ready.");
}

void FtpSession::received() {
    std::string chunk;
    control_->GetData(chunk);
    if (closing_) return;
    buffer_ += chunk;
    std::string line;
    while (!closing_) {
        LineStatus status = takeLine(buffer_, line);
        if (status == LineStatus::Incomplete) return;
        if (status == LineStatus::TooLong) {
            reply("500 Line too long.");
            return quit();
        }
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
        loggedIn_ = subscribers_.acceptsAccount(user_, arg);
        return reply(loggedIn_ ? "230 Logged in." : "530 Login incorrect.");
    }
    if (c.verb == "NOOP") return reply("200 OK.");
    if (!loggedIn_) return reply("530 Please log in with USER and PASS.");
    if (c.verb == "TYPE") {
        if (arg == "I" || arg == "A" || arg == "L 8") return reply("200 Type set to " + arg + ".");
        return reply("504 Type not supported.");
    }
    if (c.verb == "SIZE") {
        fs::path path;
        std::error_code error;
        std::uintmax_t size = locate(arg, path) ? fs::file_size(path, error) : 0;
        if (path.empty() || error) return reply("550 No such file.");
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

void FtpSession::reply(const std::string& text) {
    if (control_ && control_->State() == runtime::sckConnected) control_->SendData(text + "\r\n");
}

void FtpSession::passive() {
    if (sending_) return reply("425 A transfer is running.");
    closeData();
    data_.reset();
    passiveListener_ = CSocket::create(loop_, resolver_);
    passiveListener_->Bind(0, host_);
    passiveListener_->Listen();
    passiveListener_->OnConnectionRequest.connect([this](std::int32_t id) {
        if (data_) return;  // one data connection per PASV; the rest are refused
        data_ = CSocket::create(loop_, resolver_);
        data_->Accept(id);
        passiveListener_->CloseSocket();
        data_->OnDataArrival.connect([this](std::int32_t) {
            std::string ignored;
            data_->GetData(ignored);
        });
        data_->OnSendComplete.connect([this] {
            if (sending_) sendNextBlock();
        });
        data_->OnClose.connect([this] {
            if (sending_) return endTransfer(false);
            data_->CloseSocket();
        });
        data_->OnError.connect(ignoringArguments([this] {
            if (sending_) endTransfer(false);
        }));
        if (waitingForData_) {
            waitingForData_ = false;
            sendNextBlock();
        }
    });
    std::string address = host_;
    for (char& c : address) {
        if (c == '.') c = ',';
    }
    std::int32_t port = passiveListener_->LocalPort();
    reply("227 Entering Passive Mode (" + address + "," + std::to_string(port / 256) + "," +
          std::to_string(port % 256) + ").");
}

void FtpSession::retrieve(const std::string& name) {
    std::int64_t offset = restOffset_;
    restOffset_ = 0;
    if (sending_) return reply("425 A transfer is running.");
    fs::path path;
    std::error_code error;
    if (!locate(name, path)) return reply("550 No such file.");
    std::uintmax_t size = fs::file_size(path, error);
    if (error) return reply("550 No such file.");
    if (static_cast<std::uintmax_t>(offset) > size) return reply("554 Offset beyond the file.");
    if (!data_ && !passiveListener_) return reply("425 Use PASV first.");
    file_.close();
    file_.clear();
    file_.open(path, std::ios::binary);
    if (!file_ || !file_.seekg(offset)) return reply("550 Cannot read the file.");
    sending_ = true;
    reply("150 Opening BINARY mode data connection for " + name + " (" +
          std::to_string(size - static_cast<std::uintmax_t>(offset)) + " bytes).");
    if (data_ && data_->State() == runtime::sckConnected) {
        sendNextBlock();
    } else if (data_) {
        endTransfer(false);  // the data connection is already gone
    } else {
        waitingForData_ = true;
    }
}

// One block at a time, the next when the socket has sent the last: memory stays bounded
// however large the movie and however slow the client.
void FtpSession::sendNextBlock() {
    if (data_->State() != runtime::sckConnected) return endTransfer(false);
    runtime::ByteArray block(kBlockSize);
    file_.read(reinterpret_cast<char*>(block.data()), static_cast<std::streamsize>(block.size()));
    std::streamsize got = file_.gcount();
    if (got <= 0) return endTransfer(!file_.bad());
    block.resize(static_cast<std::size_t>(got));
    data_->SendData(block);
}

void FtpSession::endTransfer(bool complete) {
    sending_ = false;
    waitingForData_ = false;
    file_.close();
    closeData();
    reply(complete ? "226 Transfer complete." : "426 Connection closed; transfer aborted.");
}

// Sockets are only closed here, never released: this may run inside their own events.
void FtpSession::closeData() {
    if (data_ && data_->State() != runtime::sckClosed) data_->CloseSocket();
    if (passiveListener_ && passiveListener_->State() != runtime::sckClosed) {
        passiveListener_->CloseSocket();
    }
}

void FtpSession::quit() {
    closing_ = true;
    buffer_.clear();
    control_->CloseSocket();
}

void FtpSession::finish() {
    if (finishing_) return;
    finishing_ = true;
    closing_ = true;
    sending_ = false;
    file_.close();
    closeData();
    loop_.post(finished_);
}

bool FtpSession::locate(const std::string& name, fs::path& path) const {
    path.clear();
    if (!isServableName(name)) return false;
    std::error_code error;
    fs::path folder = fs::canonical(movies_, error);
    if (error) return false;
    fs::path candidate = fs::canonical(folder / name, error);
    // A link inside the folder must not lead out of it.
    if (error || candidate.parent_path() != folder || !fs::is_regular_file(candidate, error)) {
        return false;
    }
    path = candidate;
    return true;
}

}  // namespace zov::service
