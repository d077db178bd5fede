#include "platform/drive_map.hpp"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

using zov::platform::DriveMap;

namespace {

DriveMap mapOf(std::map<std::string, std::string> variables,
               std::vector<std::string> volumes = {}) {
    auto environment = [variables](const std::string& name) -> std::optional<std::string> {
        auto found = variables.find(name);
        if (found == variables.end()) return std::nullopt;
        return found->second;
    };
    return DriveMap(environment, volumes);
}

}  // namespace

TEST(DriveMapTest, DataDriveFollowsTheUsersDataFolderOrIsNotThere) {
    const std::pair<std::map<std::string, std::string>, const char*> cases[] = {
        {{{"HOME", "/home/ann"}}, "/home/ann/.local/share/zov/c"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data/ann/"}}, "/data/ann/zov/c"},
        {{{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "data"}}, "/home/ann/.local/share/zov/c"},
        {{{"HOME", "/"}}, "/.local/share/zov/c"},
        {{{"HOME", "/home/ann"}, {"ZOV_DRIVE_C", "/tmp/t/c/"}}, "/tmp/t/c"},
        {{}, ""},  // nowhere to put it: rather no C: than one somewhere unexpected
        {{{"ZOV_DRIVE_C", "relative/c"}}, ""}};
    for (const auto& [variables, folder] : cases)
        EXPECT_EQ(mapOf(variables).folder('c'), folder) << folder;
}

TEST(DriveMapTest, VolumesTakeTheFreeLettersFromDInOrderButNeverZ) {
    auto drives = mapOf({{"HOME", "/home/ann"}, {"ZOV_DRIVE_E", "/media/usb"}},
                        {"/media/cam", "/media/usb", "/mnt/disk", "relative"});
    EXPECT_EQ(drives.folder('D'), "/media/cam");
    EXPECT_EQ(drives.folder('E'), "/media/usb");  // named once, by the environment
    EXPECT_EQ(drives.folder('F'), "/mnt/disk");
    EXPECT_EQ(drives.folder('z'), "/");
    EXPECT_EQ(drives.letters(), (std::vector<char>{'C', 'D', 'E', 'F', 'Z'}));
    EXPECT_EQ(drives.folder('1'), "");

    std::vector<std::string> volumes;
    for (int i = 0; i < 30; ++i)
        volumes.push_back("/mnt/v" + std::to_string(100 + i));
    drives = mapOf({{"HOME", "/h"}, {"ZOV_DRIVE_D", ""}, {"ZOV_DRIVE_Z", ""}}, volumes);
    EXPECT_EQ(drives.folder('D'), "");  // an empty variable keeps a letter free
    EXPECT_EQ(drives.folder('E'), "/mnt/v100");
    EXPECT_EQ(drives.folder('Y'), "/mnt/v120");
    EXPECT_EQ(drives.folder('Z'), "");
    EXPECT_EQ(drives.letters().size(), 22u);  // C, and E to Y
}

TEST(DriveMapTest, MountTableGivesTheRemovableVolumesSortedOnce) {
    const char* table =
        "/dev/vda / ext4 rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sdc1 /run/media/ann/My\\040Stick vfat rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "/dev/sdd1 /mnt ext4 rw 0 0\n"
        "/dev/sdb1 /media/usb vfat rw 0 0\n"
        "tmpfs /mediafiles tmpfs rw 0 0\n"
        "/dev/sde1 /srv/mnt ext4 rw 0 0\n"
        "garbage\n"
        "/dev/sdf1 /mnt/back\\134slash ext4 rw 0 0";  // no final newline
    EXPECT_EQ(DriveMap::volumesFromMounts(table),
              (std::vector<std::string>{"/media/usb", "/mnt", "/mnt/back\\slash",
                                        "/run/media/ann/My Stick"}));
}
