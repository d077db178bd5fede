#include "guide/movie_guide.hpp"

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_host.hpp"
#include "guide/media_names.hpp"
#include "guide/queue.hpp"
#include "net/brevicast.hpp"
#include "platform/error.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/cls_forward.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/popupwindow.hpp"
#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::guide {

namespace {

constexpr const char* kBlankPage = "about:blank";
constexpr std::int32_t kStatusTick = 6000;

}  // namespace

movieGuide::movieGuide(GuideServices services) : services_(services) {
    createControls();
    wireEvents();

    // Window load.
    brevicastEngine_ =
        net::Brevicast::create(services_.loop, services_.resolver, services_.fileSystem);
    forwarder_ = std::make_shared<runtime::clsForward>();
    exposeMethod("processEPGControlClick", [this] { processEPGControlClick(); });
    exposeMethod("processEPGDeleteClick", [this] { processEPGDeleteClick(); });
    exposeMethod("onControlDel", [this] { onControlDel(); });
    exposeMethod("processQueue", [this] { processQueue(); });
    exposeMethod("previewBt_Click", [this] { previewBt_Click(); });

    auto guard = [this](auto member) {
        return weak_.bind([member](movieGuide& self, auto&&... args) { (self.*member)(args...); });
    };
    brevicastEngine_->onFileSize.connect(guard(&movieGuide::brevicastEngine_onFileSize));
    brevicastEngine_->onDownloading.connect(guard(&movieGuide::brevicastEngine_onDownloading));
    brevicastEngine_->onDownloaded.connect(guard(&movieGuide::brevicastEngine_onDownloaded));
    brevicastEngine_->onError.connect(guard(&movieGuide::brevicastEngine_onError));
    brevicastEngine_->onDownloadPreparation.connect(weak_.bind(
        [](movieGuide& self, std::string&) { self.brevicastEngine_onDownloadPreparation(); }));
    brevicastEngine_->onTimeOut.connect(guard(&movieGuide::brevicastEngine_onTimeOut));

    preLoading_ = false;
    bufferView_->Navigate(kBlankPage);
    epgBrowser_->Navigate(kBlankPage);
    pageReady_ = 0;
}

movieGuide::~movieGuide() {
    weak_.invalidate();  // what the engine reports while it is cancelled finds nobody
    if (currentDownload_) brevicastEngine_->cancelCurrentDownload();
    for (auto* button : {&MLplay_, &MLdownload_, &MLDelete_, &MLFavour_, &stopDownload_,
                         &previewbt_, &refreshBt_, &showdownload_, &view_queue_, &close_})
        (*button)->Click.disconnect();
    bufferView_->BeforeNavigate2.disconnect();
    bufferView_->DocumentComplete.disconnect();
    epgBrowser_->DocumentComplete.disconnect();
    statustextimer_->Timer.disconnect();
    window_->KeyDown.disconnect();
}

void movieGuide::createControls() {
    auto& ui = services_.ui;
    window_ = ui.createWindow("movieGuide");
    epgBrowser_ = ui.createBrowser(*window_, "epgBrowser");
    bufferView_ = ui.createBrowser(*window_, "bufferView");
    bufferView_->setVisible(false);
    SelectedNameLabel_ = ui.createLabel(*window_, "SelectedNameLabel");
    second_line_status_ = ui.createLabel(*window_, "second_line_status");
    currentDLLabel_ = ui.createLabel(*window_, "currentDLLabel");
    percentLabel_ = ui.createLabel(*window_, "percentLabel");
    truncationBox_ = ui.createTextBox(*window_, "truncationBox");
    auto button = [&](const char* name, const char* caption, bool visible) {
        auto made = ui.createButton(*window_, name);
        made->setCaption(caption);
        made->setVisible(visible);
        return made;
    };
    MLplay_ = button("MLplay", "Play", false);
    MLdownload_ = button("MLdownload", "Download", false);
    MLDelete_ = button("MLDelete", "Delete", false);
    MLFavour_ = button("MLFavour", "Add to Playlist", true);
    stopDownload_ = button("stopDownload", "Stop Download", false);
    previewbt_ = button("previewbt", "Preview", false);
    refreshBt_ = button("refreshBt", "Refresh", true);
    showdownload_ = button("showdownload", "Show Download", false);
    view_queue_ = button("view_queue", "View Queue", false);
    close_ = button("close", "Close", true);
    statustextimer_ = ui.createTimer(*window_, "statustextimer");
    statustextimer_->setInterval(kStatusTick);
    queue_ = std::make_unique<guide::queue>(ui);
}

