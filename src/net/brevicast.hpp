#pragma once
// The download engine: fetches one movie at a time from the delivery server over an
// FTP-style control connection and a passive-mode data connection, into the movie folder,
// resuming from the side file after an interruption.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "net/command_state.hpp"
#include "net/download_codes.hpp"
#include "net/ftp_reply_reader.hpp"
#include "net/movie_file.hpp"
#include "platform/event.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
class FileSystem;
enum class DiskFailure;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
class CTimeout;
}  // namespace zov::runtime
namespace zov::config {
class MediaInfo;
}

namespace zov::net {

class Brevicast : public std::enable_shared_from_this<Brevicast> {
  public:
    // Told every change of the command state, for tracing.
    using StateTrace = std::function<void(CommandState from, CommandState to)>;

    static std::shared_ptr<Brevicast> create(platform::EventLoop& loop,
                                             platform::Resolver& resolver,
                                             platform::FileSystem& fileSystem);
    ~Brevicast();

    std::int32_t port() const { return port_; }
    void setPort(std::int32_t port) { port_ = port; }
    const std::string& serverURL() const { return serverURL_; }
    void setServerURL(std::string url) { serverURL_ = std::move(url); }
    const std::string& account() const { return account_; }
    void setAccount(std::string account) { account_ = std::move(account); }
    const std::string& pass() const { return pass_; }
    void setPass(std::string pass) { pass_ = std::move(pass); }
    // The download status as its number.
    std::int32_t currentState() const { return static_cast<std::int32_t>(downloadStatus_); }

    // Paths are Windows-form; dataPath ends with "\".
    void downloadAndAllowTrickleDownload(const config::MediaInfo& mediafile,
                                         const std::string& dataPath);
    void downloadNoTrickle(const config::MediaInfo& mediafile, const std::string& dataPath);
    void cancelCurrentDownload();
    void closeConnection();

    // Events, in interface order. Arguments are passed by reference, as the engine's
    // owner may look at them in place.
    Event<std::string&> onServerReply;
    Event<> onTimeOut;
    Event<std::int32_t&> onFileSize;
    Event<std::int32_t&> onDownloading;
    Event<std::int32_t&> onError;
    Event<std::string&> onDataSend;
    Event<std::string&> onDownloadPreparation;
    Event<> onDownloaded;

    // Reply handlers of the command state machine, one per command state.
    void handle_CONNECTING(std::int16_t replyCode);
    void handle_USER(std::int16_t replyCode);
    void handle_PASS(std::int16_t replyCode);
    void handle_TYPE(std::int16_t replyCode);
    void handle_SIZE(std::int16_t replyCode);
    void handle_PASV(std::int16_t replyCode);
    void handle_REST(std::int16_t replyCode);
    void handle_RETR(std::int16_t replyCode);

    CommandState commandState() const { return commandState_; }
    void setStateTrace(StateTrace trace) { trace_ = std::move(trace); }
    // Why the last download ended with error 2 at the disk (full, or refusing to write):
    // its owner names the cause; None for every other ending.
    platform::DiskFailure diskFailure() const { return diskFailure_; }

  private:
    Brevicast(platform::EventLoop& loop, platform::Resolver& resolver,
              platform::FileSystem& fileSystem);
    void wireTimers();

    // Starting, connecting and sending.
    void startDownload(const std::string& remoteName, const std::string& localPath,
                       bool namesArePlain);
    void resumeCheck();
    void connecting();
    void sendCommand(CommandState command, const std::string& argument);
    // The only way the command state changes.
    void setCommandState(CommandState state);

    // Control connection.
    void m_controlCon_OnConnect();
    void m_controlCon_OnDataArrival(std::int32_t bytesTotal);
    void m_controlCon_OnError();
    void dispatchReply(std::int16_t replyCode);
    void appendToTranscript(const std::string& chunk);
    void raiseError(DownloadError error);
    void failAtTheDisk(platform::DiskFailure cause);

    // Data connection and completion.
    platform::DiskFailure prepareTrickleFile(std::int32_t size);
    void m_dataCon_OnConnect();
    void m_dataCon_OnDataArrival(std::int32_t bytesTotal);
    bool restRefusedAsPastTheEnd(std::int16_t replyCode);
    void restartFromTheBeginning();
    bool completeTheFile();
    void finishWhenEveryByteIsIn();
    void m_finalizeTimer_TimeOut();
    void m_timeout_TimeOut();
    void closeDataConnection();

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;

    std::int32_t port_ = 21;  // 16 bits are too few for ports above 32767
    std::string serverURL_;
    std::string account_;
    std::string pass_;
    DownloadStatus downloadStatus_ = DownloadStatus::Idle;

    std::shared_ptr<runtime::CSocket> m_controlCon;
    std::shared_ptr<runtime::CSocket> m_dataCon;
    std::shared_ptr<runtime::CTimeout> m_timeout;
    std::shared_ptr<runtime::CTimeout> m_finalizeTimer;

    CommandState commandState_ = CommandState::None;
    StateTrace trace_;
    std::string transcript_;
    FtpReplyReader replies_;
    std::string lastReply_;  // the text of the reply being handled

    std::string remoteName_;
    MovieFile movie_;
    bool namesArePlain_ = true;
    std::int64_t resumeOffset_ = 0;
    std::int64_t resumeCount_ = 0;  // the side file's count the resume trusted, or 0
    bool restartedFromTheBeginning_ = false;
    std::int64_t bytesSoFar_ = 0;
    std::int32_t fileSize_ = 0;
    platform::DiskFailure diskFailure_{};  // None
    bool transferReported_ = false;        // the server has said the transfer is complete
    bool trickle_ = false;
    std::uint64_t downloadNumber_ = 0;             // tells a nested event that a new download began
    platform::WeakFactory<Brevicast> weak_{this};  // last
};

}  // namespace zov::net
