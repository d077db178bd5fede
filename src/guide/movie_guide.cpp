#include "guide/movie_guide.hpp"

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_host.hpp"
#include "guide/media_names.hpp"
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

}  // namespace

movieGuide::movieGuide(GuideServices services)
    : services_(services),
      controls_(services.ui),
      downloads_(services, controls_, selection_),
      player_(services, controls_, selection_, downloads_),
      deleting_(services, controls_, selection_) {
    wireEvents();

    // Window load.
    forwarder_ = std::make_shared<runtime::clsForward>();
    exposeMethod("processEPGControlClick", [this] { processEPGControlClick(); });
    exposeMethod("processEPGDeleteClick", [this] { processEPGDeleteClick(); });
    exposeMethod("onControlDel", [this] { onControlDel(); });
    exposeMethod("processQueue", [this] { processQueue(); });
    exposeMethod("previewBt_Click", [this] { previewBt_Click(); });

    preLoading_ = false;
    controls_.bufferView->Navigate(kBlankPage);
    controls_.epgBrowser->Navigate(kBlankPage);
    pageReady_ = 0;
}

movieGuide::~movieGuide() {
    auto& c = controls_;
    for (auto* button : {&c.MLplay, &c.MLdownload, &c.MLDelete, &c.MLFavour, &c.stopDownload,
                         &c.previewbt, &c.refreshBt, &c.showdownload, &c.view_queue, &c.close})
        (*button)->Click.disconnect();
    c.bufferView->BeforeNavigate2.disconnect();
    c.bufferView->DocumentComplete.disconnect();
    c.epgBrowser->DocumentComplete.disconnect();
    c.statustextimer->Timer.disconnect();
    c.window->KeyDown.disconnect();
}

void movieGuide::wireEvents() {
    // Controls are owned by this window and die with it: plain `this` is safe.
    controls_.MLplay->Click.connect([this] { MLplay_Click(); });
    controls_.MLdownload->Click.connect([this] { downloadSelected(); });
    controls_.MLDelete->Click.connect([this] { MLDelete_Click(); });
    controls_.MLFavour->Click.connect([this] { MLFavour_Click(); });
    controls_.stopDownload->Click.connect([this] { stopDownload_Click(); });
    controls_.previewbt->Click.connect([this] { previewBt_Click(); });
    controls_.refreshBt->Click.connect([this] { refreshBt_Click(); });
    controls_.showdownload->Click.connect([this] { showdownload_Click(); });
    controls_.view_queue->Click.connect([this] { view_queue_Click(); });
    controls_.close->Click.connect([this] { close_Click(); });
    controls_.bufferView->BeforeNavigate2.connect(
        [this](const std::string&, ui::FrameLevel) { bufferView_BeforeNavigate2(); });
    controls_.bufferView->DocumentComplete.connect(
        [this](const std::string&, ui::FrameLevel) { bufferView_DocumentComplete(); });
    controls_.epgBrowser->DocumentComplete.connect(
        [this](const std::string& url, ui::FrameLevel level) {
            epgBrowser_DocumentComplete(url, level);
        });
    controls_.statustextimer->Timer.connect([this] { statustextimer_Timer(); });
    controls_.window->KeyDown.connect([this](int key) {
        if (key == kDeleteKey) onControlDel();
        if (key == kPlaylistKey || key == kPlaylistKey + ('a' - 'A')) services_.host.showPlayList();
    });
}

std::string movieGuide::selectedTitle() const {
    return selection_.currentSelected ? selection_.currentSelected->mediaTitle() : std::string();
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
    controls_.epgBrowser->Navigate(controls_.bufferView->LocationURL());
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
        if (auto* document = controls_.epgBrowser->document())
            if (auto* body = document->body()) body->setInnerHtml(" Loading...");
    });
}

