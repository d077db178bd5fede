#include "support/scripted_ftp_peer.hpp"

#include <arpa/inet.h>
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
#include <stdexcept>

#include "platform/event_loop.hpp"
#include "support/loopback.hpp"

namespace zov::test {

namespace {

constexpr std::size_t kFloodWindow = 256 * 1024;  // queued but unsent flood bytes at most
constexpr std::size_t kFloodChunk = 64 * 1024;

bool sameAddress(const sockaddr_in& a, const sockaddr_in& b) {
    return a.sin_addr.s_addr == b.sin_addr.s_addr && a.sin_port == b.sin_port;
}

// The client's end of a loopback connection, when the client lives in this process (the
// engine under test does): the descriptor whose local address is our peer and whose peer
// is us. Looked up afresh each time, so a closed and reused number is never mistaken.
int clientEndOf(int fd) {
    sockaddr_in local{}, peer{};
    socklen_t len = sizeof local;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &len) != 0) return -1;
    len = sizeof peer;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &len) != 0) return -1;
    DIR* dir = ::opendir("/proc/self/fd");
    if (!dir) return -1;
    int found = -1;
    while (dirent* entry = ::readdir(dir)) {
        int candidate = std::atoi(entry->d_name);
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9' || candidate == fd ||
            candidate == ::dirfd(dir))
            continue;
        sockaddr_in a{}, b{};
        socklen_t la = sizeof a, lb = sizeof b;
        if (::getsockname(candidate, reinterpret_cast<sockaddr*>(&a), &la) != 0 ||
            a.sin_family != AF_INET || !sameAddress(a, peer))
            continue;
        if (::getpeername(candidate, reinterpret_cast<sockaddr*>(&b), &lb) != 0 ||
            !sameAddress(b, local))
            continue;
        found = candidate;
        break;
    }
    ::closedir(dir);
    return found;
}

// Replies go out at once: a reply held back for the client's delayed acknowledgement would
// cost tens of milliseconds per exchange.
int withoutDelay(int fd) {
    int on = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return fd;
}

void closeFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

}  // namespace

ScriptedFtpPeer::ScriptedFtpPeer(platform::EventLoop& loop)
    : loop_(loop), self_(std::make_shared<ScriptedFtpPeer*>(this)) {
    listenFd_ = listenOnLoopback(port_);
    loop_.watch(listenFd_, platform::Interest::Read,
                [this](platform::Readiness) { onListenerReady(); });
    steps_.push_back(Step{Kind::AwaitConnection});
}

ScriptedFtpPeer::~ScriptedFtpPeer() {
    dropControl();
    dropData();
    dropDataListener();
    for (int fd : waitingConnections_)
        ::close(fd);
    loop_.unwatch(listenFd_);
    closeFd(listenFd_);
}

// --- script -------------------------------------------------------------------------

ScriptedFtpPeer& ScriptedFtpPeer::add(Step step) {
    steps_.push_back(std::move(step));
    advance();
    return *this;
}

ScriptedFtpPeer& ScriptedFtpPeer::expect(std::string line) {
    return add(Step{Kind::Expect, std::move(line)});
}

ScriptedFtpPeer& ScriptedFtpPeer::reply(const std::string& line) {
    return sendInPieces({line + "\r\n"});
}

ScriptedFtpPeer& ScriptedFtpPeer::send(std::string bytes) {
    return sendInPieces({std::move(bytes)});
}

ScriptedFtpPeer& ScriptedFtpPeer::sendInPieces(std::vector<std::string> pieces) {
    Step step{Kind::Send};
    step.pieces = std::move(pieces);
    return add(std::move(step));
}

ScriptedFtpPeer& ScriptedFtpPeer::passive(PassiveReply reply) {
    return add(Step{Kind::Passive, std::move(reply.host)});
}

ScriptedFtpPeer& ScriptedFtpPeer::transfer(DataPlan plan) {
    Step step{Kind::Transfer};
    step.plan = std::move(plan);
    return add(std::move(step));
}

