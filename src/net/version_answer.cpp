#include "net/version_answer.hpp"

#include <re2/re2.h>

namespace zov::net {
namespace {

// The answer is read byte by byte (Latin-1) rather than as UTF-8: a server that writes its
// notes in a Windows code page must not make "[\S\s]" stop at the first accented letter, and
// names match without case only over ASCII, never through Unicode folds such as "ſ" for "s".
RE2::Options answerOptions() {
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingLatin1);
    options.set_case_sensitive(false);
    options.set_log_errors(false);
    return options;
}

const RE2& productPattern() {
    static const RE2 pattern(R"re(<product name="([^"]+)" url="([^"]*)">)re", answerOptions());
    return pattern;
}

const RE2& versionPattern() {
    static const RE2 pattern(
        R"re(<version id="([^"]+)" newer-than-you="([^"]+)" require-update="([^"]+)">)re",
        answerOptions());
    return pattern;
}

const RE2& modificationsPattern() {
    static const RE2 pattern(R"re(<modifications>([\S\s]*?)</modifications>)re", answerOptions());
    return pattern;
}

const RE2& urlPattern() {
    static const RE2 pattern(R"re(<url>([\S\s]*?)</url>)re", answerOptions());
    return pattern;
}

}  // namespace

VersionAnswer VersionAnswer::parse(std::string_view text) {
    const re2::StringPiece input(text.data(), text.size());
    VersionAnswer answer;

    Product product;
    if (RE2::PartialMatch(input, productPattern(), &product.name, &product.url)) {
        answer.product = std::move(product);
    }
    Version version;
    if (RE2::PartialMatch(input, versionPattern(), &version.id, &version.newerThanYou,
                          &version.requireUpdate)) {
        answer.version = std::move(version);
    }
    std::string modifications;
    if (RE2::PartialMatch(input, modificationsPattern(), &modifications)) {
        answer.modifications = std::move(modifications);
    }
    std::string url;
    if (RE2::PartialMatch(input, urlPattern(), &url)) {
        answer.url = std::move(url);
    }
    return answer;
}

}  // namespace zov::net