void movieGuide::wireEvents() {
    // Controls are owned by this window and die with it: plain `this` is safe.
    MLplay_->Click.connect([this] { MLplay_Click(); });
    MLdownload_->Click.connect([this] { downloadSelected(); });
    MLDelete_->Click.connect([this] { MLDelete_Click(); });
    MLFavour_->Click.connect([this] { MLFavour_Click(); });
    stopDownload_->Click.connect([this] { stopDownload_Click(); });
    previewbt_->Click.connect([this] { previewBt_Click(); });
    refreshBt_->Click.connect([this] { refreshBt_Click(); });
    showdownload_->Click.connect([this] { showdownload_Click(); });
    view_queue_->Click.connect([this] { view_queue_Click(); });
    close_->Click.connect([this] { close_Click(); });
    bufferView_->BeforeNavigate2.connect(
        [this](const std::string&, ui::FrameLevel) { bufferView_BeforeNavigate2(); });
    bufferView_->DocumentComplete.connect(
        [this](const std::string&, ui::FrameLevel) { bufferView_DocumentComplete(); });
    epgBrowser_->DocumentComplete.connect([this](const std::string& url, ui::FrameLevel level) {
        epgBrowser_DocumentComplete(url, level);
    });
    statustextimer_->Timer.connect([this] { statustextimer_Timer(); });
    window_->KeyDown.connect([this](int key) {
        if (key == kDeleteKey) onControlDel();
        if (key == kPlaylistKey || key == kPlaylistKey + ('a' - 'A')) services_.host.showPlayList();
    });
    queue_->RemoveEntry.connect([this](int line) { queue_RemoveEntry(line); });
}

std::string movieGuide::selectedTitle() const {
    return currentSelected_ ? currentSelected_->mediaTitle() : std::string();
}

std::string movieGuide::mediaPath() const {
    return services_.host.playerProp().mediaPath();
}

void movieGuide::setSkinVariable(const std::string& name, const std::string& value) {
    services_.host.setSkinVariable(name, value);
}

bool movieGuide::refuseUnsafeNames(const config::MediaInfo& media) {
    if (isStreaming(media) || hasPlainLocalNames(media)) return false;
    services_.dialogs.showPopup("The guide gave this movie a file name that cannot be used: \"" +
                                media.movieFileName() + "\"");
    return true;
}

bool movieGuide::presentOnDisk(const config::MediaInfo& media) {
    auto& host = services_.host;
    return host.fileExistsInMediaPath(media.movieFileName()) &&
           host.fileExistsInMediaPath(media.markerFileName());
}

// ---- page loading ------------------------------------------------------------------------

void movieGuide::bufferView_BeforeNavigate2() {
    preLoading_ = true;
}

void movieGuide::bufferView_DocumentComplete() {
    preLoading_ = false;
    services_.dialogs.popupwindow().window().hide();
    // The visible browser loads the page a second time, from the same address.
    epgBrowser_->Navigate(bufferView_->LocationURL());
}

void movieGuide::epgBrowser_DocumentComplete(const std::string& url, ui::FrameLevel level) {
    if (level != ui::FrameLevel::TopLevel) {
        pageReady_ = 1;
        return;
    }
    if (url != kBlankPage) {
        wireGuidePage();
        pageReady_ = 1;
        return;
    }
    // A page that refuses the text keeps what it shows.
    runtime::ignoringErrors([&] {
        if (auto* document = epgBrowser_->document())
            if (auto* body = document->body()) body->setInnerHtml(" Loading...");
    });
}

