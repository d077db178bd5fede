// Each server holds only so many connections, in all and from one address; the rest are
// turned away at once, and the connections let in are served as before.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "http_server.hpp"
#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

constexpr const char* kGreeting = "220-ZOV delivery server\r\n220 Ready.\r\n";
constexpr const char* kFull = "421 Too many connections; try again later.\r\n";

TEST_F(ServiceTest, TheDeliveryServerTurnsAwayConnectionsOverItsLimits) {
    service::DeliveryServer ftp{loop,
                                resolver,
                                subscribers,
                                throttle,
                                service::MovieFolder(root_ / "movies"),
                                {.connections = {.perServer = 3, .perAddress = 2}}};
    ftp.start();
    auto first = connect(ftp.port(), "127.0.0.2");
    EXPECT_EQ(ask(*first, ""), kGreeting);
    auto second = connect(ftp.port(), "127.0.0.2");
    EXPECT_EQ(ask(*second, ""), kGreeting);
    auto thirdFromThere = connect(ftp.port(), "127.0.0.2");
    EXPECT_EQ(ask(*thirdFromThere, ""), kFull);
    EXPECT_TRUE(until([&] { return thirdFromThere->closed; }));

    auto elsewhere = connect(ftp.port(), "127.0.0.3");
    EXPECT_EQ(ask(*elsewhere, ""), kGreeting);
    auto overTheTop = connect(ftp.port(), "127.0.0.4");  // the server is full
    EXPECT_EQ(ask(*overTheTop, ""), kFull);
    EXPECT_TRUE(until([&] { return overTheTop->closed; }));
    EXPECT_EQ(ask(*first, "NOOP"), "200 OK.\r\n");

    // A connection that ends makes room for its address again.
    second->socket->CloseSocket();
    ASSERT_TRUE(until([&] { return ftp.sessionCount() == 2; }));
    auto again = connect(ftp.port(), "127.0.0.2");
    EXPECT_EQ(ask(*again, ""), kGreeting);
}

TEST_F(ServiceTest, TheAuthenticationAndWebServersTurnAwayConnectionsOverTheirLimits) {
    service::AuthServer strict{loop,
                               resolver,
                               subscribers,
                               throttle,
                               {.deliveryPort = 2121,
                                .guideUrl = "http://127.0.0.1:8000/guide.html",
                                .bannerUrl = "http://127.0.0.1:8000/banner.html",
                                .limits = {.perAddress = 1}}};
    strict.start();
    auto member = logIn(strict, "USER acme bob s3cret", "127.0.0.2");
    EXPECT_EQ(member->received, "RPL_ACCEPTED");
    // The protocol has no word for "too many": the connection just closes.
    auto secondFromThere = connect(strict.port(), "127.0.0.2");
    ASSERT_TRUE(until([&] { return secondFromThere->closed; }));
    EXPECT_EQ(secondFromThere->received, "");
    EXPECT_EQ(logIn(strict, "USER acme ann pw2", "127.0.0.3")->received, "RPL_ACCEPTED");
    EXPECT_FALSE(member->closed);

    service::HttpServer web{loop,
                            resolver,
                            [](const service::HttpRequest&) { return service::HttpServer::Response{}; },
                            "127.0.0.1",
                            0,
                            {.perServer = 1}};
    web.start();
    RawClient holder(web.port(), "127.0.0.2");  // takes the only place and says nothing
    ASSERT_TRUE(until([&] { return web.connectionCount() == 1; }));
    RawClient turnedAway(web.port(), "127.0.0.3");
    std::string answer;
    ASSERT_TRUE(until([&] {
        answer += turnedAway.take();
        return turnedAway.hungUp();
    }));
    EXPECT_EQ(answer,
              "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(web.connectionCount(), 1u);
}

}  // namespace
}  // namespace zov::test
