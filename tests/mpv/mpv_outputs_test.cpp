// Where the libmpv player shows and sounds: nothing headless, the given native window on a
// screen, and always a way out to the null sound output.

#include <gtest/gtest.h>
#include <mpv/client.h>

#include <clocale>
#include <map>
#include <string>

#include "ui/mpv/mpv_outputs.hpp"

namespace zov::test {
namespace {

using ui::mpv::MpvOutputs;
using ui::mpv::outputOptions;

std::map<std::string, std::string> asMap(const MpvOutputs& outputs) {
    std::map<std::string, std::string> options;
    for (const auto& [name, value] : outputOptions(outputs))
        options[name] = value;
    return options;
}

TEST(MpvOutputs, HeadlessShowsAndSoundsNothingAndAWindowGetsThePicture) {
    const auto headless = asMap({});
    EXPECT_EQ(headless.at("vo"), "null");
    EXPECT_EQ(headless.at("ao"), "null");
    EXPECT_EQ(headless.count("wid"), 0u);

    const auto desktop =
        asMap({.videoWindow = 0x4a00007, .videoOutputs = "gpu,x11", .audioOutputs = "pulse,alsa"});
    EXPECT_EQ(desktop.at("wid"), "77594631");  // libmpv reads the handle as a decimal number
    EXPECT_EQ(desktop.at("vo"), "gpu,x11");
    // Without a sound device the movie still plays, on the null output.
    EXPECT_EQ(desktop.at("ao"), "pulse,alsa,null");
    // Drawn through X11 only (probing on reaches the console, which costs a descriptor),
    // and on software GL where there is no GPU.
    EXPECT_EQ(desktop.at("gpu-context"), "x11egl");
    EXPECT_EQ(desktop.at("gpu-sw"), "yes");
    // The window, not libmpv, takes the keys and the mouse.
    EXPECT_EQ(desktop.at("input-vo-keyboard"), "no");
    EXPECT_EQ(desktop.at("input-cursor"), "no");

    EXPECT_EQ(asMap({.audioOutputs = "pulse,null"}).at("ao"), "pulse,null");
    EXPECT_EQ(asMap({.audioOutputs = ""}).at("ao"), "null");
    EXPECT_EQ(asMap({.audioOutputs = "nullsink"}).at("ao"), "nullsink,null");
}

TEST(MpvOutputs, LibmpvTakesEveryOptionGivenForAWindow) {
    // A misspelt option would be refused here and silently ignored in the player.
    std::setlocale(LC_NUMERIC, "C");
    mpv_handle* mpv = mpv_create();
    ASSERT_NE(mpv, nullptr);
    for (const auto& [name, value] :
         outputOptions({.videoWindow = 0x4a00007, .audioOutputs = "pulse,alsa"}))
        EXPECT_GE(mpv_set_option_string(mpv, name.c_str(), value.c_str()), 0)
            << name << "=" << value;
    mpv_terminate_destroy(mpv);
}

}  // namespace
}  // namespace zov::test
