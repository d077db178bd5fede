#include "guide/download_queue.hpp"

#include <cmath>
#include <optional>
#include <string>

#include "config/delivery_server_info.hpp"
#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_controls.hpp"
#include "guide/guide_host.hpp"
#include "guide/guide_selection.hpp"
#include "guide/media_names.hpp"
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

DownloadQueue::DownloadQueue(GuideServices services, GuideControls& controls,
                             GuideSelection& selection)
    : services_(services),
      controls_(controls),
      selection_(selection),
      queue_(std::make_unique<guide::queue>(services.ui)) {
    queue_->RemoveEntry.connect([this](int line) { queue_RemoveEntry(line); });
    brevicastEngine_ =
        net::Brevicast::create(services_.loop, services_.resolver, services_.fileSystem);
    auto guard = [this](auto member) {
        return weak_.bind(
            [member](DownloadQueue& self, auto&&... args) { (self.*member)(args...); });
    };
    brevicastEngine_->onFileSize.connect(guard(&DownloadQueue::brevicastEngine_onFileSize));
    brevicastEngine_->onDownloading.connect(guard(&DownloadQueue::brevicastEngine_onDownloading));
    brevicastEngine_->onDownloaded.connect(guard(&DownloadQueue::brevicastEngine_onDownloaded));
    brevicastEngine_->onError.connect(guard(&DownloadQueue::brevicastEngine_onError));
    brevicastEngine_->onDownloadPreparation.connect(weak_.bind(
        [](DownloadQueue& self, std::string&) { self.brevicastEngine_onDownloadPreparation(); }));
    brevicastEngine_->onTimeOut.connect(guard(&DownloadQueue::brevicastEngine_onTimeOut));
}

DownloadQueue::~DownloadQueue() {
    weak_.invalidate();  // what the engine reports while it is cancelled finds nobody
    if (currentDownload_) brevicastEngine_->cancelCurrentDownload();
}

bool DownloadQueue::isCurrentDownload(const config::MediaInfo& media) const {
    return currentDownload_ && sameMovie(*currentDownload_, media);
}

bool DownloadQueue::IsDownloadingMedia() const {
    if (brevicastEngine_->currentState() ==
        static_cast<std::int32_t>(net::DownloadStatus::Cancelling))
        return true;
    return currentDownload_ != nullptr;
}

bool DownloadQueue::downloadSelected() {
    const Media selected = selection_.currentSelected;
    if (!selected || isCurrentDownload(*selected)) return false;
    if (refuseUnsafeNames(services_.dialogs, *selected) || isStreaming(*selected)) return false;
    addToQueue(selected);
    processQueue();
    return true;
}

void DownloadQueue::addToQueue(const Media& media) {
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
        controls_.view_queue->setVisible(true);
    }
    mediaQueue_.push_back(media);
}

void DownloadQueue::processQueue() {
    if (brevicastEngine_->currentState() ==
        static_cast<std::int32_t>(net::DownloadStatus::Cancelling))
        return;
    if (currentDownload_ || mediaQueue_.empty()) return;
    auto& list = queue_->movieNameList();
    if (list.listCount() > 0) list.removeItem(0);
    Media next = mediaQueue_.front();
    mediaQueue_.erase(mediaQueue_.begin());
    controls_.currentDLLabel->setCaption(next->mediaTitle());
    startDownload(next);
}

