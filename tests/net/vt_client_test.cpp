// The update check against a loopback HTTP server: what is asked, what is read from the
// answer, and how every kind of failure reaches the caller.

#include "net/vt_client.hpp"

#include <gtest/gtest.h>

#include <functional>

#include "net/version_answer.hpp"
#include "platform/curl_http_client.hpp"
#include "platform/error.hpp"
#include "support/http_test_server.hpp"
#include "support/loopback.hpp"

namespace zov::test {
namespace {

using net::VTClient;

const std::string kPath = "/pcplayer_version_control/version_control_server.asp";

std::string answer(const std::string& newer, const std::string& require,
                   const std::string& modifications = "Faster downloads.",
                   const std::string& url = "http://zov.example/setup.exe") {
    return "<?xml version=\"1.0\"?>\r\n<version-control>\r\n"
           "<product name=\"ZOV Player\" url=\"http://zov.example/\">\r\n"
           "<version id=\"5.4.0\" newer-than-you=\"" +
           newer + "\" require-update=\"" + require +
           "\">\r\n"
           "<modifications>" +
           modifications + "</modifications>\r\n<url>" + url +
           "</url>\r\n</version>\r\n</product>\r\n</version-control>\r\n";
}

Error raised(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error;
    }
    ADD_FAILURE() << "no zov::Error was raised";
    return Error(0, "", "");
}

class VTClientTest : public ::testing::Test {
  protected:
    void check(const std::string& localVersion = "5.3.135") {
        client.CheckForUpdate(server.url(kPath), localVersion);
    }

