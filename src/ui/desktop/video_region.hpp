#pragma once
// The part of the main window where the movie is seen: a native child window that libmpv
// draws into (Qt paints nothing over the picture, only black where there is none). It sits
// at the player's rectangle, or covers the whole main window in full screen; there a double
// click on the video or Escape, wherever the keyboard focus is in the main window (often in
// the skin's page), asks to leave full screen.

#include <QRect>
#include <QWidget>

namespace zov::ui::desktop {

class VideoRegion final : public QWidget {
    Q_OBJECT

  public:
    // A child of the main window, made native at once (its ancestors stay as they are).
    explicit VideoRegion(QWidget* mainWindow);
    ~VideoRegion() override;

    // The rectangle in the main window when not covering it.
    void place(const QRect& rect);
    QRect placed() const { return placed_; }
    void setCovering(bool covering);
    bool covering() const { return covering_; }

  signals:
    void leaveFullScreenRequested();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fitToWindow();
    // Whether an event sent to `object` happens in this region's main window.
    bool inMainWindow(QObject* object) const;

    QRect placed_;
    bool covering_ = false;
};

}  // namespace zov::ui::desktop
