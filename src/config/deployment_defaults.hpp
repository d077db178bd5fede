#pragma once
// The values this deployment of the client ships with, used until zov.ini or the service
// says otherwise.

#include <cstdint>
#include <string_view>

namespace zov::config {

inline constexpr std::string_view kDefaultAuthServerHost = "vod.zov.example";
inline constexpr std::string_view kDefaultWebsite = kDefaultAuthServerHost;
inline constexpr std::string_view kDefaultDeliveryServerHost = "cdn.zov.example";
inline constexpr std::string_view kDefaultDeliveryAccount = "anonymous";
inline constexpr std::string_view kDefaultDeliveryPassword = "guest@zov.example";
inline constexpr std::int32_t kDefaultDeliveryPort = 21;

}  // namespace zov::config
