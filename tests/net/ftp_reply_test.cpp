#include "net/ftp_reply.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "net/ftp_reply_reader.hpp"

using namespace zov::net;

namespace {

using Replies = std::vector<std::pair<int, std::string>>;

// Everything read from a script of receives, as (code, text) pairs.
Replies repliesOf(FtpReplyReader& reader, const std::vector<std::string>& receives) {
    Replies replies;
    for (const auto& receive : receives) {
        reader.feed(receive);
        while (auto reply = reader.next())
            replies.emplace_back(reply->code, reply->text);
    }
    return replies;
}

TEST(FtpReplyReader, AReplyIsHandedOutOnceWhenItsLastLineIsInWhereverTheNetworkCutIt) {
    const std::vector<std::pair<std::vector<std::string>, Replies>> cases = {
        // The code itself split, and a line end split between CR and LF.
        {{"33", "1 Password required\r", "\n"}, {{331, "331 Password required\r\n"}}},
        {{"220 ready"}, {}},  // its line is not finished
        {{"220 ready\n"}, {{220, "220 ready\n"}}},
        {{"2x0 no\r\n", "220\r\n", "hello\r\n"}, {}},
        {{"150 Opening\r\n226 Done\r\n150-Next", "\r\n227 ends it\r\n"},
         {{150, "150 Opening\r\n"}, {226, "226 Done\r\n"}, {227, "150-Next\r\n227 ends it\r\n"}}},
    };
    for (const auto& [receives, replies] : cases) {
        SCOPED_TRACE(receives.front());
        FtpReplyReader reader;
        EXPECT_EQ(repliesOf(reader, receives), replies);
    }
}

TEST(FtpReplyReader, LinesThatEndNoReplyAreBoundedAndAnEndlessLineIsSkippedWhole) {
    FtpReplyReader reader;
    for (int i = 0; i < 200; ++i)
        EXPECT_EQ(repliesOf(reader, {"220-" + std::string(1000, 'x') + "\r\n"}), Replies{});
    EXPECT_LE(reader.waiting(), FtpReplyReader::kLimit);
    EXPECT_EQ(repliesOf(reader, {std::string(FtpReplyReader::kLimit + 10, '9'),
                                 std::string(100, '9') + "\r\n226 Done\r\n"}),
              (Replies{{226, "226 Done\r\n"}}));
}

TEST(FtpReply, NumbersAreReadOnlyWhenEveryPartOfThemIsRight) {
    EXPECT_EQ(passiveDataPort("227 Entering Passive Mode (127,0,0,1,195,80).\r\n"), 50000);
    EXPECT_EQ(passiveDataPort("227 (10,1,2,3,0,21)"), 21);  // the host is never used
    for (const char* bad :
         {"227 (127,0,0,1,256,1)", "227 (127,0,0,-1,4,1)", "227 (127,0,0,1,4)",
          "227 (127,0,0,1,4,1,9)", "227 (1,2,3,4,0,0)", "227 )1,2,3,4,5,6(", "227 no address"})
        EXPECT_EQ(passiveDataPort(bad), std::nullopt) << bad;

    EXPECT_EQ(sizeFromReply("213 2000000\r\n"), 2000000.0);
    EXPECT_EQ(sizeFromReply("213 4294967296\r\n"), 4294967296.0);  // the caller refuses it
    for (const char* bad : {"213 unknown\r\n", "213\r\n", "213 -5\r\n"})
        EXPECT_EQ(sizeFromReply(bad), std::nullopt) << bad;
}

}  // namespace
