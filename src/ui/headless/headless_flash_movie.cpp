#include "ui/headless/headless_flash_movie.hpp"

namespace zov::ui::headless {

void HeadlessFlashMovie::LoadMovie(const std::string& path) {
    movie_ = path;
    notify("movie", path);
}

void HeadlessFlashMovie::SetVariable(const std::string& name, const std::string& value) {
    variables_[name] = value;
    writes_.emplace_back(name, value);
    if (writes_.size() > kKeptWrites) writes_.pop_front();
    notify("variable " + name, value);
}

std::string HeadlessFlashMovie::GetVariable(const std::string& name) const {
    auto it = variables_.find(name);
    return it == variables_.end() ? std::string() : it->second;
}

void HeadlessFlashMovie::typeVariable(const std::string& name, const std::string& value) {
    variables_[name] = value;
}

}  // namespace zov::ui::headless