void movieGuide::wireGuidePage() {
    if (auto self = weak_from_this().lock())
        forwarder_->Set_Destination(self, "processEPGControlClick");
    // The page keeps whatever was wired before the failure.
    runtime::ignoringErrors([&] {
        auto* document = controls_.epgBrowser->document();
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
    media->fillNeededInfo(controls_.epgBrowser.get());
    if (refuseUnsafeNames(services_.dialogs, *media)) {
        // Nothing may act on it: no selection, no buttons for it.
        selection_.currentSelected.reset();
        controls_.MLplay->setVisible(false);
        controls_.MLdownload->setVisible(false);
        controls_.MLDelete->setVisible(false);
        controls_.stopDownload->setVisible(false);
        controls_.previewbt->setVisible(false);
        controls_.SelectedNameLabel->setCaption("");
        controls_.second_line_status->setCaption("");
        return;
    }
    selection_.currentSelected = media;
    showSelected();
}

void movieGuide::showSelected() {
    if (!selection_.currentSelected) return;
    const auto selected = selection_.currentSelected;
    controls_.MLplay->setVisible(false);
    controls_.MLdownload->setVisible(false);
    controls_.MLDelete->setVisible(false);
    controls_.SelectedNameLabel->setCaption(selected->mediaTitle());
    controls_.statustextimer->setInterval(GuideControls::kStatusTickAfterAction);

    if (isStreaming(*selected)) {
        downloads_.setPlayingWhileDownloading(false);
        controls_.SelectedNameLabel->setCaption("");
        controls_.stopDownload->setVisible(false);
        controls_.previewbt->setVisible(false);
        controls_.second_line_status->setCaption("");
        MLplay_Click();
        return;
    }

    if (presentOnDisk(*selected)) {
        downloads_.setPlayingWhileDownloading(false);
        controls_.MLplay->setVisible(true);
        controls_.MLDelete->setVisible(true);
        controls_.second_line_status->setCaption("Video On Demand");
        controls_.stopDownload->setVisible(false);
        controls_.previewbt->setVisible(false);
        services_.host.setSkinVariable("videoName", controls_.SelectedNameLabel->caption());
        return;
    }

    if (!downloads_.isCurrentDownload(*selected)) {
        controls_.second_line_status->setCaption("Download");
        controls_.second_line_status->setVisible(true);
        controls_.MLdownload->setVisible(true);
        controls_.SelectedNameLabel->setVisible(true);
        // The stop and preview buttons belong to the movie being downloaded only.
        controls_.stopDownload->setVisible(false);
        controls_.previewbt->setVisible(false);
        services_.host.setSkinVariable("videoName",
                                       controls_.SelectedNameLabel->caption() + "-Download");
        return;
    }

    controls_.second_line_status->setCaption("Downloading");
    controls_.second_line_status->setVisible(true);
    controls_.stopDownload->setVisible(true);
    controls_.previewbt->setVisible(true);
    services_.host.setSkinVariable("videoName",
                                   controls_.currentDLLabel->caption() + "-Downloading..." +
                                       std::to_string(downloads_.progressBarValue()) + "%");
}

void movieGuide::onControlDel() {
    if (pageReady_ == 1) processEPGDeleteClick();
}

// ---- buttons ----------------------------------------------------------------------------------

void movieGuide::downloadSelected() {
    // The selected movie may be the one that just started: offer stop and preview for it.
    if (downloads_.downloadSelected() && downloads_.currentDownload() == selection_.currentSelected)
        showSelected();
}

void movieGuide::MLDelete_Click() {
    if (selection_.currentSelected) deleteFile(*selection_.currentSelected);
}

void movieGuide::MLFavour_Click() {
    if (selection_.currentSelected) services_.host.addToPlayList(*selection_.currentSelected);
}

void movieGuide::refreshBt_Click() {
    controls_.bufferView->Navigate(services_.host.playerProp().stbEpgURL());
}

void movieGuide::close_Click() {
    controls_.window->hide();
    // Nothing loaded to toggle.
    runtime::ignoringErrors([&] { services_.host.mediaPlayer().playPause(); });
}

}  // namespace zov::guide
