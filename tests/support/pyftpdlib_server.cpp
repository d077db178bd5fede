#include "support/pyftpdlib_server.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <vector>

extern char** environ;

namespace zov::test {

namespace {

// Debian's interpreter, which has python3-pyftpdlib; the first python3 on PATH may not.
constexpr const char* kPython = "/usr/bin/python3";
constexpr const char* kScript = ZOV_SOURCE_DIR "/tests/peers/ftp_server.py";
constexpr auto kStartWatchdog = std::chrono::seconds(20);

// The first line the server prints, read with a real-time bound.
std::string readFirstLine(int fd) {
    const auto deadline = std::chrono::steady_clock::now() + kStartWatchdog;
    std::string text;
    while (text.find('\n') == std::string::npos) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) throw std::runtime_error("pyftpdlib did not start in time");
        pollfd p{fd, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        char buffer[64];
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("pyftpdlib exited before listening");
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text.substr(0, text.find('\n'));
}

}  // namespace

PyftpdlibServer::PyftpdlibServer(std::string user, std::string password)
    : user_(std::move(user)), password_(std::move(password)) {
    std::string pattern = (std::filesystem::temp_directory_path() / "zov-ftp-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create the ftp root");
    root_ = pattern + "/";
}

PyftpdlibServer::~PyftpdlibServer() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
}

void PyftpdlibServer::start() {
    if (running()) return;
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");

    std::vector<std::string> args = {kPython,      kScript,
                                     "--root",     root_,
                                     "--user",     user_,
                                     "--password", password_,
                                     "--port",     std::to_string(port_),
                                     "--throttle", std::to_string(throttle_),
                                     "--parent",   std::to_string(::getpid())};
    std::vector<char*> argv;
    for (auto& arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = -1;
    int error = ::posix_spawn(&pid, kPython, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (error != 0) {
        ::close(out[0]);
        throw std::runtime_error("cannot run " + std::string(kPython));
    }
    pid_ = pid;

    std::string line;
    try {
        line = readFirstLine(out[0]);
    } catch (...) {
        ::close(out[0]);
        stop();
        throw;
    }
    ::close(out[0]);
    char* end = nullptr;
    long port = std::strtol(line.c_str(), &end, 10);
    if (end == line.c_str() || port <= 0 || port > 65535) {
        stop();
        throw std::runtime_error("pyftpdlib printed no port: " + line);
    }
    port_ = static_cast<std::uint16_t>(port);
}

void PyftpdlibServer::stop() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

void PyftpdlibServer::putFile(const std::string& name, const std::string& bytes) const {
    std::ofstream file(root_ + name, std::ios::binary | std::ios::trunc);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!file) throw std::runtime_error("cannot write " + root_ + name);
}

}  // namespace zov::test
