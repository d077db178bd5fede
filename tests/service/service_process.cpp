#include "service/service_process.hpp"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace zov::test {

namespace {

constexpr auto kStartWatchdog = std::chrono::seconds(20);

// Reads `name=port` lines until all three servers are named or the watchdog ends.
std::map<std::string, std::int32_t> readPorts(int fd) {
    std::map<std::string, std::int32_t> ports;
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + kStartWatchdog;
    while (ports.size() < 3) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("zov-service did not name its ports");
        pollfd readable{fd, POLLIN, 0};
        if (::poll(&readable, 1, static_cast<int>(left.count())) <= 0) continue;
        char buffer[256];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) throw std::runtime_error("zov-service ended at start-up");
        text.append(buffer, static_cast<std::size_t>(got));
        for (std::size_t end; (end = text.find('\n')) != std::string::npos;) {
            const std::string line = text.substr(0, end);
            text.erase(0, end + 1);
            const std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                ports[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        }
    }
    return ports;
}

}  // namespace

ServiceProcess::ServiceProcess(const std::vector<std::string>& arguments, unsigned openFiles) {
    std::vector<std::string> words{std::string(ZOV_TEST_BIN_DIR) + "/zov-service"};
    words.insert(words.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    const pid_t parent = ::getpid();
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {  // only calls that are safe between fork and exec
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(1);
        const rlimit limit{openFiles, openFiles};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0) ::_exit(1);
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    try {
        ports_ = readPorts(out[0]);
    } catch (...) {
        ::close(out[0]);
        stop();
        throw;
    }
    ::close(out[0]);
}

ServiceProcess::~ServiceProcess() {
    stop();
}

void ServiceProcess::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

IdleCrowd::IdleCrowd(const std::string& source, std::int32_t port, int size) {
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    ::inet_pton(AF_INET, source.c_str(), &from.sin_addr);
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(static_cast<std::uint16_t>(port));
    for (int i = 0; i < size; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) throw std::runtime_error("IdleCrowd: out of descriptors");
        fds_.push_back(fd);
        if (::bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
            (::connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0 &&
             errno != EINPROGRESS)) {
            throw std::runtime_error("IdleCrowd: cannot connect from " + source);
        }
    }
}

IdleCrowd::~IdleCrowd() {
    for (int fd : fds_)
        ::close(fd);
}

IdleCrowd::Answers IdleCrowd::awaitAnswers(std::chrono::milliseconds watchdog) {
    Answers answers;
    std::vector<pollfd> waiting;
    for (int fd : fds_)
        waiting.push_back(pollfd{fd, POLLIN, 0});
    const auto deadline = std::chrono::steady_clock::now() + watchdog;
    std::size_t left = waiting.size();
    while (left > 0) {
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (ms.count() <= 0) break;
        if (::poll(waiting.data(), waiting.size(), static_cast<int>(ms.count())) <= 0) continue;
        for (pollfd& p : waiting) {
            if (p.fd < 0 || p.revents == 0) continue;
            char first = 0;
            const ssize_t got = ::recv(p.fd, &first, 1, MSG_PEEK);
            if (got < 0 && errno == EAGAIN) continue;
            ++(got == 1 && first != '4' ? answers.greeted : answers.turnedAway);
            p.fd = -1;  // answered; poll skips it from now on
            --left;
        }
    }
    return answers;
}

}  // namespace zov::test
