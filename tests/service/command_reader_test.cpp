// The readers of what clients send: commands, logins, offsets and requests are all hostile
// input and must be bounded and refused cleanly (lines are taken by the servers' own tests).

#include "command_reader.hpp"

#include <gtest/gtest.h>

#include <string>

namespace zov::test {
namespace {

using service::RequestStatus;

TEST(CommandReaderTest, CommandsLoginsOffsetsAndNamesAreReadOrRefused) {
    service::FtpCommand retr = service::readFtpCommand("retr my movie.wmv");
    EXPECT_EQ(retr.verb, "RETR");
    EXPECT_EQ(retr.argument, "my movie.wmv");
    EXPECT_EQ(service::readFtpCommand("PASV ").argument, "");

    auto login = service::readLoginLine("USER acme bob pass with spaces");
    ASSERT_TRUE(login);
    EXPECT_EQ(login->distributor, "acme");
    EXPECT_EQ(login->user, "bob");
    EXPECT_EQ(login->password, "pass with spaces");
    for (const char* wrong : {"USER acme bob", "USER acme bob ", "MOVIELIST"})
        EXPECT_FALSE(service::readLoginLine(wrong)) << wrong;

    EXPECT_EQ(service::readOffset("1280"), 1280);
    EXPECT_EQ(service::readOffset("0"), 0);
    for (const char* wrong : {"", "-5", "12x", "99999999999999999999"})
        EXPECT_FALSE(service::readOffset(wrong)) << wrong;

    EXPECT_TRUE(service::isServableName("movie.wmv"));
    for (const char* name :
         {"", ".", "..", "../secret", "a/b", "/etc/passwd", "..\\x", "C:x", "a\nb"})
        EXPECT_FALSE(service::isServableName(name)) << name;
    EXPECT_FALSE(service::isServableName(std::string(300, 'a')));
}

TEST(CommandReaderTest, HttpRequestHeadsAreReadOrRefused) {
    // The rest of a request head is read in the HTTP server's own tests.
    service::HttpRequest request;
    // The range header by any spelling of its name; a "Range" inside another header is none.
    ASSERT_EQ(service::readHttpRequest(
                  "GET /l HTTP/1.1\r\nX-Range: bytes=1-\r\nrANGE:  bytes=5- \r\n\r\n", request),
              RequestStatus::Complete);
    EXPECT_EQ(request.range, "bytes=5-");
    for (const std::string& wrong :
         {std::string("GET\r\n\r\n"), std::string("GET a HTTP/1.0\r\n\r\n"),
          std::string(service::kMaxRequestHead + 1, 'x')}) {
        EXPECT_EQ(service::readHttpRequest(wrong, request), RequestStatus::Malformed);
    }
}

}  // namespace
}  // namespace zov::test
