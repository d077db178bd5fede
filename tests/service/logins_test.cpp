// Who may log in, and when: a login must come in time, a second login of one subscriber
// is refused only when asked for, an FTP connection is closed after its third wrong
// password, and an address that keeps guessing waits longer for every further attempt at
// either server, on the loop's timers, while other addresses are let in at once.

#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

TEST_F(ServiceTest, ALoginMustComeInTimeButASessionStaysAsLongAsTheClientWants) {
    auto silent = connect(auth.port());
    RawClient refused(auth.port());  // refused, and never lets go
    refused.send("USER acme bob wrong\r\n");
    ASSERT_TRUE(until([this] { return auth.sessionCount() == 2; }));
    // Without the rule against it (the default) a subscriber logs in as often as it likes.
    auto elsewhere = logIn(auth.port(), "USER acme bob s3cret");
    auto member = logIn(auth.port(), "USER acme bob s3cret");
    ASSERT_EQ(member->received, "RPL_ACCEPTED");
    member->received.clear();

    advanceTime(loop, clock, 59'000);
    EXPECT_FALSE(silent->closed);
    advanceTime(loop, clock, 1'000);
    ASSERT_TRUE(until([&silent] { return silent->closed; }));
    EXPECT_EQ(silent->received, "ERR_INCOMPLETEINFO");
    EXPECT_EQ(refused.take(), "ERR_INVALID_PASS");
    EXPECT_TRUE(refused.hungUp());

    // The client never speaks after its movie list; its session is pinged, never closed.
    advanceTime(loop, clock, 30 * 60'000);
    loop.processPending();
    EXPECT_FALSE(member->closed);
    EXPECT_NE(member->received.find("CM_PING"), std::string::npos);
    EXPECT_TRUE(until([this] { return auth.sessionCount() == 2; }));
}

TEST_F(ServiceTest, ASecondLoginOfOneSubscriberIsRefusedOnlyWhenAskedFor) {
    service::AuthServer strict{loop, resolver, subscribers, throttle, {.refuseMultiLogin = true}};
    strict.start();
    auto first = logIn(strict.port(), "USER acme bob s3cret");
    EXPECT_EQ(first->received, "RPL_ACCEPTED");
    auto second = logIn(strict.port(), "USER acme bob s3cret");
    ASSERT_TRUE(until([&second] { return second->closed; }));
    EXPECT_EQ(second->received, "ERR_MULTI_LOGIN");
    EXPECT_EQ(logIn(strict.port(), "USER acme ann pw2")->received, "RPL_ACCEPTED");
    // A refused password says so even while the subscriber is logged in elsewhere.
    EXPECT_EQ(logIn(strict.port(), "USER acme bob wrong")->received, "ERR_INVALID_PASS");

    // Once the first session has gone, the subscriber may log in again.
    first->socket->CloseSocket();
    ASSERT_TRUE(until([&first] { return first->closed; }));
    loop.processPending();
    EXPECT_EQ(logIn(strict.port(), "USER acme bob s3cret")->received, "RPL_ACCEPTED");
}

constexpr const char* kIncorrect = "530 Login incorrect.\r\n";

TEST_F(ServiceTest, AnAddressThatKeepsGuessingWaitsLongerEachTimeWhileOthersDoNot) {
    // Sends the line (if any); virtual milliseconds until the peer hears back, the clock
    // moving 100 ms at a time; -1 when a minute passes in silence.
    const auto msUntilAnswered = [this](Peer& peer, const std::string& line = {}) {
        peer.received.clear();
        if (!line.empty()) peer.socket->SendData(line + "\r\n");
        const std::int64_t start = clock.nowMs();
        for (int step = 0; step <= 600; ++step) {
            if (step > 0) advanceTime(loop, clock, 100);
            for (int pass = 0; pass < 3; ++pass)
                loop.processPending();
            if (!peer.received.empty() || peer.closed) return clock.nowMs() - start;
        }
        return std::int64_t{-1};
    };
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(logIn(auth.port(), "USER acme bob wrong", "127.0.0.2")->received,
                  "ERR_INVALID_PASS");
    }
    // From then on every attempt from there waits its turn, the right password too...
    auto patient = connect(auth.port(), "127.0.0.2");
    patient->socket->SendData(std::string("USER acme bob s3cret\r\n"));
    // ... while a subscriber at another address is let in without waiting.
    EXPECT_EQ(logIn(auth.port(), "USER acme ann pw2", "127.0.0.3")->received, "RPL_ACCEPTED");
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

    // Two slips elsewhere and then the right password: logged in at once, and it stays.
    auto typist = connect(delivery.port(), "127.0.0.3");
    ask(*typist, "");
    ask(*typist, "USER bob");
    EXPECT_EQ(ask(*typist, "PASS slip"), kIncorrect);
    EXPECT_EQ(ask(*typist, "PASS slip"), kIncorrect);
    EXPECT_EQ(msUntilAnswered(*typist, "PASS s3cret"), 0);
    EXPECT_EQ(typist->received, "230 Logged in.\r\n");
}

}  // namespace
}  // namespace zov::test
