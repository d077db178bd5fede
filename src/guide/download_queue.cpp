// The guide's download queue: one download at a time through the engine, its progress on
// the guide and the skin, the completion marker, and the rotating status text.

#include <cmath>
#include <optional>
#include <string>

#include "config/delivery_server_info.hpp"
#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_host.hpp"
#include "guide/media_names.hpp"
#include "guide/movie_guide.hpp"
#include "guide/queue.hpp"
#include "net/brevicast.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "platform/file_system.hpp"
#include "runtime/dialogs.hpp"
#include "ui/controls.hpp"
#include "ui/media_player_control.hpp"
#include "ui/window.hpp"

namespace zov::guide {

namespace {

constexpr std::size_t kTruncatedTitle = 30;

// What the user is told when the disk stopped a download.
std::optional<std::string> diskFailureMessage(platform::DiskFailure failure,
                                              const std::string& title) {
    switch (failure) {
        case platform::DiskFailure::NoSpace:
            return "Not enough disk space to finish " + title;
        case platform::DiskFailure::CannotWrite:
            return "The disk refused to store " + title;
        case platform::DiskFailure::None:
            break;
    }
    return std::nullopt;
}

bool sameMovie(const config::MediaInfo& a, const config::MediaInfo& b) {
    return a.remoteFileName() == b.remoteFileName();
}

// Bytes received as a whole percentage, halves to even; 0 while the size is unknown.
std::int16_t percentage(std::int32_t received, std::int32_t size) {
    if (size <= 0 || received <= 0) return 0;
    const double percent = std::nearbyint(static_cast<double>(received) / size * 100.0);
    return static_cast<std::int16_t>(percent > 100 ? 100 : percent);
}

}  // namespace

bool movieGuide::IsDownloadingMedia() const {
    if (brevicastEngine_->currentState() ==
        static_cast<std::int32_t>(net::DownloadStatus::Cancelling))
        return true;
    return currentDownload_ != nullptr;
}

void movieGuide::downloadSelected() {
    if (!currentSelected_) return;
    if (currentDownload_ && sameMovie(*currentDownload_, *currentSelected_)) return;
    if (refuseUnsafeNames(*currentSelected_) || isStreaming(*currentSelected_)) return;
    addToQueue(currentSelected_);
    processQueue();
    // The selected movie may be the one that just started: offer stop and preview for it.
    if (currentDownload_ == currentSelected_) showSelected();
}

void movieGuide::addToQueue(const Media& media) {
    if (!media) return;
    for (const auto& waiting : mediaQueue_) {
        if (sameMovie(*waiting, *media)) {
            services_.dialogs.showPopup("The " + media->localFileName() +
                                        " video is already in the download queue.");
            return;
        }
    }
    if (!mediaQueue_.empty() || currentDownload_) {
        services_.dialogs.showPopup("Add " + media->mediaTitle() + " to the Download Queue.");
        queue_->movieNameList().addItem(media->mediaTitle());
        view_queue_->setVisible(true);
    }
    mediaQueue_.push_back(media);
}

void movieGuide::processQueue() {
    if (brevicastEngine_->currentState() ==
        static_cast<std::int32_t>(net::DownloadStatus::Cancelling))
        return;
    if (currentDownload_ || mediaQueue_.empty()) return;
    auto& list = queue_->movieNameList();
    if (list.listCount() > 0) list.removeItem(0);
    Media next = mediaQueue_.front();
    mediaQueue_.erase(mediaQueue_.begin());
    currentDLLabel_->setCaption(next->mediaTitle());
    startDownload(next);
}

void movieGuide::startDownload(const Media& media) {
    currentDownload_ = media;
    auto& properties = services_.host.playerProp();
    try {
        const config::DeliveryServerInfo server = properties.getDeliveryServer();
        brevicastEngine_->setServerURL(server.serverURL());
        brevicastEngine_->setAccount(server.accountName());
        brevicastEngine_->setPass(server.password());
        brevicastEngine_->setPort(server.port());
    } catch (const Error& error) {
        // No delivery server yet (no login): the download cannot start at all.
        services_.dialogs.showPopup(error.description());
        clearDownloadState();
        return;
    }
    services_.dialogs.showPopup("Start Downloading " + media->mediaTitle() + "\r\n" +
                                "Video is ready for playing after 5% download");
    brevicastEngine_->downloadNoTrickle(*media, properties.mediaPath());
}

void movieGuide::clearDownloadState() {
    currentDLLabel_->setCaption("");
    percentLabel_->setCaption("");
    progressBarValue_ = 0;
    playingWhileDownloading_ = false;
    currentDownload_.reset();
    // Stop and preview only ever concern a running download.
    stopDownload_->setVisible(false);
    previewbt_->setVisible(false);
}

void movieGuide::processQueueSoon() {
    services_.loop.post(weak_.bind([](movieGuide& self) { self.processQueue(); }));
}

void movieGuide::stopDownload_Click() {
    if (!currentDownload_) return;
    const Media stopped = currentDownload_;
    brevicastEngine_->cancelCurrentDownload();
    services_.host.onDownload(*stopped);
    clearDownloadState();
    processQueue();
}

void movieGuide::queue_RemoveEntry(int line) {
    auto& list = queue_->movieNameList();
    if (line < 0 || line >= list.listCount()) return;
    if (static_cast<std::size_t>(line) >= mediaQueue_.size()) return;
    list.removeItem(line);
    mediaQueue_.erase(mediaQueue_.begin() + line);
}

// ---- engine events ----------------------------------------------------------------------

void movieGuide::brevicastEngine_onFileSize(std::int32_t fileSize) {
    if (currentDownload_) currentDownload_->setFileSize(fileSize);
}

void movieGuide::brevicastEngine_onDownloading(std::int32_t lngBytesTransferred) {
    if (!currentDownload_) return;
    currentDownload_->setDownloadedBytes(lngBytesTransferred);
    if (!window_->visible()) return;
    progressBarValue_ = percentage(lngBytesTransferred, currentDownload_->fileSize());
    const std::string digits = std::to_string(progressBarValue_);
    percentLabel_->setCaption(digits + "%");
    setSkinVariable("_root.progressbar.percentage", digits);
}

void movieGuide::brevicastEngine_onDownloaded() {
    if (!currentDownload_) return;
    const Media finished = currentDownload_;
    // Written only for names that stay in the movie folder; others never start.
    if (hasPlainLocalNames(*finished))
        services_.fileSystem.writeFile(mediaPath() + finished->markerFileName(), "done\r\n\r\n");
    if (!services_.host.wmpPlayer().fullScreen())
        services_.dialogs.showPopup(finished->localFileName() + " Download Completed");
    if (currentSelected_ && sameMovie(*currentSelected_, *finished)) {
        MLplay_->setVisible(false);
        MLdownload_->setVisible(false);
        MLDelete_->setVisible(false);
        MLplay_->setVisible(true);
        MLDelete_->setVisible(true);
        // The skin said "-Downloading...N%" for it: now it names the movie ready to play,
        // as choosing a movie on disk does.
        setSkinVariable("videoName", SelectedNameLabel_->caption());
    }
    services_.host.onDownload(*finished);
    clearDownloadState();
    processQueueSoon();
}

void movieGuide::brevicastEngine_onError(std::int32_t errorMessage) {
    if (!currentDownload_) return;
    switch (static_cast<net::DownloadError>(errorMessage)) {
        case net::DownloadError::ConnectionOrLogin:
            services_.dialogs.showPopup("The login information to the server is not correct.");
            break;
        case net::DownloadError::NotOnServer:
            services_.dialogs.showPopup(
                "The video that you are trying to download is not on the server.");
            break;
        case net::DownloadError::ModeRefused:
            services_.dialogs.showPopup("A critical error in the player has occurred.");
            break;
        case net::DownloadError::TransferFailed:
            // A transfer error says nothing, unless the disk itself stopped the download:
            // that the user can fix, so they are told.
            if (auto text = diskFailureMessage(brevicastEngine_->diskFailure(),
                                               currentDownload_->mediaTitle())) {
                services_.dialogs.showPopup(*text);
            }
            break;
        case net::DownloadError::CancelUnfinished:
            break;
    }
    clearDownloadState();
    processQueueSoon();
}

void movieGuide::brevicastEngine_onDownloadPreparation() {
    if (!currentDownload_) return;
    truncationBox_->setText(currentDownload_->mediaTitle().substr(0, kTruncatedTitle));
}

void movieGuide::brevicastEngine_onTimeOut() {
    if (!currentDownload_) return;
    services_.dialogs.showPopup(
        "Server is not responding.  Please wait a little and then try again.");
    clearDownloadState();
    processQueueSoon();
}

// ---- status text ------------------------------------------------------------------------

void movieGuide::statustextimer_Timer() {
    showStatusText("-Downloading...");
}

void movieGuide::showdownload_Click() {
    statustextimer_->setInterval(kStatusTickAfterAction);
    showStatusText(" Downloading...");
}

void movieGuide::showStatusText(const std::string& progressWording) {
    const bool playing = services_.host.wmpPlayer().playState() == ui::wmppsPlaying;
    auto showProgress = [&] {
        second_line_status_->setCaption("Downloading");
        setSkinVariable("videoName", currentDLLabel_->caption() + progressWording +
                                         std::to_string(progressBarValue_) + "%");
    };
    auto showPlaying = [&] {
        SelectedNameLabel_->setCaption(temp_selectnamelabel_);
        second_line_status_->setCaption("Now Playing");
        setSkinVariable("videoName", SelectedNameLabel_->caption() + "-Now Playing");
    };
    if (currentDownload_) {
        if (second_line_status_->caption() == "Now Playing" && playing)
            showProgress();
        else if (playing)
            showPlaying();
        else
            showProgress();
    } else if (playing) {
        showPlaying();
    }
}

}  // namespace zov::guide
