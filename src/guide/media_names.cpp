#include "guide/media_names.hpp"

#include "config/media_info.hpp"
#include "platform/plain_file_name.hpp"

namespace zov::guide {

bool isStreaming(const config::MediaInfo& media) {
    return media.fileExtension() == ".streaming";
}

std::string movieFileName(const config::MediaInfo& media) {
    return media.remoteFileName() + media.fileExtension();
}

std::string markerFileName(const config::MediaInfo& media) {
    return media.remoteFileName() + ".conf";
}

bool hasPlainLocalNames(const config::MediaInfo& media) {
    // The bookmark only adds ".pos" to the movie's name, so it is plain when the movie is.
    return platform::isPlainFileName(media.remoteFileName()) &&
           platform::isPlainFileName(movieFileName(media)) &&
           platform::isPlainFileName(markerFileName(media));
}

}  // namespace zov::guide
