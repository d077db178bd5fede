#pragma once
// Where the client's files are. The program's own files (the skin and login pages, the
// playlist page, the external player) are only read; the client folder (zov.ini, and the
// movies by default) is the user's and is written. Run where it was built, the executable's
// folder is both. Installed, the program's files are where the install put them and the
// client folder is one per user, in the user's data folder, made on the first start.

#include <functional>
#include <optional>
#include <string>

namespace zov {

struct ClientFolders {
    std::string programFiles;  // host path, read only
    std::string client;        // host path, holds zov.ini
    bool perUser = false;      // the user's own folder, made with a default zov.ini if missing
};

// One variable of an environment; nullopt when it is not set.
using EnvironmentReader = std::function<std::optional<std::string>(const std::string& name)>;
// Whether a host path names an existing file.
using FileProbe = std::function<bool(const std::string& path)>;

// The installed program's files, relative to the folder of its executables.
extern const char* const kInstalledProgramFiles;

// The decision alone, touching nothing. The program counts as installed when its skin page
// lies at kInstalledProgramFiles from its executable's folder. A client folder given on the
// command line always wins. Nothing when the program is installed, no folder is given and
// neither XDG_DATA_HOME nor HOME is an absolute path.
std::optional<ClientFolders> chooseClientFolders(const std::string& executableFolder,
                                                 const std::optional<std::string>& clientDir,
                                                 const EnvironmentReader& environment,
                                                 const FileProbe& isFile);

// The same for this process: its executable, its environment (HOME falling back to the
// account's home folder) and the disk. Nothing, with the reason in `problem`.
std::optional<ClientFolders> clientFoldersOfThisProcess(const std::optional<std::string>& clientDir,
                                                        std::string& problem);

// A per-user client folder and its zov.ini are made when missing; the file holds the
// settings the client itself would write, with their defaults. An empty text when all is in
// place, else what went wrong, for the user.
std::string prepareClientFolder(const ClientFolders& folders);

// The folder of this process's executable.
std::string executableFolder();

}  // namespace zov
