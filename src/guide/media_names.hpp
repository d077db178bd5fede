#pragma once
// What a guide item's names say: a stream, or a movie whose files (MediaInfo names them)
// stay inside the movie folder.

#include <string>

namespace zov::config {
class MediaInfo;
}
namespace zov::runtime {
class Dialogs;
}

namespace zov::guide {

// A network stream: played from its address, never downloaded or kept on disk.
bool isStreaming(const config::MediaInfo& media);

// True when the movie, its marker and its bookmark are all plain file names, so that
// nothing built from the item can name a file outside the movie folder.
bool hasPlainLocalNames(const config::MediaInfo& media);

// Refuses a movie whose names would leave the movie folder, telling the viewer; true when
// it was refused. A stream is never refused: it has no names on disk.
bool refuseUnsafeNames(runtime::Dialogs& dialogs, const config::MediaInfo& media);

}  // namespace zov::guide
