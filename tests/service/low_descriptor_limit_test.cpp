// The real service under a small limit of open files, with far more idle connections
// thrown at its delivery server than it has descriptors: the crowd is held to its share,
// and an honest client still logs in, reads the guide and downloads.

#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "config/media_info.hpp"
#include "net/auth_reply.hpp"
#include "service/service_fixture.hpp"
#include "service/service_process.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;

constexpr unsigned kOpenFiles = 256;
constexpr int kCrowd = 600;
constexpr int kDefaultPerAddress = 32;

TEST_F(ServiceTest, IdleConnectionsBeyondTheDescriptorLimitLeaveAnHonestClientServed) {
    const std::string bytes = movieBytes(300'000);
    writeFile(root_ / "movies" / "movie.wmv", bytes);
    writeFile(root_ / "subscribers", "acme bob s3cret\n");
    ServiceProcess service({"--movies", (root_ / "movies").string(), "--subscribers",
                            (root_ / "subscribers").string()},
                           kOpenFiles);

    // A download client that was already there before the crowd came.
    auto early = connect(service.port("ftp"));
    ask(*early, "");
    ask(*early, "USER bob");
    ASSERT_EQ(ask(*early, "PASS s3cret"), "230 Logged in.\r\n");

    IdleCrowd crowd("127.0.0.2", service.port("ftp"), kCrowd);
    const IdleCrowd::Answers answers = crowd.awaitAnswers(20s);
    EXPECT_EQ(answers.greeted, kDefaultPerAddress);
    EXPECT_EQ(answers.turnedAway, kCrowd - kDefaultPerAddress);

    EXPECT_EQ(ask(*early, "NOOP"), "200 OK.\r\n");

    auto client = connect(service.port("auth"));
    client->socket->SendData(std::string("USER acme bob s3cret\r\n"));
    ASSERT_TRUE(until([&] { return !client->received.empty() || client->closed; }));
    ASSERT_EQ(client->received, "RPL_ACCEPTED");
    const std::string list = movieList(*client);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), service.port("ftp"));

    RawClient web(service.port("http"));
    web.send("GET /guide.html HTTP/1.0\r\n\r\n");
    std::string page;
    ASSERT_TRUE(until([&] {
        page += web.take();
        return web.hungUp();
    }));
    EXPECT_EQ(page.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << page.substr(0, 80);

    config::MediaInfo movie;
    movie.setRemoteFileName("movie");
    movie.setFileExtension(".wmv");
    auto download = engine(service.port("ftp"));
    download->downloadNoTrickle(movie, "C:\\zov\\");
    finishDownload();
    ASSERT_EQ(downloaded, 1);
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(readFile(root_ / "zov" / "movie.wmv") == bytes);
}

}  // namespace
}  // namespace zov::test
