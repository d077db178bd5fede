#pragma once
// Where and how to reach the delivery server: filled from the service configuration at
// login and copied into the download engine before each download.

#include <cstdint>
#include <string>

#include "config/deployment_defaults.hpp"

namespace zov::config {

class DeliveryServerInfo {
  public:
    // A bare host name or dotted address, handed to the socket as the host.
    const std::string& serverURL() const { return serverURL_; }
    void setServerURL(std::string value) { serverURL_ = std::move(value); }
    const std::string& accountName() const { return accountName_; }
    void setAccountName(std::string value) { accountName_ = std::move(value); }
    const std::string& password() const { return password_; }
    void setPassword(std::string value) { password_ = std::move(value); }
    // 32 bits wide so that every TCP port fits; -1 marks a configuration without one.
    std::int32_t port() const { return port_; }
    void setPort(std::int32_t value) { port_ = value; }

  private:
    std::string serverURL_{kDefaultDeliveryServerHost};
    std::string accountName_{kDefaultDeliveryAccount};
    std::string password_{kDefaultDeliveryPassword};
    std::int32_t port_ = kDefaultDeliveryPort;
};

}  // namespace zov::config
