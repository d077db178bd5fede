// What keeps the service up: each server holds only so many connections, in all and from
// one address, and turns the rest away at once; a quiet connection is told and closed;
// clients that reset their connections or hang on to them without a word cost their own
// connection, never the service.

#include <utility>

#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

constexpr const char* kFull = "421 Too many connections; try again later.\r\n";
constexpr const char* kIdleReply = "421 Idle time-out; closing the control connection.\r\n";

TEST_F(ServiceTest, EachServerTurnsAwayConnectionsOverItsLimits) {
    auto ftp = deliveryWith({.connections = {.perServer = 3, .perAddress = 2}});
    auto first = connect(ftp->port(), "127.0.0.2");
    auto second = connect(ftp->port(), "127.0.0.2");
    EXPECT_EQ(ask(*second, ""), kGreeting);
    auto thirdFromThere = connect(ftp->port(), "127.0.0.2");
    EXPECT_EQ(ask(*thirdFromThere, ""), kFull);
    EXPECT_TRUE(until([&] { return thirdFromThere->closed; }));
    auto elsewhere = connect(ftp->port(), "127.0.0.3");
    EXPECT_EQ(ask(*elsewhere, ""), kGreeting);
    auto overTheTop = connect(ftp->port(), "127.0.0.4");  // the server is full
    EXPECT_EQ(ask(*overTheTop, ""), kFull);
    EXPECT_EQ(ask(*first, "NOOP"), "200 OK.\r\n");
    // A connection that ends makes room for its address again.
    second->socket->CloseSocket();
    ASSERT_TRUE(until([&] { return ftp->sessionCount() == 2; }));
    EXPECT_EQ(ask(*connect(ftp->port(), "127.0.0.2"), ""), kGreeting);

    // The login protocol has no word for "too many": the connection just closes.
    service::AuthServer strict{
        loop, resolver, subscribers, throttle, {.limits = {.perAddress = 1}}};
    strict.start();
    auto member = logIn(strict.port(), "USER acme bob s3cret", "127.0.0.2");
    auto secondFromThere = connect(strict.port(), "127.0.0.2");
    ASSERT_TRUE(until([&] { return secondFromThere->closed; }));
    EXPECT_EQ(secondFromThere->received, "");
    EXPECT_EQ(logIn(strict.port(), "USER acme ann pw2", "127.0.0.3")->received, "RPL_ACCEPTED");
    EXPECT_FALSE(member->closed);

    service::HttpServer web{
        loop,        resolver, [](const auto&) { return service::HttpServer::Response{}; },
        "127.0.0.1", 0,        {.perServer = 1}};
    web.start();
    RawClient holder(web.port());  // takes the only place and says nothing
    ASSERT_TRUE(until([&] { return web.connectionCount() == 1; }));
    EXPECT_EQ(fetch(web.port(), ""),
              "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
}

TEST_F(ServiceTest, AQuietControlConnectionIsToldAndClosed) {
    writeFile(root_ / "movies" / "movie.wmv", movieBytes(1000));
    auto control = connect(delivery.port());  // the default limits: 300 s
    advanceTime(loop, clock, 299'000);
    EXPECT_EQ(ask(*control, "NOOP"), "200 OK.\r\n");  // speaking starts the countdown afresh
    control->received.clear();
    advanceTime(loop, clock, 299'000);
    EXPECT_EQ(control->received, "");
    advanceTime(loop, clock, 1'000);
    ASSERT_TRUE(until([&control] { return control->closed; }));
    EXPECT_EQ(control->received, kIdleReply);

    // A transfer waiting for its data connection is no activity either.
    auto waiting = connect(delivery.port());
    for (const char* line : {"", "USER bob", "PASS s3cret"})
        ask(*waiting, line);
    ASSERT_EQ(ask(*waiting, "PASV").rfind("227 ", 0), 0u);
    ASSERT_EQ(ask(*waiting, "RETR movie.wmv").rfind("150 ", 0), 0u);  // no data connection
    EXPECT_EQ(ask(*waiting, "RETR movie.wmv"), "425 A transfer is running.\r\n");
    waiting->received.clear();
    advanceTime(loop, clock, 300'000);
    ASSERT_TRUE(until([&waiting] { return waiting->closed; }));
    EXPECT_EQ(waiting->received, kIdleReply);
    EXPECT_TRUE(until([this] { return delivery.sessionCount() == 0; }));

    // A client that never reads is told, and cut off an idle period later.
    RawClient deaf(delivery.port());
    ASSERT_TRUE(until([this] { return delivery.sessionCount() == 1; }));
    advanceTime(loop, clock, 300'000);
    EXPECT_EQ(deaf.take(), std::string(kGreeting) + kIdleReply);
    EXPECT_EQ(delivery.sessionCount(), 1u);  // told, but still holding on
    advanceTime(loop, clock, 300'000);
    EXPECT_TRUE(until([this] { return delivery.sessionCount() == 0; }));
    EXPECT_TRUE(deaf.hungUp());

    // Without a time-out a quiet connection stays as long as its client likes.
    auto patient = deliveryWith({.limits = {.idleTimeoutMs = 0}});
    auto quiet = connect(patient->port());
    advanceTime(loop, clock, 3'600'000);
    EXPECT_EQ(ask(*quiet, "NOOP"), "200 OK.\r\n");
}

TEST_F(ServiceTest, ResetConnectionsNeverBringTheServiceDown) {
    writeFile(root_ / "movies" / "movie.wmv", movieBytes(1000));
    // Each sends a request and resets before the answer can go: the servers' replies meet
    // a connection that is already gone.
    for (int round = 0; round < 3; ++round) {
        for (auto [port, request] :
             {std::pair{auth.port(), "USER acme bob wrong\r\n"},
              {delivery.port(), "USER bob\r\nPASS s3cret\r\nSIZE movie.wmv\r\n"},
              {http.port(), "GET /guide.html HTTP/1.0\r\n\r\n"}}) {
            RawClient client(port);
            client.send(request);
            client.reset();
        }
    }
    EXPECT_TRUE(until([this] { return auth.sessionCount() == 0 && delivery.sessionCount() == 0; }));
    EXPECT_EQ(logIn(auth.port(), "USER acme bob s3cret")->received, "RPL_ACCEPTED");
    EXPECT_EQ(ask(*connect(delivery.port()), ""), kGreeting);
}

}  // namespace
}  // namespace zov::test
