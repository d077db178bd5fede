#pragma once
// A vector-animation movie in memory: the file it was told to load, the variables the
// client wrote (in order, too), and commands that a test or the remote-control channel
// sends as if from the movie.

#include <cstddef>
#include <deque>
#include <map>
#include <string>
#include <utility>

#include "ui/flash_movie.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessFlashMovie final : public NamedControl<FlashMovie> {
  public:
    using NamedControl::NamedControl;

    void LoadMovie(const std::string& path) override;
    std::string movie() const override { return movie_; }
    void SetVariable(const std::string& name, const std::string& value) override;
    // "" for a variable never set.
    std::string GetVariable(const std::string& name) const override;

    void typeVariable(const std::string& name, const std::string& value) override;
    // The latest SetVariable calls in order, as (name, value); the oldest are dropped
    // beyond kKeptWrites, so a long session does not grow without bound.
    static constexpr std::size_t kKeptWrites = 1000;
    const std::deque<std::pair<std::string, std::string>>& writes() const { return writes_; }

  private:
    std::string movie_;
    std::map<std::string, std::string> variables_;
    std::deque<std::pair<std::string, std::string>> writes_;
};

}  // namespace zov::ui::headless
