#include "net/ftp_reply.hpp"

#include <gtest/gtest.h>

using namespace zov::net;

TEST(FtpReply, TheLastFinalLineGivesTheCodeAndHyphenLinesTheContinuation) {
    auto greeting = scanReply("220-Welcome\r\n220-to the server\r\n220 ready\r\n");
    EXPECT_EQ(greeting.code, 220);
    EXPECT_EQ(greeting.continuation, "Welcome\r\nto the server\r\n");

    auto unfinished = scanReply("220-Welcome\r\n");
    EXPECT_EQ(unfinished.code, 0);
    EXPECT_EQ(unfinished.continuation, "Welcome\r\n");

    EXPECT_EQ(scanReply("150 Opening\r\n226 Done\r\n").code, 226);
    EXPECT_EQ(scanReply("22").code, 0);
    EXPECT_EQ(scanReply("2x0 no\r\n").code, 0);
    EXPECT_EQ(scanReply("220").code, 0);  // no fourth character
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

TEST(FtpReply, SideFileResumesBeforeTheCountAndNeverBelowZero) {
    EXPECT_EQ(resumeOffsetFromSideFile("5000\r\n\r\n", 1280), 3720);
    EXPECT_EQ(resumeOffsetFromSideFile("  5000  \r\n", 1280), 3720);
    EXPECT_EQ(resumeOffsetFromSideFile("1000\r\n\r\n", 1280), 0);
    EXPECT_EQ(resumeOffsetFromSideFile("abc\r\n", 1280), 0);
    EXPECT_EQ(resumeOffsetFromSideFile("", 1280), 0);
    EXPECT_EQ(resumeOffsetFromSideFile("99999999999\r\n", 1280), 0);  // does not fit 32 bits
}
