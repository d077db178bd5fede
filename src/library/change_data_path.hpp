#pragma once
// Moving the movie folder to the drive chosen in the cache manager: the folder names stay,
// only the drive changes; the folder is created, hidden, and written to zov.ini. The main
// window's changeDataPath is this, with its own configuration, dialogs and cache manager.

namespace zov::platform {
class FileSystem;
}
namespace zov::runtime {
class Dialogs;
}

namespace zov::library {

class LibraryHost;
class HDEngine;

// Refused while a download runs. When the new folder cannot be created the movie folder
// stays where it was.
void changeDataPath(LibraryHost& host, platform::FileSystem& files, runtime::Dialogs& dialogs,
                    HDEngine& cacheManager);

}  // namespace zov::library
