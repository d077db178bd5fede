#include "guide/media_names.hpp"

#include "config/media_info.hpp"
#include "platform/plain_file_name.hpp"
#include "runtime/dialogs.hpp"

namespace zov::guide {

bool isStreaming(const config::MediaInfo& media) {
    return media.fileExtension() == ".streaming";
}

bool hasPlainLocalNames(const config::MediaInfo& media) {
    // The bookmark only adds ".pos" to the movie's name, so it is plain when the movie is.
    return platform::isPlainFileName(media.remoteFileName()) &&
           platform::isPlainFileName(media.movieFileName()) &&
           platform::isPlainFileName(media.markerFileName());
}

bool refuseUnsafeNames(runtime::Dialogs& dialogs, const config::MediaInfo& media) {
    if (isStreaming(media) || hasPlainLocalNames(media)) return false;
    dialogs.showPopup("The guide gave this movie a file name that cannot be used: \"" +
                      media.movieFileName() + "\"");
    return true;
}

}  // namespace zov::guide
