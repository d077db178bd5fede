#include "config/player_properties.hpp"

#include "config/deployment_defaults.hpp"
#include "config/property_loader.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"

namespace zov::config {

namespace {

// Error number and text when the configuration has no delivery server yet.
constexpr std::int32_t kNoDeliveryServerNumber = 9;
constexpr const char* kNoDeliveryServerText = "No delivery server is configured.";

}  // namespace

PlayerProperties::PlayerProperties(platform::FileSystem& fileSystem) : fileSystem_(fileSystem) {}

void PlayerProperties::load(std::string_view fileName) {
    PropertyLoader loader(fileSystem_);
    // A missing file is not an error: every setting then takes its default.
    (void)loader.loadFile(fileName);

    authServerURL_ = loader.getString("ZOVAuthServer.URL", kDefaultAuthServerHost);
    website_ = loader.getString("ZOVPlayer.website", kDefaultWebsite);
    contentDistributor_ = loader.getString("ZOVAuthServer.contentDistributor", "");
    userID_ = loader.getString("ZOVLogOn.userID", "");
    userPass_ = loader.getString("ZOVLogOn.userPass", "");
    demoAdsURL_ = loader.getString("ZOVDemo.adsUrl", "");
    demoStbEPGURL_ = loader.getString("ZOVDemo.stbEpgURL", "");
    demoAdsEnable_ = loader.getString("ZOVDemo.adsEnable", "false") == "true";
    setMediaPath(loader.getString("ZOVPlayer.path", "c:\\zov\\"));
    playPauseKey_ = loader.getInteger("ZOVPlayer.playPauseMappedKey", 80);      // P
    stopKey_ = loader.getInteger("ZOVPlayer.stopMappedKey", 83);                // S
    rewindKey_ = loader.getInteger("ZOVPlayer.rewindMappedKey", 82);            // R
    fastForwardKey_ = loader.getInteger("ZOVPlayer.fastForwardMappedKey", 70);  // F
}

bool PlayerProperties::save(std::string_view fileName) const {
    const std::string text = "ZOVAuthServer.URL=" + authServerURL_ + "\r\n" +
                             "ZOVLogOn.userID=" + userID_ + "\r\n" +
                             "ZOVLogOn.userPass=" + userPass_ + "\r\n" +
                             "ZOVAuthServer.contentDistributor=" + contentDistributor_ + "\r\n" +
                             "ZOVPlayer.path=" + mediaPath_ + "\r\n";
    return fileSystem_.writeFile(fileName, text, platform::Privacy::OwnerOnly);
}

void PlayerProperties::setMediaPath(std::string value) {
    if (!value.empty() && value.back() != '\\') value += '\\';
    mediaPath_ = std::move(value);
}

void PlayerProperties::addDeliveryServer(const DeliveryServerInfo& server) {
    deliveryServers_.push_back(server);
}

DeliveryServerInfo PlayerProperties::getDeliveryServer() const {
    if (deliveryServers_.empty()) {
        throw Error(kNoDeliveryServerNumber, kNoDeliveryServerText,
                    "PlayerProperties.getDeliveryServer");
    }
    return deliveryServers_.front();
}

}  // namespace zov::config
