#pragma once
// A loopback authentication server for tests of the login conversation. The scripted FTP
// peer already plays line scripts reply by reply on the test's own loop; only the words
// differ. `send` writes its bytes as they stand (a keyword goes without a line end), and each
// reply arrives in a read of its own.

#include <string>
#include <vector>

#include "support/scripted_ftp_peer.hpp"

namespace zov::test {

class ScriptedAuthServer : public ScriptedFtpPeer {
  public:
    using ScriptedFtpPeer::ScriptedFtpPeer;
    // Every line received, in order, without CR LF.
    const std::vector<std::string>& lines() const { return transcript(); }
    // The client closed the current connection or shut down its sending side.
    bool closedByClient() const { return controlClosedByClient(); }
};

}  // namespace zov::test
