#include "support/child_process.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace zov::test {

ChildProcess::ChildProcess(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (auto& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ == 0) {  // only calls that are safe between fork and exec
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    output_ = out[0];
    if (pid_ < 0) {
        ::close(output_);
        throw std::runtime_error("fork");
    }
}

ChildProcess::~ChildProcess() {
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    ::close(output_);
}

void ChildProcess::readLines(const std::function<bool(const std::string&)>& take,
                             std::chrono::milliseconds watchdog) {
    const auto deadline = std::chrono::steady_clock::now() + watchdog;
    while (true) {
        for (std::size_t end; (end = unread_.find('\n')) != std::string::npos;) {
            const std::string line = unread_.substr(0, end);
            unread_.erase(0, end + 1);
            if (take(line)) return;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error(unread_ + ": no answer in time");
        pollfd readable{output_, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[256];
        const ssize_t got = ::read(output_, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("the program ended before it answered");
        unread_.append(buffer, static_cast<std::size_t>(got));
    }
}

}  // namespace zov::test
