#include <iterator>

#include "ui/media_player_control.hpp"

namespace zov::ui {

namespace {
const char* const kPlayStates[] = {"Undefined",   "Stopped",       "Paused",    "Playing",
                                   "ScanForward", "ScanReverse",   "Buffering", "Waiting",
                                   "MediaEnded",  "Transitioning", "Ready",     "Reconnecting"};
}  // namespace

std::string playStateName(int state) {
    if (state >= 0 && state < static_cast<int>(std::size(kPlayStates))) return kPlayStates[state];
    return "Unknown";
}

}  // namespace zov::ui
