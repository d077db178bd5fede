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
// (or at the end of the file).
struct DataPlan {
    std::string file{};
    std::size_t stopAt = std::numeric_limits<std::size_t>::max();
    DataEnd end = DataEnd::Close;
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
    ScriptedFtpPeer& expect(std::string line) { return add({Kind::Expect, std::move(line)}); }
    ScriptedFtpPeer& reply(const std::string& line) { return send(line + "\r\n"); }
    // Sends exactly these bytes: two sends in a row are a reply split by the network.
    ScriptedFtpPeer& send(std::string bytes) { return add({Kind::Send, std::move(bytes)}); }
    // Opens a data listener on 127.0.0.1 and sends the 227 reply with its port. The reply
    // claims `host`, so a test can check that the client ignores it.
    ScriptedFtpPeer& passive(std::string host = "127,0,0,1") {
        return add({Kind::Passive, std::move(host)});
    }
    // Waits for the data connection, sends the planned bytes, waits until the client has
    // read them all, then closes the data connection or leaves it open and silent.
    ScriptedFtpPeer& transfer(DataPlan plan) { return add({Kind::Transfer, {}, std::move(plan)}); }
    // Abortive close (RST) of the control connection.
    ScriptedFtpPeer& resetControl() { return add({Kind::ResetControl}); }
    ScriptedFtpPeer& pause() { return add({Kind::Pause}); }  // holds the script until resume()
    // Waits for the client's next control connection and plays the rest of the script on
    // it; the previous one is closed.
    ScriptedFtpPeer& nextConnection() { return add({Kind::AwaitConnection}); }

    void resume();

    // Every command line received on any control connection, in order, without CR LF.
    const std::vector<std::string>& transcript() const { return transcript_; }
    bool finished() const { return mismatch_.empty() && next_ == steps_.size(); }
    const std::string& mismatch() const { return mismatch_; }
    int controlConnections() const { return controlConnections_; }
    int dataConnections() const { return dataConnections_; }
    std::size_t dataBytesSent() const { return dataBytesSent_; }
    // The client closed the current control connection, or shut down its sending side.
    bool controlClosedByClient() const { return controlClosedByClient_; }

  private:
    enum class Kind { AwaitConnection, Expect, Send, Passive, Transfer, ResetControl, Pause };
    struct Step {
        Kind kind;
        std::string text{};  // Expect, Send; the host, then the 227 of Passive
        DataPlan plan{};     // Transfer
        bool started = false;
    };
    // A connected socket and what is queued on it.
    struct Channel {
        int fd = -1;
        std::string out{};
        std::size_t sent = 0;
        bool pending() const { return sent < out.size(); }
    };

    ScriptedFtpPeer& add(Step step);
    void advance();
    bool runStep(Step& step);
    bool runSend(Step& step);
    bool runTransfer(Step& step);
    void onReady(Channel& channel, bool readable, bool writable);
    void takeInput(const char* bytes, std::size_t size);
    void flush(Channel& channel);
    void watch(Channel& channel);
    void drop(Channel& channel);  // closes its socket, if any, and forgets what was queued
    // Everything sent on `fd` has been read by the client (when the client lives in this
    // process; otherwise acknowledged must do). When not, looks again on the loop's next pass.
    bool delivered(int fd);

    platform::EventLoop& loop_;
    std::uint16_t port_ = 0;
    Channel listener_, dataListener_, control_, data_;
    std::deque<int> waitingConnections_;  // accepted, not yet taken by the script
    std::string input_;
    std::deque<std::string> unread_;  // received lines no Expect has taken yet
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    bool resumed_ = false, pollPosted_ = false;
    std::size_t restOffset_ = 0;

    std::vector<std::string> transcript_;
    std::string mismatch_;
    int controlConnections_ = 0, dataConnections_ = 0;
    std::size_t dataBytesSent_ = 0;
    bool controlClosedByClient_ = false;

    // Posted callbacks hold a weak reference to this, so none runs after destruction.
    std::shared_ptr<ScriptedFtpPeer*> self_;
};

}  // namespace zov::test
