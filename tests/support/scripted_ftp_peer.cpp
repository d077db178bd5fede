#include "support/scripted_ftp_peer.hpp"

#include <dirent.h>
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/event_loop.hpp"
#include "support/loopback.hpp"

namespace zov::test {

namespace {

bool sameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// The two ends' addresses of a connected socket; false when it is none.
bool endsOf(int fd, sockaddr_in& local, sockaddr_in& peer) {
    socklen_t a = sizeof local, b = sizeof peer;
    return ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &a) == 0 &&
           local.sin_family == AF_INET &&
           ::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &b) == 0;
}

// The client's end of a loopback connection, when the client lives in this process (the
// engine under test does): the descriptor whose local address is our peer and whose peer
// is us. Looked up afresh each time, so a closed and reused number is never mistaken.
int clientEndOf(int fd) {
    sockaddr_in local{}, peer{};
    if (!endsOf(fd, local, peer)) return -1;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(dir)) {
        const int candidate = std::atoi(entry->d_name);
        sockaddr_in a{}, b{};
        if (entry->d_name[0] >= '0' && entry->d_name[0] <= '9' && candidate != fd &&
            candidate != ::dirfd(dir) && endsOf(candidate, a, b) && sameAddress(a, peer) &&
            sameAddress(b, local)) {
            found = candidate;
            break;
        }
    }
    ::closedir(dir);
    return found;
}

// Replies go out at once: a reply held back for the client's delayed acknowledgement would
// cost tens of milliseconds per exchange.
int acceptWithoutDelay(int listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    int on = 1;
    if (fd >= 0) ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

}  // namespace

ScriptedFtpPeer::ScriptedFtpPeer(platform::EventLoop& loop)
    : loop_(loop), self_(std::make_shared<ScriptedFtpPeer*>(this)) {
    listener_.fd = listenOnLoopback(port_);
    loop_.watch(listener_.fd, platform::Interest::Read, [this](platform::Readiness) {
        for (int fd; (fd = acceptWithoutDelay(listener_.fd)) >= 0;)
            waitingConnections_.push_back(fd);
        advance();
    });
    steps_.push_back(Step{Kind::AwaitConnection});
}

ScriptedFtpPeer::~ScriptedFtpPeer() {
    for (int fd : waitingConnections_)
        ::close(fd);
    for (Channel* channel : {&control_, &data_, &dataListener_, &listener_})
        drop(*channel);
}

// --- script -------------------------------------------------------------------------

ScriptedFtpPeer& ScriptedFtpPeer::add(Step step) {
    steps_.push_back(std::move(step));
    advance();
    return *this;
}

void ScriptedFtpPeer::resume() {
    resumed_ = true;
    advance();
}

void ScriptedFtpPeer::advance() {
    while (mismatch_.empty() && next_ < steps_.size() && runStep(steps_[next_]))
        ++next_;
}

