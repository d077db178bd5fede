#pragma once
// The entries a drive list offers: one per mapped drive letter, the letter and the colon
// first, then the host folder it stands for ("c: [/home/u/.local/share/zov/c]"), or the
// letter alone when the drive has no folder. Every front end's drive list shows these.

#include <string>
#include <vector>

namespace zov::platform {
class FileSystem;
}

namespace zov::ui {

std::vector<std::string> driveEntries(const platform::FileSystem& files);

}  // namespace zov::ui
