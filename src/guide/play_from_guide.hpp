#pragma once
// Playing the guide's selected item: a downloaded movie from the movie folder (from its
// bookmark when the viewer wants), a stream in the embedded or the external player, and a
// movie still downloading once 5% of it is in. It starts playback; the players play.

#include "guide/guide_services.hpp"

namespace zov::config {
class MediaInfo;
}

namespace zov::guide {

struct GuideControls;
struct GuideSelection;
class DownloadQueue;

class PlayFromGuide {
  public:
    PlayFromGuide(GuideServices services, GuideControls& controls, GuideSelection& selection,
                  DownloadQueue& downloads);

    void MLplay_Click();
    void resumeFromBookmark();
    bool playWhileDownloading();
    void previewBt_Click();
    // True while the movie previewed during its download has less than 30 seconds of
    // downloaded material ahead of the play position.
    bool previewTimeout() const;

  private:
    void resumeFrom(const config::MediaInfo& media);
    void blankTimeDisplay();
    void finishPlayStart(const config::MediaInfo& media);

    GuideServices services_;
    GuideControls& controls_;
    GuideSelection& selection_;
    DownloadQueue& downloads_;
};

}  // namespace zov::guide
