#include "player_process.hpp"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

#include "platform/event_loop.hpp"

extern char** environ;

namespace zov::test {

PlayerProcess::PlayerProcess(platform::EventLoop& loop, const std::vector<std::string>& arguments,
                             const std::string& errorFile)
    : loop_(loop), errorFile_(errorFile) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0600);
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int error = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) {
        ADD_FAILURE() << "cannot start " << arguments[0];
        pid_ = -1;
        ended_ = true;
        return;
    }
    pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    EXPECT_GE(pidfd_, 0);
    loop_.watch(pidfd_, platform::Interest::Read, [this](platform::Readiness) {
        ended_ = true;
        loop_.unwatch(pidfd_);
    });
}

PlayerProcess::~PlayerProcess() {
    if (pidfd_ >= 0) {
        loop_.unwatch(pidfd_);
        ::close(pidfd_);
    }
    if (pid_ > 0 && !collected_) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
}

int PlayerProcess::exitStatus() {
    if (!collected_ && pid_ > 0) {
        int raw = 0;
        ::waitpid(pid_, &raw, 0);
        collected_ = true;
        status_ = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    return status_;
}

std::string PlayerProcess::errorOutput() const {
    std::ifstream file(errorFile_);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

}  // namespace zov::test
