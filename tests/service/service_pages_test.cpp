// The pages served over HTTP, read back the way the client reads them, and the movie folder
// they list.

#include <map>

#include "movie_folder.hpp"
#include "net/version_answer.hpp"
#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

namespace fs = std::filesystem;

TEST_F(ServiceTest, TheVersionAnswerSaysWhetherTheNewestIsNewer) {
    const auto newer = [&](const char* asking) {
        const auto answer = net::VersionAnswer::parse(
            pages.answer({"GET", std::string(service::ServicePages::kVersionPath), asking}).body);
        EXPECT_TRUE(answer.version && answer.version->id == "5.3.135" && answer.product &&
                    answer.product->url == "http://127.0.0.1/");
        return answer.version && net::VersionAnswer::flag(answer.version->newerThanYou);
    };
    for (const char* older : {"5.3.134", "4.99.999", "5.3"})
        EXPECT_TRUE(newer(older)) << older;
    for (const char* same : {"5.3.135", "5.3.135.0", "5.10.0", "", "5..3"})
        EXPECT_FALSE(newer(same)) << same;
}

TEST_F(ServiceTest, TheGuideListsTheMovieFolderWithItsHiddenValues) {
    const fs::path movies = root_ / "movies";
    writeFile(movies / "Big_Buck.wmv", "x");
    writeFile(movies / "a<b>.mp4", "x");
    pages.setWebAddress("http://127.0.0.1:8123");
    const std::string page = pages.guidePage();
    for (const char* item :
         {"data-uid=\"http://127.0.0.1:8123/live.mp4\"",
          "data-uid=\"xms://127.0.0.1:8123/live.mp4\" data-filename=\"live-h264.streaming\" "
          "data-title=\"Live channel (H.264)\" data-extension=\".streaming\"",
          "data-uid=\"Big_Buck\" data-filename=\"Big_Buck.wmv\" data-title=\"Big Buck\" "
          "data-extension=\".wmv\"",
          "data-uid=\"a&lt;b&gt;\"",  // markup in a name stays text
          "type=\"hidden\" name=\"c_uid\"", "type=\"hidden\" name=\"c_filename\"",
          "type=\"hidden\" name=\"c_mediaTitle\"", "type=\"hidden\" name=\"c_fileExtension\""}) {
        EXPECT_NE(page.find(item), page.npos) << item;
    }
    EXPECT_EQ(page.find("a<b>"), page.npos);

    // The live channel replays the first movie.
    const auto live = pages.answer({"GET", std::string(service::ServicePages::kLivePath), ""});
    EXPECT_EQ(live.status, 200);
    EXPECT_EQ(live.body, "x");
    EXPECT_EQ(pages.answer({"GET", "/nothing", ""}).status, 404);
    fs::remove_all(movies);
    EXPECT_EQ(pages.answer({"GET", std::string(service::ServicePages::kLivePath), ""}).status, 404);
}

// A player starting midway asks for the rest of the live channel; what cannot be served in
// part is served whole.
TEST(HttpServerTest, ARangeOfTheAnswerIsServedInPart) {
    const struct {
        const char* range;
        int status;
        const char* body;
        const char* contentRange;
    } cases[] = {
        {"", 200, "0123456789", nullptr},
        {"bytes=2-4", 206, "234", "bytes 2-4/10"},
        {"bytes=7-", 206, "789", "bytes 7-9/10"},
        {"bytes=8-99", 206, "89", "bytes 8-9/10"},
        {"bytes=-3", 206, "789", "bytes 7-9/10"},
        {"bytes=-30", 206, "0123456789", "bytes 0-9/10"},
        {"bytes=10-", 416, "", "bytes */10"},
        {"bytes=4-2", 200, "0123456789", nullptr},
        {"bytes=1-2,5-6", 200, "0123456789", nullptr},
        {"bytes=x-", 200, "0123456789", nullptr},
        {"items=1-2", 200, "0123456789", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.range);
        const auto answer = service::HttpServer::partOf({200, "video/mp4", "0123456789"}, c.range);
        EXPECT_EQ(answer.status, c.status);
        EXPECT_EQ(answer.body, c.body);
        std::map<std::string, std::string> headers(answer.headers.begin(), answer.headers.end());
        EXPECT_EQ(headers["Accept-Ranges"], "bytes");
        EXPECT_EQ(headers["Content-Range"], c.contentRange ? c.contentRange : "");
    }
}

// What the guide lists is exactly what the delivery server sends: plain "uid.extension"
// files directly in the folder, no side file, no link, nothing withheld.
TEST_F(ServiceTest, OnlyMoviesAreListedAndOnlyTheyCanBeFetched) {
    const fs::path movies = root_ / "movies";
    writeFile(movies / "Ocean_Test_Card.mp4", "x");
    for (const char* other : {"Ocean_Test_Card.mp4.ini", "subscribers", "accounts.txt", ".hidden"})
        writeFile(movies / other, "x");
    writeFile(root_ / "outside.mp4", "x");
    fs::create_directory(movies / "folder.mp4");
    fs::create_symlink(movies / "Ocean_Test_Card.mp4", movies / "in.mp4");
    fs::create_symlink(root_ / "outside.mp4", movies / "out.mp4");
    fs::create_symlink(movies / "accounts.txt", movies / "accounts.mp4");

    service::MovieFolder folder(movies, {movies / "accounts.txt"});
    ASSERT_EQ(folder.list().size(), 1u);
    EXPECT_EQ(folder.list()[0].title, "Ocean Test Card");
    EXPECT_EQ(folder.locate("Ocean_Test_Card.mp4"), movies / "Ocean_Test_Card.mp4");
    for (const char* name :
         {"Ocean_Test_Card.mp4.ini", "subscribers", "accounts.txt", ".hidden", "folder.mp4",
          "in.mp4", "out.mp4", "accounts.mp4", "../outside.mp4", "", "missing.mp4"}) {
        EXPECT_FALSE(folder.locate(name)) << name;
    }
    EXPECT_TRUE(service::MovieFolder(root_ / "absent").list().empty());
}

TEST_F(ServiceTest, TheHttpServerAnswersOneRequestAndRefusesGarbageAndSilence) {
    const std::string answer =
        fetch(http.port(),
              "GET /pcplayer_version_control/version_control_server.asp?5.3.134 HTTP/1.1\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
    const std::string body = answer.substr(answer.find("\r\n\r\n") + 4);
    EXPECT_TRUE(net::VersionAnswer::flag(net::VersionAnswer::parse(body).version->newerThanYou));
    EXPECT_NE(answer.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), answer.npos);
    for (auto [request, status] :
         {std::pair<std::string, const char*>{"POST /guide.html HTTP/1.1\r\n\r\n", "405"},
          {"nonsense\r\n\r\n", "400"},
          {std::string(20'000, 'x'), "400"}}) {
        EXPECT_EQ(fetch(http.port(), request).rfind(std::string("HTTP/1.1 ") + status, 0), 0u);
    }

    // A request that never ends is closed unanswered.
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
