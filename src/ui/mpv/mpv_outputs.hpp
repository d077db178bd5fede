#pragma once
// Where the libmpv player shows its picture and plays its sound. The default shows and
// sounds nothing (the headless client: the movie is still decoded for real). A front end
// with a screen gives the native window of the video region, which libmpv draws into; the
// window keeps its own keys and mouse, so a double click on the video still reaches it.

#include <string>
#include <utility>
#include <vector>

#include "ui/window.hpp"

namespace zov::ui::mpv {

struct MpvOutputs {
    // 0: no picture at all.
    WindowHandle videoWindow = 0;
    // libmpv's video outputs for the window, tried in order.
    std::string videoOutputs = "gpu,x11";
    // libmpv's audio outputs, tried in order. Without a sound device a list that does not
    // end in the null output ends every movie as failed, so it always ends in it.
    std::string audioOutputs = "null";
};

// The libmpv options, in the order to set them, that give these outputs.
std::vector<std::pair<std::string, std::string>> outputOptions(const MpvOutputs& outputs);

}  // namespace zov::ui::mpv
