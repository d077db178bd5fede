#include "platform/proc_process_table.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <string_view>

namespace zov::platform {

namespace {

std::string procPath(std::int32_t pid, const char* entry) {
    return "/proc/" + std::to_string(pid) + "/" + entry;
}

// Files under /proc report no size; read them until they end (at most limit bytes).
std::optional<std::string> readProcFile(const std::string& path, std::size_t limit = 65536) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    std::string text;
    char buffer[4096];
    while (text.size() < limit) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end == text.data()) return std::nullopt;
    return value;
}

struct StatLine {
    std::string commandName;
    char state = '?';
    std::uint64_t startTime = 0;
};

// "pid (comm) state ppid ...": the name may hold spaces and ")", so it ends at the last ")".
// The start time is the 22nd field.
std::optional<StatLine> readStat(std::int32_t pid) {
    auto text = readProcFile(procPath(pid, "stat"));
    if (!text) return std::nullopt;
    const std::size_t open = text->find('(');
    const std::size_t close = text->rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return std::nullopt;
    }
    StatLine line;
    line.commandName = text->substr(open + 1, close - open - 1);

    std::string_view rest = std::string_view(*text).substr(close + 1);
    for (int field = 3; field <= 22; ++field) {
        const std::size_t start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos) return std::nullopt;
        rest.remove_prefix(start);
        const std::size_t end = std::min(rest.find(' '), rest.size());
        const std::string_view value = rest.substr(0, end);
        if (field == 3) line.state = value.front();
        if (field == 22) {
            auto startTime = parseNumber<std::uint64_t>(value);
            if (!startTime) return std::nullopt;
            line.startTime = *startTime;
        }
        rest.remove_prefix(end);
    }
    return line;
}

// The real user id: the first number of the "Uid:" line.
std::optional<std::uint32_t> readRealUid(std::int32_t pid) {
    auto text = readProcFile(procPath(pid, "status"));
    if (!text) return std::nullopt;
    const std::size_t line = text->find("\nUid:");
    if (line == std::string::npos) return std::nullopt;
    std::string_view rest = std::string_view(*text).substr(line + 5);
    rest.remove_prefix(std::min(rest.find_first_not_of(" \t"), rest.size()));
    return parseNumber<std::uint32_t>(rest);
}

std::string readExecutablePath(std::int32_t pid) {
    char target[PATH_MAX];
    const ssize_t length = ::readlink(procPath(pid, "exe").c_str(), target, sizeof target);
    if (length <= 0 || static_cast<std::size_t>(length) >= sizeof target) return {};
    std::string path(target, static_cast<std::size_t>(length));
    // A program replaced on disk while it runs still goes by its name.
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted)) {
        path.erase(path.size() - kDeleted.size());
    }
    return path;
}

std::string readArgv0(std::int32_t pid) {
    auto text = readProcFile(procPath(pid, "cmdline"));
    if (!text) return {};
    return text->substr(0, text->find('\0'));
}

// Through syscall(2): the C library's declarations of these lack C linkage in some versions.
int openPidfd(std::int32_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

bool sendKill(int pidfd) {
    return ::syscall(SYS_pidfd_send_signal, pidfd, SIGKILL, nullptr, 0) == 0;
}

bool isSameProcess(const ProcessInfo& process) {
    auto stat = readStat(process.pid);
    return stat && stat->startTime == process.startTime;
}

}  // namespace

std::optional<ProcessInfo> ProcProcessTable::process(std::int32_t pid) const {
    if (pid <= 0) return std::nullopt;
    auto stat = readStat(pid);
    if (!stat || stat->state == 'Z' || stat->state == 'X') return std::nullopt;  // already dead
    auto uid = readRealUid(pid);
    if (!uid) return std::nullopt;

    ProcessInfo info;
    info.pid = pid;
    info.uid = *uid;
    info.startTime = stat->startTime;
    info.executablePath = readExecutablePath(pid);
    info.argv0 = readArgv0(pid);
    info.commandName = stat->commandName;
    // The pid may have passed to a new process while its files were read.
    if (!isSameProcess(info)) return std::nullopt;
    return info;
}

std::vector<ProcessInfo> ProcProcessTable::processes() const {
    std::vector<ProcessInfo> result;
    DIR* folder = ::opendir("/proc");
    if (!folder) return result;
    while (const dirent* entry = ::readdir(folder)) {
        auto pid = parseNumber<std::int32_t>(entry->d_name);
        if (!pid || std::to_string(*pid) != entry->d_name) continue;
        if (auto info = process(*pid)) result.push_back(std::move(*info));
    }
    ::closedir(folder);
    return result;
}

bool ProcProcessTable::terminate(const ProcessInfo& process) {
    if (process.pid <= 0) return false;  // kill(0) and kill(-1) would hit whole groups
    const int pidfd = openPidfd(process.pid);
    if (pidfd < 0) {
        // Kernels before 5.3: check, then signal by pid; the gap between is tiny.
        return errno == ENOSYS && isSameProcess(process) && ::kill(process.pid, SIGKILL) == 0;
    }
    // The pidfd holds on to whatever process has the pid now; make sure it is the listed one.
    const bool ended = isSameProcess(process) && sendKill(pidfd);
    ::close(pidfd);
    return ended;
}

std::int32_t ProcProcessTable::currentProcessId() const {
    return ::getpid();
}

std::uint32_t ProcProcessTable::currentUserId() const {
    return ::getuid();
}

}  // namespace zov::platform
