#pragma once
// The names a guide item gives its files in the movie folder, and the check that the page
// gave names that stay inside that folder.

#include <string>

namespace zov::config {
class MediaInfo;
}

namespace zov::guide {

// A network stream: played from its address, never downloaded or kept on disk.
bool isStreaming(const config::MediaInfo& media);

// The movie file's name in the movie folder: remote file name and extension.
std::string movieFileName(const config::MediaInfo& media);
// Its completion marker: remote file name and ".conf".
std::string markerFileName(const config::MediaInfo& media);

// True when the movie, its marker and its bookmark are all plain file names, so that
// nothing built from the item can name a file outside the movie folder.
bool hasPlainLocalNames(const config::MediaInfo& media);

}  // namespace zov::guide
