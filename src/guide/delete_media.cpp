#include "guide/delete_media.hpp"

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "guide/guide_controls.hpp"
#include "guide/guide_host.hpp"
#include "guide/guide_selection.hpp"
#include "guide/media_names.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "playback/bookmarks.hpp"
#include "playback/player_adaptor.hpp"
#include "runtime/dialogs.hpp"
#include "runtime/yes_no_popup.hpp"
#include "ui/controls.hpp"
#include "ui/window.hpp"

namespace zov::guide {

DeleteMedia::DeleteMedia(GuideServices services, GuideControls& controls, GuideSelection& selection)
    : services_(services), controls_(controls), selection_(selection) {}

void DeleteMedia::processEPGDeleteClick() {
    auto media = std::make_shared<config::MediaInfo>();
    media->fillNeededInfo(controls_.epgBrowser.get());
    if (isStreaming(*media) || refuseUnsafeNames(services_.dialogs, *media)) {
        // A stream has nothing on disk; an unusable name is never turned into a path.
        if (isStreaming(*media))
            services_.dialogs.showPopup("This media content has not been retrieved yet");
        return;
    }
    selection_.currentSelected = media;
    auto& files = services_.fileSystem;
    if (services_.host.fileExistsInMediaPath(media->movieFileName()) &&
        files.fileExists(services_.host.playerProp().mediaPath() + media->markerFileName())) {
        deleteFile(*media);
    } else {
        services_.dialogs.showPopup("This media content has not been retrieved yet");
    }
}

void DeleteMedia::deleteFile(const config::MediaInfo& media) {
    auto& dialogs = services_.dialogs;
    if (isStreaming(media) || refuseUnsafeNames(services_.dialogs, media)) return;
    auto& files = services_.fileSystem;
    const std::string name = media.movieFileName();
    const std::string folder = services_.host.playerProp().mediaPath();
    const std::string moviePath = folder + name;
    const std::string markerPath = folder + media.markerFileName();
    if (!files.fileExists(moviePath) || !files.fileExists(markerPath)) {
        dialogs.showPopup("This media has not been retrieved yet");
        return;
    }

    auto& question = dialogs.yesNoPopup();
    question.Label1().setCaption("Do you really want to delete the file?");
    question.ask();
    if (question.decision) {
        bool failed = false;
        auto& player = services_.host.mediaPlayer();
        try {
            std::string loaded = name;
            if (player.isCurrentFileLoaded(loaded)) player.unloadContent();
        } catch (const Error&) {
            failed = true;
        }
        // Every step is tried even after a failure.
        failed = !files.deleteFile(moviePath) || failed;
        failed = !files.deleteFile(markerPath) || failed;
        const std::string bookmarkPath = playback::Bookmarks::fileName(moviePath);
        if (files.fileExists(bookmarkPath)) failed = !files.deleteFile(bookmarkPath) || failed;

        if (!failed) {
            // The deleted movie, when it is the one selected, can only be downloaded now.
            const auto& selected = selection_.currentSelected;
            if (selected && selected->remoteFileName() == media.remoteFileName()) {
                controls_.MLplay->setVisible(false);
                controls_.MLDelete->setVisible(false);
                controls_.MLdownload->setVisible(true);
            }
            dialogs.showPopup("The movie " + media.mediaTitle() + " has been deleted");
        } else {
            dialogs.showPopup("Can't delete, movie is currently playing");
        }
    }
    question.window().hide();
}

}  // namespace zov::guide
