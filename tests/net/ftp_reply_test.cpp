#include "net/ftp_reply.hpp"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "net/ftp_reply_reader.hpp"

using namespace zov::net;

// Everything read from a script of receives, as (code, text) pairs.
std::vector<std::pair<int, std::string>> repliesOf(const std::vector<std::string>& receives) {
    FtpReplyReader reader;
    std::vector<std::pair<int, std::string>> replies;
    for (const auto& receive : receives) {
        reader.feed(receive);
        while (auto reply = reader.next())
            replies.emplace_back(reply->code, reply->text);
    }
    return replies;
}

using Replies = std::vector<std::pair<int, std::string>>;

TEST(FtpReplyReader, AReplyIsHandedOutOnceItsLastLineIsInWhereverTheNetworkCutIt) {
    EXPECT_EQ(repliesOf({"220-Welcome\r\n220-to the server\r\n220 ready\r\n"}),
              (Replies{{220, "220-Welcome\r\n220-to the server\r\n220 ready\r\n"}}));
    EXPECT_EQ(repliesOf({"220-Welcome\r\n", "220 ready\r\n"}),
              (Replies{{220, "220-Welcome\r\n220 ready\r\n"}}));
    // The code itself split, and a line end split between CR and LF.
    EXPECT_EQ(repliesOf({"33", "1 Password required\r", "\n"}),
              (Replies{{331, "331 Password required\r\n"}}));
    EXPECT_EQ(repliesOf({"220 ready"}), Replies{});  // its line is not finished
    EXPECT_EQ(repliesOf({"220 ready\n"}), (Replies{{220, "220 ready\n"}}));  // LF alone
}

TEST(FtpReplyReader, RepliesThatCameTogetherAreHandedOutInOrderAndNeverAgain) {
    FtpReplyReader reader;
    reader.feed("150 Opening\r\n226 Done\r\n150-Next");
    EXPECT_EQ(reader.next()->code, 150);
    EXPECT_EQ(reader.next()->code, 226);
    EXPECT_FALSE(reader.next());
    reader.feed("\r\n227 no, this ends it\r\n");
    auto last = reader.next();
    ASSERT_TRUE(last);
    EXPECT_EQ(last->code, 227);
    EXPECT_EQ(last->text, "150-Next\r\n227 no, this ends it\r\n");
    EXPECT_FALSE(reader.next());
}

TEST(FtpReplyReader, LinesThatEndNoReplyWaitButAreBounded) {
    EXPECT_EQ(repliesOf({"2x0 no\r\n", "220\r\n", "hello\r\n"}), Replies{});
    FtpReplyReader reader;
    const std::string line = "220-" + std::string(1000, 'x') + "\r\n";
    for (int i = 0; i < 200; ++i) {
        reader.feed(line);
        EXPECT_FALSE(reader.next());
    }
    EXPECT_LE(reader.waiting(), FtpReplyReader::kLimit);
    // An endless line is skipped whole; the reply after it is still read.
    reader.feed(std::string(FtpReplyReader::kLimit + 10, '9'));
    EXPECT_FALSE(reader.next());
    reader.feed(std::string(100, '9') + "\r\n226 Done\r\n");
    auto reply = reader.next();
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->code, 226);
    EXPECT_LE(reply->text.size(), FtpReplyReader::kLimit + 12);
}

TEST(FtpReply, PassivePortComesFromTheLastTwoNumbersAndEveryNumberIsChecked) {
    EXPECT_EQ(passiveDataPort("227 Entering Passive Mode (127,0,0,1,195,80).\r\n"), 50000);
    EXPECT_EQ(passiveDataPort("227 (10,1,2,3,0,21)"), 21);  // the host is never used
    EXPECT_EQ(passiveDataPort("227 (127,0,0,1,256,1)"), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 (127,0,0,-1,4,1)"), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 (127,0,0,1,4)"), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 (127,0,0,1,4,1,9)"), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 (1,2,3,4,0,0)"), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 )1,2,3,4,5,6("), std::nullopt);
    EXPECT_EQ(passiveDataPort("227 no address"), std::nullopt);
}

TEST(FtpReply, SizeIsTheSecondWordOfTheFirstLine) {
    EXPECT_EQ(sizeFromReply("213 2000000\r\n"), 2000000.0);
    EXPECT_EQ(sizeFromReply("213 unknown\r\n"), std::nullopt);
    EXPECT_EQ(sizeFromReply("213\r\n"), std::nullopt);
    EXPECT_EQ(sizeFromReply("213 -5\r\n"), std::nullopt);
    EXPECT_EQ(sizeFromReply("213 4294967296\r\n"), 4294967296.0);  // the caller refuses it
}

TEST(FtpReply, SideFileResumesBeforeTheCountOnlyWhenThePartialMovieHoldsIt) {
    auto offset = [](std::string_view side, std::int64_t length) {
        const auto point = resumePointFromSideFile(side, length, 1280);
        return std::pair<std::int64_t, std::int64_t>{point.count, point.offset};
    };
    using Point = std::pair<std::int64_t, std::int64_t>;
    EXPECT_EQ(offset("5000\r\n\r\n", 5000), (Point{5000, 3720}));
    EXPECT_EQ(offset("  5000  \r\n", 9000), (Point{5000, 3720}));
    EXPECT_EQ(offset("1000\r\n\r\n", 1000), (Point{1000, 0}));
    // The disk decides: a truncated movie, or a count written ahead of the data.
    EXPECT_EQ(offset("5000\r\n\r\n", 4999), (Point{0, 0}));
    EXPECT_EQ(offset("5000\r\n\r\n", 0), (Point{0, 0}));
    EXPECT_EQ(offset("abc\r\n", 9000), (Point{0, 0}));
    EXPECT_EQ(offset("", 9000), (Point{0, 0}));
    EXPECT_EQ(offset("-5000\r\n", 9000), (Point{0, 0}));
    EXPECT_EQ(offset("99999999999\r\n", 1LL << 40), (Point{0, 0}));  // does not fit 32 bits
}
