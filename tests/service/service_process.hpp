#pragma once
// The real zov-service program in a child process, under a limit of open files of the
// test's choosing, and a crowd of connections that never say a word. Both end with the
// test, the service even when the test is killed outright.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/child_process.hpp"

namespace zov::test {

// Starts build/bin/zov-service with the arguments under a limit of open files, and waits
// (at most 20 s of real time) until it names its ports.
class ServiceProcess {
  public:
    ServiceProcess(const std::vector<std::string>& arguments, unsigned openFiles);
    // "auth", "ftp" or "http".
    std::int32_t port(const std::string& server) const { return ports_.at(server); }

  private:
    ChildProcess process_;
    std::map<std::string, std::int32_t> ports_;
};

class IdleCrowd {
  public:
    // Starts `size` connections from `source` (a loopback address) to `port` without
    // waiting for them.
    IdleCrowd(const std::string& source, std::int32_t port, int size);
    ~IdleCrowd();
    IdleCrowd(const IdleCrowd&) = delete;
    IdleCrowd& operator=(const IdleCrowd&) = delete;

    struct Answers {
        int greeted = 0;     // the server's first words arrived and did not start with 4xx
        int turnedAway = 0;  // a 4xx reply or a closed connection
    };
    // What the server has said to each member, once it has said something to all of them
    // or `watchdog` of real time has passed.
    Answers awaitAnswers(std::chrono::milliseconds watchdog);

  private:
    std::vector<int> fds_;
};

}  // namespace zov::test
