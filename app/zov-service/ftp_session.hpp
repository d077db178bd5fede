#pragma once
// One client of the delivery server: its control connection, its passive-mode data
// connection and the file it is sending. Files come only from the movie folder. A
// connection that gives wrong passwords is closed after a few; each password waits for
// its address's turn (LoginThrottle).

#include <cstdint>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

#include "pending_login.hpp"
#include "platform/weak_factory.hpp"
#include "send_pacer.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class LoginThrottle;
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
               const Subscribers& subscribers, LoginThrottle& throttle, const MovieFolder& movies,
               std::string host, Limits limits, std::function<void()> finished);
    ~FtpSession();
    FtpSession(const FtpSession&) = delete;
    FtpSession& operator=(const FtpSession&) = delete;

    // Takes over a connection the server has adopted and greets the client.
    void start(std::shared_ptr<runtime::CSocket> control);

    // The largest block read from a file and queued on the data connection at once.
    static constexpr std::size_t kBlockSize = 64 * 1024;
    // Wrong passwords one connection may give; the last is answered, then it closes.
    static constexpr int kMaxLoginFailures = 3;

  private:
    void received();
    void takeLines();
    void command(const std::string& line);
    void checkPassword(const std::string& password);
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
    LoginThrottle& throttle_;
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
    int loginFailures_ = 0;
    PendingLogin login_;  // a password waiting for its turn
    bool closing_ = false;
    bool finishing_ = false;
    std::int64_t restOffset_ = 0;
    std::ifstream file_;
    bool sending_ = false;         // RETR accepted, file being sent
    bool waitingForData_ = false;  // RETR accepted before the data connection came
    SendPacer pacer_;
    std::uint64_t paceTimer_ = 0;  // the loop's timer keys
    std::uint64_t idleTimer_ = 0;
    platform::WeakFactory<FtpSession> weak_{this};  // last
};

}  // namespace zov::service
