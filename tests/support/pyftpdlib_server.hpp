#pragma once
// A real FTP server that nobody here wrote (pyftpdlib, run by the system's Python) on a
// free loopback port, serving a temporary folder to one account. It can be killed in the
// middle of a transfer and brought back on the same port and folder, to prove that the
// download engine resumes against a server it does not control.

#include <cstdint>
#include <memory>
#include <string>

#include "support/child_process.hpp"

namespace zov::test {

class PyftpdlibServer {
  public:
    PyftpdlibServer(std::string user, std::string password);
    ~PyftpdlibServer();  // stops the server and removes its folder
    PyftpdlibServer(const PyftpdlibServer&) = delete;
    PyftpdlibServer& operator=(const PyftpdlibServer&) = delete;

    // Bytes per second on data connections from the next start on; 0 for no limit.
    void setThrottle(std::int64_t bytesPerSecond) { throttle_ = bytesPerSecond; }

    // Starts the server and waits (at most 20 s of real time) until it listens; the first
    // start picks a free port, later ones reuse it. Throws when it does not come up.
    void start();
    // Kills the server (SIGKILL) and reaps it; its connections drop as in a crash.
    void stop() { process_.reset(); }
    void restart() {
        stop();
        start();
    }
    bool running() const { return process_ != nullptr; }

    std::uint16_t port() const { return port_; }
    // The served folder, a host path ending in "/".
    const std::string& root() const { return root_; }
    void putFile(const std::string& name, const std::string& bytes) const;

  private:
    std::string user_;
    std::string password_;
    std::string root_;
    std::int64_t throttle_ = 0;
    std::uint16_t port_ = 0;
    std::unique_ptr<ChildProcess> process_;
};

}  // namespace zov::test
