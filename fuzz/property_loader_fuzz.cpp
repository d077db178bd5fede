// Feeds arbitrary bytes as zov.ini through the settings reader and the configuration
// object, and as a resume-count file through MediaInfo.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "config/media_info.hpp"
#include "config/player_properties.hpp"
#include "config/property_loader.hpp"
#include "platform/memory_file_system.hpp"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zov::platform::MemoryFileSystem fs;
    if (!fs.writeFile("zov.ini", bytes)) std::abort();

    zov::config::PropertyLoader loader(fs);
    if (!loader.loadFile("zov.ini")) std::abort();
    (void)loader.getString("ZOVAuthServer.URL", "");
    (void)loader.getString("", "");
    (void)loader.getInteger("ZOVPlayer.stopMappedKey", 83);

    zov::config::PlayerProperties settings(fs);
    settings.load("zov.ini");
    const auto& path = settings.mediaPath();
    if (!path.empty() && path.back() != '\\') std::abort();
    if (settings.demoAdsEnable() != "True" && settings.demoAdsEnable() != "False") std::abort();
    if (!settings.save("saved.ini")) std::abort();

    zov::config::MediaInfo media;
    media.load(fs, "zov.ini");
    return 0;
}
