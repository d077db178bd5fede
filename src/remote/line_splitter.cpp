#include "remote/line_splitter.hpp"

#include <utility>

namespace zov::remote {

LineSplitter::LineSplitter(LineHandler handler, std::size_t maxLine)
    : handler_(std::move(handler)), maxLine_(maxLine) {}

void LineSplitter::feed(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t end = bytes.find('\n');
        const std::string_view piece = bytes.substr(0, end);
        if (!discarding_) {
            if (partial_.size() + piece.size() > maxLine_ + 1) {  // + 1: a CR before the LF
                partial_.clear();
                discarding_ = true;
                handler_({}, true);
            } else {
                partial_.append(piece);
            }
        }
        if (end == std::string_view::npos) return;
        bytes.remove_prefix(end + 1);
        if (discarding_)
            discarding_ = false;
        else
            emit();
    }
}

void LineSplitter::finish() {
    if (!discarding_ && !partial_.empty()) emit();
    partial_.clear();
    discarding_ = false;
}

void LineSplitter::emit() {
    std::string line = std::move(partial_);
    partial_.clear();
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.size() > maxLine_) {
        handler_({}, true);
        return;
    }
    handler_(line, false);
}

}  // namespace zov::remote
