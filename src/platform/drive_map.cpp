#include "platform/drive_map.hpp"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zov::platform {

namespace {

constexpr const char* kVolumeRoots[] = {"/media", "/run/media", "/mnt"};

std::optional<int> letterIndex(char letter) {
    if (letter >= 'a' && letter <= 'z') return letter - 'a';
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
    return std::nullopt;
}

// "/media/usb/" and "/media/usb" name the same folder; the root keeps its one "/".
std::string withoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
    return path;
}

std::optional<std::string> absoluteFolder(const std::optional<std::string>& value) {
    if (!value || value->empty() || value->front() != '/') return std::nullopt;
    return withoutTrailingSlash(*value);
}

// The mount table writes space, tab, newline and backslash as octal escapes ("\040").
std::string unescapeMountField(std::string_view field) {
    auto isOctal = [](char c) { return c >= '0' && c <= '7'; };
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() && isOctal(field[i + 1]) &&
            isOctal(field[i + 2]) && isOctal(field[i + 3])) {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 +
                                     (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool isUnderVolumeRoot(const std::string& mountPoint) {
    return std::any_of(
        std::begin(kVolumeRoots), std::end(kVolumeRoots), [&](std::string_view root) {
            return mountPoint.compare(0, root.size(), root) == 0 &&
                   (mountPoint.size() == root.size() || mountPoint[root.size()] == '/');
        });
}

std::optional<std::string> processEnvironment(const std::string& name) {
    if (const char* value = std::getenv(name.c_str())) return std::string(value);
    if (name == "HOME") {  // a service started without HOME still has a home folder
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir) {
            return std::string(entry->pw_dir);
        }
    }
    return std::nullopt;
}

}  // namespace

DriveMap::DriveMap(const Environment& environment, const std::vector<std::string>& volumes) {
    auto inside = [](const std::string& folder, const char* rest) {
        return (folder == "/" ? "" : folder) + rest;
    };
    if (auto xdg = absoluteFolder(environment("XDG_DATA_HOME"))) {
        folders_[2] = inside(*xdg, "/zov/c");
    } else if (auto home = absoluteFolder(environment("HOME"))) {
        folders_[2] = inside(*home, "/.local/share/zov/c");
    }
    folders_[25] = "/";

    std::array<bool, 26> setByEnvironment{};
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        auto value = environment(std::string("ZOV_DRIVE_") + letter);
        if (!value) continue;
        const int index = letter - 'A';
        if (value->empty()) {
            folders_[index].clear();
            setByEnvironment[index] = true;
        } else if (auto folder = absoluteFolder(value)) {
            folders_[index] = *folder;
            setByEnvironment[index] = true;
        }
    }

    // A volume that already has a letter does not get a second one.
    auto mapped = [&](const std::string& folder) {
        return std::find(folders_.begin(), folders_.end(), folder) != folders_.end();
    };
    int next = 'D' - 'A';
    for (const auto& volume : volumes) {
        auto folder = absoluteFolder(volume);
        if (!folder || mapped(*folder)) continue;
        while (next < 25 && (setByEnvironment[next] || !folders_[next].empty()))
            ++next;
        if (next >= 25) break;  // Z: stays the host's root
        folders_[next++] = *folder;
    }
}

DriveMap DriveMap::fromSystem() {
    std::ifstream mounts("/proc/self/mounts");
    std::stringstream table;
    table << mounts.rdbuf();
    return DriveMap(processEnvironment, volumesFromMounts(table.str()));
}

std::vector<std::string> DriveMap::volumesFromMounts(std::string_view mountTable) {
    std::vector<std::string> volumes;
    std::size_t lineStart = 0;
    while (lineStart < mountTable.size()) {
        std::size_t lineEnd = mountTable.find('\n', lineStart);
        if (lineEnd == std::string_view::npos) lineEnd = mountTable.size();
        std::string_view line = mountTable.substr(lineStart, lineEnd - lineStart);
        lineStart = lineEnd + 1;

        // device mount-point type options dump pass
        const std::size_t first = line.find(' ');
        if (first == std::string_view::npos) continue;
        const std::size_t second = line.find(' ', first + 1);
        std::string mountPoint = withoutTrailingSlash(unescapeMountField(
            line.substr(first + 1, second == std::string_view::npos ? std::string_view::npos
                                                                    : second - first - 1)));
        if (isUnderVolumeRoot(mountPoint)) volumes.push_back(std::move(mountPoint));
    }
    std::sort(volumes.begin(), volumes.end());
    volumes.erase(std::unique(volumes.begin(), volumes.end()), volumes.end());
    return volumes;
}

std::string DriveMap::folder(char letter) const {
    auto index = letterIndex(letter);
    return index ? folders_[*index] : std::string();
}

std::vector<char> DriveMap::letters() const {
    std::vector<char> result;
    for (int i = 0; i < 26; ++i) {
        if (!folders_[i].empty()) result.push_back(static_cast<char>('A' + i));
    }
    return result;
}

}  // namespace zov::platform