ScriptedFtpPeer& ScriptedFtpPeer::flood(std::string pattern, std::size_t totalBytes) {
    if (pattern.empty()) throw std::invalid_argument("flood needs a pattern");
    Step step{Kind::Flood, std::move(pattern)};
    step.total = totalBytes;
    return add(std::move(step));
}

ScriptedFtpPeer& ScriptedFtpPeer::closeControl() {
    return add(Step{Kind::CloseControl});
}
ScriptedFtpPeer& ScriptedFtpPeer::resetControl() {
    return add(Step{Kind::ResetControl});
}
ScriptedFtpPeer& ScriptedFtpPeer::pause() {
    return add(Step{Kind::Pause});
}
ScriptedFtpPeer& ScriptedFtpPeer::nextConnection() {
    return add(Step{Kind::AwaitConnection});
}

void ScriptedFtpPeer::resume() {
    resumed_ = true;
    advance();
}

bool ScriptedFtpPeer::finished() const {
    return !halted_ && next_ == steps_.size();
}

void ScriptedFtpPeer::advance() {
    // A step added while a pass runs (from a callback nested in ours) is taken up by that
    // pass instead of starting a second one inside it.
    if (advancing_) {
        advanceAgain_ = true;
        return;
    }
    advancing_ = true;
    do {
        advanceAgain_ = false;
        while (!halted_ && next_ < steps_.size() && runStep(steps_[next_]))
            ++next_;
    } while (advanceAgain_);
    advancing_ = false;
}

bool ScriptedFtpPeer::runStep(Step& step) {
    switch (step.kind) {
        case Kind::AwaitConnection: {
            if (waitingConnections_.empty()) return false;
            dropControl();
            controlFd_ = waitingConnections_.front();
            waitingConnections_.pop_front();
            ++controlConnections_;
            input_.clear();
            unread_.clear();
            controlHalfClosed_ = false;
            controlClosedByClient_ = false;
            restOffset_ = 0;
            watchControl();
            return true;
        }
        case Kind::Expect: {
            if (unread_.empty()) return false;
            std::string line = std::move(unread_.front());
            unread_.pop_front();
            if (line != step.text) {
                mismatch_ = "expected \"" + step.text + "\", received \"" + line + "\"";
                halted_ = true;
                return false;
            }
            return true;
        }
        case Kind::Send:
            return runSend(step);
        case Kind::Passive:
            return runPassive(step);
        case Kind::Transfer:
            return runTransfer(step);
        case Kind::Flood:
            return runFlood(step);
        case Kind::CloseControl:
            if (controlFd_ < 0) return true;
            if (outputSent_ < output_.size()) return false;
            if (!controlHalfClosed_) ::shutdown(controlFd_, SHUT_WR);
            controlHalfClosed_ = true;  // lines still arrive until the client closes too
            return true;
        case Kind::ResetControl:
            if (controlFd_ >= 0) {
                linger abortive{1, 0};
                ::setsockopt(controlFd_, SOL_SOCKET, SO_LINGER, &abortive, sizeof abortive);
            }
            dropControl();
            return true;
        case Kind::Pause:
            if (!resumed_) return false;
            resumed_ = false;
            return true;
    }
    return true;
}

bool ScriptedFtpPeer::runSend(Step& step) {
    // As real servers do, a restart point lives only until it is refused, or until a RETR
    // after it is refused.
    if (step.done == 0 && !transcript_.empty() && !step.pieces.empty()) {
        const std::string& last = transcript_.back();
        const std::string& answer = step.pieces.front();
        if ((last.starts_with("REST ") && !answer.starts_with("350")) ||
            (last.starts_with("RETR ") && !answer.starts_with("1"))) {
            restOffset_ = 0;
        }
    }
    // Every piece, the last one included, must have been read before anything follows it.
    while (controlFd_ >= 0) {
        if (step.done > 0) {
            if (outputSent_ < output_.size()) return false;  // the write watch calls back
            if (!delivered(controlFd_)) {
                pollSoon();
                return false;
            }
        }
        if (step.done == step.pieces.size()) break;
        queueControl(step.pieces[step.done++]);
    }
    return true;
}

