#pragma once
// The controller of the external H.264 player, a separate program ("zovplayer1.exe" in the
// client's folder) that draws into the video region. It starts the program with a command
// line saying where to draw and whom to tell, steers it with posted messages, and keeps the
// state the program reports back through the main window's message hook. It does not
// decode or draw anything itself.

#include <cstdint>
#include <string>

#include "ui/controls.hpp"
#include "ui/window.hpp"

namespace zov::platform {
class WindowMessages;
class ProcessLauncher;
class ProcessTable;
}  // namespace zov::platform

namespace zov::ui {
class Control;
class PictureBox;
}  // namespace zov::ui

namespace zov::playback {

// The ground of the video region, shown wherever no picture is drawn.
inline constexpr ui::Colour kVideoRegionColour{1, 2, 1};

class h264Player {
  public:
    // What the controller works with; all of it outlives the controller.
    struct Ports {
        platform::WindowMessages& messages;
        platform::ProcessLauncher& launcher;
        platform::ProcessTable& processes;
        std::string clientFolder;      // host folder that holds the player program
        ui::PictureBox& videoRegion;   // h264Screen, where the player draws
        const ui::Control& wmpPlayer;  // the embedded player: its place is the normal one
    };

    // PlayerCurrentStatus values.
    enum Status : std::int32_t { Idle = 0, Running = 1, Stopped = 2, Paused = 3 };

    // Sent to the player's control window.
    static constexpr std::uint32_t kSeek = 0x404;         // wParam: target, seconds
    static constexpr std::uint32_t kFastForward = 0x405;  // wParam 0
    static constexpr std::uint32_t kRewind = 0x406;       // wParam 0
    static constexpr std::uint32_t kPlayPause = 0x407;    // wParam 0

    static constexpr const char* kProgramName = "zovplayer1.exe";

    explicit h264Player(Ports ports);
    h264Player(const h264Player&) = delete;
    h264Player& operator=(const h264Player&) = delete;

    // Starts the player on url; a zov::Error from starting it reaches the caller.
    void loadContent(const std::string& url);
    void taggleFullScreen();
    void unloadContent();
    void fullScreen();
    // The whole handle: the player is told all of it, never a part.
    void setRegionToShown(ui::WindowHandle region);
    void setFormToFocus(ui::Window& form);
    void normalScreen();
    void fastforward();
    void seektime(std::int32_t sec);
    void playPause();
    void pausePlaying();
    void stopPlaying();
    void rewind();

    // Taken only while no control window is known; later reports wait for the next launch.
    void setController(ui::WindowHandle controller);
    ui::WindowHandle controller() const { return controller_; }
    void setDuration(std::int32_t seconds) { duration_ = seconds; }
    std::int32_t duration() const { return duration_; }
    std::string currentPositionString() const;
    std::string currentdurationString() const;
    std::int32_t currentPosition() const { return currentPosition_; }
    void setCurrentPosition(std::int32_t seconds) { currentPosition_ = seconds; }
    std::int32_t PlayerCurrentStatus() const { return status_; }

    // Seconds as a clock time "hh:mm:ss": hours wrap to 00 after 23:59:59, and a negative
    // count (no position a player can mean) shows as 00:00:00.
    static std::string clockTime(std::int32_t seconds);

  private:
    // Posts to the player's control window once it is known; silently nothing before.
    void postToController(std::uint32_t message, std::int64_t wParam);
    bool waitingForLength() const { return duration_ <= 0 || controller_ <= -1; }

    Ports ports_;
    ui::Window* formToFocus_ = nullptr;
    ui::WindowHandle regionToShown_ = 0;
    bool isFullScreen_ = false;
    std::int32_t status_ = Idle;
    ui::WindowHandle controller_ = -1;
    std::int32_t duration_ = 0;
    std::int32_t currentPosition_ = 0;
    std::string address_;
    std::string resumeAddress_;
    std::int32_t resumePosition_ = 0;
};

}  // namespace zov::playback
