#pragma once
// The HTTP client over libcurl. Plain HTTP and HTTPS only, straight to the server (no proxy,
// no redirects, no request headers of our own), within the caller's time and size limits.

#include "platform/http_client.hpp"

namespace zov::platform {

class CurlHttpClient : public HttpClient {
  public:
    HttpResponse get(const std::string& url, const HttpLimits& limits) override;
};

}  // namespace zov::platform
