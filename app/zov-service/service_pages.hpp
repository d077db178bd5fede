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

    // The live channel replays the first movie over HTTP, as a stream, in parts when asked
    // (a player starting midway); a movie larger than this is not held in memory for it. The
    // guide offers it twice: to the embedded player as its "http" address, and to the
    // external H.264 player as "xms://HOST:PORT/live.mp4", which that player opens as the
    // same "http" address.
    static constexpr std::size_t kMaxLiveBytes = 64u << 20;
    static constexpr std::string_view kLivePath = "/live.mp4";

    ServicePages(MovieFolder movies, std::string newestVersion, std::string productUrl);
    // Where clients reach these pages ("http://127.0.0.1:8000"), known once the web server
    // listens; the guide's live channel points there.
    void setWebAddress(std::string web) { web_ = std::move(web); }

    HttpServer::Response answer(const HttpRequest& request) const;

    std::string versionAnswer(std::string_view askingVersion) const;
    std::string guidePage() const;
    std::string bannerPage() const;
    HttpServer::Response liveStream(std::string_view range = {}) const;

    // Whether `newest` is a later dotted version than `asking`. A version that is not
    // dotted numbers is never called older: a garbled question must not lock a client out.
    static bool isNewer(std::string_view newest, std::string_view asking);

  private:
    MovieFolder movies_;
    std::string newestVersion_;
    std::string productUrl_;
    std::string web_ = "http://127.0.0.1";
};

}  // namespace zov::service
