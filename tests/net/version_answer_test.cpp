// Reading the version answer itself, where the bytes matter more than the transport.

#include "net/version_answer.hpp"

#include <gtest/gtest.h>

namespace zov::test {
namespace {

using net::VersionAnswer;

TEST(VersionAnswer, ReadsBytesAsTheyStandWhateverTheirEncoding) {
    // Notes in a Windows code page: the 0xE9 of "Amélioration" is no valid UTF-8.
    const std::string notes =
        "Am\xE9lioration du t\xE9l\xE9"
        "chargement\r\nMore: \xC3\xA9t\xC3\xA9";
    const VersionAnswer answer = VersionAnswer::parse(
        "<product name=\"Z\xD6V\" url=\"\"><modifications>" + notes + "</modifications>");
    ASSERT_TRUE(answer.product);
    EXPECT_EQ(answer.product->name, "Z\xD6V");
    ASSERT_TRUE(answer.modifications);
    EXPECT_EQ(*answer.modifications, notes);
}

TEST(VersionAnswer, LetterCaseIsIgnoredOnlyForPlainAsciiLetters) {
    // "\xC5\xBF" is the long s, which Unicode case folding would take for an "s".
    const VersionAnswer answer = VersionAnswer::parse(
        "<ver\xC5\xBFion id=\"9\" newer-than-you=\"yes\" require-update=\"yes\">"
        "<modification\xC5\xBF>x</modification\xC5\xBF><URL>u</url>");
    EXPECT_FALSE(answer.version);
    EXPECT_FALSE(answer.modifications);
    ASSERT_TRUE(answer.url);
    EXPECT_EQ(*answer.url, "u");
}

}  // namespace
}  // namespace zov::test
