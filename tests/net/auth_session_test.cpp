// The login conversation against a scripted authentication server on the same loop: the
// lines the client sends, the status lines the user reads, and what the windows are told.

#include "net/auth_session.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "config/player_properties.hpp"
#include "net/auth_reply.hpp"
#include "net/auth_session_host.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/http_client.hpp"
#include "platform/memory_file_system.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"
#include "support/scripted_auth_server.hpp"

namespace zov::test {
namespace {

using namespace std::chrono_literals;
using net::AuthSession;
using Lines = std::vector<std::string>;

const std::string kAuthenticating = "Authenticating User...";
const std::string kRetrieving = "Retrieving Information from Server...";
const std::string kConnectionFailed = "Connection to Server Failed...";
const std::string kInvalidConfig = "Invalid Config Data Retrieved...";

// A movie list with a valid service configuration; the attribute `name` is written as
// `replacement` ("" leaves it out).
std::string movieList(const std::string& name = "", const std::string& replacement = "") {
    std::string attributes;
    for (const auto& [key, value] : std::vector<std::pair<std::string, std::string>>{
             {"location", "cdn.example"},
             {"username", "downloader"},
             {"password", "s3cret"},
             {"cdnport", "2121"},
             {"epgGuide", "http://127.0.0.1/guide.html"},
             {"AdsUrl", "http://127.0.0.1/banner.html"}})
        attributes += key == name ? replacement : " " + key + "=\"" + value + "\"";
    return "<movieList" + attributes + "><movie title=\"A Movie\"/></movieList>";
}

std::string versionAnswer(const std::string& newer) {
    return "<product name=\"ZOV Player\" url=\"http://zov.example/\"><version id=\"5.4.0\" "
           "newer-than-you=\"" +
           newer + "\" require-update=\"no\"><modifications>Faster.</modifications>" +
           "<url>http://zov.example/setup.exe</url></version></product>";
}

class RecordingHost final : public net::AuthSessionHost {
  public:
    void displayInfo(const std::string& info) override { statuses.push_back(info); }
    bool mainWindowVisible() const override { return visible; }
    void createMediaPath() override { calls.push_back("createMediaPath"); }
    void acceptSession() override {
        calls.push_back("acceptSession");
        visible = true;
    }
    void loginError() override { calls.push_back("loginError"); }

    std::string status() const { return statuses.empty() ? "" : statuses.back(); }
    long count(const std::string& call) const {
        return std::count(calls.begin(), calls.end(), call);
    }

    Lines statuses, calls;
    bool visible = false;
};

// The version server, answering from memory.
class FakeVersionServer final : public platform::HttpClient {
  public:
    platform::HttpResponse get(const std::string& url, const platform::HttpLimits&) override {
        asked.push_back(url);
        return response;
    }
    Lines asked;
    platform::HttpResponse response{200, versionAnswer("no")};
};

class AuthSessionTest : public ::testing::Test {
  protected:
    AuthSessionTest() {
        files.writeFile("zov.ini",
                        "ZOVAuthServer.URL=127.0.0.1\r\nZOVAuthServer.contentDistributor=acme\r\n");
        playerProp.load("zov.ini");
        session->setAuthPort(server.port());
    }