    HttpTestServer server;
    platform::CurlHttpClient http;
    VTClient client{http};
};

TEST_F(VTClientTest, AsksWithItsVersionAndReadsAllFourElements) {
    server.respond(200, answer("yes", "no"));
    check();

    EXPECT_EQ(server.requestLines(),
              std::vector<std::string>{"GET " + kPath + "?5.3.135 HTTP/1.1"});
    EXPECT_EQ(client.LocalVersion(), "5.3.135");
    EXPECT_EQ(client.ProductName(), "ZOV Player");
    EXPECT_EQ(client.ProductURL(), "http://zov.example/");
    EXPECT_EQ(client.LatestVersion(), "5.4.0");
    EXPECT_TRUE(client.UpdateExists());
    EXPECT_FALSE(client.UpdateRequired());
    EXPECT_EQ(client.LatestModifications(), "Faster downloads.");
    EXPECT_EQ(client.LatestVersionURL(), "http://zov.example/setup.exe");
}

TEST_F(VTClientTest, OnlyLowerCaseNoIsFalseAndRequireUpdateNeedsAnUpdate) {
    server.respond(200, answer("no", "yes"));
    check();
    EXPECT_FALSE(client.UpdateExists());
    EXPECT_FALSE(client.UpdateRequired());  // still the value of a new client

    server.respond(200, answer("No", "No"));
    check();
    EXPECT_TRUE(client.UpdateExists());
    EXPECT_TRUE(client.UpdateRequired());

    server.respond(200, answer("no", "no"));
    check();
    EXPECT_FALSE(client.UpdateExists());
    EXPECT_TRUE(client.UpdateRequired());  // left as the last answer with an update set it

    server.respond(200, answer("yes", "no"));
    check();
    EXPECT_FALSE(client.UpdateRequired());
}

TEST_F(VTClientTest, TextsOverSeveralLinesAreTakenWholeUpToTheFirstClosingTag) {
    const std::string notes = "\r\n - resumes broken downloads\r\n - new skin\n\n\tand more\r\n";
    server.respond(200, answer("yes", "no", notes, "\r\nhttp://zov.example/\r\nsetup.exe\r\n") +
                            "<modifications>older notes</modifications><url>old</url>");
    check();
    EXPECT_EQ(client.LatestModifications(), notes);
    EXPECT_EQ(client.LatestVersionURL(), "\r\nhttp://zov.example/\r\nsetup.exe\r\n");
}

TEST_F(VTClientTest, NamesMatchInAnyLetterCaseAndValuesKeepTheirs) {
    server.respond(
        200,
        "<PRODUCT NAME=\"Zov Player\" Url=\"HTTP://Zov.Example/\">"
        "<Version ID=\"5.4.0-Beta\" NEWER-THAN-YOU=\"yes\" Require-Update=\"no\">"
        "<MODIFICATIONS>MiXeD Case</Modifications><URL>Http://Zov.Example/Setup.EXE</uRl>");
    check();
    EXPECT_EQ(client.ProductName(), "Zov Player");
    EXPECT_EQ(client.ProductURL(), "HTTP://Zov.Example/");
    EXPECT_EQ(client.LatestVersion(), "5.4.0-Beta");
    EXPECT_TRUE(client.UpdateExists());
    EXPECT_EQ(client.LatestModifications(), "MiXeD Case");
    EXPECT_EQ(client.LatestVersionURL(), "Http://Zov.Example/Setup.EXE");
}

TEST_F(VTClientTest, AMissingElementRaisesAndKeepsWhatWasReadBeforeIt) {
    server.respond(200, answer("yes", "yes", "old notes", "old url"));
    check("5.3.135");

    std::string partial = answer("no", "no");
    partial.erase(partial.find("<modifications>"));
    server.respond(
        200, "<product name=\"Renamed\" url=\"\">" + partial.substr(partial.find("<version")));
    const Error error = raised([&] { check("5.3.136"); });
    EXPECT_EQ(error.number(), platform::kHttpInvalidResponse);
    EXPECT_EQ(error.description(), "The version server's answer has no modifications element.");
    EXPECT_EQ(error.source(), "VTClient.CheckForUpdate");

    EXPECT_EQ(client.LocalVersion(), "5.3.136");
    EXPECT_EQ(client.ProductName(), "Renamed");
    EXPECT_EQ(client.ProductURL(), "");
    EXPECT_FALSE(client.UpdateExists());
    EXPECT_EQ(client.LatestModifications(), "old notes");
    EXPECT_EQ(client.LatestVersionURL(), "old url");
}

TEST_F(VTClientTest, AnErrorPageIsNoAnswerEvenWithTheElementsInIt) {
    server.respond(404, answer("yes", "yes"));
    const Error error = raised([&] { check(); });
    EXPECT_EQ(error.number(), platform::kHttpInvalidResponse);
    EXPECT_EQ(error.description(), "The version server's answer came with HTTP status 404.");
    EXPECT_EQ(client.ProductName(), "");
    EXPECT_FALSE(client.UpdateExists());
}

TEST_F(VTClientTest, AnUnreachableServerRaisesButTheCheckCountsAsDone) {
    const ClosedLoopbackPort closed;
    const std::string url = "http://127.0.0.1:" + std::to_string(closed.port()) + kPath;
    const Error error = raised([&] { client.CheckForUpdate(url, "5.3.135"); });
    EXPECT_EQ(error.number(), platform::kHttpCannotConnect);
    EXPECT_EQ(error.source(), "VTClient.CheckForUpdate");
    EXPECT_EQ(client.LocalVersion(), "5.3.135");
    EXPECT_FALSE(client.UpdateExists());
    EXPECT_EQ(client.LatestVersion(), "");
}

TEST_F(VTClientTest, BrokenExchangesRaiseInsteadOfHanging) {
    platform::HttpLimits limits;
    limits.connectTimeoutMs = 200;
    limits.totalTimeoutMs = 200;
    limits.maxBodyBytes = 1000;
    VTClient bounded(http, "ZOV", limits);
    const auto checkBounded = [&] { bounded.CheckForUpdate(server.url(kPath), "5.3.135"); };

    server.staySilent();
    EXPECT_EQ(raised(checkBounded).number(), platform::kHttpTimeout);

    server.hangUp();
    EXPECT_EQ(raised(checkBounded).number(), platform::kHttpConnectionError);

    server.respond(200, answer("yes", "no", std::string(5000, 'x')));
    const Error tooLong = raised(checkBounded);
    EXPECT_EQ(tooLong.number(), platform::kHttpInvalidResponse);
    EXPECT_NE(tooLong.description().find("1000 bytes"), std::string::npos);
}

TEST_F(VTClientTest, AVersionThatWouldBreakTheRequestLineIsNeverSent) {
    server.respond(200, answer("yes", "no"));
    const Error error = raised([&] { check("5.3.135 HTTP/1.1\r\nX-Injected: 1\r\n"); });
    EXPECT_EQ(error.number(), platform::kHttpInvalidUrl);
    EXPECT_TRUE(server.requestLines().empty());
}

TEST(VTClientBeforeCheck, EveryPropertyRaises2853WithItsOwnName) {
    platform::CurlHttpClient http;
    const VTClient client(http, "ZOV Player");
    const std::vector<std::pair<std::string, std::function<void()>>> properties = {
        {"UpdateExists", [&] { client.UpdateExists(); }},
        {"UpdateRequired", [&] { client.UpdateRequired(); }},
        {"LatestVersion", [&] { client.LatestVersion(); }},
        {"LatestModifications", [&] { client.LatestModifications(); }},
        {"LatestVersionURL", [&] { client.LatestVersionURL(); }},
        {"ProductName", [&] { client.ProductName(); }},
        {"ProductURL", [&] { client.ProductURL(); }},
        {"LocalVersion", [&] { client.LocalVersion(); }},
    };
    for (const auto& [name, read] : properties) {
        const Error error = raised(read);
        EXPECT_EQ(error.number(), 2853) << name;
        EXPECT_EQ(error.description(),
                  "You must call clsVersionTracker.CheckForUpdate() before clsVersionTracker." +
                      name + ".");
        EXPECT_EQ(error.source(), "ZOV Player") << name;
    }
}

// Reading the answer itself, where the bytes matter more than the transport.
TEST(VersionAnswer, ReadsBytesAsTheyStandWhateverTheirEncoding) {
    // Notes in a Windows code page: the 0xE9 of "Amélioration" is no valid UTF-8.
    const std::string notes =
        "Am\xE9lioration du t\xE9l\xE9"
        "chargement\r\nMore: \xC3\xA9t\xC3\xA9";
    const net::VersionAnswer answer = net::VersionAnswer::parse(
        "<product name=\"Z\xD6V\" url=\"\"><modifications>" + notes + "</modifications>");
    ASSERT_TRUE(answer.product);
    EXPECT_EQ(answer.product->name, "Z\xD6V");
    ASSERT_TRUE(answer.modifications);
    EXPECT_EQ(*answer.modifications, notes);
}

TEST(VersionAnswer, LetterCaseIsIgnoredOnlyForPlainAsciiLetters) {
    // "\xC5\xBF" is the long s, which Unicode case folding would take for an "s".
    const net::VersionAnswer answer = net::VersionAnswer::parse(
        "<ver\xC5\xBFion id=\"9\" newer-than-you=\"yes\" require-update=\"yes\">"
        "<modification\xC5\xBF>x</modification\xC5\xBF><URL>u</url>");
    EXPECT_FALSE(answer.version);
    EXPECT_FALSE(answer.modifications);
    ASSERT_TRUE(answer.url);
    EXPECT_EQ(*answer.url, "u");
}

}  // namespace
}  // namespace zov::test
