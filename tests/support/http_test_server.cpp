#include "support/http_test_server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

#include "support/loopback.hpp"

namespace zov::test {
namespace {

constexpr std::size_t kMaxHead = 64 * 1024;

void sendAll(int fd, const std::string& bytes) {
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the client has gone; nothing more to tell it
        sent += static_cast<std::size_t>(n);
    }
}

}  // namespace

HttpTestServer::HttpTestServer() {
    listenFd_ = listenOnLoopback(port_);

    int wake[2];
    if (::pipe2(wake, O_CLOEXEC) != 0) {
        ::close(listenFd_);
        throw std::runtime_error("HttpTestServer: no pipe");
    }
    wakeRead_ = wake[0];
    wakeWrite_ = wake[1];
    thread_ = std::thread([this] { serve(); });
}

HttpTestServer::~HttpTestServer() {
    const char stop = 's';
    while (::write(wakeWrite_, &stop, 1) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(listenFd_);
    ::close(wakeRead_);
    ::close(wakeWrite_);
}

std::string HttpTestServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void HttpTestServer::set(Mode mode, int status, std::string body) {
    std::lock_guard lock(mutex_);
    mode_ = mode;
    status_ = status;
    body_ = std::move(body);
}

std::vector<std::string> HttpTestServer::requestLines() const {
    std::lock_guard lock(mutex_);
    return requestLines_;
}

// Blocks until fd can be read; false once the server is told to stop.
bool HttpTestServer::waitReadable(int fd) {
    pollfd fds[2] = {{fd, POLLIN, 0}, {wakeRead_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (fds[1].revents != 0) return false;
        if (fds[0].revents != 0) return true;
    }
}

void HttpTestServer::serve() {
    while (waitReadable(listenFd_)) {
        const int connection = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        handle(connection);
        ::close(connection);
    }
}

void HttpTestServer::handle(int connection) {
    std::string head;
    char buffer[4096];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < kMaxHead) {
        if (!waitReadable(connection)) return;
        const ssize_t n = ::recv(connection, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0 && head.empty()) return;
        if (n <= 0) break;
        head.append(buffer, static_cast<std::size_t>(n));
    }

    Mode mode;
    std::string response;
    {
        std::lock_guard lock(mutex_);
        requestLines_.push_back(head.substr(0, head.find("\r\n")));
        mode = mode_;
        response = "HTTP/1.0 " + std::to_string(status_) + (status_ == 200 ? " OK" : " Status") +
                   "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(body_.size()) +
                   "\r\n\r\n" + body_;
    }
    switch (mode) {
        case Mode::Answer:
            sendAll(connection, response);
            break;
        case Mode::Silent:  // holds the connection until the client closes it or the server stops
            while (waitReadable(connection) && ::recv(connection, buffer, sizeof buffer, 0) > 0) {
            }
            break;
        case Mode::HangUp:
            break;
    }
}

}  // namespace zov::test
