#include "ui/mpv/mpv_outputs.hpp"

namespace zov::ui::mpv {

namespace {

std::string endingInNull(const std::string& list) {
    if (list.empty() || list == "null") return "null";
    const std::size_t comma = list.rfind(',');
    const std::string last = comma == std::string::npos ? list : list.substr(comma + 1);
    return last == "null" ? list : list + ",null";
}

}  // namespace

std::vector<std::pair<std::string, std::string>> outputOptions(const MpvOutputs& outputs) {
    std::vector<std::pair<std::string, std::string>> options;
    if (outputs.videoWindow == 0) {
        options.emplace_back("vo", "null");
    } else {
        options.emplace_back("wid", std::to_string(outputs.videoWindow));
        options.emplace_back("vo", outputs.videoOutputs.empty() ? "gpu,x11" : outputs.videoOutputs);
        // The window is an X11 one: the GPU output draws through X11's EGL only. Left to
        // probe, libmpv goes on to the console (DRM), which on a machine without one
        // closes a descriptor that is not its own (our standard input, or by then an X
        // connection).
        options.emplace_back("gpu-context", "x11egl");
        // Software GL (no GPU, or Xvfb) draws the picture too.
        options.emplace_back("gpu-sw", "yes");
        // The front end's window takes the keys and the mouse, not libmpv's.
        options.emplace_back("input-vo-keyboard", "no");
        options.emplace_back("input-cursor", "no");
    }
    options.emplace_back("ao", endingInNull(outputs.audioOutputs));
    return options;
}

}  // namespace zov::ui::mpv
