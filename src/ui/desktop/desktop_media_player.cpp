#include "ui/desktop/desktop_media_player.hpp"

#include <QPointer>

#include <cmath>

#include "ui/desktop/video_region.hpp"
#include "ui/mpv/mpv_media_player.hpp"
#include "ui/mpv/video_surface.hpp"

namespace zov::ui::desktop {

namespace {

QRect toPixels(const Rect& rect) {
    return QRect(static_cast<int>(std::lround(rect.left)), static_cast<int>(std::lround(rect.top)),
                 static_cast<int>(std::lround(rect.width)),
                 static_cast<int>(std::lround(rect.height)));
}

// The player's view of the region. The main window owns the region and may go first; the
// player then drives nothing.
class RegionSurface final : public mpv::VideoSurface {
  public:
    explicit RegionSurface(VideoRegion* region) : region_(region) {
        QObject::connect(region, &VideoRegion::leaveFullScreenRequested, region,
                         [this] { LeaveFullScreen(); });
    }
    ~RegionSurface() override {
        if (region_) QObject::disconnect(region_, nullptr, region_, nullptr);
    }
    RegionSurface(const RegionSurface&) = delete;
    RegionSurface& operator=(const RegionSurface&) = delete;

    WindowHandle handle() const override {
        return region_ ? static_cast<WindowHandle>(region_->winId()) : 0;
    }
    void place(const Rect& rect) override {
        if (region_) region_->place(toPixels(rect));
    }
    void setShown(bool shown) override {
        if (region_) region_->setVisible(shown);
    }
    void setCovering(bool covering) override {
        if (region_) region_->setCovering(covering);
    }
    void bringToFront() override {
        if (region_) region_->raise();
    }

  private:
    QPointer<VideoRegion> region_;
};

}  // namespace

std::shared_ptr<MediaPlayerControl> makeMediaPlayer(QWidget* mainWindow, ControlName name,
                                                    platform::EventLoop& loop,
                                                    const platform::FileSystem& files) {
    auto* region = new VideoRegion(mainWindow);
    mpv::MpvOutputs outputs;
    outputs.videoOutputs = kDesktopVideoOutputs;
    outputs.audioOutputs = kDesktopAudioOutputs;
    try {
        return mpv::MpvMediaPlayer::create(std::move(name), loop, files, outputs,
                                           std::make_shared<RegionSurface>(region));
    } catch (...) {
        delete region;
        throw;
    }
}

}  // namespace zov::ui::desktop
