#include "library/change_data_path.hpp"

#include <cctype>
#include <string>

#include "config/player_properties.hpp"
#include "library/hd_engine.hpp"
#include "library/library_host.hpp"
#include "platform/file_system.hpp"
#include "runtime/dialogs.hpp"
#include "ui/controls.hpp"

namespace zov::library {

namespace {

bool startsWithDrive(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

}  // namespace

void changeDataPath(LibraryHost& host, platform::FileSystem& files, runtime::Dialogs& dialogs,
                    HDEngine& cacheManager) {
    auto& properties = host.playerProp();
    const std::string remembered = properties.mediaPath();
    if (host.isDownloadingMedia()) {
        dialogs.showPopup(
            "Can't perform this function, please wait for the current download to complete.");
        return;
    }

    std::string drive = cacheManager.HD().drive().substr(0, 2);
    if (!startsWithDrive(drive)) return;  // no drive chosen: nothing to move to
    for (char& c : drive)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    // The folder names stay; a folder without a drive of its own keeps all of its names.
    std::string folders = startsWithDrive(remembered) ? remembered.substr(2) : remembered;
    if (folders.empty() || folders.front() != '\\') folders.insert(0, "\\");
    properties.setMediaPath(drive + folders);
    const std::string path = properties.mediaPath();

    files.createFolderPath(path);
    if (!files.folderExists(path) && !files.createFolderPath(path)) {
        // Movies must keep going where they can be written.
        properties.setMediaPath(remembered);
        dialogs.showPopup("Can not create path");
        return;
    }
    files.setAttributes(path, platform::kAttributeHidden | platform::kAttributeSystem);
    dialogs.showPopup("The Movies will now be stored in " + path.substr(0, 2));
    cacheManager.currentHDLabel().setCaption(path.substr(0, 2));
    cacheManager.HDlabel().setCaption(path.substr(0, 1));
    properties.save(host.programFolder() + "\\zov.ini");
}

}  // namespace zov::library
