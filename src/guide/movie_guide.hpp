#pragma once
// The guide window: the service's movie guide page (loaded first into a hidden pre-load
// browser, then shown), the movie chosen on it with the buttons that fit that movie, and
// the parts that act for it: the download queue, playing from the guide and deleting. One
// instance for the whole client, shown and hidden; it is not the playlist and not the player.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "guide/delete_media.hpp"
#include "guide/download_queue.hpp"
#include "guide/guide_controls.hpp"
#include "guide/guide_selection.hpp"
#include "guide/guide_services.hpp"
#include "guide/play_from_guide.hpp"
#include "runtime/dispatchable.hpp"

namespace zov::runtime {
class clsForward;
}
namespace zov::ui {
enum class FrameLevel;
}

namespace zov::guide {

class movieGuide final : public runtime::Dispatchable,
                         public std::enable_shared_from_this<movieGuide> {
  public:
    using Media = std::shared_ptr<config::MediaInfo>;

    // The Delete key on the guide window deletes the item the page describes (onControlDel).
    static constexpr int kDeleteKey = 46;
    // Opens the playlist window (the key of the letter L, either case).
    static constexpr int kPlaylistKey = 'L';

    explicit movieGuide(GuideServices services);
    // Closing the window: a running download is cancelled.
    ~movieGuide() override;
    movieGuide(const movieGuide&) = delete;
    movieGuide& operator=(const movieGuide&) = delete;

    ui::Window& window() { return *controls_.window; }
    ui::Browser& bufferView() { return *controls_.bufferView; }
    ui::Browser& epgBrowser() { return *controls_.epgBrowser; }
    guide::queue& queueWindow() { return downloads_.queueWindow(); }
    net::Brevicast& brevicastEngine() { return downloads_.brevicastEngine(); }

    // Movies waiting for their download, head first. The records are shared: the one
    // queued is the selected record itself.
    std::vector<Media>& mediaQueue() { return downloads_.mediaQueue(); }
    const Media& currentSelected() const { return selection_.currentSelected; }
    const Media& currentDownload() const { return downloads_.currentDownload(); }
    bool preLoading() const { return preLoading_; }
    std::int16_t progressBarValue() const { return downloads_.progressBarValue(); }
    void setProgressBarValue(std::int16_t value) { downloads_.setProgressBarValue(value); }
    const std::string& temp_selectnamelabel() const { return selection_.temp_selectnamelabel; }
    bool playingWhileDownloading() const { return downloads_.playingWhileDownloading(); }
    bool pageReady() const { return pageReady_ == 1; }
    // The title of the selected item; empty when none.
    std::string selectedTitle() const;

    // Page events and the selected item.
    void processEPGControlClick();
    void showSelected();
    void onControlDel();

    // The download queue.
    void downloadSelected();
    void addToQueue(const Media& media) { downloads_.addToQueue(media); }
    void processQueue() { downloads_.processQueue(); }
    bool IsDownloadingMedia() const { return downloads_.IsDownloadingMedia(); }

    // Playing from the guide.
    void MLplay_Click() { player_.MLplay_Click(); }
    void resumeFromBookmark() { player_.resumeFromBookmark(); }
    bool playWhileDownloading() { return player_.playWhileDownloading(); }
    void previewBt_Click() { player_.previewBt_Click(); }
    bool previewTimeout() const { return player_.previewTimeout(); }

    // Deleting.
    void processEPGDeleteClick() { deleting_.processEPGDeleteClick(); }
    void deleteFile(const config::MediaInfo& media) { deleting_.deleteFile(media); }

  private:
    void wireEvents();
    void bufferView_BeforeNavigate2();
    void bufferView_DocumentComplete();
    void epgBrowser_DocumentComplete(const std::string& url, ui::FrameLevel level);
    void wireGuidePage();
    bool presentOnDisk(const config::MediaInfo& media);

    // Buttons and the status timer.
    void MLDelete_Click();
    void MLFavour_Click();
    void stopDownload_Click() { downloads_.stopDownload_Click(); }
    void showdownload_Click() { downloads_.showdownload_Click(); }
    void view_queue_Click() { downloads_.view_queue_Click(); }
    void statustextimer_Timer() { downloads_.statustextimer_Timer(); }
    void refreshBt_Click();
    void close_Click();

    GuideServices services_;
    GuideControls controls_;
    GuideSelection selection_;
    DownloadQueue downloads_;
    PlayFromGuide player_;
    DeleteMedia deleting_;
    bool preLoading_ = false;
    std::int16_t pageReady_ = 0;
    std::shared_ptr<runtime::clsForward> forwarder_;
};

}  // namespace zov::guide