void DownloadQueue::startDownload(const Media& media) {
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

void DownloadQueue::clearDownloadState() {
    controls_.currentDLLabel->setCaption("");
    controls_.percentLabel->setCaption("");
    progressBarValue_ = 0;
    playingWhileDownloading_ = false;
    currentDownload_.reset();
    // Stop and preview only ever concern a running download.
    controls_.stopDownload->setVisible(false);
    controls_.previewbt->setVisible(false);
}

void DownloadQueue::processQueueSoon() {
    services_.loop.post(weak_.bind([](DownloadQueue& self) { self.processQueue(); }));
}

void DownloadQueue::stopDownload_Click() {
    if (!currentDownload_) return;
    const Media stopped = currentDownload_;
    brevicastEngine_->cancelCurrentDownload();
    services_.host.onDownload(*stopped);
    clearDownloadState();
    processQueue();
}

void DownloadQueue::queue_RemoveEntry(int line) {
    auto& list = queue_->movieNameList();
    if (line < 0 || line >= list.listCount()) return;
    if (static_cast<std::size_t>(line) >= mediaQueue_.size()) return;
    list.removeItem(line);
    mediaQueue_.erase(mediaQueue_.begin() + line);
}

// ---- engine events ----------------------------------------------------------------------

void DownloadQueue::brevicastEngine_onFileSize(std::int32_t fileSize) {
    if (currentDownload_) currentDownload_->setFileSize(fileSize);
}

void DownloadQueue::brevicastEngine_onDownloading(std::int32_t lngBytesTransferred) {
    if (!currentDownload_) return;
    currentDownload_->setDownloadedBytes(lngBytesTransferred);
    if (!controls_.window->visible()) return;
    progressBarValue_ = percentage(lngBytesTransferred, currentDownload_->fileSize());
    const std::string digits = std::to_string(progressBarValue_);
    controls_.percentLabel->setCaption(digits + "%");
    services_.host.setSkinVariable("_root.progressbar.percentage", digits);
}

void DownloadQueue::brevicastEngine_onDownloaded() {
    if (!currentDownload_) return;
    const Media finished = currentDownload_;
    // Written only for names that stay in the movie folder; others never start.
    if (hasPlainLocalNames(*finished))
        services_.fileSystem.writeFile(
            services_.host.playerProp().mediaPath() + finished->markerFileName(), "done\r\n\r\n");
    if (!services_.host.wmpPlayer().fullScreen())
        services_.dialogs.showPopup(finished->localFileName() + " Download Completed");
    if (selection_.currentSelected && sameMovie(*selection_.currentSelected, *finished)) {
        controls_.MLplay->setVisible(false);
        controls_.MLdownload->setVisible(false);
        controls_.MLDelete->setVisible(false);
        controls_.MLplay->setVisible(true);
        controls_.MLDelete->setVisible(true);
        // The skin said "-Downloading...N%" for it: now it names the movie ready to play,
        // as choosing a movie on disk does.
        services_.host.setSkinVariable("videoName", controls_.SelectedNameLabel->caption());
    }
    services_.host.onDownload(*finished);
    clearDownloadState();
    processQueueSoon();
}

void DownloadQueue::brevicastEngine_onError(std::int32_t errorMessage) {
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

void DownloadQueue::brevicastEngine_onDownloadPreparation() {
    if (!currentDownload_) return;
    controls_.truncationBox->setText(currentDownload_->mediaTitle().substr(0, kTruncatedTitle));
}

void DownloadQueue::brevicastEngine_onTimeOut() {
    if (!currentDownload_) return;
    services_.dialogs.showPopup(
        "Server is not responding.  Please wait a little and then try again.");
    clearDownloadState();
    processQueueSoon();
}

void DownloadQueue::view_queue_Click() {
    queue_->window().show(ui::ShowMode::Modeless);
}

// ---- status text ------------------------------------------------------------------------

void DownloadQueue::statustextimer_Timer() {
    showStatusText("-Downloading...");
}

void DownloadQueue::showdownload_Click() {
    controls_.statustextimer->setInterval(GuideControls::kStatusTickAfterAction);
    showStatusText(" Downloading...");
}

void DownloadQueue::showStatusText(const std::string& progressWording) {
    const bool playing = services_.host.wmpPlayer().playState() == ui::wmppsPlaying;
    auto showProgress = [&] {
        controls_.second_line_status->setCaption("Downloading");
        services_.host.setSkinVariable("videoName", controls_.currentDLLabel->caption() +
                                                        progressWording +
                                                        std::to_string(progressBarValue_) + "%");
    };
    auto showPlaying = [&] {
        controls_.SelectedNameLabel->setCaption(selection_.temp_selectnamelabel);
        controls_.second_line_status->setCaption("Now Playing");
        services_.host.setSkinVariable("videoName",
                                       controls_.SelectedNameLabel->caption() + "-Now Playing");
    };
    if (currentDownload_) {
        if (controls_.second_line_status->caption() == "Now Playing" && playing)
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
