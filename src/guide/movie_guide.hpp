#pragma once
// The guide window: the service's movie guide page (loaded first into a hidden pre-load
// browser, then shown), the movie chosen on it with the buttons that fit that movie, the
// download queue and its engine, playing from the guide and deleting movies. One instance
// for the whole client, shown and hidden; it is not the playlist and not the player.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "guide/guide_services.hpp"
#include "platform/weak_factory.hpp"
#include "runtime/dispatchable.hpp"

namespace zov::config {
class MediaInfo;
}
namespace zov::net {
class Brevicast;
}
namespace zov::runtime {
class clsForward;
}
namespace zov::ui {
class Window;
class Browser;
class Label;
class Button;
class TextBox;
class IntervalTimer;
enum class FrameLevel;
}  // namespace zov::ui

namespace zov::guide {

class queue;

class movieGuide final : public runtime::Dispatchable,
                         public std::enable_shared_from_this<movieGuide> {
  public:
    using Media = std::shared_ptr<config::MediaInfo>;

    // The Delete key on the guide window deletes the item the page describes (onControlDel).
    static constexpr int kDeleteKey = 46;
    // Opens the playlist window (the key of the letter L, either case).
    static constexpr int kPlaylistKey = 'L';
    // The status line's tick after a choice or an action, in milliseconds.
    static constexpr std::int32_t kStatusTickAfterAction = 10000;

    explicit movieGuide(GuideServices services);
    // Closing the window: a running download is cancelled.
    ~movieGuide() override;
    movieGuide(const movieGuide&) = delete;
    movieGuide& operator=(const movieGuide&) = delete;

    ui::Window& window() { return *window_; }
    ui::Browser& bufferView() { return *bufferView_; }
    ui::Browser& epgBrowser() { return *epgBrowser_; }
    guide::queue& queueWindow() { return *queue_; }
    net::Brevicast& brevicastEngine() { return *brevicastEngine_; }

    // Movies waiting for their download, head first. The records are shared: the one
    // queued is the selected record itself.
    std::vector<Media>& mediaQueue() { return mediaQueue_; }
    const Media& currentSelected() const { return currentSelected_; }
    const Media& currentDownload() const { return currentDownload_; }
    bool preLoading() const { return preLoading_; }
    std::int16_t progressBarValue() const { return progressBarValue_; }
    void setProgressBarValue(std::int16_t value) { progressBarValue_ = value; }
    const std::string& temp_selectnamelabel() const { return temp_selectnamelabel_; }
    bool playingWhileDownloading() const { return playingWhileDownloading_; }
    bool pageReady() const { return pageReady_ == 1; }
    // The title of the selected item; empty when none.
    std::string selectedTitle() const;

    // Page events and the selected item.
    void processEPGControlClick();
    void showSelected();
    void onControlDel();

    // The download queue.
    void downloadSelected();
    void addToQueue(const Media& media);
    void processQueue();
    bool IsDownloadingMedia() const;

    // Playing from the guide.
    void MLplay_Click();
    void resumeFromBookmark();
    bool playWhileDownloading();
    void previewBt_Click();
    // True while the movie previewed during its download has less than 30 seconds of
    // downloaded material ahead of the play position.
    bool previewTimeout() const;

    // Deleting.
    void processEPGDeleteClick();
    void deleteFile(const config::MediaInfo& media);

  private:
    void createControls();
    void wireEvents();
    void bufferView_BeforeNavigate2();
    void bufferView_DocumentComplete();
    void epgBrowser_DocumentComplete(const std::string& url, ui::FrameLevel level);
    void wireGuidePage();
    // Refuses an item whose names would leave the movie folder; true when it was refused.
    bool refuseUnsafeNames(const config::MediaInfo& media);
    void setSkinVariable(const std::string& name, const std::string& value);
    std::string mediaPath() const;
    bool presentOnDisk(const config::MediaInfo& media);

    // Buttons.
    void MLDelete_Click();
    void MLFavour_Click();
    void stopDownload_Click();
    void showdownload_Click();
    void view_queue_Click();
    void refreshBt_Click();
    void close_Click();

    // Downloads and the status text.
    void startDownload(const Media& media);
    void clearDownloadState();
    // Lets the engine finish the event it is raising before the next download starts.
    void processQueueSoon();
    void queue_RemoveEntry(int line);
    void statustextimer_Timer();
    void showStatusText(const std::string& progressWording);
    void brevicastEngine_onFileSize(std::int32_t fileSize);
    void brevicastEngine_onDownloading(std::int32_t lngBytesTransferred);
    void brevicastEngine_onDownloaded();
    void brevicastEngine_onError(std::int32_t errorMessage);
    void brevicastEngine_onDownloadPreparation();
    void brevicastEngine_onTimeOut();

    // Playing.
    void resumeFrom(const config::MediaInfo& media);
    void blankTimeDisplay();
    void finishPlayStart(const config::MediaInfo& media);

    GuideServices services_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Browser> epgBrowser_;
    std::shared_ptr<ui::Browser> bufferView_;
    std::shared_ptr<ui::Label> SelectedNameLabel_;
    std::shared_ptr<ui::Label> second_line_status_;
    std::shared_ptr<ui::Label> currentDLLabel_;
    std::shared_ptr<ui::Label> percentLabel_;
    std::shared_ptr<ui::TextBox> truncationBox_;
    std::shared_ptr<ui::Button> MLplay_;
    std::shared_ptr<ui::Button> MLdownload_;
    std::shared_ptr<ui::Button> MLDelete_;
    std::shared_ptr<ui::Button> MLFavour_;
    std::shared_ptr<ui::Button> stopDownload_;
    std::shared_ptr<ui::Button> previewbt_;
    std::shared_ptr<ui::Button> refreshBt_;
    std::shared_ptr<ui::Button> showdownload_;
    std::shared_ptr<ui::Button> view_queue_;
    std::shared_ptr<ui::Button> close_;
    std::shared_ptr<ui::IntervalTimer> statustextimer_;
    std::unique_ptr<guide::queue> queue_;

    std::vector<Media> mediaQueue_;
    Media currentSelected_;
    Media currentDownload_;
    bool preLoading_ = false;
    std::int16_t progressBarValue_ = 0;
    std::string temp_selectnamelabel_;
    bool playingWhileDownloading_ = false;
    std::int16_t pageReady_ = 0;
    std::shared_ptr<runtime::clsForward> forwarder_;
    std::shared_ptr<net::Brevicast> brevicastEngine_;
    platform::WeakFactory<movieGuide> weak_{this};  // last
};

}  // namespace zov::guide
