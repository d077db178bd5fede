#include "platform/unix_window_messages.hpp"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/error.hpp"
#include "platform/event_loop.hpp"

namespace zov::platform {

namespace {

// message (4 bytes), 4 bytes kept zero, wParam (8), lParam (8), in the host's byte order:
// both ends run on the same host.
constexpr std::size_t kRecordSize = 24;
using RecordBytes = std::array<unsigned char, kRecordSize>;

// Enough that a burst never starves the loop, few enough that other work gets its turn.
constexpr int kRecordsPerWakeUp = 64;
constexpr int kPendingConnections = 64;

RecordBytes encode(const WindowMessage& record) {
    RecordBytes bytes{};
    std::memcpy(bytes.data(), &record.message, 4);
    std::memcpy(bytes.data() + 8, &record.wParam, 8);
    std::memcpy(bytes.data() + 16, &record.lParam, 8);
    return bytes;
}

WindowMessage decode(const RecordBytes& bytes) {
    WindowMessage record;
    std::memcpy(&record.message, bytes.data(), 4);
    std::memcpy(&record.wParam, bytes.data() + 8, 8);
    std::memcpy(&record.lParam, bytes.data() + 16, 8);
    return record;
}

[[noreturn]] void fail(const std::string& what, int error, const char* source) {
    throw Error(error, what + ": " + std::strerror(error), source);
}

// False when the path does not fit a socket address.
bool makeAddress(const std::string& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int newSocket() {
    return ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
}

// A private folder: ours, a real folder (no link), closed to everyone else.
void ensurePrivateFolder(const std::string& folder) {
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
        fail("Cannot create the window message folder " + folder, errno, "WindowMessages.open");
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0)
        fail("Cannot read the window message folder " + folder, errno, "WindowMessages.open");
    if (!S_ISDIR(info.st_mode) || info.st_uid != ::getuid() || (info.st_mode & 077) != 0)
        fail("The window message folder " + folder + " is not private", EACCES,
             "WindowMessages.open");
}

bool peerIsSameUser(int connection) {
    ucred peer{};
    socklen_t size = sizeof peer;
    return ::getsockopt(connection, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
           peer.uid == ::getuid();
}

}  // namespace

struct UnixWindowMessages::Endpoint {
    MessageTarget target = 0;
    int listener = -1;
    std::vector<int> connections;  // accepted, one per posting process
    std::shared_ptr<Receiver> receiver;
    bool open = true;
};

std::string UnixWindowMessages::defaultFolder() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/zov";
    return "/tmp/zov-" + std::to_string(::getuid());
}

UnixWindowMessages::UnixWindowMessages(EventLoop& loop, std::string folder)
    : loop_(loop), folder_(folder.empty() ? defaultFolder() : std::move(folder)) {
    ensurePrivateFolder(folder_);
}

UnixWindowMessages::~UnixWindowMessages() {
    for (auto& [target, endpoint] : endpoints_)
        closeEndpoint(*endpoint);
    for (auto& [target, connection] : connections_) {
        loop_.unwatch(connection);
        ::close(connection);
    }
}

std::string UnixWindowMessages::endpointPath(MessageTarget target) const {
    return folder_ + "/" + std::to_string(target);
}

bool UnixWindowMessages::post(MessageTarget target, std::uint32_t message, std::int64_t wParam,
                              std::int64_t lParam) {
    const RecordBytes bytes = encode({message, wParam, lParam});
    // A kept connection may lead to an endpoint that has since been made anew: one retry.
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto found = connections_.find(target);
        const int connection = found != connections_.end() ? found->second : connectTo(target);
        if (connection < 0) return false;
        if (::send(connection, bytes.data(), bytes.size(), MSG_DONTWAIT | MSG_NOSIGNAL) ==
            static_cast<ssize_t>(bytes.size()))
            return true;
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == ENOBUFS)
            return false;  // the receiver's queue is full: lost, as on a busy window
        dropConnection(target);
    }
    return false;
}

