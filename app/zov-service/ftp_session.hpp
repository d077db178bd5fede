#pragma once
// One client of the delivery server: its control connection, its passive-mode data
// connection and the file it is sending. Files come only from the movie folder.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

class Subscribers;

class FtpSession {
  public:
    // `finished` is called (from a posted task) once the control connection is gone.
    FtpSession(platform::EventLoop& loop, platform::Resolver& resolver,
               const Subscribers& subscribers, std::filesystem::path movies, std::string host,
               std::function<void()> finished);
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
    void retrieve(const std::string& name);
    void sendNextBlock();
    void endTransfer(bool complete);
    void closeData();
    void quit();
    void finish();
    // The movie's path when `name` is a servable file inside the movie folder.
    bool locate(const std::string& name, std::filesystem::path& path) const;

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    const Subscribers& subscribers_;
    std::filesystem::path movies_;
    std::string host_;
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
};

}  // namespace zov::service