bool ScriptedFtpPeer::runPassive(Step& step) {
    if (!step.started) {
        step.started = true;
        dropData();
        dropDataListener();
        std::uint16_t dataPort = 0;
        dataListenFd_ = listenOnLoopback(dataPort);
        loop_.watch(dataListenFd_, platform::Interest::Read,
                    [this](platform::Readiness) { onDataListenerReady(); });
        step.pieces = {"227 Entering Passive Mode (" + step.text + "," +
                       std::to_string(dataPort / 256) + "," + std::to_string(dataPort % 256) +
                       ")\r\n"};
    }
    return runSend(step);
}

bool ScriptedFtpPeer::runTransfer(Step& step) {
    if (!step.started) {
        if (dataFd_ < 0) return false;  // the data listener calls back on accept
        const DataPlan& plan = step.plan;
        std::size_t end = std::min(plan.stopAt, plan.origin + plan.file.size());
        std::size_t begin = std::min(std::max(restOffset_, plan.origin), end);
        restOffset_ = 0;
        dataOut_ = begin < plan.origin ? std::string()
                                       : plan.file.substr(begin - plan.origin, end - begin);
        dataOutSent_ = 0;
        step.started = true;
        flushData();
    }
    if (dataFd_ < 0) return true;  // the client went away
    if (dataOutSent_ < dataOut_.size()) return false;
    if (!delivered(dataFd_)) {
        pollSoon();
        return false;
    }
    if (step.plan.end == DataEnd::Close) dropData();
    return true;
}

bool ScriptedFtpPeer::runFlood(Step& step) {
    const std::string& pattern = step.text;
    while (step.done < step.total) {
        if (controlFd_ < 0) return true;
        if (output_.size() - outputSent_ >= kFloodWindow) return false;  // write watch
        std::string chunk;
        std::size_t size = std::min(kFloodChunk, step.total - step.done);
        while (chunk.size() < size) {
            std::size_t phase = (step.done + chunk.size()) % pattern.size();
            chunk.append(pattern, phase, std::min(pattern.size() - phase, size - chunk.size()));
        }
        step.done += size;
        queueControl(chunk);
    }
    return true;
}

// --- sockets ------------------------------------------------------------------------

void ScriptedFtpPeer::onListenerReady() {
    while (true) {
        int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        waitingConnections_.push_back(withoutDelay(fd));
    }
    advance();
}

void ScriptedFtpPeer::onControlReady(bool readable, bool writable) {
    if (readable && !controlClosedByClient_) {
        char buffer[4096];
        while (controlFd_ >= 0) {
            ssize_t n = ::recv(controlFd_, buffer, sizeof buffer, 0);
            if (n > 0) {
                input_.append(buffer, static_cast<std::size_t>(n));
                std::size_t end;
                while ((end = input_.find("\r\n")) != std::string::npos) {
                    std::string line = input_.substr(0, end);
                    input_.erase(0, end + 2);
                    takeLine(std::move(line));
                }
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            if (n < 0 && errno == EINTR) continue;
            controlClosedByClient_ = true;
            // A client that only shut down its sending side still reads: what the script
            // sends next may cross its close, as it can with a real server.
            if (n == 0) {
                watchControl();
            } else {
                dropControl();
            }
            break;
        }
    }
    if (writable) flushControl();
    advance();
}

void ScriptedFtpPeer::takeLine(std::string line) {
    if (line.rfind("REST ", 0) == 0) {
        std::size_t offset = 0;
        auto text = std::string_view(line).substr(5);
        auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), offset);
        restOffset_ = (ec == std::errc() && ptr == text.data() + text.size()) ? offset : 0;
    }
    transcript_.push_back(line);
    unread_.push_back(std::move(line));
}

void ScriptedFtpPeer::queueControl(const std::string& bytes) {
    if (controlFd_ < 0) return;
    if (outputSent_ > 0 && outputSent_ * 2 >= output_.size()) {  // drop what went out
        output_.erase(0, outputSent_);
        outputSent_ = 0;
    }
    output_ += bytes;
    flushControl();
}

