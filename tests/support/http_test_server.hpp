#pragma once
// A tiny HTTP/1.0 server on 127.0.0.1 for tests of synchronous HTTP clients. It runs on its
// own thread with blocking sockets, since the client under test blocks the test's thread
// while it waits. Every request gets the same canned treatment until a test changes it.

#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zov::test {

class HttpTestServer {
  public:
    HttpTestServer();   // listening on an ephemeral loopback port
    ~HttpTestServer();  // stops the thread, dropping any connection it holds
    HttpTestServer(const HttpTestServer&) = delete;
    HttpTestServer& operator=(const HttpTestServer&) = delete;

    // "http://127.0.0.1:<port>" followed by the path.
    std::string url(const std::string& path) const;

    // Answers each request with this status and body, then closes.
    void respond(int status, std::string body) { set(Mode::Answer, status, std::move(body)); }
    // Reads each request and never answers; the connection stays open until the client
    // gives up (for time-out tests).
    void staySilent() { set(Mode::Silent); }
    // Reads each request and closes without a word.
    void hangUp() { set(Mode::HangUp); }

    // The first line of every request received so far ("GET /path?query HTTP/1.1").
    std::vector<std::string> requestLines() const;

  private:
    enum class Mode { Answer, Silent, HangUp };
    void set(Mode mode, int status = 200, std::string body = {});

    void serve();
    void handle(int connection);
    bool waitReadable(int fd);

    int listenFd_ = -1;
    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::uint16_t port_ = 0;

    mutable std::mutex mutex_;
    Mode mode_ = Mode::Answer;
    int status_ = 200;
    std::string body_;
    std::vector<std::string> requestLines_;

    std::thread thread_;  // last: starts once everything above is ready
};

}  // namespace zov::test
