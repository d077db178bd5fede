#include "client_folders.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "support/temporary_drive.hpp"

using namespace zov;

namespace {

// Where an install with its executables in `bin` keeps the program's own files.
std::string installedFiles(const std::string& bin) {
    return std::filesystem::path(bin + "/" + kInstalledProgramFiles).lexically_normal().string();
}

}  // namespace

TEST(ClientFolders, BuiltOrInstalledTheClientFolderIsTheOneGivenElseTheUsersOwn) {
    const std::string bin = "/opt/zov/bin";
    using Environment = std::map<std::string, std::string>;
    const Environment home{{"HOME", "/home/ann"}};
    const struct {
        const char* what;
        bool installed;
        std::optional<std::string> clientDir;
        Environment environment;
        std::optional<std::string> client;  // nullopt: no folder can be named
    } cases[] = {
        {"where it was built", false, {}, home, bin},
        {"built, a folder given", false, "/srv/c", home, "/srv/c"},
        {"installed", true, {}, {{"XDG_DATA_HOME", "/data/ann"}, {"HOME", "/x"}}, "/data/ann/zov"},
        {"installed, no XDG_DATA_HOME", true, {}, home, "/home/ann/.local/share/zov"},
        {"installed, a relative XDG_DATA_HOME is no folder",
         true,
         {},
         {{"XDG_DATA_HOME", "data"}, {"HOME", "/home/ann/"}},
         "/home/ann/.local/share/zov"},
        {"installed, the root as home", true, {}, {{"HOME", "/"}}, "/.local/share/zov"},
        {"installed, a folder given", true, "/srv/c", home, "/srv/c"},
        {"installed, no home at all", true, {}, {{"HOME", ""}}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        int probes = 0;
        const auto folders = chooseClientFolders(
            bin, c.clientDir,
            [&](const std::string& name) -> std::optional<std::string> {
                auto found = c.environment.find(name);
                if (found == c.environment.end()) return std::nullopt;
                return found->second;
            },
            [&](const std::string& path) {
                ++probes;
                return c.installed && path == installedFiles(bin) + "/mainplayer.html";
            });
        ASSERT_EQ(probes, 1);  // one look at the disk decides
        ASSERT_EQ(folders.has_value(), c.client.has_value());
        if (!folders) continue;
        EXPECT_EQ(folders->client, *c.client);
        EXPECT_EQ(folders->programFiles, c.installed ? installedFiles(bin) : bin);
        // Only a folder of the user's own, chosen here, is made on the first start.
        EXPECT_EQ(folders->perUser, c.installed && !c.clientDir);
    }
}

TEST(ClientFolders, TheFirstStartMakesTheUsersFolderWithTheDefaultSettingsAndLaterStartsKeepThem) {
    test::TemporaryDrive disk("zov-client-folders");
    const ClientFolders folders{"/usr/lib/zov", disk.root() + "/data/zov", true};
    ASSERT_EQ(prepareClientFolder(folders), "");
    const std::string ini = folders.client + "/zov.ini";
    const auto text = [&ini] { return (std::stringstream() << std::ifstream(ini).rdbuf()).str(); };
    EXPECT_NE(text().find("ZOVAuthServer.URL=vod.zov.example\r\n"), std::string::npos);
    struct stat about {};
    ASSERT_EQ(::stat(ini.c_str(), &about), 0);
    EXPECT_EQ(about.st_mode & 0777, 0600u);  // the password will be kept there

    // The user's own settings stay as they are.
    std::ofstream(ini) << "ZOVAuthServer.URL=vod.example.org\r\n";
    ASSERT_EQ(prepareClientFolder(folders), "");
    EXPECT_EQ(text(), "ZOVAuthServer.URL=vod.example.org\r\n");

    // A settings file that cannot be written is named; a folder the user gave is used as is.
    std::filesystem::create_directories(disk.root() + "/other/zov.ini");
    EXPECT_EQ(prepareClientFolder({"/usr/lib/zov", disk.root() + "/other", true}),
              "cannot write the settings file " + disk.root() + "/other/zov.ini");
    EXPECT_EQ(prepareClientFolder({"/usr/lib/zov", disk.root() + "/given", false}), "");
    EXPECT_FALSE(std::filesystem::exists(disk.root() + "/given"));
}