void ScriptedFtpPeer::flushControl() {
    while (controlFd_ >= 0 && outputSent_ < output_.size()) {
        ssize_t n = ::send(controlFd_, output_.data() + outputSent_, output_.size() - outputSent_,
                           MSG_NOSIGNAL);
        if (n > 0) {
            outputSent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            controlClosedByClient_ = true;
            dropControl();
        }
    }
    if (controlFd_ >= 0) watchControl();
}

void ScriptedFtpPeer::watchControl() {
    const bool reading = !controlClosedByClient_;
    const bool writing = outputSent_ < output_.size();
    if (!reading && !writing) {
        loop_.unwatch(controlFd_);
        return;
    }
    auto interest = reading && writing ? platform::Interest::ReadWrite
                    : reading          ? platform::Interest::Read
                                       : platform::Interest::Write;
    loop_.watch(controlFd_, interest, [this](platform::Readiness r) {
        onControlReady(r.readable || r.hangup || r.error, r.writable);
    });
}

void ScriptedFtpPeer::onDataListenerReady() {
    int fd = ::accept4(dataListenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) return;
    ++dataConnections_;
    dropData();
    dropDataListener();  // one connection per 227, as a real server does
    dataFd_ = withoutDelay(fd);
    dataOut_.clear();
    dataOutSent_ = 0;
    watchData();
    advance();
}

void ScriptedFtpPeer::onDataReady(bool readable, bool writable) {
    if (readable) {
        // The client sends nothing on a download; this is its close.
        char buffer[1024];
        while (dataFd_ >= 0) {
            ssize_t n = ::recv(dataFd_, buffer, sizeof buffer, 0);
            if (n > 0) continue;
            if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
            if (n < 0 && errno == EINTR) continue;
            dropData();
        }
    }
    if (writable) flushData();
    advance();
}

void ScriptedFtpPeer::flushData() {
    while (dataFd_ >= 0 && dataOutSent_ < dataOut_.size()) {
        ssize_t n = ::send(dataFd_, dataOut_.data() + dataOutSent_, dataOut_.size() - dataOutSent_,
                           MSG_NOSIGNAL);
        if (n > 0) {
            dataOutSent_ += static_cast<std::size_t>(n);
            dataBytesSent_ += static_cast<std::size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break;
        } else {
            dropData();
        }
    }
    if (dataFd_ >= 0) watchData();
}

void ScriptedFtpPeer::watchData() {
    auto interest =
        dataOutSent_ < dataOut_.size() ? platform::Interest::ReadWrite : platform::Interest::Read;
    loop_.watch(dataFd_, interest, [this](platform::Readiness r) {
        onDataReady(r.readable || r.hangup || r.error, r.writable);
    });
}

void ScriptedFtpPeer::dropControl() {
    if (controlFd_ >= 0) loop_.unwatch(controlFd_);
    closeFd(controlFd_);
    output_.clear();
    outputSent_ = 0;
}

void ScriptedFtpPeer::dropData() {
    if (dataFd_ >= 0) loop_.unwatch(dataFd_);
    closeFd(dataFd_);
}

void ScriptedFtpPeer::dropDataListener() {
    if (dataListenFd_ >= 0) loop_.unwatch(dataListenFd_);
    closeFd(dataListenFd_);
}

bool ScriptedFtpPeer::delivered(int fd) {
    // Unacknowledged bytes first: once they are acknowledged they sit in the client's
    // socket, so checking in this order never reports bytes in flight as read.
    int unacknowledged = 0;
    if (::ioctl(fd, SIOCOUTQ, &unacknowledged) == 0 && unacknowledged > 0) return false;
    int client = clientEndOf(fd);
    if (client < 0) return true;  // a client in another process: acknowledged must do
    int waiting = 0;
    if (::ioctl(client, FIONREAD, &waiting) != 0) return true;
    return waiting == 0;
}

void ScriptedFtpPeer::pollSoon() {
    // Nothing on our side becomes ready when the client reads, so look again on the next
    // pass of the loop.
    if (pollPosted_) return;
    pollPosted_ = true;
    std::weak_ptr<ScriptedFtpPeer*> weak = self_;
    loop_.post([weak] {
        auto self = weak.lock();
        if (!self) return;
        (*self)->pollPosted_ = false;
        (*self)->advance();
    });
}

}  // namespace zov::test
