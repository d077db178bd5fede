#pragma once
// The guide's download queue: the movies waiting for their download, one download at a
// time through the engine it owns, the progress on the guide and the skin, the completion
// marker, the small queue window and the rotating status text. It neither plays nor deletes.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "guide/guide_services.hpp"
#include "platform/weak_factory.hpp"

namespace zov::config {
class MediaInfo;
}
namespace zov::net {
class Brevicast;
}

namespace zov::guide {

struct GuideControls;
struct GuideSelection;
class queue;

class DownloadQueue {
  public:
    using Media = std::shared_ptr<config::MediaInfo>;

    DownloadQueue(GuideServices services, GuideControls& controls, GuideSelection& selection);
    // A running download is cancelled.
    ~DownloadQueue();
    DownloadQueue(const DownloadQueue&) = delete;
    DownloadQueue& operator=(const DownloadQueue&) = delete;

    guide::queue& queueWindow() { return *queue_; }
    net::Brevicast& brevicastEngine() { return *brevicastEngine_; }

    // Movies waiting for their download, head first.
    std::vector<Media>& mediaQueue() { return mediaQueue_; }
    const Media& currentDownload() const { return currentDownload_; }
    // True when this is the movie being downloaded now.
    bool isCurrentDownload(const config::MediaInfo& media) const;
    std::int16_t progressBarValue() const { return progressBarValue_; }
    void setProgressBarValue(std::int16_t value) { progressBarValue_ = value; }
    // Set when the current download was started for playback; a download's end clears it.
    bool playingWhileDownloading() const { return playingWhileDownloading_; }
    void setPlayingWhileDownloading(bool playing) { playingWhileDownloading_ = playing; }

    bool IsDownloadingMedia() const;
    // Queues the selected movie, starting it when nothing runs; false when it was not queued
    // (none selected, already downloading, a stream, or names refused).
    bool downloadSelected();
    void addToQueue(const Media& media);
    void processQueue();

    // Buttons and the status timer.
    void stopDownload_Click();
    void showdownload_Click();
    void view_queue_Click();
    void statustextimer_Timer();

  private:
    void startDownload(const Media& media);
    void clearDownloadState();
    // Lets the engine finish the event it is raising before the next download starts.
    void processQueueSoon();
    void queue_RemoveEntry(int line);
    void showStatusText(const std::string& progressWording);
    void brevicastEngine_onFileSize(std::int32_t fileSize);
    void brevicastEngine_onDownloading(std::int32_t lngBytesTransferred);
    void brevicastEngine_onDownloaded();
    void brevicastEngine_onError(std::int32_t errorMessage);
    void brevicastEngine_onDownloadPreparation();
    void brevicastEngine_onTimeOut();

    GuideServices services_;
    GuideControls& controls_;
    GuideSelection& selection_;
    std::unique_ptr<guide::queue> queue_;
    std::vector<Media> mediaQueue_;
    Media currentDownload_;
    std::int16_t progressBarValue_ = 0;
    bool playingWhileDownloading_ = false;
    std::shared_ptr<net::Brevicast> brevicastEngine_;
    platform::WeakFactory<DownloadQueue> weak_{this};  // last
};

}  // namespace zov::guide
