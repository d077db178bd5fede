// What a hostile or clumsy client can send: the reader refuses it cleanly, the writer
// replaces what is not UTF-8, and lines stay bounded.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "remote/json_value.hpp"
#include "remote/line_splitter.hpp"

using zov::remote::JsonValue;
using zov::remote::LineSplitter;

namespace zov::test {
namespace {

std::string parseError(const std::string& text) {
    std::string error;
    EXPECT_FALSE(JsonValue::parse(text, &error).has_value()) << text;
    return error;
}

TEST(JsonReader, ReadsARequestWithNestedValuesAndEscapes) {
    auto value = JsonValue::parse(
        "\t{\"request_id\": 7,\r\n \"command\":\"x\", "
        R"("values":{"c_uid":"a\"b\u00e9\ud83d\ude00\u00Ff\u00aA"}, "list":[1,-2.5e2,true,false,null]} )");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->find("request_id")->asNumber(), 7);
    EXPECT_EQ(value->find("values")->find("c_uid")->asString(),
              "a\"b\xC3\xA9\xF0\x9F\x98\x80\xC3\xBF\xC2\xAA");
    EXPECT_EQ(value->find("list")->asArray().at(1).asNumber(), -250);
    EXPECT_EQ(value->find("list")->dump(), "[1,-2.5e2,true,false,null]");

    // A lone half of a surrogate pair becomes U+FFFD; what follows it is not swallowed.
    const std::string R = "\xEF\xBF\xBD";
    value = JsonValue::parse(R"(["\ud800", "\udc00x", "\ud800\u0041", "\ud800\ud800\udc00"])");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->dump(),
              "[\"" + R + "\",\"" + R + "x\",\"" + R + "A\",\"" + R + "\xF0\x90\x80\x80\"]");
}

TEST(JsonReader, RefusesMalformedAndOversizedInput) {
    for (const char* wrong : {"", "{\"a\":1", "{\"a\":1} x", "{a:1}", "\"raw\ttab\"", "\"\\x\"",
                              "\"\\u12\"", "01e", "1e999", "-", "tru", R"(["\ud800\u\xa5e00"])"}) {
        EXPECT_NE(parseError(wrong), "");
    }
    // Each bound is reached and not passed: digits of a number, depth, items and members.
    EXPECT_TRUE(JsonValue::parse(std::string(JsonValue::kMaxNumberLength, '1')));
    EXPECT_NE(parseError(std::string(JsonValue::kMaxNumberLength + 1, '1')), "");
    EXPECT_NE(parseError(std::string(33, '[') + std::string(33, ']')), "");
    EXPECT_TRUE(JsonValue::parse(std::string(32, '[') + std::string(32, ']')));
    for (const std::size_t count : {JsonValue::kMaxElements, JsonValue::kMaxElements + 1}) {
        std::string items = "[0", members = "{\"0\":0";
        for (std::size_t i = 1; i < count; ++i) {
            items += ",0";
            members += ",\"" + std::to_string(i) + "\":0";
        }
        for (const std::string& text : {items + "]", members + "}"}) {
            std::string error;
            EXPECT_EQ(JsonValue::parse(text, &error).has_value(), count == JsonValue::kMaxElements);
            EXPECT_EQ(error.rfind("too many elements", 0), error.empty() ? std::string::npos : 0u);
        }
    }
}

TEST(JsonReader, TakesWellFormedUtf8AndRefusesEveryOtherByteSequence) {
    // The first and last code points of each sequence length, and those beside the
    // surrogates.
    const std::string good =
        "\x7f \xc2\x80 \xdf\xbf \xe0\xa0\x80 \xed\x9f\xbf \xee\x80\x80 "
        "\xef\xbf\xbf \xf0\x90\x80\x80 \xf4\x8f\xbf\xbf";
    auto value = JsonValue::parse("\"" + good + "\"");
    ASSERT_TRUE(value);
    EXPECT_EQ(value->asString(), good);
    // Stray continuations, overlong forms, surrogates, beyond U+10FFFF, cut short, and bytes
    // that never start a sequence.
    for (const std::string bad :
         {"\x80", "\xbf", "\xc0\x80", "\xc1\xbf", "\xe0\x9f\xbf", "\xed\xa0\x80", "\xed\xbf\xbf",
          "\xf0\x8f\xbf\xbf", "\xf4\x90\x80\x80", "\xf5\x80\x80\x80", "\xff", "\xe2\x82",
          "\xc2\x41", "\xf0\x9f\x8e"}) {
        EXPECT_EQ(parseError("[\"ok\", \"" + bad + "\"]"), "invalid UTF-8 at offset 8") << bad;
        EXPECT_NE(parseError("{\"" + bad + "\":1}"), "") << bad;  // in a name too
    }
    EXPECT_NE(parseError("[\"\xe2\x82"), "");  // cut short by the end of the line
}

// Bytes that are not UTF-8 are replaced and numbers written as read (that every value is one
// line of valid UTF-8 that reads back is the fuzz target's to show).
TEST(JsonWriter, ReplacesBytesThatAreNotUtf8AndWritesNumbersAsRead) {
    const std::string text = "ok \xC3\xA9 \xe9t \xE2\x82 \xed\xa0\x80 \xF0\x9F\x8E\xAC";
    const std::string R = "\xEF\xBF\xBD";  // U+FFFD
    const std::string fixed =
        "ok \xC3\xA9 " + R + "t " + R + R + " " + R + R + R + " \xF0\x9F\x8E\xAC";
    EXPECT_EQ(JsonValue(JsonValue::Object{{text, text}}).dump(),
              "{\"" + fixed + "\":\"" + fixed + "\"}");

    const std::string read = "[9223372036854775808,-0,1E2,0.10,12345678901234567890123456789]";
    EXPECT_EQ(JsonValue::parse(read)->dump(), read);
    EXPECT_EQ(JsonValue::parse(read)->asArray()[0].asNumber(), 9223372036854775808.0);
    EXPECT_EQ(JsonValue(JsonValue::Array{0.5, 42, -3}).dump(), "[0.5,42,-3]");
}

// Pieces are joined and batches split; a line over the bound is dropped, and said, once.
TEST(LineSplitter, JoinsPiecesSplitsBatchesAndDropsAnOverlongLineOnce) {
    std::vector<std::string> lines;
    LineSplitter splitter(
        [&](std::string_view line, bool tooLong) {
            lines.emplace_back(tooLong ? "<too long>" : std::string(line));
        },
        8);
    splitter.feed("ab");
    splitter.feed("c\r\nde\n\nf");
    splitter.finish();
    for (const char* piece :
         {"12345", "67890", "more and more", " still\nok\n", "12345678\n", "123456789\n"}) {
        splitter.feed(piece);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{"abc", "de", "", "f", "<too long>", "ok", "12345678",
                                               "<too long>"}));
}

}  // namespace
}  // namespace zov::test
