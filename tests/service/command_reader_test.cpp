// The readers of what clients send: lines, commands, logins, offsets and requests are all
// hostile input and must be bounded and refused cleanly.

#include "command_reader.hpp"

#include <gtest/gtest.h>

#include <string>

namespace zov::test {
namespace {

using service::LineStatus;

TEST(CommandReaderTest, LinesAreTakenOneAtATimeAndBounded) {
    std::string buffer = "USER bob\r\nPASS x";
    std::string line;
    EXPECT_EQ(service::takeLine(buffer, line), LineStatus::Line);
    EXPECT_EQ(line, "USER bob");
    EXPECT_EQ(service::takeLine(buffer, line), LineStatus::Incomplete);
    EXPECT_EQ(buffer, "PASS x");
    buffer += "\n";
    EXPECT_EQ(service::takeLine(buffer, line), LineStatus::Line);
    EXPECT_EQ(line, "PASS x");

    std::string endless(service::kMaxLineLength + 1, 'A');
    EXPECT_EQ(service::takeLine(endless, line), LineStatus::TooLong);
    std::string longLine = std::string(service::kMaxLineLength + 1, 'A') + "\n";
    EXPECT_EQ(service::takeLine(longLine, line), LineStatus::TooLong);
}

TEST(CommandReaderTest, CommandsAndLoginLinesAreSplitAsSent) {
    service::FtpCommand retr = service::readFtpCommand("retr my movie.wmv");
    EXPECT_EQ(retr.verb, "RETR");
    EXPECT_EQ(retr.argument, "my movie.wmv");
    EXPECT_EQ(service::readFtpCommand("PASV ").argument, "");

    auto login = service::readLoginLine("USER acme bob pass with spaces");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->distributor, "acme");
    EXPECT_EQ(login->user, "bob");
    EXPECT_EQ(login->password, "pass with spaces");
    EXPECT_FALSE(service::readLoginLine("USER acme bob"));
    EXPECT_FALSE(service::readLoginLine("USER acme bob "));
    EXPECT_FALSE(service::readLoginLine("MOVIELIST"));
}

TEST(CommandReaderTest, OffsetsAreDecimalAndBounded) {
    EXPECT_EQ(service::readOffset("1280"), 1280);
    EXPECT_EQ(service::readOffset("0"), 0);
    EXPECT_FALSE(service::readOffset(""));
    EXPECT_FALSE(service::readOffset("-5"));
    EXPECT_FALSE(service::readOffset("12x"));
    EXPECT_FALSE(service::readOffset("99999999999999999999"));
}

TEST(CommandReaderTest, OnlyPlainNamesAreServable) {
    EXPECT_TRUE(service::isServableName("movie.wmv"));
    for (const char* name :
         {"", ".", "..", "../secret", "a/b", "/etc/passwd", "..\\x", "C:x", "a\nb"}) {
        EXPECT_FALSE(service::isServableName(name)) << name;
    }
    EXPECT_FALSE(service::isServableName(std::string(300, 'a')));
}

TEST(CommandReaderTest, HttpRequestHeadsAreReadOrRefused) {
    service::HttpRequest request;
    EXPECT_EQ(service::readHttpRequest("GET /a?5.3.135 HTTP/1.1\r\nHost: x\r\n", request),
              service::RequestStatus::Incomplete);
    ASSERT_EQ(service::readHttpRequest("GET /a?5.3.135 HTTP/1.1\r\nHost: x\r\n\r\n", request),
              service::RequestStatus::Complete);
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, "/a");
    EXPECT_EQ(request.query, "5.3.135");
    EXPECT_EQ(request.range, "");
    // The range header by any spelling of its name; a "Range" inside another header is none.
    ASSERT_EQ(service::readHttpRequest(
                  "GET /l HTTP/1.1\r\nX-Range: bytes=1-\r\nrANGE:  bytes=5- \r\n\r\n", request),
              service::RequestStatus::Complete);
    EXPECT_EQ(request.range, "bytes=5-");
    EXPECT_EQ(service::readHttpRequest("GET\r\n\r\n", request), service::RequestStatus::Malformed);
    EXPECT_EQ(service::readHttpRequest("GET a HTTP/1.0\r\n\r\n", request),
              service::RequestStatus::Malformed);
    EXPECT_EQ(service::readHttpRequest(std::string(service::kMaxRequestHead + 1, 'x'), request),
              service::RequestStatus::Malformed);
}

}  // namespace
}  // namespace zov::test
