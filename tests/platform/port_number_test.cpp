#include "platform/port_number.hpp"

#include <gtest/gtest.h>

namespace zov::platform {
namespace {

TEST(PortNumberTest, OnlyPlainDecimalPortsAreTaken) {
    EXPECT_EQ(portNumber("8080"), 8080);
    EXPECT_EQ(portNumber("0"), 0);
    EXPECT_EQ(portNumber("65535"), 65535);
    EXPECT_EQ(portNumber("00021"), 21);
    for (const char* text :
         {"", "65536", "99999", "123456", "+21", " 21", "21 ", "-1", "0x50", "2l"})
        EXPECT_FALSE(portNumber(text)) << '"' << text << '"';
}

}  // namespace
}  // namespace zov::platform
