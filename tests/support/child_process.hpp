#pragma once
// A program the test runs beside itself (a server nobody here wrote, or our own service
// whole), its standard output read line by line with a real-time watchdog. It dies with the
// test, even when the test is killed outright, and is killed and reaped when this goes.

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace zov::test {

class ChildProcess {
  public:
    // Starts arguments[0] (a path) with the rest as its arguments. Throws when it cannot start.
    explicit ChildProcess(std::vector<std::string> arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Hands every line the program prints to `take` until `take` says it has enough. Throws
    // when the program ends first or `watchdog` of real time passes (a hang guard).
    void readLines(const std::function<bool(const std::string&)>& take,
                   std::chrono::milliseconds watchdog = std::chrono::seconds(20));

  private:
    pid_t pid_ = -1;
    int output_ = -1;
    std::string unread_;
};

}  // namespace zov::test
