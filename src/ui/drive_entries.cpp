#include "ui/drive_entries.hpp"

#include <cctype>

#include "platform/file_system.hpp"

namespace zov::ui {

std::vector<std::string> driveEntries(const platform::FileSystem& files) {
    std::vector<std::string> entries;
    for (char letter : files.driveLetters()) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
        const std::string drive = std::string(1, lower) + ":";
        const std::string folder = files.hostPath(drive + "\\");
        entries.push_back(folder.empty() ? drive : drive + " [" + folder + "]");
    }
    return entries;
}

}  // namespace zov::ui
