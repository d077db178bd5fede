#pragma once
// One client of the delivery server: its control connection, its passive-mode data
// connection and the file it is sending. Files come only from the movie folder.

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "send_pacer.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class MovieFolder;
class Subscribers;

class FtpSession {
  public:
    struct Limits {
        std::int64_t bytesPerSecond = 0;       // per data connection; 0 = no limit
        std::int64_t idleTimeoutMs = 300'000;  // 0 = never
    };

    // `finished` is called (from a posted task) once the control connection is gone.
    FtpSession(platform::EventLoop& loop, platform::Resolver& resolver,
               const Subscribers& subscribers, const MovieFolder& movies, std::string host,
               Limits limits, std::function<void()> finished);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    void accept(std::int32_t requestId);

    // The largest block read from a file and queued on the data connection at once.
    static constexpr std::size_t kBlockSize = 64 * 1024;

  private:
    void received();
    void command(const std::string& line);
    void reply(const std::string& text);
    void passive();
    void acceptData(std::int32_t requestId);
    void retrieve(const std::string& name);
    void sendNextBlock();
    void endTransfer(bool complete);
    void closeData();
    void quit();
    void finish();
    void stillActive();
    void idle();

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    const Subscribers& subscribers_;
    const MovieFolder& movies_;
    std::string host_;
    Limits limits_;
    std::function<void()> finished_;

    std::shared_ptr<runtime::CSocket> control_;
    std::shared_ptr<runtime::CSocket> passiveListener_;
    std::shared_ptr<runtime::CSocket> data_;
    std::string buffer_;
    std::string user_;
    bool loggedIn_ = false;
    bool closing_ = false;
    bool finishing_ = false;
    std::int64_t restOffset_ = 0;
    std::ifstream file_;
    bool sending_ = false;         // RETR accepted, file being sent
    bool waitingForData_ = false;  // RETR accepted before the data connection came
    SendPacer pacer_;
    std::uint64_t paceTimer_ = 0;  // the loop's timer keys
    std::uint64_t idleTimer_ = 0;
};

}  // namespace zov::service
