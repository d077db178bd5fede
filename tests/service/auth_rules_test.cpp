// The authentication server's rules about time and about who may be logged in, and the
// movie list naming an outside delivery server.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "net/auth_reply.hpp"
#include "service/service_fixture.hpp"
#include "support/manual_time.hpp"

namespace zov::test {
namespace {

service::AuthServer::Settings settingsFor(bool refuseMultiLogin) {
    return {.deliveryPort = 2121,
            .guideUrl = "http://127.0.0.1:8000/guide.html",
            .bannerUrl = "http://127.0.0.1:8000/banner.html",
            .refuseMultiLogin = refuseMultiLogin};
}

TEST_F(ServiceTest, ALoginMustComeInTimeButASessionStaysAsLongAsTheClientWants) {
    auto silent = connect(auth.port());
    auto member = logIn(auth, "USER acme bob s3cret");
    ASSERT_EQ(member->received, "RPL_ACCEPTED");
    member->received.clear();

    advanceTime(loop, clock, 59'000);
    EXPECT_FALSE(silent->closed);
    advanceTime(loop, clock, 1'000);
    ASSERT_TRUE(until([&silent] { return silent->closed; }));
    EXPECT_EQ(silent->received, "ERR_INCOMPLETEINFO");

    // The client never speaks after its movie list; its session is pinged, never closed.
    advanceTime(loop, clock, 30 * 60'000);
    loop.processPending();
    EXPECT_FALSE(member->closed);
    EXPECT_NE(member->received.find("CM_PING"), std::string::npos);
    EXPECT_TRUE(until([this] { return auth.sessionCount() == 1; }));
}

TEST_F(ServiceTest, ARefusedClientThatNeverLetsGoIsCutOff) {
    RawClient client(auth.port());
    client.send("USER acme bob wrong\r\n");
    ASSERT_TRUE(until([this] { return auth.sessionCount() == 1; }));
    advanceTime(loop, clock, 0);
    EXPECT_EQ(client.take(), "ERR_INVALID_PASS");
    advanceTime(loop, clock, 60'000);
    EXPECT_TRUE(until([this] { return auth.sessionCount() == 0; }));
}

TEST_F(ServiceTest, ASecondLoginOfOneSubscriberIsRefusedOnlyWhenAskedFor) {
    service::AuthServer strict{loop, resolver, subscribers, throttle, settingsFor(true)};
    strict.start();
    auto first = logIn(strict, "USER acme bob s3cret");
    EXPECT_EQ(first->received, "RPL_ACCEPTED");
    auto second = logIn(strict, "USER acme bob s3cret");
    ASSERT_TRUE(until([&second] { return second->closed; }));
    EXPECT_EQ(second->received, "ERR_MULTI_LOGIN");
    net::ChunkMeaning meaning = net::classifyChunk(second->received);
    EXPECT_TRUE(meaning.endsAttempt);
    EXPECT_EQ(meaning.status, "Duplicated Logins Detected...");
    EXPECT_EQ(logIn(strict, "USER acme ann pw2")->received, "RPL_ACCEPTED");
    // A refused password says so even while the subscriber is logged in elsewhere.
    EXPECT_EQ(logIn(strict, "USER acme bob wrong")->received, "ERR_INVALID_PASS");

    // Once the first session has gone, the subscriber may log in again.
    first->socket->CloseSocket();
    ASSERT_TRUE(until([&first] { return first->closed; }));
    loop.processPending();
    EXPECT_EQ(logIn(strict, "USER acme bob s3cret")->received, "RPL_ACCEPTED");

    // Without the rule (the default) the same subscriber logs in as often as it likes.
    auto one = logIn(auth, "USER acme bob s3cret");
    auto two = logIn(auth, "USER acme bob s3cret");
    EXPECT_EQ(one->received, "RPL_ACCEPTED");
    EXPECT_EQ(two->received, "RPL_ACCEPTED");
}

TEST_F(ServiceTest, TheMovieListCanNameAnOutsideDeliveryServer) {
    service::AuthServer::Settings settings = settingsFor(false);
    settings.deliveryHost = "127.0.0.9";
    settings.deliveryPort = 40021;  // above 32767: the client reads it as a whole port
    settings.deliveryUser = "movies";
    settings.deliveryPassword = "reader";
    service::AuthServer outside{loop, resolver, subscribers, throttle, settings};
    outside.start();
    auto client = logIn(outside, "USER acme bob s3cret");
    ASSERT_EQ(client->received, "RPL_ACCEPTED");
    const std::string list = movieList(*client);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(net::readReplyValue(list, "location"), "127.0.0.9");
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), 40021);
    EXPECT_EQ(net::readReplyValue(list, "username"), "movies");
    EXPECT_EQ(net::readReplyValue(list, "password"), "reader");
}

}  // namespace
}  // namespace zov::test
