#pragma once
// What the guide window and its parts share about the viewer's choices: the item chosen on
// the page and the title of the movie last started from the guide.

#include <memory>
#include <string>

namespace zov::config {
class MediaInfo;
}

namespace zov::guide {

struct GuideSelection {
    // The item last chosen in the guide, or none. The record queued for download is this
    // object itself.
    std::shared_ptr<config::MediaInfo> currentSelected;
    // The title of the movie last started from the guide; the status text shows it playing.
    std::string temp_selectnamelabel;
};

}  // namespace zov::guide
