#pragma once
// Where the windows get their controls: the front end (headless, later Qt) makes each
// window and control, named as the window's designer named them, and files it in its
// registry, so that tests and the remote-control channel can find it again ("movieGuide",
// "downloadbt") and hear its changes.

#include <memory>
#include <string>

namespace zov::ui {

class Window;
class Label;
class Button;
class TextBox;
class ListBox;
class DriveList;
class Shape;
class PictureBox;
class IntervalTimer;
class FlashMovie;
class Browser;
class MediaPlayerControl;
class Screen;
class Registry;

class UiFactory {
  public:
    virtual ~UiFactory() = default;

    virtual std::shared_ptr<Window> createWindow(const std::string& name) = 0;
    virtual std::shared_ptr<Label> createLabel(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<Button> createButton(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<TextBox> createTextBox(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<ListBox> createListBox(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<DriveList> createDriveList(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<Shape> createShape(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<PictureBox> createPictureBox(Window& window,
                                                         const std::string& name) = 0;
    virtual std::shared_ptr<IntervalTimer> createTimer(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<FlashMovie> createFlashMovie(Window& window,
                                                         const std::string& name) = 0;
    virtual std::shared_ptr<Browser> createBrowser(Window& window, const std::string& name) = 0;
    virtual std::shared_ptr<MediaPlayerControl> createMediaPlayer(Window& window,
                                                                  const std::string& name) = 0;
    virtual Screen& screen() = 0;
    // Everything made so far, by name.
    virtual Registry& registry() = 0;
};

}  // namespace zov::ui
