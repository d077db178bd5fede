#include "platform/poll_loop.hpp"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>
#include <vector>

namespace zov::platform {

PollLoop::PollLoop(const Clock& clock) : LoopCore(clock) {
    wakeFd_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wakeFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

PollLoop::~PollLoop() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void PollLoop::watch(int fd, Interest interest, FdCallback callback) {
    watches_[fd] =
        Watch{interest, nextGeneration(), std::make_shared<FdCallback>(std::move(callback))};
}

void PollLoop::unwatch(int fd) {
    watches_.erase(fd);
}

void PollLoop::wake() {
    std::uint64_t one = 1;
    [[maybe_unused]] auto written = ::write(wakeFd_, &one, sizeof one);
}

void PollLoop::waitAndDispatch(int timeoutMs) {
    std::vector<pollfd> fds;
    std::vector<std::uint64_t> generations;
    fds.reserve(watches_.size() + 1);
    generations.reserve(watches_.size());
    fds.push_back(pollfd{wakeFd_, POLLIN, 0});
    for (const auto& [fd, w] : watches_) {
        fds.push_back(pollfd{fd, pollEventsFor(w.interest), 0});
        generations.push_back(w.generation);
    }
    int ready = ::poll(fds.data(), fds.size(), timeoutMs);
    if (ready < 0 && errno != EINTR)
        throw std::system_error(errno, std::generic_category(), "poll");

    if (ready > 0 && (fds[0].revents & POLLIN)) drainWakeFd();
    dispatchPosted();

    if (ready > 0) {
        for (std::size_t i = 1; i < fds.size(); ++i) {
            if (fds[i].revents == 0) continue;
            // The watch may have been removed or replaced by an earlier callback.
            auto it = watches_.find(fds[i].fd);
            if (it == watches_.end() || it->second.generation != generations[i - 1]) continue;
            auto callback = it->second.callback;
            (*callback)(readinessFromPoll(fds[i].revents));
        }
    }
    dispatchTimers();
}

void PollLoop::drainWakeFd() {
    std::uint64_t count;
    while (::read(wakeFd_, &count, sizeof count) > 0) {
    }
}

}  // namespace zov::platform
