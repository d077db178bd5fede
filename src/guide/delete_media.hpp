#pragma once
// Deleting a downloaded movie from the guide: the movie, its completion marker and its
// bookmark, after asking; a movie loaded in the player is unloaded first. Removing it from
// the playlist is the library's business, not this.

#include "guide/guide_services.hpp"

namespace zov::config {
class MediaInfo;
}

namespace zov::guide {

struct GuideControls;
struct GuideSelection;

class DeleteMedia {
  public:
    DeleteMedia(GuideServices services, GuideControls& controls, GuideSelection& selection);

    // Deletes the item the guide page describes at this moment, which becomes the selection.
    void processEPGDeleteClick();
    void deleteFile(const config::MediaInfo& media);

  private:
    GuideServices services_;
    GuideControls& controls_;
    GuideSelection& selection_;
};

}  // namespace zov::guide