    bool waitFor(const std::function<bool()>& condition) { return loop.runUntil(condition, 10s); }
    void advance(std::int64_t ms) { advanceTime(loop, clock, ms); }
    // Runs until the server has played its whole script.
    void play() {
        ASSERT_TRUE(waitFor([&] { return server.finished() || !server.mismatch().empty(); }));
        ASSERT_EQ(server.mismatch(), "");
    }
    // A new session, a new connection on the server and nothing told yet: the next case.
    void nextCase() {
        session->closeForExit();
        session = AuthSession::create(loop, resolver, playerProp, http, host, "5.3.135");
        session->setAuthPort(server.port());
        host = {};
        server.nextConnection();
    }
    // Logs in as far as the movie list request.
    void loginAccepted() {
        server.expect("USER acme bob pw").send("RPL_ACCEPTED").expect("MOVIELIST");
        session->authUser("", "bob", "pw");
        play();
    }

    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CaresResolver resolver{loop, {.lookups = "f"}};  // never asks a DNS server
    platform::MemoryFileSystem files;
    config::PlayerProperties playerProp{files};
    FakeVersionServer http;
    RecordingHost host;
    ScriptedAuthServer server{loop};
    std::shared_ptr<AuthSession> session =
        AuthSession::create(loop, resolver, playerProp, http, host, "5.3.135");
};

// After acceptance the connection stays open: later lists apply again, and an error reply
// closes it without sending the user back to the login page.
TEST_F(AuthSessionTest, AcceptedLoginAppliesTheServiceConfiguration) {
    // The end of the list cut across two reads is still its end.
    const std::string list = movieList();
    server.expect("USER acme al ice p  w").send("RPL_ACCEPTED").expect("MOVIELIST");
    server.send(list.substr(0, list.size() - 5)).send(list.substr(list.size() - 5));
    session->authUser("   ", "  al ice ", " p  w ");  // inner spaces go as typed
    play();

    EXPECT_EQ(host.statuses, (Lines{"Connecting to Server...", kAuthenticating, kRetrieving}));
    EXPECT_EQ(host.calls, (Lines{"createMediaPath", "acceptSession"}));
    EXPECT_EQ(http.asked, Lines{"http://127.0.0.1/pcplayer_version_control/"
                                "version_control_server.asp?5.3.135"});
    EXPECT_TRUE(session->sessionAccepted());
    // An empty distributor field keeps zov.ini's.
    EXPECT_EQ((Lines{playerProp.userID(), playerProp.userPass(), playerProp.contentDistributor(),
                     playerProp.stbEpgURL(), playerProp.bannerURL()}),
              (Lines{"al ice", "p  w", "acme", "http://127.0.0.1/guide.html",
                     "http://127.0.0.1/banner.html"}));
    EXPECT_FALSE(playerProp.adsEnabled());
    const config::DeliveryServerInfo d = playerProp.getDeliveryServer();
    EXPECT_EQ((Lines{d.serverURL(), d.accountName(), d.password(), std::to_string(d.port())}),
              (Lines{"cdn.example", "downloader", "s3cret", "2121"}));
    advance(100'000);  // the time-out no longer acts
    EXPECT_FALSE(server.closedByClient());

    server.send("CM_PING").send(movieList("epgGuide", " epgGuide=\"http://127.0.0.1/new.html\""));
    play();
    EXPECT_EQ(host.count("acceptSession"), 2);
    EXPECT_EQ(playerProp.stbEpgURL(), "http://127.0.0.1/new.html");
    EXPECT_FALSE(server.closedByClient());

    server.send("ERR_MULTI_LOGIN");
    play();
    EXPECT_TRUE(waitFor([&] { return server.closedByClient(); }));
    EXPECT_EQ(host.status(), "Duplicated Logins Detected...");  // in the hidden status window
    advance(100'000);
    EXPECT_EQ(host.count("loginError"), 0);
}

// Each refusal ends the attempt and returns to the login page once, two seconds later;
// a keyword the client does not know, or one with a line end, has no status line of its own.
TEST_F(AuthSessionTest, AnErrorReplyEndsTheAttemptAndReturnsToTheLoginPageOnce) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ERR_INVALID_PASS", "Invalid Password..."},
        {"ERR_MULTI_LOGIN", "Duplicated Logins Detected..."},
        {"ERR_INVALID_USER_OR_CONTENT_DISTRIBUTOR", "User ID Does Not Exist..."},
        {"ERR_INVALIDID", "Communication Error.  Please Try to Login Again..."},
        {"ERR_INCOMPLETEINFO", "Insufficient Information Provided..."},
        {"ERROR_GETTING_DATA", "Communication Error.  Please Try to Login Again..."},
        {"ERR_SERVER_BUSY", ""},
        {"ERR_INVALID_PASS\r\n", ""},
    };
    for (const auto& [reply, status] : cases) {
        SCOPED_TRACE(reply);
        if (reply != cases.front().first) nextCase();
        server.expect("USER other bob pw").send(reply);
        session->authUser(" other ", "bob", "pw");
        play();
        ASSERT_TRUE(waitFor([&] { return server.closedByClient(); }));
        const std::string shown = status.empty() ? kAuthenticating : status;
        EXPECT_EQ(host.status(), shown);
        EXPECT_EQ(playerProp.contentDistributor(), "other");
        EXPECT_EQ(session->dataBuffer(), status.empty() ? reply : "");
        advance(1999);
        EXPECT_EQ(host.count("loginError"), 0);
        advance(1);
        EXPECT_EQ(host.count("loginError"), 1);
        advance(100'000);
        EXPECT_EQ(host.count("loginError"), 1);
        EXPECT_EQ(host.status(), shown);
    }
}

// A reply that is no keyword as it stands is kept as list text. Every reply rearms the
// forty-second time-out, a ping does nothing else, and the list is never asked for.
TEST_F(AuthSessionTest, AStalledReplyIsKeptAsListTextAndTheAttemptTimesOut) {
    for (const std::string reply : {"RPL_ACCEPTED\r\n", "CM_PINGRPL_ACCEPTED", "rpl_accepted"}) {
        SCOPED_TRACE(reply);
        if (reply != "RPL_ACCEPTED\r\n") nextCase();
        server.expect("USER acme bob pw").send(reply);
        session->authUser("", "bob", "pw");
        play();
        advance(30'000);
        server.send("CM_PING");
        play();
        EXPECT_EQ(session->dataBuffer(), reply);
        advance(39'999);
        EXPECT_EQ(host.status(), kAuthenticating);
        advance(1);
        EXPECT_EQ(host.status(), kConnectionFailed);
        EXPECT_TRUE(waitFor([&] { return server.closedByClient(); }));
        advance(2000);
        EXPECT_EQ(host.calls, Lines{"loginError"});
        EXPECT_EQ(server.lines().back(), "USER acme bob pw");
    }
}

TEST_F(AuthSessionTest, WithNoHostOrWithLineBreaksInAValueNothingIsSentAndTheFailureIsToldAtOnce) {
    const std::string bad[] = {"a\rMOVIELIST", "a\nMOVIELIST", std::string("a\0b", 3)};
    for (int field = 0; field < 3; ++field) {
        session->authUser(field == 0 ? bad[0] : "", field == 1 ? bad[1] : "bob",
                          field == 2 ? bad[2] : "pw");
        EXPECT_NE(host.status().find("Line Breaks"), std::string::npos);
        advance(2000);
        EXPECT_EQ(host.count("loginError"), field + 1);
    }
    EXPECT_EQ(server.controlConnections(), 0);
    EXPECT_EQ(playerProp.userID(), "");
    EXPECT_EQ(playerProp.contentDistributor(), "acme");

    host = {};
    files.writeFile("zov.ini", "ZOVAuthServer.URL=\r\n");
    playerProp.load("zov.ini");
    session->authUser("", "bob", "pw");
    EXPECT_EQ(host.statuses, (Lines{"Connecting to Server...", kConnectionFailed}));
    advance(2000);
    EXPECT_EQ(host.calls, Lines{"loginError"});
}

// A configuration the client cannot use ends the attempt and changes no setting.
TEST_F(AuthSessionTest, ARejectedConfigurationEndsTheAttemptAndChangesNoSetting) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"cdnport", ""},
        {"cdnport", " cdnport=\"ftp\""},
        {"cdnport", " cdnport=\"70000\""},
        {"location", " location = \"cdn.example\""},
        {"location", " location=\"\""},  // not the next attribute
        {"username", " UserName=\"downloader\""},
        {"password", ""},
        {"epgGuide", ""},
        {"AdsUrl", " adsurl=\"x\""},
    };
    for (const auto& [attribute, writtenAs] : cases) {
        SCOPED_TRACE(attribute + " as '" + writtenAs + "'");
        if (&attribute != &cases.front().first) nextCase();
        loginAccepted();
        server.send(movieList(attribute, writtenAs));
        play();
        ASSERT_TRUE(waitFor([&] { return server.closedByClient(); }));
        EXPECT_EQ(host.status(), kInvalidConfig);
        EXPECT_EQ(host.calls, Lines{"createMediaPath"});
        EXPECT_THROW(playerProp.getDeliveryServer(), Error);
        EXPECT_EQ(playerProp.stbEpgURL(), "");
        advance(2000);
        EXPECT_EQ(host.calls, (Lines{"createMediaPath", "loginError"}));
    }
}

// A list that never ends is dropped at its limit, and a list the time-out cut off is not
// read into the next login's.
TEST_F(AuthSessionTest, AnUnfinishedListEndsTheAttemptAndIsNotReadAgain) {
    loginAccepted();
    server.send("<movieList" + std::string(AuthSession::kDataBufferLimit, ' '));
    ASSERT_TRUE(waitFor([&] { return host.status() == kInvalidConfig; }));
    EXPECT_EQ(session->dataBuffer(), "");
    advance(2000);
    EXPECT_EQ(host.calls, (Lines{"loginError"}));

    nextCase();
    loginAccepted();
    server.send("<movieList location=\"old.example\" username=\"old\"");  // never ends
    play();
    advance(42'000);
    EXPECT_EQ(host.calls, Lines{"loginError"});
    // A version server that fails counts as no update (a newer client is the end-to-end
    // tests'): the list is asked for as usual.
    http.response = {500, versionAnswer("yes")};
    server.nextConnection();
    loginAccepted();
    server.send(movieList());
    play();
    EXPECT_TRUE(session->sessionAccepted());
    const config::DeliveryServerInfo d = playerProp.getDeliveryServer();
    EXPECT_EQ((Lines{d.serverURL(), d.accountName()}), (Lines{"cdn.example", "downloader"}));
}

TEST_F(AuthSessionTest, ExitDuringALoginClosesTheConnectionFirst) {
    server.expect("USER acme bob pw");
    session->authUser("", "bob", "pw");
    play();
    session->closeForExit();
    EXPECT_TRUE(waitFor([&] { return server.closedByClient(); }));
    advance(100'000);
    EXPECT_TRUE(host.calls.empty());
}

TEST(AuthReply, ADeliveryPortIsANumberFrom1To65535) {
    EXPECT_EQ(net::cdnPort("21"), 21);
    EXPECT_EQ(net::cdnPort("65535"), 65535);
    EXPECT_EQ(net::cdnPort(" 8021 "), 8021);
    for (const char* bad : {"", "0", "-21", "65536", "4294967317", "21a", "port"})
        EXPECT_EQ(net::cdnPort(bad), -1) << bad;
}

}  // namespace
}  // namespace zov::test
