#pragma once
// The real zovplayer1.exe run by a test: started with an argument vector, its error output
// kept in a file, its end seen by the test's event loop (a pidfd) and its exit status read.

#include <sys/types.h>

#include <string>
#include <vector>

namespace zov::platform {
class EventLoop;
}

namespace zov::test {

class PlayerProcess {
  public:
    // Starts the program; the loop learns of its end. Fails the test when it cannot start.
    PlayerProcess(platform::EventLoop& loop, const std::vector<std::string>& arguments,
                  const std::string& errorFile);
    ~PlayerProcess();  // kills what still runs
    PlayerProcess(const PlayerProcess&) = delete;
    PlayerProcess& operator=(const PlayerProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool ended() const { return ended_; }
    // The exit status once ended (-1 for a signal).
    int exitStatus();
    std::string errorOutput() const;

  private:
    platform::EventLoop& loop_;
    std::string errorFile_;
    pid_t pid_ = -1;
    int pidfd_ = -1;
    bool ended_ = false;
    int status_ = -1;
    bool collected_ = false;
};

}  // namespace zov::test
