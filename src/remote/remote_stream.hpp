#pragma once
// Carries a remote channel over a pair of descriptors (standard input and output, or both
// ends on one socket), on the event loop: reading never blocks it, lines are bounded, and
// while the client does not read its output we stop reading its requests, so neither
// direction can grow without bound.

#include <cstddef>
#include <deque>
#include <memory>
#include <string>

#include "platform/event.hpp"
#include "platform/weak_factory.hpp"
#include "remote/line_splitter.hpp"

namespace zov::platform {
class EventLoop;
}

namespace zov::remote {

class RemoteChannel;

class RemoteStream {
  public:
    // Output waiting beyond this stops the reading of requests until it drains.
    static constexpr std::size_t kMaxPendingOutput = 1024 * 1024;
    // Lines read ahead beyond this stop the reading until they are handled.
    static constexpr std::size_t kMaxQueuedLines = 256;

    // The descriptors are made non-blocking; they are not owned and stay open.
    RemoteStream(platform::EventLoop& loop, RemoteChannel& channel, int inFd, int outFd);
    ~RemoteStream();
    RemoteStream(const RemoteStream&) = delete;
    RemoteStream& operator=(const RemoteStream&) = delete;

    // Before the process ends: writes out what is queued, waiting at most `patienceMs` in
    // all for a slow reader.
    void drainOutput(int patienceMs);

    // The input ended and every line read was answered and written, or the output failed.
    Event<> Closed;

  private:
    void updateInterest();
    void scheduleNextLine();
    void handleNextLine();
    void onReadable();
    void flush();
    void close();
    void maybeFinish();

    platform::EventLoop& loop_;
    RemoteChannel& channel_;
    int inFd_;
    int outFd_;
    LineSplitter splitter_;
    std::string pending_;
    // Lines read but not yet handled, one handled per posted turn of the loop: a
    // request that asks a modal question runs a nested loop, and the answer may already be
    // in this queue, behind it.
    struct Line {
        std::string text;
        bool overlong;
    };
    std::deque<Line> lines_;
    bool inputOpen_ = true;
    bool flushing_ = false;
    bool lineScheduled_ = false;
    bool outputBroken_ = false;
    bool finished_ = false;
    platform::WeakFactory<RemoteStream> weak_{this};  // last
};

}  // namespace zov::remote
