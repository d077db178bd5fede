// The scripted peer itself, driven by a bare client socket on the same loop: if the peer
// lied about what it sent or received, every engine test built on it would be worthless.

#include "support/scripted_ftp_peer.hpp"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"

using namespace std::chrono_literals;
using zov::test::DataEnd;
using zov::test::ScriptedFtpPeer;

namespace {

// A client socket that keeps every receive apart, the way the engine sees them.
class BareClient {
  public:
    BareClient(zov::platform::EventLoop& loop, std::uint16_t port) : loop_(loop) {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(port);
        // A loopback connect completes in the kernel, before the peer accepts.
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            ADD_FAILURE() << "connect: " << errno;
        }
        loop_.watch(fd_, zov::platform::Interest::Read,
                    [this](zov::platform::Readiness) { readAll(); });
    }
    ~BareClient() { close(); }

    void sendText(const std::string& text) {
        ASSERT_EQ(::send(fd_, text.data(), text.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(text.size()));
    }
    void close() {
        if (fd_ < 0) return;
        loop_.unwatch(fd_);
        ::close(fd_);
        fd_ = -1;
    }
    std::string all() const {
        std::string joined;
        for (const auto& r : receives)
            joined += r;
        return joined;
    }

    std::vector<std::string> receives;
    std::size_t bytes = 0;
    bool ended = false;  // end of stream
    int error = 0;       // errno of a failed receive

  private:
    void readAll() {
        char buffer[65536];
        ssize_t n = ::recv(fd_, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n > 0) {
            receives.emplace_back(buffer, static_cast<std::size_t>(n));
            bytes += static_cast<std::size_t>(n);
            return;
        }
        if (n < 0 && errno == EAGAIN) return;
        if (n < 0) error = errno;
        ended = true;
        loop_.unwatch(fd_);
    }

    zov::platform::EventLoop& loop_;
    int fd_ = -1;
};

// The port of a 227 reply's last two numbers.
std::uint16_t passivePort(const std::string& reply) {
    unsigned h1, h2, h3, h4, p1, p2;
    auto open = reply.find('(');
    if (open == std::string::npos ||
        std::sscanf(reply.c_str() + open, "(%u,%u,%u,%u,%u,%u)", &h1, &h2, &h3, &h4, &p1, &p2) != 6)
        return 0;
    return static_cast<std::uint16_t>(p1 * 256 + p2);
}

struct ScriptedPeerTest : ::testing::Test {
    bool runUntil(const std::function<bool()>& done) { return loop.runUntil(done, 10s); }

    zov::platform::ManualClock clock;
    zov::platform::PollLoop loop{clock};
    ScriptedFtpPeer peer{loop};
};

}  // namespace

TEST_F(ScriptedPeerTest, PlaysTheConversationRecordsEveryLineAndStopsAtAMismatch) {
    peer.greet("220 ready")
        .expect("USER bob")
        .reply("331 password")
        .expect("PASS x")
        .reply("230 in")
        .expect("TYPE A")
        .reply("200 never sent");
    BareClient client(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return client.all() == "220 ready\r\n"; }));
    client.sendText("USER bob\r\n");
    ASSERT_TRUE(runUntil([&] { return client.all().find("331") != std::string::npos; }));
    client.sendText("PASS x\r\nTYPE I\r\n");  // two lines in one write
    ASSERT_TRUE(runUntil([&] { return !peer.mismatch().empty(); }));

    EXPECT_EQ(peer.transcript(), (std::vector<std::string>{"USER bob", "PASS x", "TYPE I"}));
    EXPECT_EQ(peer.mismatch(), "expected \"TYPE A\", received \"TYPE I\"");
    EXPECT_FALSE(peer.finished());
    EXPECT_EQ(client.all(), "220 ready\r\n331 password\r\n230 in\r\n");
}

TEST_F(ScriptedPeerTest, EachPieceArrivesInAReceiveOfItsOwn) {
    peer.sendInPieces({"220-Welcome\r\n", "220 ", "ready\r\n"}).reply("331 next");
    BareClient client(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return peer.finished() && client.receives.size() >= 4; }));
    EXPECT_EQ(client.receives,
              (std::vector<std::string>{"220-Welcome\r\n", "220 ", "ready\r\n", "331 next\r\n"}));
}

TEST_F(ScriptedPeerTest, PassiveTransferStartsAtTheRestOffsetAndEndsAsPlanned) {
    const std::string file = "0123456789";
    peer.greet("220 ready")
        .expect("PASV ")
        .passive({.host = "127,0,0,2"})
        .expect("REST 3")
        .reply("350 restarting")
        .expect("RETR f")
        .reply("150 opening")
        .transfer({file, 8, DataEnd::Stall})  // bytes 3..7, then silence
        .reply("226 partial")
        .expect("PASV ")
        .passive()
        .expect("RETR f")
        .transfer({file})
        .reply("226 whole");
    BareClient control(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return !control.receives.empty(); }));

    control.sendText("PASV \r\n");
    ASSERT_TRUE(runUntil([&] { return control.all().find("227") != std::string::npos; }));
    EXPECT_NE(control.all().find("(127,0,0,2,"), std::string::npos);
    BareClient data(loop, passivePort(control.all()));
    control.sendText("REST 3\r\nRETR f\r\n");
    ASSERT_TRUE(runUntil([&] { return control.all().find("226 partial") != std::string::npos; }));
    loop.processPending();
    EXPECT_EQ(data.all(), "34567");
    EXPECT_FALSE(data.ended);  // stalled, not closed

    control.receives.clear();
    control.sendText("PASV \r\n");
    ASSERT_TRUE(runUntil([&] { return control.all().find("227") != std::string::npos; }));
    EXPECT_TRUE(runUntil([&] { return data.ended; }));  // a new 227 ends the stalled one
    BareClient whole(loop, passivePort(control.all()));
    control.sendText("RETR f\r\n");  // no REST this time: from the start
    ASSERT_TRUE(runUntil([&] { return whole.ended && peer.finished(); }));
    EXPECT_EQ(whole.all(), file);
    EXPECT_EQ(peer.dataConnections(), 2);
    EXPECT_EQ(peer.dataBytesSent(), 5u + file.size());
}

TEST_F(ScriptedPeerTest, ClosesOrResetsTheControlConnectionAndServesTheNextOne) {
    peer.greet("220 first").closeControl().nextConnection().greet("220 second").resetControl();
    BareClient first(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return first.ended; }));
    EXPECT_EQ(first.all(), "220 first\r\n");
    EXPECT_EQ(first.error, 0);  // an orderly end of stream

    BareClient second(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return second.ended; }));
    EXPECT_EQ(second.error, ECONNRESET);
    EXPECT_EQ(peer.controlConnections(), 2);
    EXPECT_TRUE(peer.finished());
}

TEST_F(ScriptedPeerTest, FloodsWithBackPressureUntilTheClientLeaves) {
    peer.greet("220-hello").flood("220-more\r\n", 4 << 20).reply("220 never");
    BareClient client(loop, peer.port());
    ASSERT_TRUE(runUntil([&] { return client.bytes > (1u << 20); }));
    client.close();
    ASSERT_TRUE(runUntil([&] { return peer.controlClosedByClient(); }));
    EXPECT_TRUE(runUntil([&] { return peer.finished(); }));  // the flood gave up, no hang
}
