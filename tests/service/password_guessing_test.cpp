// Guessing passwords: an FTP connection is closed after its third wrong one, and an address
// that keeps guessing waits longer for every further attempt at either server, on the
// loop's timers, while other addresses are let in at once.

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ftp_session.hpp"
#include "service/service_fixture.hpp"
#include "support/manual_time.hpp"

namespace zov::test {
namespace {

class PasswordGuessingTest : public ServiceTest {
  protected:
    // Virtual milliseconds until the peer hears back, the clock moving 100 ms at a time;
    // -1 when a minute passes in silence.
    std::int64_t msUntilAnswered(Peer& peer) {
        const std::int64_t start = clock.nowMs();
        for (int step = 0; step <= 600; ++step) {
            if (step > 0) advanceTime(loop, clock, 100);
            for (int pass = 0; pass < 3; ++pass)
                loop.processPending();
            if (!peer.received.empty() || peer.closed) return clock.nowMs() - start;
        }
        return -1;
    }
    std::int64_t msUntilAnswered(Peer& peer, const std::string& line) {
        peer.received.clear();
        peer.socket->SendData(line + "\r\n");
        return msUntilAnswered(peer);
    }
};

constexpr const char* kIncorrect = "530 Login incorrect.\r\n";

TEST_F(PasswordGuessingTest, AnFtpConnectionIsClosedAfterItsThirdWrongPassword) {
    static_assert(service::FtpSession::kMaxLoginFailures == 3);
    auto guesser = connect(delivery.port());
    ask(*guesser, "");
    ask(*guesser, "USER bob");
    EXPECT_EQ(ask(*guesser, "PASS one"), kIncorrect);
    EXPECT_EQ(ask(*guesser, "PASS two"), kIncorrect);
    EXPECT_FALSE(guesser->closed);
    EXPECT_EQ(ask(*guesser, "PASS three"), kIncorrect);
    EXPECT_TRUE(until([&] { return guesser->closed; }));

    // Two slips and then the right password: logged in, and the connection stays.
    auto typist = connect(delivery.port(), "127.0.0.3");
    ask(*typist, "");
    ask(*typist, "USER bob");
    EXPECT_EQ(ask(*typist, "PASS slip"), kIncorrect);
    EXPECT_EQ(ask(*typist, "PASS slip"), kIncorrect);
    EXPECT_EQ(ask(*typist, "PASS s3cret"), "230 Logged in.\r\n");
    EXPECT_EQ(ask(*typist, "NOOP"), "200 OK.\r\n");
}

TEST_F(PasswordGuessingTest, AnAddressThatKeepsGuessingWaitsLongerEachTimeWhileOthersDoNot) {
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(logIn(auth, "USER acme bob wrong", "127.0.0.2")->received, "ERR_INVALID_PASS");
    }
    // From then on every attempt from there waits its turn, the right password too...
    auto patient = connect(auth.port(), "127.0.0.2");
    patient->socket->SendData(std::string("USER acme bob s3cret\r\n"));
    // ... while a subscriber at another address is let in without waiting.
    EXPECT_EQ(logIn(auth, "USER acme ann pw2", "127.0.0.3")->received, "RPL_ACCEPTED");
    EXPECT_EQ(msUntilAnswered(*patient), 1'000);
    EXPECT_EQ(patient->received, "RPL_ACCEPTED");

    // The delivery server takes the same passwords and shares the waits; each further
    // failure doubles the wait, and the third closes the connection.
    auto guesser = connect(delivery.port(), "127.0.0.2");
    ask(*guesser, "");
    ask(*guesser, "USER bob");
    std::vector<std::int64_t> waits;
    for (const char* guess : {"PASS a", "PASS b", "PASS c"}) {
        waits.push_back(msUntilAnswered(*guesser, guess));
        EXPECT_EQ(guesser->received, kIncorrect) << guess;
    }
    EXPECT_EQ(waits, (std::vector<std::int64_t>{1'000, 2'000, 4'000}));
    EXPECT_TRUE(until([&] { return guesser->closed; }));

    auto other = connect(delivery.port(), "127.0.0.3");
    ask(*other, "");
    ask(*other, "USER bob");
    EXPECT_EQ(msUntilAnswered(*other, "PASS s3cret"), 0);
    EXPECT_EQ(other->received, "230 Logged in.\r\n");
}

}  // namespace
}  // namespace zov::test
