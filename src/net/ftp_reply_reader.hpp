#pragma once
// Cuts what a delivery server says on its control connection into whole replies. The
// network may split a reply anywhere, even inside its code ("33" then "1 Password
// required"), and may join several replies in one receive, so text is kept until the line
// that ends a reply has arrived in full, and each reply is handed out once, in order, from
// where the previous one ended. A reply ends with a line of three digits and a space; the
// lines before it ("220-Welcome", or any other text) belong to it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zov::net {

struct FtpReply {
    std::int16_t code = 0;
    std::string text;  // every line of the reply, with its line ends
};

class FtpReplyReader {
  public:
    // Past this many bytes of an unfinished reply its first lines are dropped (and a line
    // longer than this is skipped whole), so a server that never ends a reply cannot fill
    // the memory.
    static constexpr std::size_t kLimit = 64 * 1024;

    void feed(std::string_view text);
    // The next whole reply, or nothing while its last line is still on the way.
    std::optional<FtpReply> next();
    void clear();

    // Bytes kept for a reply not yet complete.
    std::size_t waiting() const { return buffer_.size(); }

  private:
    void dropOverflow();

    std::string buffer_;
    std::size_t scanned_ = 0;    // lines before this are whole and end no reply
    bool skippingLine_ = false;  // the rest of a line too long to keep is not kept
};

}  // namespace zov::net
