#pragma once
// A loopback FTP-style server for tests of the download engine. It runs on the test's own
// event loop (non-blocking sockets, no threads), so a test stays deterministic, and it
// plays a script: what the client must send, what the server answers and what it does
// with its connections. Every command line it receives is kept, so a test can assert the
// exact conversation. It is not a real server: it knows no commands, only its script.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <memory>
#include <string>
#include <vector>

namespace zov::platform {
class EventLoop;
}

namespace zov::test {

// What the server does with a data connection once its bytes are out.
enum class DataEnd { Close, Stall };

// The bytes of one passive transfer. Sending starts at the offset of the last REST line
// received (unless the script refused it, or refused the RETR after it) and stops before `stopAt`
// (or at the end of the file). Positions count in the whole remote file, whose bytes from `origin`
// on are `file`: a test can play the end of a huge file without holding all of it.
struct DataPlan {
    std::string file{};
    std::size_t stopAt = std::numeric_limits<std::size_t>::max();
    DataEnd end = DataEnd::Close;
    std::size_t origin = 0;
};

// The 227 reply. The data listener is always on 127.0.0.1; `host` is only what the reply
// claims, so a test can check that the client ignores it.
struct PassiveReply {
    std::string host = "127,0,0,1";
};

class ScriptedFtpPeer {
  public:
    explicit ScriptedFtpPeer(platform::EventLoop& loop);
    ~ScriptedFtpPeer();
    ScriptedFtpPeer(const ScriptedFtpPeer&) = delete;
    ScriptedFtpPeer& operator=(const ScriptedFtpPeer&) = delete;

    // The control port, on 127.0.0.1.
    std::uint16_t port() const { return port_; }

    // Script steps, played in order on the current control connection. The script starts
    // when the first connection is accepted; steps added later run as soon as they can.
    // Whatever a step sends is read by the client before the next step runs, so every
    // send reaches the client in a receive of its own and finished() means it was all read.
    ScriptedFtpPeer& greet(const std::string& line) { return reply(line); }
    // The next command line (without its CR LF) must be exactly this; anything else stops
    // the script and is kept in mismatch().
    ScriptedFtpPeer& expect(std::string line);
    ScriptedFtpPeer& reply(const std::string& line);  // sends the line and CR LF
    ScriptedFtpPeer& send(std::string bytes);         // sends exactly these bytes
    // Each piece reaches the client in a receive of its own (a reply split by the network).
    ScriptedFtpPeer& sendInPieces(std::vector<std::string> pieces);
    // Opens a data listener on 127.0.0.1 and sends the 227 reply with its port.
    ScriptedFtpPeer& passive(PassiveReply reply = {});
    // Waits for the data connection, sends the planned bytes, waits until the client has
    // read them all, then closes the data connection or leaves it open and silent.
    ScriptedFtpPeer& transfer(DataPlan plan);
    // Sends `pattern` over and over until `totalBytes` went out (a server that never
    // stops talking); stops early when the client closes.
    ScriptedFtpPeer& flood(std::string pattern, std::size_t totalBytes);
    ScriptedFtpPeer& closeControl();  // orderly close (FIN) after everything queued went out
    ScriptedFtpPeer& resetControl();  // abortive close (RST)
    ScriptedFtpPeer& pause();         // holds the script until resume()
    // Waits for the client's next control connection and plays the rest of the script on
    // it; the previous one is closed.
    ScriptedFtpPeer& nextConnection();

    void resume();

    // Every command line received on any control connection, in order, without CR LF.
    const std::vector<std::string>& transcript() const { return transcript_; }
    bool finished() const;  // every step has run
    const std::string& mismatch() const { return mismatch_; }
    int controlConnections() const { return controlConnections_; }
    int dataConnections() const { return dataConnections_; }
    std::size_t dataBytesSent() const { return dataBytesSent_; }
    // The client closed the current control connection, or shut down its sending side.
    bool controlClosedByClient() const { return controlClosedByClient_; }

  private:
    enum class Kind {
        AwaitConnection,
        Expect,
        Send,
        Passive,
        Transfer,
        Flood,
        CloseControl,
        ResetControl,
        Pause,
    };
    struct Step {
        Kind kind;
        std::string text{};                 // Expect, Flood pattern, Passive host
        std::vector<std::string> pieces{};  // Send
        DataPlan plan{};                    // Transfer
        std::size_t total = 0;              // Flood
        // Progress of a step that takes several turns.
        std::size_t done = 0;
        bool started = false;
    };

    ScriptedFtpPeer& add(Step step);
    void advance();
    bool runStep(Step& step);
    bool runSend(Step& step);
    bool runPassive(Step& step);
    bool runTransfer(Step& step);
    bool runFlood(Step& step);

    void onListenerReady();
    void onControlReady(bool readable, bool writable);
    void onDataListenerReady();
    void onDataReady(bool readable, bool writable);
    void takeLine(std::string line);
    void queueControl(const std::string& bytes);
    void flushControl();
    void flushData();
    void watchControl();
    void watchData();
    void dropControl();
    void dropData();
    void dropDataListener();
    // The client has read everything sent on `fd` (nothing unacknowledged, nothing waiting
    // in the client's socket when that socket lives in this process).
    bool delivered(int fd);
    void pollSoon();

    platform::EventLoop& loop_;
    std::uint16_t port_ = 0;
    int listenFd_ = -1;
    std::deque<int> waitingConnections_;
    int controlFd_ = -1;
    std::string input_;
    std::deque<std::string> unread_;  // received lines no Expect has taken yet
    std::string output_;
    std::size_t outputSent_ = 0;
    bool controlHalfClosed_ = false;

    int dataListenFd_ = -1;
    int dataFd_ = -1;
    std::string dataOut_;
    std::size_t dataOutSent_ = 0;

    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool halted_ = false;
    bool resumed_ = false;
    bool advancing_ = false;
    bool advanceAgain_ = false;
    bool pollPosted_ = false;
    std::size_t restOffset_ = 0;

    std::vector<std::string> transcript_;
    std::string mismatch_;
    int controlConnections_ = 0;
    int dataConnections_ = 0;
    std::size_t dataBytesSent_ = 0;
    bool controlClosedByClient_ = false;

    // Posted callbacks hold a weak reference to this, so none runs after destruction.
    std::shared_ptr<ScriptedFtpPeer*> self_;
};

}  // namespace zov::test
