#include "net/ftp_reply_reader.hpp"

#include <cctype>

namespace zov::net {

namespace {

// "NNN " starts the line that ends a reply; a bare LF ends a line as CR LF does, for
// servers that forget the CR.
std::optional<std::int16_t> finalLineCode(std::string_view line) {
    if (line.size() < 4 || line[3] != ' ') return std::nullopt;
    for (std::size_t i = 0; i < 3; ++i) {
        if (!std::isdigit(static_cast<unsigned char>(line[i]))) return std::nullopt;
    }
    return static_cast<std::int16_t>((line[0] - '0') * 100 + (line[1] - '0') * 10 +
                                     (line[2] - '0'));
}

}  // namespace

void FtpReplyReader::feed(std::string_view text) {
    if (skippingLine_) {
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) return;
        skippingLine_ = false;
        text.remove_prefix(end + 1);
    }
    buffer_.append(text);
}

std::optional<FtpReply> FtpReplyReader::next() {
    while (scanned_ < buffer_.size()) {
        const std::size_t end = buffer_.find('\n', scanned_);
        if (end == std::string::npos) break;
        const auto code = finalLineCode(std::string_view(buffer_).substr(scanned_, end - scanned_));
        if (!code) {
            scanned_ = end + 1;
            continue;
        }
        FtpReply reply{*code, buffer_.substr(0, end + 1)};
        buffer_.erase(0, end + 1);
        scanned_ = 0;
        return reply;
    }
    dropOverflow();
    return std::nullopt;
}

void FtpReplyReader::clear() {
    buffer_.clear();
    scanned_ = 0;
    skippingLine_ = false;
}

// Called when no whole reply is left: everything before scanned_ is lines that end no
// reply, the rest one unfinished line. The lines go first, then an endless line itself.
void FtpReplyReader::dropOverflow() {
    if (buffer_.size() <= kLimit) return;
    buffer_.erase(0, scanned_);
    scanned_ = 0;
    if (buffer_.size() <= kLimit) return;
    buffer_.clear();
    skippingLine_ = true;
}

}  // namespace zov::net
