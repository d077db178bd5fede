#pragma once
// What the simulated media player knows about the media it is asked to open: how long each
// one lasts and which ones it cannot play. Tests say "this file lasts 100 s"; anything not
// listed lasts kDefaultDuration and plays.

#include <map>
#include <set>
#include <string>

namespace zov::ui::headless {

class MediaCatalog {
  public:
    static constexpr double kDefaultDuration = 60;

    // Addresses are compared exactly, as the player's URL is.
    void setDuration(const std::string& url, double seconds) { durations_[url] = seconds; }
    void markUnplayable(const std::string& url) { unplayable_.insert(url); }
    void setDefaultDuration(double seconds) { defaultDuration_ = seconds; }

    double duration(const std::string& url) const {
        auto it = durations_.find(url);
        return it == durations_.end() ? defaultDuration_ : it->second;
    }
    bool playable(const std::string& url) const { return unplayable_.count(url) == 0; }

  private:
    std::map<std::string, double> durations_;
    std::set<std::string> unplayable_;
    double defaultDuration_ = kDefaultDuration;
};

}  // namespace zov::ui::headless