void movieGuide::wireGuidePage() {
    if (auto self = weak_from_this().lock())
        forwarder_->Set_Destination(self, "processEPGControlClick");
    // The page keeps whatever was wired before the failure.
    runtime::ignoringErrors([&] {
        auto* document = epgBrowser_->document();
        if (!document) return;
        std::weak_ptr<runtime::clsForward> forwarder = forwarder_;
        for (auto* element : document->getElementsByName("clip_control")) {
            element->setOnclick([forwarder] {
                auto target = forwarder.lock();
                return target ? target->My_Default_Method() : false;
            });
        }
    });
}

// ---- the selected item ----------------------------------------------------------------------

void movieGuide::processEPGControlClick() {
    auto media = std::make_shared<config::MediaInfo>();
    media->fillNeededInfo(epgBrowser_.get());
    if (refuseUnsafeNames(*media)) {
        // Nothing may act on it: no selection, no buttons for it.
        currentSelected_.reset();
        MLplay_->setVisible(false);
        MLdownload_->setVisible(false);
        MLDelete_->setVisible(false);
        stopDownload_->setVisible(false);
        previewbt_->setVisible(false);
        SelectedNameLabel_->setCaption("");
        second_line_status_->setCaption("");
        return;
    }
    currentSelected_ = media;
    showSelected();
}

void movieGuide::showSelected() {
    if (!currentSelected_) return;
    const auto selected = currentSelected_;
    MLplay_->setVisible(false);
    MLdownload_->setVisible(false);
    MLDelete_->setVisible(false);
    SelectedNameLabel_->setCaption(selected->mediaTitle());
    statustextimer_->setInterval(kStatusTickAfterAction);

    if (isStreaming(*selected)) {
        playingWhileDownloading_ = false;
        SelectedNameLabel_->setCaption("");
        stopDownload_->setVisible(false);
        previewbt_->setVisible(false);
        second_line_status_->setCaption("");
        MLplay_Click();
        return;
    }

    if (presentOnDisk(*selected)) {
        playingWhileDownloading_ = false;
        MLplay_->setVisible(true);
        MLDelete_->setVisible(true);
        second_line_status_->setCaption("Video On Demand");
        stopDownload_->setVisible(false);
        previewbt_->setVisible(false);
        setSkinVariable("videoName", SelectedNameLabel_->caption());
        return;
    }

    if (!currentDownload_ || currentDownload_->remoteFileName() != selected->remoteFileName()) {
        second_line_status_->setCaption("Download");
        second_line_status_->setVisible(true);
        MLdownload_->setVisible(true);
        SelectedNameLabel_->setVisible(true);
        // The stop and preview buttons belong to the movie being downloaded only.
        stopDownload_->setVisible(false);
        previewbt_->setVisible(false);
        setSkinVariable("videoName", SelectedNameLabel_->caption() + "-Download");
        return;
    }

    second_line_status_->setCaption("Downloading");
    second_line_status_->setVisible(true);
    stopDownload_->setVisible(true);
    previewbt_->setVisible(true);
    setSkinVariable("videoName", currentDLLabel_->caption() + "-Downloading..." +
                                     std::to_string(progressBarValue_) + "%");
}

void movieGuide::onControlDel() {
    if (pageReady_ == 1) processEPGDeleteClick();
}

// ---- buttons ----------------------------------------------------------------------------------

void movieGuide::MLDelete_Click() {
    if (currentSelected_) deleteFile(*currentSelected_);
}

void movieGuide::MLFavour_Click() {
    if (currentSelected_) services_.host.addToPlayList(*currentSelected_);
}

void movieGuide::refreshBt_Click() {
    bufferView_->Navigate(services_.host.playerProp().stbEpgURL());
}

void movieGuide::close_Click() {
    window_->hide();
    // Nothing loaded to toggle.
    runtime::ignoringErrors([&] { services_.host.mediaPlayer().playPause(); });
}

void movieGuide::view_queue_Click() {
    queue_->window().show(ui::ShowMode::Modeless);
}

}  // namespace zov::guide
