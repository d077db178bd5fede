// zov-service: the reference service on one event loop. Prints the port of each server as
// `name=port` lines so scripts can read them.

#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

#include "auth_server.hpp"
#include "delivery_server.hpp"
#include "http_server.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "service_pages.hpp"
#include "subscribers.hpp"

namespace {

constexpr std::string_view kUsage =
    "usage: zov-service --movies DIR --subscribers FILE [--auth-port N] [--ftp-port N] "
    "[--http-port N] [--host ADDRESS] [--newest-version V]\n";

struct Options {
    std::string movies, subscribers, host = "127.0.0.1", newestVersion = "5.3.135";
    std::int32_t authPort = 0, ftpPort = 0, httpPort = 0;
};

bool readPort(const std::string& text, std::int32_t& port) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != text.npos) {
        return false;
    }
    port = std::stoi(text);
    return port <= 65535;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (i + 1 >= argc) return false;
        std::string value = argv[++i];
        if (flag == "--movies") {
            options.movies = value;
        } else if (flag == "--subscribers") {
            options.subscribers = value;
        } else if (flag == "--host") {
            options.host = value;
        } else if (flag == "--newest-version") {
            options.newestVersion = value;
        } else if (flag == "--auth-port") {
            if (!readPort(value, options.authPort)) return false;
        } else if (flag == "--ftp-port") {
            if (!readPort(value, options.ftpPort)) return false;
        } else if (flag == "--http-port") {
            if (!readPort(value, options.httpPort)) return false;
        } else {
            return false;
        }
    }
    return !options.movies.empty() && !options.subscribers.empty();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zov;
    Options options;
    if (!parse(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    try {
        service::Subscribers subscribers = service::Subscribers::load(options.subscribers);
        platform::MonotonicClock clock;
        platform::PollLoop loop(clock);
        // Only dotted addresses and the hosts file: the service never asks a DNS server.
        platform::CaresResolver resolver(loop, {.lookups = "f"});

        service::ServicePages pages(options.movies, options.newestVersion,
                                    "http://" + options.host + "/zov/");
        service::HttpServer http(
            loop, resolver, [&pages](const service::HttpRequest& r) { return pages.answer(r); },
            options.host, options.httpPort);
        http.start();
        service::DeliveryServer delivery(loop, resolver, subscribers, options.movies, options.host,
                                         options.ftpPort);
        delivery.start();
        std::string web = "http://" + options.host + ":" + std::to_string(http.port());
        service::AuthServer auth(loop, resolver, subscribers,
                                 {.host = options.host,
                                  .port = options.authPort,
                                  .deliveryPort = delivery.port(),
                                  .guideUrl = web + "/guide.html",
                                  .bannerUrl = web + "/banner.html"});
        auth.start();

        std::cout << "auth=" << auth.port() << "\nftp=" << delivery.port()
                  << "\nhttp=" << http.port() << std::endl;
        loop.run();
    } catch (const Error& error) {
        std::cerr << "zov-service: " << error.description() << "\n";
        return 1;
    }
    return 0;
}
