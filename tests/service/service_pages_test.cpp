// The pages served over HTTP, read back the way the client reads them.

#include "service_pages.hpp"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "command_reader.hpp"
#include "http_server.hpp"
#include "movie_folder.hpp"
#include "net/version_answer.hpp"
#include "service/service_fixture.hpp"

namespace zov::test {
namespace {

namespace fs = std::filesystem;

TEST(ServicePagesTest, TheVersionAnswerSaysWhetherTheNewestIsNewer) {
    service::ServicePages pages(service::MovieFolder({}), "5.3.135", "http://127.0.0.1/zov/");
    struct Case {
        const char* asking;
        bool newer;
    };
    for (Case c : {Case{"5.3.134", true}, Case{"5.3.135", false}, Case{"5.3.135.0", false},
                   Case{"5.10.0", false}, Case{"4.99.999", true}, Case{"5.3", true},
                   Case{"", false}, Case{"5..3", false}, Case{"x", false}}) {
        service::HttpRequest request{"GET", std::string(service::ServicePages::kVersionPath),
                                     c.asking};
        net::VersionAnswer answer = net::VersionAnswer::parse(pages.answer(request).body);
        ASSERT_TRUE(answer.version) << c.asking;
        EXPECT_EQ(answer.version->id, "5.3.135");
        EXPECT_EQ(net::VersionAnswer::flag(answer.version->newerThanYou), c.newer) << c.asking;
        ASSERT_TRUE(answer.product);
        EXPECT_EQ(answer.product->url, "http://127.0.0.1/zov/");
    }
}

TEST(ServicePagesTest, TheGuideListsTheMovieFolderWithItsHiddenValues) {
    std::string pattern = (fs::temp_directory_path() / "zov-pages-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(pattern.data()));
    fs::path folder = pattern;
    std::ofstream(folder / "Big_Buck.wmv") << "x";
    std::ofstream(folder / "a<b>.mp4") << "x";
    std::ofstream(folder / "Big_Buck.wmv.ini") << "1\r\n";  // a side file is no movie
    fs::create_directory(folder / "sub.wmv");

    service::ServicePages pages(service::MovieFolder(folder), "5.3.135", "http://127.0.0.1/");
    pages.setWebAddress("http://127.0.0.1:8123");
    std::string page = pages.guidePage();
    // The live channel replays the first movie, and points at the pages' own server.
    const auto live = pages.answer({"GET", std::string(service::ServicePages::kLivePath), ""});
    EXPECT_EQ(live.status, 200);
    EXPECT_EQ(live.body, "x");
    EXPECT_NE(page.find("data-uid=\"http://127.0.0.1:8123/live.mp4\""), page.npos);
    fs::remove_all(folder);
    EXPECT_EQ(pages.answer({"GET", std::string(service::ServicePages::kLivePath), ""}).status, 404);

    std::size_t items = 0;
    for (std::size_t at = 0; (at = page.find("name=\"clip_control\"", at)) != page.npos; ++at) {
        ++items;
    }
    EXPECT_EQ(items, 4u);  // two movies and the live channel, for either player
    EXPECT_NE(page.find("data-uid=\"xms://127.0.0.1:8123/live.mp4\" "
                        "data-filename=\"live-h264.streaming\" "
                        "data-title=\"Live channel (H.264)\" data-extension=\".streaming\""),
              page.npos);
    EXPECT_NE(page.find("data-uid=\"Big_Buck\" data-filename=\"Big_Buck.wmv\" "
                        "data-title=\"Big Buck\" data-extension=\".wmv\""),
              page.npos);
    EXPECT_NE(page.find("data-uid=\"a&lt;b&gt;\""), page.npos);  // markup in a name stays text
    EXPECT_EQ(page.find("a<b>"), page.npos);
    EXPECT_NE(page.find("data-extension=\".streaming\""), page.npos);
    for (const char* name : {"c_uid", "c_filename", "c_mediaTitle", "c_fileExtension"}) {
        EXPECT_NE(page.find(std::string("type=\"hidden\" name=\"") + name + "\""), page.npos);
    }
    EXPECT_EQ(pages.answer({"GET", "/nothing", ""}).status, 404);
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
        const auto answer = service::HttpServer::partOf({200, "video/mp4", "0123456789"}, c.range);
        EXPECT_EQ(answer.status, c.status) << c.range;
        EXPECT_EQ(answer.body, c.body) << c.range;
        std::map<std::string, std::string> headers(answer.headers.begin(), answer.headers.end());
        EXPECT_EQ(headers["Accept-Ranges"], "bytes");
        EXPECT_EQ(headers.count("Content-Range"), c.contentRange ? 1u : 0u) << c.range;
        if (c.contentRange) {
            EXPECT_EQ(headers["Content-Range"], c.contentRange) << c.range;
        }
    }
}

// What the guide lists is exactly what the delivery server sends: plain "uid.extension"
// files directly in the folder, no side file, no link, nothing withheld.
TEST(MovieFolderTest, OnlyMoviesAreListedAndOnlyTheyCanBeFetched) {
    std::string pattern = (fs::temp_directory_path() / "zov-folder-XXXXXX").string();
    ASSERT_TRUE(::mkdtemp(pattern.data()));
    fs::path folder = pattern;
    fs::create_directory(folder / "movies");
    std::ofstream(folder / "movies" / "Ocean_Test_Card.mp4") << "x";
    std::ofstream(folder / "movies" / "Ocean_Test_Card.mp4.ini") << "1\r\n";
    std::ofstream(folder / "movies" / "subscribers") << "demo guest guest\n";
    std::ofstream(folder / "movies" / "accounts.txt") << "demo guest guest\n";
    std::ofstream(folder / "movies" / ".hidden") << "x";
    std::ofstream(folder / "outside.mp4") << "x";
    fs::create_directory(folder / "movies" / "folder.mp4");
    fs::create_symlink(folder / "movies" / "Ocean_Test_Card.mp4", folder / "movies" / "in.mp4");
    fs::create_symlink(folder / "outside.mp4", folder / "movies" / "out.mp4");
    fs::create_symlink(folder / "movies" / "accounts.txt", folder / "movies" / "accounts.mp4");

    service::MovieFolder movies(folder / "movies", {folder / "movies" / "accounts.txt"});
    std::vector<service::MovieFolder::Movie> listed = movies.list();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].uid, "Ocean_Test_Card");
    EXPECT_EQ(listed[0].extension, ".mp4");
    EXPECT_EQ(listed[0].title, "Ocean Test Card");
    EXPECT_EQ(movies.locate("Ocean_Test_Card.mp4"), folder / "movies" / "Ocean_Test_Card.mp4");
    for (const char* name :
         {"Ocean_Test_Card.mp4.ini", "subscribers", "accounts.txt", ".hidden", "folder.mp4",
          "in.mp4", "out.mp4", "accounts.mp4", "../outside.mp4", "", "missing.mp4"}) {
        EXPECT_FALSE(movies.locate(name)) << name;
    }
    EXPECT_TRUE(service::MovieFolder(folder / "absent").list().empty());
    fs::remove_all(folder);
}

TEST_F(ServiceTest, TheHttpServerAnswersOneRequestAndRefusesGarbage) {
    const std::string answer =
        fetch(http.port(),
              "GET /pcplayer_version_control/version_control_server.asp?5.3.134 HTTP/1.1\r\n"
              "Host: 127.0.0.1\r\n\r\n");
    ASSERT_EQ(answer.rfind("HTTP/1.1 200 OK\r\n", 0), 0u) << answer;
    const std::string body = answer.substr(answer.find("\r\n\r\n") + 4);
    EXPECT_NE(answer.find("Content-Length: " + std::to_string(body.size()) + "\r\n"), answer.npos);
    EXPECT_TRUE(net::VersionAnswer::flag(net::VersionAnswer::parse(body).version->newerThanYou));

    EXPECT_EQ(fetch(http.port(), "POST /guide.html HTTP/1.1\r\n\r\n").rfind("HTTP/1.1 405", 0), 0u);
    EXPECT_EQ(fetch(http.port(), "nonsense\r\n\r\n").rfind("HTTP/1.1 400", 0), 0u);
    EXPECT_EQ(fetch(http.port(), std::string(20'000, 'x')).rfind("HTTP/1.1 400", 0), 0u);
}

}  // namespace
}  // namespace zov::test
