// Whatever bytes come in, from the script or from outside (a server's reply, a page), every
// line the channel writes is valid UTF-8 JSON that a strict reader takes, and an id comes
// back as the script wrote it.

#include <gtest/gtest.h>

#include <string>

#include "remote/remote_channel_fixture.hpp"
#include "shell/frm_logo.hpp"

namespace zov::test {
namespace {

using RemoteTextTest = RemoteChannelTest;

TEST_F(RemoteTextTest, ARequestWithInvalidUtf8IsNotJson) {
    for (const std::string bad : {"\xff", "\xc0\xaf", "\xed\xa0\x80", "caf\xe9"}) {
        const JsonValue reply =
            request(R"({"request_id":1,"command":"key","window":")" + bad + R"(","key":1})");
        EXPECT_EQ(error(reply), "invalid json") << bad;
        const JsonValue* id = reply.find("request_id");
        EXPECT_TRUE(id && id->isNull());
    }
    // Well-formed text outside ASCII goes through untouched.
    EXPECT_EQ(error(request(R"({"request_id":2,"command":"vid\u00e9o"})")), "unknown command");
    EXPECT_EQ(replies.back().find("data")->asString(), "vid\xC3\xA9o");
    EXPECT_EQ(error(request("{\"request_id\":3,\"command\":\"\xE2\x96\xB6\"}")), "unknown command");
    EXPECT_EQ(replies.back().find("data")->asString(), "\xE2\x96\xB6");
}

TEST_F(RemoteTextTest, IntegerIdsComeBackDigitForDigit) {
    for (const std::string id : {"9223372036854775808", "-9223372036854775809",
                                 "12345678901234567890123456789012", "0", "-7"}) {
        request(R"({"request_id":)" + id + R"(,"command":"get_state"})");
        EXPECT_NE(lastReplyLine.find(R"("request_id":)" + id + "}"), std::string::npos)
            << lastReplyLine.substr(lastReplyLine.size() - 60);
    }
    request(R"({"request_id":"9223372036854775808","command":"get_state"})");
    EXPECT_NE(lastReplyLine.find(R"("request_id":"9223372036854775808")"), std::string::npos);
}

TEST_F(RemoteTextTest, TextFromOutsideWithInvalidBytesIsWrittenAsValidUtf8) {
    // A server's status text in Latin-1, and a byte sequence cut short.
    client->frmLogo().displayInfo("Caf\xe9 ferm\xe9 \xE2\x82");
    drain();  // every line is checked to be valid UTF-8
    ASSERT_FALSE(events.empty());
    EXPECT_EQ(events.back().find("text")->asString(),
              "Caf\xEF\xBF\xBD ferm\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(state().find("login")->find("status")->asString(),
              "Caf\xEF\xBF\xBD ferm\xEF\xBF\xBD \xEF\xBF\xBD\xEF\xBF\xBD");

    // Text that is already UTF-8 keeps its characters.
    client->frmLogo().displayInfo("Caf\xC3\xA9 \xF0\x9F\x8E\xAC");
    drain();
    EXPECT_EQ(events.back().find("text")->asString(), "Caf\xC3\xA9 \xF0\x9F\x8E\xAC");
}

}  // namespace
}  // namespace zov::test
