#include "config_command.hpp"

#include <ostream>

#include "config/player_properties.hpp"
#include "platform/file_system.hpp"

namespace zov {

namespace {

constexpr const char* kUsage = "usage: zov config [--file PATH]\n";

}  // namespace

int runConfigCommand(const std::vector<std::string>& args, platform::FileSystem& fs,
                     std::ostream& out, std::ostream& err) {
    std::string fileName = "zov.ini";
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--file" && i + 1 < args.size()) {
            fileName = fs.windowsPath(args[++i]);
        } else if (args[i].starts_with("--file=") && args[i].size() > 7) {
            fileName = fs.windowsPath(args[i].substr(7));
        } else {
            err << kUsage;
            return 2;
        }
    }

    // The client goes on with its defaults when the file is missing, and so does this
    // listing; the note says why every value is a default.
    if (!fs.fileExists(fileName)) {
        err << "zov config: " << fileName << " cannot be read; showing the defaults\n";
    }

    config::PlayerProperties settings(fs);
    settings.load(fileName);
    out << "ZOVAuthServer.URL=" << settings.authServerURL() << '\n'
        << "ZOVPlayer.website=" << settings.website() << '\n'
        << "ZOVAuthServer.contentDistributor=" << settings.contentDistributor() << '\n'
        << "ZOVLogOn.userID=" << settings.userID() << '\n'
        << "ZOVLogOn.userPass=" << (settings.userPass().empty() ? "" : "********") << '\n'
        << "ZOVDemo.adsUrl=" << settings.demoAdsURL() << '\n'
        << "ZOVDemo.stbEpgURL=" << settings.demoStbEPGURL() << '\n'
        << "ZOVDemo.adsEnable=" << settings.demoAdsEnable() << '\n'
        << "ZOVPlayer.path=" << settings.mediaPath() << '\n'
        << "ZOVPlayer.playPauseMappedKey=" << settings.playPauseKey() << '\n'
        << "ZOVPlayer.stopMappedKey=" << settings.stopKey() << '\n'
        << "ZOVPlayer.rewindMappedKey=" << settings.rewindKey() << '\n'
        << "ZOVPlayer.fastForwardMappedKey=" << settings.fastForwardKey() << '\n';
    return 0;
}

}  // namespace zov
