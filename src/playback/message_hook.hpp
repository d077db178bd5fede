#pragma once
// The main window's message hook: what the main window does when the external player posts
// to it (its control window, playback started, position, playback ended), and when the user
// double-clicks, presses a key in or resizes the video region. The main window owns one;
// it listens on the main window's handle from install() until remove().

#include <cstdint>
#include <functional>
#include <string>

#include "ui/window.hpp"

namespace zov::platform {
class WindowMessages;
struct WindowMessage;
}  // namespace zov::platform

namespace zov::runtime {
class CTimeout;
}

namespace zov::ui {
class PictureBox;
}

namespace zov::playback {

class h264Player;

class MessageHook {
  public:
    // Posted by the player to the main window.
    static constexpr std::uint32_t kControlWindow = 0x464;    // wParam: its control window
    static constexpr std::uint32_t kPlaybackStarted = 0x52c;  // wParam: length, seconds
    static constexpr std::uint32_t kPosition = 0x536;         // wParam: position, seconds
    static constexpr std::uint32_t kPlaybackEnded = 0x4c8;

    // What the hook needs of the main window beyond its video region.
    struct MainWindow {
        // SetVariable of the skin movie PlayerSkin.
        std::function<void(const std::string& name, const std::string& value)> setSkinVariable;
        // The title of the guide's selected movie; empty when none is selected.
        std::function<std::string()> selectedTitle;
        std::function<void()> loadStbEProgramGuide;
    };

    // Handles the video region's double click, key press and resize from now on.
    MessageHook(platform::WindowMessages& messages, h264Player& streamingPlayer,
                runtime::CTimeout& fullscreentimer, ui::PictureBox& h264Screen,
                MainWindow mainWindow);
    ~MessageHook();
    MessageHook(const MessageHook&) = delete;
    MessageHook& operator=(const MessageHook&) = delete;

    // Receives the messages posted to the main window's handle (zov::Error when it cannot).
    void install(ui::WindowHandle mainWindow);
    void remove();

    void WindowProc(const platform::WindowMessage& record);

  private:
    void h264Screen_DblClick();
    void h264Screen_KeyPress(int keyAscii);
    void h264Screen_Resize();
    // The video region's own colour, red 1, green 2, blue 1, painted afresh.
    void repaintVideoRegion();
    void setSkinVariable(const std::string& name, const std::string& value);

    platform::WindowMessages& messages_;
    h264Player& streamingPlayer_;
    runtime::CTimeout& fullscreentimer_;
    ui::PictureBox& h264Screen_;
    MainWindow mainWindow_;
    bool installed_ = false;
    ui::WindowHandle hWnd_ = 0;
};

}  // namespace zov::playback