int UnixWindowMessages::connectTo(MessageTarget target) {
    sockaddr_un address;
    if (!makeAddress(endpointPath(target), address)) return -1;
    const int connection = newSocket();
    if (connection < 0) return -1;
    // A full backlog answers EAGAIN at once; a missing or dead endpoint ENOENT or
    // ECONNREFUSED. Either way the post is lost.
    if (::connect(connection, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ::close(connection);
        return -1;
    }
    connections_[target] = connection;
    // The receiver never writes; readiness means it has gone, and the connection with it.
    loop_.watch(connection, Interest::Read, [this, target, connection](Readiness) {
        auto found = connections_.find(target);
        if (found != connections_.end() && found->second == connection) dropConnection(target);
    });
    return connection;
}

void UnixWindowMessages::dropConnection(MessageTarget target) {
    auto found = connections_.find(target);
    if (found == connections_.end()) return;
    loop_.unwatch(found->second);
    ::close(found->second);
    connections_.erase(found);
}

void UnixWindowMessages::listen(MessageTarget target, Receiver receiver) {
    if (auto found = endpoints_.find(target); found != endpoints_.end()) {
        found->second->receiver = std::make_shared<Receiver>(std::move(receiver));
        return;
    }
    const std::string path = endpointPath(target);
    sockaddr_un address;
    if (!makeAddress(path, address))
        fail("The window message endpoint name " + path + " is too long", ENAMETOOLONG,
             "WindowMessages.listen");
    const int listener = newSocket();
    if (listener < 0)
        fail("Cannot make the window message endpoint " + path, errno, "WindowMessages.listen");
    auto bindTo = [&] {
        return ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    };
    bool bound = bindTo();
    if (!bound && errno == EADDRINUSE) {
        // Left behind by a process that ended without cleaning up, unless someone answers.
        const int probe = newSocket();
        const bool alive =
            probe >= 0 &&
            (::connect(probe, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0 ||
             errno == EAGAIN);  // a live receiver with a full backlog
        if (probe >= 0) ::close(probe);
        if (alive) {
            ::close(listener);
            fail("The window handle " + std::to_string(target) + " already receives messages",
                 EADDRINUSE, "WindowMessages.listen");
        }
        ::unlink(path.c_str());
        bound = bindTo();
    }
    if (!bound || ::listen(listener, kPendingConnections) != 0) {
        const int error = errno;
        ::close(listener);
        fail("Cannot receive window messages at " + path, error, "WindowMessages.listen");
    }

    auto endpoint = std::make_shared<Endpoint>();
    endpoint->target = target;
    endpoint->listener = listener;
    endpoint->receiver = std::make_shared<Receiver>(std::move(receiver));
    endpoints_[target] = endpoint;
    std::weak_ptr<Endpoint> weak = endpoint;
    loop_.watch(listener, Interest::Read, [this, weak](Readiness) {
        if (auto endpoint = weak.lock(); endpoint && endpoint->open) acceptWaiting(endpoint);
    });
}

void UnixWindowMessages::acceptWaiting(const std::shared_ptr<Endpoint>& endpoint) {
    for (int accepted = 0; accepted < kPendingConnections; ++accepted) {
        const int connection =
            ::accept4(endpoint->listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (connection < 0) return;
        if (!peerIsSameUser(connection)) {
            ::close(connection);  // only the user's own processes reach the user's windows
            continue;
        }
        endpoint->connections.push_back(connection);
        std::weak_ptr<Endpoint> weak = endpoint;
        loop_.watch(connection, Interest::Read, [this, weak, connection](Readiness) {
            if (auto endpoint = weak.lock(); endpoint && endpoint->open)
                readWaiting(endpoint, connection);
        });
    }
}

void UnixWindowMessages::readWaiting(const std::shared_ptr<Endpoint>& endpoint, int connection) {
    for (int count = 0; count < kRecordsPerWakeUp; ++count) {
        RecordBytes bytes{};
        const ssize_t got = ::recv(connection, bytes.data(), bytes.size(), MSG_TRUNC);
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR))
            return;  // more later; the loop calls again while anything waits
        if (got <= 0) {
            // The posting process closed its end or went away.
            loop_.unwatch(connection);
            ::close(connection);
            std::erase(endpoint->connections, connection);
            return;
        }
        if (got != static_cast<ssize_t>(kRecordSize))
            continue;                        // not one of our records: dropped whole
        auto receiver = endpoint->receiver;  // survives a listen from inside the call
        (*receiver)(decode(bytes));
        // The receiver may have stopped listening, or yielded to events that closed this
        // connection; its descriptor is then no longer ours to read.
        if (!endpoint->open || std::find(endpoint->connections.begin(), endpoint->connections.end(),
                                         connection) == endpoint->connections.end())
            return;
    }
}

void UnixWindowMessages::unlisten(MessageTarget target) {
    auto found = endpoints_.find(target);
    if (found == endpoints_.end()) return;
    auto endpoint = found->second;
    endpoints_.erase(found);
    closeEndpoint(*endpoint);
}

void UnixWindowMessages::closeEndpoint(Endpoint& endpoint) {
    if (!endpoint.open) return;
    endpoint.open = false;
    for (int connection : endpoint.connections) {
        loop_.unwatch(connection);
        ::close(connection);
    }
    endpoint.connections.clear();
    loop_.unwatch(endpoint.listener);
    ::close(endpoint.listener);
    ::unlink(endpointPath(endpoint.target).c_str());
}

}  // namespace zov::platform