bool ScriptedFtpPeer::runStep(Step& step) {
    switch (step.kind) {
        case Kind::AwaitConnection:
            if (waitingConnections_.empty()) return false;
            drop(control_);
            control_.fd = waitingConnections_.front();
            waitingConnections_.pop_front();
            ++controlConnections_;
            input_.clear();
            unread_.clear();
            controlClosedByClient_ = false;
            restOffset_ = 0;
            watch(control_);
            return true;
        case Kind::Expect: {
            if (unread_.empty()) return false;
            if (unread_.front() != step.text) {
                mismatch_ = "expected \"" + step.text + "\", received \"" + unread_.front() + "\"";
                return false;
            }
            unread_.pop_front();
            return true;
        }
        case Kind::Passive:
            if (!step.text.starts_with("227 ")) {  // the listener first, once
                drop(data_);
                drop(dataListener_);
                std::uint16_t dataPort = 0;
                dataListener_.fd = listenOnLoopback(dataPort);
                loop_.watch(
                    dataListener_.fd, platform::Interest::Read, [this](platform::Readiness) {
                        const int fd = acceptWithoutDelay(dataListener_.fd);
                        if (fd < 0) return;
                        ++dataConnections_;
                        drop(data_);
                        drop(dataListener_);  // one connection per 227, as a real server does
                        data_.fd = fd;
                        watch(data_);
                        advance();
                    });
                step.text = "227 Entering Passive Mode (" + step.text + "," +
                            std::to_string(dataPort / 256) + "," + std::to_string(dataPort % 256) +
                            ")\r\n";
            }
            [[fallthrough]];
        case Kind::Send:
            return runSend(step);
        case Kind::Transfer:
            return runTransfer(step);
        case Kind::ResetControl: {
            linger abortive{1, 0};
            ::setsockopt(control_.fd, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            drop(control_);
            return true;
        }
        case Kind::Pause:
            return std::exchange(resumed_, false);
    }
    return true;
}

bool ScriptedFtpPeer::runSend(Step& step) {
    if (!step.started) {
        step.started = true;
        // As real servers do, a restart point lives only until it is refused, or until a
        // RETR after it is refused.
        const std::string last = transcript_.empty() ? "" : transcript_.back();
        if ((last.starts_with("REST ") && !step.text.starts_with("350")) ||
            (last.starts_with("RETR ") && !step.text.starts_with("1"))) {
            restOffset_ = 0;
        }
        control_.out = step.text;
        control_.sent = 0;
        flush(control_);
        watch(control_);
    }
    // Read by the client before anything follows it: each send in a receive of its own.
    return control_.fd < 0 || (!control_.pending() && delivered(control_.fd));
}

bool ScriptedFtpPeer::runTransfer(Step& step) {
    if (!step.started) {
        if (data_.fd < 0) return false;  // the data listener calls back on accept
        const std::size_t end = std::min(step.plan.stopAt, step.plan.file.size());
        const std::size_t begin = std::min(std::exchange(restOffset_, 0), end);
        data_.out = step.plan.file.substr(begin, end - begin);  // nothing sent yet: new connection
        step.started = true;
        flush(data_);
        watch(data_);
    }
    if (data_.fd < 0) return true;  // the client went away
    if (data_.pending() || !delivered(data_.fd)) return false;
    if (step.plan.end == DataEnd::Close) drop(data_);
    return true;
}

// --- sockets ------------------------------------------------------------------------

void ScriptedFtpPeer::onReady(Channel& channel, bool readable, bool writable) {
    const bool control = &channel == &control_;
    char buffer[4096];
    while (readable && channel.fd >= 0 && !(control && controlClosedByClient_)) {
        const ssize_t n = ::recv(channel.fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        if (n > 0) {
            if (control) takeInput(buffer, static_cast<std::size_t>(n));
        } else if (!control) {
            drop(data_);  // the client sends nothing on a download: this is its close
        } else {
            controlClosedByClient_ = true;
            // A client that only shut down its sending side still reads: what the script
            // sends next may cross its close, as it can with a real server.
            if (n < 0) drop(control_);
        }
    }
    if (writable) flush(channel);
    watch(channel);
    advance();
}

void ScriptedFtpPeer::takeInput(const char* bytes, std::size_t size) {
    input_.append(bytes, size);
    for (std::size_t end; (end = input_.find("\r\n")) != std::string::npos;) {
        std::string line = input_.substr(0, end);
        input_.erase(0, end + 2);
        if (line.starts_with("REST ")) {
            const std::string_view text = std::string_view(line).substr(5);
            const char* last = text.data() + text.size();
            std::size_t offset = 0;
            auto [ptr, ec] = std::from_chars(text.data(), last, offset);
            restOffset_ = ec == std::errc() && ptr == last ? offset : 0;
        }
        transcript_.push_back(line);
        unread_.push_back(std::move(line));
    }
}

void ScriptedFtpPeer::flush(Channel& channel) {
    while (channel.fd >= 0 && channel.pending()) {
        const ssize_t n = ::send(channel.fd, channel.out.data() + channel.sent,
                                 channel.out.size() - channel.sent, MSG_NOSIGNAL);
        if (n > 0) {
            channel.sent += static_cast<std::size_t>(n);
            if (&channel == &data_) dataBytesSent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else if (n == 0 || errno != EINTR) {
            if (&channel == &control_) controlClosedByClient_ = true;
            drop(channel);
        }
    }
}

void ScriptedFtpPeer::watch(Channel& channel) {
    if (channel.fd < 0) return;
    const bool reading = &channel == &data_ || !controlClosedByClient_;
    const bool writing = channel.pending();
    if (!reading && !writing) return loop_.unwatch(channel.fd);
    loop_.watch(channel.fd,
                reading && writing ? platform::Interest::ReadWrite
                : reading          ? platform::Interest::Read
                                   : platform::Interest::Write,
                [this, &channel](platform::Readiness r) {
                    onReady(channel, r.readable || r.hangup || r.error, r.writable);
                });
}

void ScriptedFtpPeer::drop(Channel& channel) {
    if (channel.fd >= 0) {
        loop_.unwatch(channel.fd);
        ::close(channel.fd);
    }
    channel.fd = -1;
    channel.out.clear();
    channel.sent = 0;
}

bool ScriptedFtpPeer::delivered(int fd) {
    // Unacknowledged bytes first: once they are acknowledged they sit in the client's
    // socket, so checking in this order never reports bytes in flight as read.
    int unacknowledged = 0, waiting = 0, client = -1;
    if ((::ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0) ||
        ((client = clientEndOf(fd)) >= 0 && ::ioctl(client, FIONREAD, &waiting) == 0 &&
         waiting > 0)) {
        // Nothing on our side becomes ready when the client reads: look on the next pass.
        if (!pollPosted_) {
            pollPosted_ = true;
            loop_.post([weak = std::weak_ptr<ScriptedFtpPeer*>(self_)] {
                if (auto self = weak.lock()) {
                    (*self)->pollPosted_ = false;
                    (*self)->advance();
                }
            });
        }
        return false;
    }
    return true;
}

}  // namespace zov::test
