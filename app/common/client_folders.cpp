#include "client_folders.hpp"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "config/player_properties.hpp"
#include "platform/drive_map.hpp"
#include "platform/posix_file_system.hpp"

namespace zov {

// Set by the build from the install layout (from the executables' folder to the program's
// own files), so an install under any prefix finds them.
const char* const kInstalledProgramFiles = ZOV_INSTALLED_PROGRAM_FILES;

namespace {

// The page every install carries: its presence is what tells an installed program.
constexpr const char* kSkinPage = "mainplayer.html";

std::optional<std::string> absoluteFolder(const std::optional<std::string>& value) {
    if (!value || value->empty() || value->front() != '/') return std::nullopt;
    std::string folder = *value;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The user's data folder as the drive map names it, so that the client folder holds drive C:.
std::optional<std::string> userDataFolder(const EnvironmentReader& environment) {
    if (auto xdg = absoluteFolder(environment("XDG_DATA_HOME"))) return xdg;
    if (auto home = absoluteFolder(environment("HOME")))
        return (*home == "/" ? "" : *home) + "/.local/share";
    return std::nullopt;
}

std::optional<std::string> processEnvironment(const std::string& name) {
    if (const char* value = std::getenv(name.c_str())) return std::string(value);
    if (name == "HOME") {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            return std::string(entry->pw_dir);
    }
    return std::nullopt;
}

}  // namespace

std::optional<ClientFolders> chooseClientFolders(const std::string& executableFolder,
                                                 const std::optional<std::string>& clientDir,
                                                 const EnvironmentReader& environment,
                                                 const FileProbe& isFile) {
    const auto installed =
        std::filesystem::path(executableFolder + "/" + kInstalledProgramFiles).lexically_normal();
    ClientFolders folders;
    if (!isFile((installed / kSkinPage).string())) {
        // Where it was built (or unpacked whole): one folder for everything, as before.
        folders.programFiles = executableFolder;
        folders.client = clientDir.value_or(executableFolder);
        return folders;
    }
    folders.programFiles = installed.string();
    while (folders.programFiles.size() > 1 && folders.programFiles.back() == '/')
        folders.programFiles.pop_back();
    if (clientDir) {
        folders.client = *clientDir;
        return folders;
    }
    const auto data = userDataFolder(environment);
    if (!data) return std::nullopt;
    folders.client = *data + "/zov";
    folders.perUser = true;
    return folders;
}

std::optional<ClientFolders> clientFoldersOfThisProcess(const std::optional<std::string>& clientDir,
                                                        std::string& problem) {
    const auto isFile = [](const std::string& path) {
        struct stat about {};
        return ::stat(path.c_str(), &about) == 0 && S_ISREG(about.st_mode);
    };
    auto folders = chooseClientFolders(executableFolder(), clientDir, processEnvironment, isFile);
    if (!folders) {
        problem =
            "no folder for the client's own files: neither XDG_DATA_HOME nor HOME names "
            "one; give one with --client-dir";
    }
    return folders;
}

std::string prepareClientFolder(const ClientFolders& folders) {
    if (!folders.perUser) return {};
    std::error_code error;
    std::filesystem::create_directories(folders.client, error);
    if (error) return "cannot create the client folder " + folders.client + ": " + error.message();
    platform::PosixFileSystem files(platform::DriveMap::fromSystem(), folders.client);
    if (files.fileExists("zov.ini")) return {};
    config::PlayerProperties defaults(files);
    defaults.load("zov.ini");  // none there: every setting takes its default
    if (!defaults.save("zov.ini"))
        return "cannot write the settings file " + folders.client + "/zov.ini";
    return {};
}

std::string executableFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0) return ".";
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/'));
}

}  // namespace zov
