#include "service/service_process.hpp"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace zov::test {

ServiceProcess::ServiceProcess(const std::vector<std::string>& arguments, unsigned openFiles)
    : process_(
          [&] {
              std::vector<std::string> words{std::string(ZOV_TEST_BIN_DIR) + "/zov-service"};
              words.insert(words.end(), arguments.begin(), arguments.end());
              return words;
          }(),
          openFiles) {
    process_.readLines([this](const std::string& line) {  // "name=port", one a server
        const std::size_t equals = line.find('=');
        if (equals != std::string::npos)
            ports_[line.substr(0, equals)] = std::atoi(line.c_str() + equals + 1);
        return ports_.size() == 3;
    });
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
