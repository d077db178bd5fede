#include "player_arguments.hpp"

#include <gtest/gtest.h>

namespace zov::player {
namespace {

TEST(LiveChannelAddressTest, OnlyXmsNamesOfHostPortAndPathAreOpenedAsHttp) {
    const struct {
        const char* name;
        const char* address;  // nullptr: refused
    } cases[] = {
        {"xms://127.0.0.1:8000/live.mp4", "http://127.0.0.1:8000/live.mp4"},
        {"xms://tv.example.com/a/b%20c_d~e-f.mp4", "http://tv.example.com/a/b%20c_d~e-f.mp4"},
        {"XMS://127.0.0.1/live.mp4", nullptr},
        {"xms:/127.0.0.1/live.mp4", nullptr},
        {"xms://127.0.0.1", nullptr},
        {"xms:///live.mp4", nullptr},
        {"xms://user@host/live.mp4", nullptr},
        {"xms://-host/live.mp4", nullptr},
        {"xms://host:0/live.mp4", nullptr},
        {"xms://host:65536/live.mp4", nullptr},
        {"xms://host:80a/live.mp4", nullptr},
        {"xms://host/live.mp4?list=1", nullptr},
        {"xms://host/live.mp4#t=3", nullptr},
        {"xms://host/a b.mp4", nullptr},
        {"xms://host/%zz.mp4", nullptr},
        {"xms://host/a,b;c", nullptr},
        {"xmsfile:///etc/passwd", nullptr},
        {"file:///etc/passwd", nullptr},
        {"http://127.0.0.1/live.mp4", nullptr},
        {"--include=/etc/passwd", nullptr},
    };
    for (const auto& c : cases) {
        const auto address = liveChannelAddress(c.name);
        if (c.address)
            EXPECT_EQ(address, std::optional<std::string>(c.address)) << c.name;
        else
            EXPECT_FALSE(address) << c.name << " became " << *address;
    }
    const std::string longest = "xms://h/" + std::string(2040, 'a');  // 2048 characters
    EXPECT_TRUE(liveChannelAddress(longest));
    EXPECT_FALSE(liveChannelAddress(longest + "a"));
}

TEST(PlayerArgumentsTest, TheWholeCommandLineIsReadAndAKnownMainWindowIsKeptOnAFault) {
    const ParsedArguments whole = parsePlayerArguments({"4194305", "-42", "xms://h/p", "90"});
    ASSERT_TRUE(whole.arguments);
    EXPECT_EQ(whole.arguments->region, 4194305);
    EXPECT_EQ(whole.arguments->mainWindow, -42);
    EXPECT_EQ(whole.arguments->name, "xms://h/p");
    EXPECT_EQ(whole.arguments->startSeconds, 90);
    EXPECT_EQ(parsePlayerArguments({"1", "2", "x"}).arguments->startSeconds, 0);

    const struct {
        std::vector<std::string_view> fields;
        bool mainWindowKnown;
    } faults[] = {
        {{}, false},
        {{"1", "2"}, true},
        {{"1", "2", "x", "3", "4"}, true},
        {{"0", "2", "x"}, true},
        {{"1x", "2", "x"}, true},
        {{"1", "two", "x"}, false},
        {{"1", "2", "x", "-5"}, true},
        {{"1", "2", "x", "5.5"}, true},
    };
    for (const auto& fault : faults) {
        const ParsedArguments parsed = parsePlayerArguments(fault.fields);
        EXPECT_FALSE(parsed.arguments) << fault.fields.size();
        EXPECT_FALSE(parsed.problem.empty());
        EXPECT_EQ(parsed.mainWindow.has_value(), fault.mainWindowKnown) << fault.fields.size();
    }
}

}  // namespace
}  // namespace zov::player
