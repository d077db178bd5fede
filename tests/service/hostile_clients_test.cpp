// Clients that misbehave on purpose: they reset their connections under the servers' feet
// or hang on to them without a word. Each costs its own connection, never the service.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "http_server.hpp"
#include "service/service_fixture.hpp"
#include "service_pages.hpp"
#include "support/manual_time.hpp"

namespace zov::test {
namespace {

class HostileClientsTest : public ServiceTest {
  protected:
    HostileClientsTest() { http.start(); }

    service::ServicePages pages{service::MovieFolder(root_ / "movies"), "5.3.135",
                                "http://127.0.0.1/"};
    service::HttpServer http{loop, resolver,
                             [this](const service::HttpRequest& r) { return pages.answer(r); }};
};

TEST_F(HostileClientsTest, ResetConnectionsNeverBringTheServiceDown) {
    writeFile(root_ / "movies" / "movie.wmv", movieBytes(1000));
    // Each sends a request and resets before the answer can go: the servers' replies meet
    // a connection that is already gone.
    for (int round = 0; round < 3; ++round) {
        RawClient login(auth.port());
        login.send("USER acme bob wrong\r\n");
        login.reset();
        RawClient ftp(delivery.port());
        ftp.send("USER bob\r\nPASS s3cret\r\nSIZE movie.wmv\r\n");
        ftp.reset();
        RawClient web(http.port());
        web.send("GET /guide.html HTTP/1.0\r\n\r\n");
        web.reset();
    }
    bool gone = false;
    EXPECT_NO_THROW(
        gone = until([this] { return auth.sessionCount() == 0 && delivery.sessionCount() == 0; }));
    EXPECT_TRUE(gone);

    EXPECT_EQ(logIn(auth, "USER acme bob s3cret")->received, "RPL_ACCEPTED");
    auto control = connect(delivery.port());
    EXPECT_EQ(ask(*control, ""), "220-ZOV delivery server\r\n220 Ready.\r\n");
}

TEST_F(HostileClientsTest, AnHttpRequestThatNeverEndsIsClosedUnanswered) {
    RawClient client(http.port());
    client.send("GET /guide.html HTTP/1.0\r\n");  // the blank line never comes
    advanceTime(loop, clock, service::HttpServer::kRequestTimeoutMs - 1);
    EXPECT_FALSE(client.hungUp());
    advanceTime(loop, clock, 1);
    EXPECT_EQ(client.take(), "");
    EXPECT_TRUE(client.hungUp());
}

}  // namespace
}  // namespace zov::test
