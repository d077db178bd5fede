#include "remote/remote_stream.hpp"

#include <poll.h>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "platform/event_loop.hpp"
#include "remote/remote_channel.hpp"

namespace zov::remote {

namespace {

void makeNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

}  // namespace

RemoteStream::RemoteStream(platform::EventLoop& loop, RemoteChannel& channel, int inFd, int outFd)
    : loop_(loop),
      channel_(channel),
      inFd_(inFd),
      outFd_(outFd),
      splitter_([this](std::string_view line, bool overlong) {
          lines_.push_back({std::string(line), overlong});
          scheduleNextLine();
      }) {
    makeNonBlocking(inFd_);
    makeNonBlocking(outFd_);
    channel_.onOutput([this] { flush(); });
    flush();
    updateInterest();
}

RemoteStream::~RemoteStream() {
    channel_.onOutput({});
    loop_.unwatch(inFd_);
    if (outFd_ != inFd_) loop_.unwatch(outFd_);
}

void RemoteStream::updateInterest() {
    using platform::Interest;
    const bool reading =
        inputOpen_ && pending_.size() < kMaxPendingOutput && lines_.size() < kMaxQueuedLines;
    const bool writing = !pending_.empty();
    auto callback = [this](platform::Readiness ready) {
        if (ready.writable || ready.error) flush();
        if (ready.readable || ready.hangup) onReadable();
    };
    // One descriptor carrying both directions is watched once, for both.
    if (inFd_ == outFd_) {
        if (!reading && !writing) {
            loop_.unwatch(inFd_);
            return;
        }
        const auto interest =
            static_cast<Interest>((reading ? static_cast<unsigned>(Interest::Read) : 0u) |
                                  (writing ? static_cast<unsigned>(Interest::Write) : 0u));
        loop_.watch(inFd_, interest, callback);
        return;
    }
    if (reading)
        loop_.watch(inFd_, Interest::Read, [this](platform::Readiness) { onReadable(); });
    else
        loop_.unwatch(inFd_);
    if (writing)
        loop_.watch(outFd_, Interest::Write, [this](platform::Readiness) { flush(); });
    else
        loop_.unwatch(outFd_);
}

void RemoteStream::scheduleNextLine() {
    if (lineScheduled_ || lines_.empty()) return;
    lineScheduled_ = true;
    loop_.post(weak_.bind([](RemoteStream& self) { self.handleNextLine(); }));
}

void RemoteStream::handleNextLine() {
    lineScheduled_ = false;
    if (lines_.empty()) return;
    Line line = std::move(lines_.front());
    lines_.pop_front();
    // The next line is scheduled before this one runs, so that a nested loop started by
    // this one (a modal question) gets to it.
    scheduleNextLine();
    if (line.overlong)
        channel_.receiveOverlongLine();
    else
        channel_.receiveLine(line.text);
    updateInterest();
    maybeFinish();
}

void RemoteStream::onReadable() {
    if (!inputOpen_ || pending_.size() >= kMaxPendingOutput || lines_.size() >= kMaxQueuedLines)
        return;
    char buffer[4096];
    const ssize_t got = ::read(inFd_, buffer, sizeof buffer);
    if (got > 0) {
        splitter_.feed(std::string_view(buffer, static_cast<std::size_t>(got)));
    } else if (got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
        splitter_.finish();
        close();
        return;
    }
    updateInterest();
}

void RemoteStream::flush() {
    if (flushing_) return;  // output queued while writing is taken by the running loop
    if (outputBroken_) {
        while (channel_.takeLine()) {
        }
        return;
    }
    flushing_ = true;
    while (auto line = channel_.takeLine()) {
        pending_ += *line;
        pending_ += '\n';
        if (pending_.size() >= kMaxPendingOutput) break;
    }
    while (!pending_.empty()) {
        const ssize_t sent = ::write(outFd_, pending_.data(), pending_.size());
        if (sent > 0) {
            pending_.erase(0, static_cast<std::size_t>(sent));
            if (pending_.size() < kMaxPendingOutput / 2)
                while (auto line = channel_.takeLine()) {
                    pending_ += *line;
                    pending_ += '\n';
                    if (pending_.size() >= kMaxPendingOutput) break;
                }
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        // The reader is gone: what we had to say can no longer be said.
        outputBroken_ = true;
        pending_.clear();
        lines_.clear();
        flushing_ = false;
        close();
        return;
    }
    flushing_ = false;
    updateInterest();
    maybeFinish();
}

void RemoteStream::drainOutput(int patienceMs) {
    flush();
    while (!outputBroken_ && (!pending_.empty() || channel_.hasOutput()) && patienceMs > 0) {
        pollfd writable{outFd_, POLLOUT, 0};
        constexpr int kSliceMs = 50;
        if (::poll(&writable, 1, kSliceMs) < 0 && errno != EINTR) return;
        patienceMs -= kSliceMs;
        flush();
    }
}

void RemoteStream::close() {
    if (inputOpen_) {
        inputOpen_ = false;
        updateInterest();
    }
    maybeFinish();
}

void RemoteStream::maybeFinish() {
    // Whoever ends the process on Closed must not cut off the last replies.
    if (finished_ || inputOpen_ || !lines_.empty() || !pending_.empty()) return;
    finished_ = true;
    Closed();
}

}  // namespace zov::remote
