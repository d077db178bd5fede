#include "remote/remote_session.hpp"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "remote/remote_channel.hpp"
#include "remote/remote_stream.hpp"

namespace zov::remote {

namespace {

constexpr std::int32_t kBadRemote = 5;  // "invalid procedure call or argument"

}  // namespace

RemoteSession::RemoteSession(platform::EventLoop& loop, ui::Registry& ui, const std::string& where,
                             const std::string& frontEnd)
    : loop_(loop), channel_(std::make_unique<RemoteChannel>(ui, frontEnd)) {
    if (where == "stdio") {
        stream_ = std::make_unique<RemoteStream>(loop_, *channel_, 0, 1);
        stream_->Closed.connect([this] {
            // Raised from inside the stream: whoever ends the process does so after it.
            loop_.post(weak_.bind([](RemoteSession& self) { self.Ended(); }));
        });
        return;
    }
    if (!where.starts_with("unix:") || where.size() == 5)
        throw Error(kBadRemote, "--remote is \"stdio\" or \"unix:PATH\", not \"" + where + "\"",
                    "RemoteSession");
    socketPath_ = where.substr(5);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath_.size() >= sizeof address.sun_path)
        throw Error(kBadRemote, "the socket path is too long", "RemoteSession");
    std::memcpy(address.sun_path, socketPath_.data(), socketPath_.size());
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0 ||
        ::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listenFd_, 1) != 0) {
        const std::string reason = std::strerror(errno);
        if (listenFd_ >= 0) ::close(listenFd_);
        listenFd_ = -1;
        throw Error(kBadRemote, "cannot listen on " + socketPath_ + ": " + reason, "RemoteSession");
    }
    loop_.watch(listenFd_, platform::Interest::Read,
                [this](platform::Readiness) { acceptClient(); });
}

void RemoteSession::drainOutput() {
    constexpr int kPatienceMs = 2000;
    if (stream_) stream_->drainOutput(kPatienceMs);
}

RemoteSession::~RemoteSession() {
    stream_.reset();
    if (clientFd_ >= 0) ::close(clientFd_);
    if (listenFd_ >= 0) {
        loop_.unwatch(listenFd_);
        ::close(listenFd_);
        ::unlink(socketPath_.c_str());
    }
}

void RemoteSession::acceptClient() {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    // One client at a time: the next waits in the backlog until this one leaves.
    loop_.unwatch(listenFd_);
    clientFd_ = fd;
    stream_ = std::make_unique<RemoteStream>(loop_, *channel_, fd, fd);
    stream_->Closed.connect([this] {
        // The stream cannot be destroyed while it raises this.
        loop_.post(weak_.bind([](RemoteSession& self) { self.dropClient(); }));
    });
}

void RemoteSession::dropClient() {
    stream_.reset();
    if (clientFd_ >= 0) ::close(clientFd_);
    clientFd_ = -1;
    loop_.watch(listenFd_, platform::Interest::Read,
                [this](platform::Readiness) { acceptClient(); });
    // What was queued for the one who left is not for the next.
    while (channel_->takeLine()) {
    }
}

}  // namespace zov::remote
