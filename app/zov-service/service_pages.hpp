#pragma once
// The pages the service serves over HTTP: the version answer, the movie guide built from
// the movie folder, and the banner.

#include <string>
#include <string_view>

#include "http_server.hpp"
#include "movie_folder.hpp"

namespace zov::service {

class ServicePages {
  public:
    static constexpr std::string_view kVersionPath =
        "/pcplayer_version_control/version_control_server.asp";

    ServicePages(MovieFolder movies, std::string newestVersion, std::string productUrl);

    HttpServer::Response answer(const HttpRequest& request) const;

    std::string versionAnswer(std::string_view askingVersion) const;
    std::string guidePage() const;
    std::string bannerPage() const;

    // Whether `newest` is a later dotted version than `asking`. A version that is not
    // dotted numbers is never called older: a garbled question must not lock a client out.
    static bool isNewer(std::string_view newest, std::string_view asking);

  private:
    MovieFolder movies_;
    std::string newestVersion_;
    std::string productUrl_;
};

}  // namespace zov::service
