// The service's servers on loopback, spoken to by the client's own engine and readers:
// a throttled download byte for byte and resumed, a login with its movie list, refused
// logins, and names that try to leave the movie folder.

#include "platform/error.hpp"
#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

namespace fs = std::filesystem;

// A throttled server keeps to its rate and never takes flowing data for idle; the movie
// comes whole, and an interrupted download is resumed to it.
TEST_F(ServiceTest, TheDownloadEngineFetchesAMovieAtTheServersRateAndResumesIt) {
    constexpr std::int64_t kRate = 100'000;  // blocks of 10,000 bytes
    constexpr std::int64_t kBlock = kRate / 10;
    // Longer than the engine's one-second completion check, shorter than the transfer.
    constexpr std::int64_t kIdle = 1'500;
    auto throttled = deliveryWith({.limits = {.bytesPerSecond = kRate, .idleTimeoutMs = kIdle}});
    const std::string bytes = movieBytes(350'000);
    writeFile(root_ / "movies" / "movie.wmv", bytes);
    auto download = startDownload(throttled->port());
    std::vector<std::pair<std::int64_t, std::int32_t>> progress;  // (virtual ms, bytes)
    download->onDownloading.connect(
        [&](std::int32_t& got) { progress.emplace_back(clock.nowMs(), got); });
    // The first block goes as soon as the transfer starts; the rest wait for the clock.
    ASSERT_TRUE(until([&] { return !progress.empty() || !errors.empty(); }));
    const std::int64_t start = clock.nowMs();
    while (progress.back().second < static_cast<std::int32_t>(bytes.size()) && errors.empty() &&
           clock.nowMs() - start < 10'000) {
        advanceTime(loop, clock, 100);
        for (int i = 0; i < 3; ++i)
            loop.processPending();
    }
    // The server finds the file ended at its next turn and says so; the engine's
    // completion check then runs a second later.
    advanceTime(loop, clock, 100);
    finishDownload();
    ASSERT_EQ(downloaded, 1);
    EXPECT_TRUE(readFile(root_ / "zov" / "movie.wmv") == bytes);
    for (auto [at, got] : progress)
        EXPECT_LE(got, kRate * (at - start) / 1000 + kBlock) << "at " << at - start;
    // Data still came well after one idle period: flowing data is activity.
    EXPECT_GT(progress.back().first - start, 2 * kIdle);

    // The first 300,000 bytes and a side file saying so. The resume starts 1,280 bytes
    // earlier, which only a correct REST leaves intact.
    std::string partial = bytes.substr(0, 300'000);
    partial[298'720] = 'X';  // overwritten again by the resumed transfer
    writeFile(root_ / "zov" / "movie.wmv", partial);
    writeFile(root_ / "zov" / "movie.wmv.ini", "300000\r\n\r\n");
    downloaded = 0;
    complete = false;
    auto resumed = startDownload();
    finishDownload();
    ASSERT_EQ(downloaded, 1);
    EXPECT_TRUE(readFile(root_ / "zov" / "movie.wmv") == bytes);
    EXPECT_FALSE(fs::exists(root_ / "zov" / "movie.wmv.ini"));
}

TEST_F(ServiceTest, NamesOutsideTheMovieFolderAreRefused) {
    writeFile(root_ / "movies" / "movie.wmv", "movie");
    fs::create_symlink(root_ / "secret.txt", root_ / "movies" / "link.wmv");
    auto control = connect(delivery.port());
    EXPECT_EQ(ask(*control, ""), kGreeting);
    EXPECT_EQ(ask(*control, "SIZE movie.wmv"), "530 Please log in with USER and PASS.\r\n");
    ask(*control, "USER bob");
    ask(*control, "PASS s3cret");
    for (const char* name : {"../secret.txt", "sub/../../secret.txt", "link.wmv", "absent.wmv"}) {
        EXPECT_EQ(ask(*control, std::string("SIZE ") + name), "550 No such file.\r\n") << name;
        EXPECT_EQ(ask(*control, std::string("RETR ") + name), "550 No such file.\r\n") << name;
    }
    EXPECT_EQ(ask(*control, "SIZE movie.wmv"), "213 5\r\n");
    EXPECT_EQ(ask(*control, "RETR movie.wmv"), "425 Use PASV first.\r\n");
    EXPECT_EQ(ask(*control, "REST -1"), "501 REST needs a decimal byte offset.\r\n");
    EXPECT_EQ(ask(*control, "FEAT"), "502 Command not implemented.\r\n");
    // A line with no end is cut off, not gathered forever.
    EXPECT_EQ(ask(*control, std::string(5000, 'A')), "500 Line too long.\r\n");
    EXPECT_TRUE(until([&control] { return control->closed; }));

    auto leaving = connect(delivery.port());
    ask(*leaving, "");
    EXPECT_EQ(ask(*leaving, "QUIT"), "221 Goodbye.\r\n");
    EXPECT_TRUE(until([this] { return delivery.sessionCount() == 0; }));
}

TEST_F(ServiceTest, ASubscriberGetsTheMovieListTheClientReads) {
    auto client = logIn(auth.port(), "USER acme bob s3cret");
    EXPECT_EQ(client->received, "RPL_ACCEPTED");  // a keyword is the whole chunk the client reads
    const std::string list = movieList(*client);
    ASSERT_FALSE(list.empty());
    EXPECT_EQ(net::readReplyValue(list, "location"), "127.0.0.1");
    EXPECT_EQ(net::readReplyValue(list, "username"), "bob");
    EXPECT_EQ(net::readReplyValue(list, "password"), "s3cret");
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), 2121);
    EXPECT_EQ(net::readReplyValue(list, "epgGuide"), "http://127.0.0.1:8000/guide.html");
    EXPECT_EQ(net::readReplyValue(list, "AdsUrl"), "http://127.0.0.1:8000/banner.html");

    // Quiet sessions are pinged; one just spoken to skips a ping so replies stay alone.
    client->received.clear();
    advanceTime(loop, clock, 20'000);
    advanceTime(loop, clock, 20'000);
    ASSERT_TRUE(until([&client] { return !client->received.empty(); }));
    EXPECT_EQ(client->received, "CM_PING");
}

TEST_F(ServiceTest, RefusedLoginsGetTheirKeywordAndAreClosed) {
    // A wrong password is the login tests'.
    for (auto [line, reply] :
         {std::pair<std::string, const char*>{"USER acme eve s3cret",
                                              "ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR"},
          {"USER other bob s3cret", "ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR"},
          {"USER acme bob", "ERR_INCOMPLETEINFO"},
          {"MOVIELIST", "ERR_INCOMPLETEINFO"},
          {std::string(3000, 'x'), "ERR_INCOMPLETEINFO"}}) {
        auto client = logIn(auth.port(), line);
        ASSERT_TRUE(until([&client] { return client->closed; })) << line;
        EXPECT_EQ(client->received, reply) << line;
    }
    EXPECT_TRUE(until([this] { return auth.sessionCount() == 0; }));
}

TEST(SubscribersTest, MalformedLinesAreRefusedNotSkipped) {
    for (const char* wrong : {"acme bob\n", "acme bob pw extra\n", "acme bob pa\"ss\n"})
        EXPECT_THROW(service::Subscribers::parse(wrong), Error) << wrong;
    service::Subscribers two = service::Subscribers::parse("acme bob pw\r\nacme ann pw2\r\n");
    EXPECT_EQ(two.check("acme", "ann", "pw2"), service::Subscribers::Check::Accepted);
    EXPECT_TRUE(two.acceptsAccount("bob", "pw"));
    EXPECT_FALSE(two.acceptsAccount("bob", "pw2"));
}

}  // namespace
}  // namespace zov::test
