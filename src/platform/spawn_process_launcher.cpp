#include "platform/spawn_process_launcher.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>

#include "platform/error.hpp"

extern char** environ;

namespace zov::platform {

namespace {

// The numbers and texts a Windows program gets when it cannot start another.
[[noreturn]] void failToStart(int error, const std::string& path) {
    const char* source = "ProcessLauncher.start";
    if (error == ENOENT || error == ENOTDIR) throw Error(53, "File not found", source);
    if (error == EACCES || error == EPERM) throw Error(70, "Permission denied", source);
    throw Error(5, "Invalid procedure call or argument: " + path, source);
}

// posix_spawn's attribute and file-action objects, released on every path out.
struct SpawnSetup {
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_t actions;
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Collects the child when it has ended. False while it runs.
bool collect(pid_t pid) {
    int result;
    do
        result = ::waitpid(pid, nullptr, WNOHANG);
    while (result < 0 && errno == EINTR);
    return result != 0;  // ended now, or no longer a child of ours to wait for
}

}  // namespace

SpawnProcessLauncher::SpawnProcessLauncher(EventLoop& loop)
    : loop_(loop), reapTimer_(loop.newTimerKey()) {}

SpawnProcessLauncher::~SpawnProcessLauncher() {
    loop_.killTimer(reapTimer_);
}

std::int32_t SpawnProcessLauncher::start(const std::string& path,
                                         const std::vector<std::string>& arguments) {
    SpawnSetup setup;
    // Signals the client ignores or blocks must not stay ignored or blocked in the child.
    sigset_t all, none;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&setup.attributes, &all);
    posix_spawnattr_setsigmask(&setup.attributes, &none);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    posix_spawn_file_actions_addopen(&setup.actions, 0, "/dev/null", O_RDONLY, 0);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int error =
        ::posix_spawn(&pid, path.c_str(), &setup.actions, &setup.attributes, argv.data(), environ);
    if (error != 0) failToStart(error, path);

    children_.insert(pid);
    if (!loop_.hasTimer(reapTimer_))
        loop_.setTimer(reapTimer_, kReapIntervalMs, [this] { reap(); });
    return pid;
}

bool SpawnProcessLauncher::running(std::int32_t pid) {
    if (!children_.count(pid)) return false;
    if (!collect(pid)) return true;
    children_.erase(pid);
    return false;
}

void SpawnProcessLauncher::reap() {
    for (auto it = children_.begin(); it != children_.end();) {
        if (collect(*it))
            it = children_.erase(it);
        else
            ++it;
    }
    if (children_.empty()) loop_.killTimer(reapTimer_);
}

}  // namespace zov::platform
