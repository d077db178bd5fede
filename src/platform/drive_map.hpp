#pragma once
// Which host folder each drive letter names, the way compatibility layers map drive letters
// to folders: C: is the client's data folder, D: onward the mounted volumes, Z: the host's
// root. It only answers "where is drive X"; turning whole paths around is the file system's.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zov::platform {

class DriveMap {
  public:
    // Reads one variable of an environment; nullopt when it is not set.
    using Environment = std::function<std::optional<std::string>(const std::string& name)>;

    // C: comes from ZOV_DRIVE_C, else $XDG_DATA_HOME/zov/c, else $HOME/.local/share/zov/c.
    // ZOV_DRIVE_<letter> sets any letter (an empty value leaves it unmapped); the volumes
    // take the letters from D: on that the environment leaves free, in the order given.
    // Values that are not absolute paths are ignored.
    DriveMap(const Environment& environment, const std::vector<std::string>& volumes);

    // The map of this process: its environment and the volumes of /proc/self/mounts.
    static DriveMap fromSystem();

    // The mount points under /media, /run/media and /mnt in a mount table, sorted, each once.
    static std::vector<std::string> volumesFromMounts(std::string_view mountTable);

    // The host folder of a letter (either case), with no trailing "/" unless it is the
    // root; empty when the letter is not mapped.
    std::string folder(char letter) const;

    // The mapped letters in order, upper case.
    std::vector<char> letters() const;

  private:
    std::array<std::string, 26> folders_;
};

}  // namespace zov::platform
