#pragma once
// A loopback authentication server for tests of the login conversation. It runs on the
// test's own event loop (non-blocking sockets, no threads) and plays a script: the lines
// the client must send and the replies the server gives. Each reply is written only after
// the client has read everything before it, so it arrives in a read of its own, exactly
// as the test wrote it. Every line received is kept for the test to assert.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zov::platform {
class EventLoop;
}

namespace zov::test {

class ScriptedFtpPeer;

class ScriptedAuthServer {
  public:
    explicit ScriptedAuthServer(platform::EventLoop& loop);
    ~ScriptedAuthServer();
    ScriptedAuthServer(const ScriptedAuthServer&) = delete;
    ScriptedAuthServer& operator=(const ScriptedAuthServer&) = delete;

    // The port on 127.0.0.1.
    std::uint16_t port() const;

    // Script steps, played in order from the first connection on.
    // The next line (without CR LF) must be exactly this; anything else halts the script.
    ScriptedAuthServer& expect(std::string line);
    // Sends exactly these bytes as one reply: a keyword goes without a line end.
    ScriptedAuthServer& send(std::string reply);
    ScriptedAuthServer& close();  // orderly close of the connection
    // Waits for the client's next connection (a second login) and plays on there.
    ScriptedAuthServer& nextConnection();

    // Every line received, in order, without CR LF.
    const std::vector<std::string>& lines() const;
    bool finished() const;  // every step has run
    const std::string& mismatch() const;
    int connections() const;
    // The client closed the current connection or shut down its sending side.
    bool closedByClient() const;

  private:
    // The FTP test peer already plays line scripts reply by reply; only the words differ.
    std::unique_ptr<ScriptedFtpPeer> peer_;
};

}  // namespace zov::test
