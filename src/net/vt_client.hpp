#pragma once
// Asks the version server whether a newer client exists and keeps its answer as read-only
// properties. The check is synchronous: the caller reads the properties right after it, so
// the request blocks, but never longer than its HTTP limits.

#include <cstdint>
#include <string>

#include "platform/http_client.hpp"

namespace zov::net {

class VTClient {
  public:
    // The number raised when a property is read before the first check.
    static constexpr std::int32_t kNotChecked = 2853;

    // productCaption is the source of the "not checked" error, as the client shows it.
    explicit VTClient(platform::HttpClient& http, std::string productCaption = "ZOV",
                      platform::HttpLimits limits = {});

    // GETs versionServerURL + "?" + localVersion and reads the answer into the properties,
    // in the order product, version, modifications, url. Any failure is raised as
    // zov::Error; what was read before it stays, and the properties count as checked.
    void CheckForUpdate(const std::string& versionServerURL, const std::string& localVersion);

    bool UpdateExists() const;
    bool UpdateRequired() const;  // only refreshed by an answer that has an update
    const std::string& LatestVersion() const;
    const std::string& LatestModifications() const;
    const std::string& LatestVersionURL() const;
    const std::string& ProductName() const;
    const std::string& ProductURL() const;
    const std::string& LocalVersion() const;

  private:
    void requireCheck(const char* property) const;

    platform::HttpClient& http_;
    std::string productCaption_;
    platform::HttpLimits limits_;

    bool checkDone_ = false;
    bool updateExists_ = false;
    bool updateRequired_ = false;
    std::string latestVersion_;
    std::string latestModifications_;
    std::string latestVersionURL_;
    std::string productName_;
    std::string productURL_;
    std::string localVersion_;
};

}  // namespace zov::net
