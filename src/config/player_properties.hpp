#pragma once
// The client's configuration: the settings read from zov.ini at start-up, completed by
// what the service sends at login (guide and banner addresses, delivery servers). One
// instance lives as long as the main window.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config/delivery_server_info.hpp"

namespace zov::platform {
class FileSystem;
}

namespace zov::config {

class PlayerProperties {
  public:
    explicit PlayerProperties(platform::FileSystem& fileSystem);

    // Reads the settings from the file (a Windows-form path); a missing or unreadable file,
    // or a missing key, gives the defaults.
    void load(std::string_view fileName);
    // Rewrites the file with the five settings the user can change, readable by the owner
    // only as it holds the password. False when the file could not be written.
    bool save(std::string_view fileName) const;

    const std::string& authServerURL() const { return authServerURL_; }
    const std::string& website() const { return website_; }
    const std::string& contentDistributor() const { return contentDistributor_; }
    void setContentDistributor(std::string value) { contentDistributor_ = std::move(value); }
    const std::string& userID() const { return userID_; }
    void setUserID(std::string value) { userID_ = std::move(value); }
    const std::string& userPass() const { return userPass_; }
    void setUserPass(std::string value) { userPass_ = std::move(value); }
    const std::string& demoAdsURL() const { return demoAdsURL_; }
    const std::string& demoStbEPGURL() const { return demoStbEPGURL_; }
    // "True" or "False".
    std::string demoAdsEnable() const { return demoAdsEnable_ ? "True" : "False"; }

    // The movie folder; a non-empty value always ends in "\".
    const std::string& mediaPath() const { return mediaPath_; }
    void setMediaPath(std::string value);

    // Character codes of the keys mapped to the player's buttons.
    std::int16_t playPauseKey() const { return playPauseKey_; }
    std::int16_t stopKey() const { return stopKey_; }
    std::int16_t rewindKey() const { return rewindKey_; }
    std::int16_t fastForwardKey() const { return fastForwardKey_; }

    bool adsEnabled() const { return adsEnabled_; }
    void setAdsEnabled(bool value) { adsEnabled_ = value; }
    const std::string& stbEpgURL() const { return stbEpgURL_; }
    void setStbEpgURL(std::string value) { stbEpgURL_ = std::move(value); }
    const std::string& bannerURL() const { return bannerURL_; }
    void setBannerURL(std::string value) { bannerURL_ = std::move(value); }
    const std::string& adsURL() const { return adsURL_; }
    void setAdsURL(std::string value) { adsURL_ = std::move(value); }

    void addDeliveryServer(const DeliveryServerInfo& server);
    // The first server added; throws zov::Error when there is none yet.
    DeliveryServerInfo getDeliveryServer() const;

  private:
    platform::FileSystem& fileSystem_;

    std::string authServerURL_;
    std::string website_;
    std::string contentDistributor_;
    std::string userID_;
    std::string userPass_;
    std::string demoAdsURL_;
    std::string demoStbEPGURL_;
    bool demoAdsEnable_ = false;
    std::string mediaPath_;
    std::int16_t playPauseKey_ = 0;
    std::int16_t stopKey_ = 0;
    std::int16_t rewindKey_ = 0;
    std::int16_t fastForwardKey_ = 0;

    bool adsEnabled_ = false;
    std::string stbEpgURL_;
    std::string bannerURL_;
    std::string adsURL_;
    std::vector<DeliveryServerInfo> deliveryServers_;
};

}  // namespace zov::config
