// The update check against a loopback HTTP server: what is asked, what is read from the
// answer, and how every kind of failure reaches the caller.

#include "net/vt_client.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <tuple>

#include "platform/curl_http_client.hpp"
#include "platform/error.hpp"
#include "support/http_test_server.hpp"
#include "support/loopback.hpp"

namespace zov::test {
namespace {

using net::VTClient;

const std::string kPath = "/pcplayer_version_control/version_control_server.asp";

std::string answer(const std::string& newer, const std::string& require,
                   const std::string& modifications = "Faster downloads.") {
    return "<?xml version=\"1.0\"?>\r\n<version-control>\r\n"
           "<PRODUCT Name=\"ZOV Player\" url=\"http://zov.example/\">\r\n"
           "<Version ID=\"5.4.0\" newer-than-you=\"" +
           newer + "\" REQUIRE-update=\"" + require + "\">\r\n<modifications>" + modifications +
           "</Modifications>\r\n<url>http://zov.example/setup.exe</URL>\r\n</version>\r\n"
           "</product>\r\n</version-control>\r\n";
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

// Names match in any letter case. Only a lower-case "no" is false; require-update is read only when
// there is an update, so it keeps the value of the last answer that had one.
TEST_F(VTClientTest, AsksWithItsVersionAndReadsAllFourElements) {
    const std::string notes = "\r\n - resumes broken downloads\r\n\tand more\r\n";
    server.respond(200, answer("yes", "no", notes) + "<modifications>old</modifications>");
    check();
    EXPECT_EQ(server.requestLines(),
              std::vector<std::string>{"GET " + kPath + "?5.3.135 HTTP/1.1"});
    EXPECT_EQ(client.ProductName(), "ZOV Player");
    EXPECT_EQ(client.ProductURL(), "http://zov.example/");
    EXPECT_EQ(client.LatestVersion(), "5.4.0");
    EXPECT_TRUE(client.UpdateExists());
    EXPECT_FALSE(client.UpdateRequired());
    EXPECT_EQ(client.LatestModifications(), notes);  // whole, up to the first closing tag
    EXPECT_EQ(client.LatestVersionURL(), "http://zov.example/setup.exe");

    const std::vector<std::tuple<std::string, std::string, bool, bool>> flags = {
        {"no", "yes", false, false}, {"No", "No", true, true}, {"no", "no", false, true}};
    for (const auto& [newer, require, exists, required] : flags) {
        server.respond(200, answer(newer, require));
        check();
        EXPECT_EQ(client.UpdateExists(), exists) << newer;
        EXPECT_EQ(client.UpdateRequired(), required) << require;
    }
}

// An error page is no answer, even with the elements in it; an answer without an element,
// a server that cannot be reached, hangs, hangs up or talks too long all raise.
TEST_F(VTClientTest, EveryFailureRaisesInsteadOfAnsweringOrHanging) {
    server.respond(404, answer("yes", "yes"));
    Error error = raised([&] { check(); });
    EXPECT_EQ(error.number(), platform::kHttpInvalidResponse);
    EXPECT_EQ(error.description(), "The version server's answer came with HTTP status 404.");
    EXPECT_EQ(error.source(), "VTClient.CheckForUpdate");
    EXPECT_FALSE(client.UpdateExists());
    server.respond(200, "<product name=\"Z\" url=\"\">");
    EXPECT_EQ(raised([&] { check(); }).description(),
              "The version server's answer has no version element.");
    EXPECT_EQ(client.ProductName(), "Z");  // what came before the missing element is read

    const ClosedLoopbackPort closed;
    const std::string unreachable = "http://127.0.0.1:" + std::to_string(closed.port()) + kPath;
    EXPECT_EQ(raised([&] { client.CheckForUpdate(unreachable, "5.3"); }).number(),
              platform::kHttpCannotConnect);
    EXPECT_EQ(client.LocalVersion(), "5.3");  // the check counts as done
    // A version that would break the request line is never sent.
    const std::size_t asked = server.requestLines().size();
    EXPECT_EQ(raised([&] { check("5.3.135 HTTP/1.1\r\nX-Injected: 1\r\n"); }).number(),
              platform::kHttpInvalidUrl);
    EXPECT_EQ(server.requestLines().size(), asked);

    VTClient bounded(http, "ZOV",
                     {.connectTimeoutMs = 200, .totalTimeoutMs = 200, .maxBodyBytes = 1000});
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

}  // namespace
}  // namespace zov::test
