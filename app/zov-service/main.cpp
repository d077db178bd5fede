// zov-service: the reference service on one event loop. Prints the port of each server as
// `name=port` lines so scripts can read them.

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "auth_server.hpp"
#include "delivery_server.hpp"
#include "http_server.hpp"
#include "login_throttle.hpp"
#include "movie_folder.hpp"
#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/poll_loop.hpp"
#include "platform/port_number.hpp"
#include "service_pages.hpp"
#include "subscribers.hpp"

namespace {

constexpr std::string_view kUsage =
    "usage: zov-service --movies DIR --subscribers FILE [--host ADDRESS]\n"
    "                   [--auth-port N] [--ftp-port N] [--http-port N]\n"
    "                   [--ftp-rate BYTES_PER_SECOND] [--ftp-idle SECONDS]\n"
    "                   [--refuse-multi-login] [--newest-version V]\n"
    "                   [--max-connections N] [--max-per-address N] [--max-login-delay SECONDS]\n"
    "                   [--delivery HOST:PORT [--delivery-user NAME --delivery-password PW]]\n"
    "Prints auth=PORT, ftp=PORT and http=PORT, one a line, once it listens.\n"
    "See docs/service.md.\n";

struct Options {
    std::string movies, subscribers, host = "127.0.0.1", newestVersion = "5.3.135";
    std::int32_t authPort = 0, ftpPort = 0, httpPort = 0;
    std::int64_t ftpRate = 0;
    std::int64_t ftpIdleSeconds = 300;
    bool refuseMultiLogin = false;
    std::string deliveryHost, deliveryUser, deliveryPassword;
    std::int32_t deliveryPort = 0;
    std::optional<std::int64_t> maxConnections;  // per server; by default from the file limit
    std::int64_t maxPerAddress = 32;
    std::int64_t maxLoginDelaySeconds = 20;
};

// Room for every server full at once within the process's limit of open files: a
// connection to each of the three, an FTP session counting three (control connection,
// data connection, movie file), and a reserve for the listeners, the resolver and the rest.
std::int64_t connectionsTheFileLimitAllows() {
    constexpr std::int64_t kReserve = 64, kPerClient = 5;
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return 0;
    const auto files = static_cast<std::int64_t>(std::min<rlim_t>(limit.rlim_cur, 1 << 30));
    return std::max<std::int64_t>(1, (files - kReserve) / kPerClient);
}

std::optional<std::int64_t> readNumber(const std::string& text, std::int64_t largest) {
    if (text.empty() || text.size() > 13 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    std::int64_t value = std::stoll(text);
    if (value > largest) return std::nullopt;
    return value;
}

bool readPort(const std::string& text, std::int32_t& port) {
    std::optional<std::int32_t> value = zov::platform::portNumber(text);
    if (!value) return false;
    port = *value;
    return true;
}

// Values the movie list carries inside double-quoted attributes.
bool isAttributeValue(const std::string& value) {
    for (char c : value) {
        auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f || c == '"') return false;
    }
    return !value.empty();
}

bool readDelivery(const std::string& text, Options& options) {
    std::size_t colon = text.rfind(':');
    if (colon == std::string::npos) return false;
    options.deliveryHost = text.substr(0, colon);
    return isAttributeValue(options.deliveryHost) &&
           readPort(text.substr(colon + 1), options.deliveryPort) && options.deliveryPort > 0;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string flag = argv[i];
        if (flag == "--refuse-multi-login") {
            options.refuseMultiLogin = true;
            continue;
        }
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
        } else if (flag == "--ftp-rate") {
            std::optional<std::int64_t> rate = readNumber(value, 1'000'000'000'000);
            if (!rate) return false;
            options.ftpRate = *rate;
        } else if (flag == "--ftp-idle") {
            std::optional<std::int64_t> seconds = readNumber(value, 1'000'000'000);
            if (!seconds) return false;
            options.ftpIdleSeconds = *seconds;
        } else if (flag == "--max-connections" || flag == "--max-per-address" ||
                   flag == "--max-login-delay") {
            std::optional<std::int64_t> number = readNumber(value, 1'000'000);
            if (!number) return false;
            if (flag == "--max-connections") options.maxConnections = *number;
            if (flag == "--max-per-address") options.maxPerAddress = *number;
            if (flag == "--max-login-delay") options.maxLoginDelaySeconds = *number;
        } else if (flag == "--delivery") {
            if (!readDelivery(value, options)) return false;
        } else if (flag == "--delivery-user") {
            if (!isAttributeValue(value)) return false;
            options.deliveryUser = value;
        } else if (flag == "--delivery-password") {
            if (!isAttributeValue(value)) return false;
            options.deliveryPassword = value;
        } else {
            return false;
        }
    }
    // An outside account only means something for an outside server, and needs both halves.
    bool account = !options.deliveryUser.empty() || !options.deliveryPassword.empty();
    if (account && (options.deliveryHost.empty() || options.deliveryUser.empty() ||
                    options.deliveryPassword.empty())) {
        return false;
    }
    return !options.movies.empty() && !options.subscribers.empty();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zov;
    namespace fs = std::filesystem;
    Options options;
    if (argc == 2 && (std::string_view(argv[1]) == "--help" || std::string_view(argv[1]) == "-h")) {
        std::cout << kUsage;
        return 0;
    }
    if (!parse(argc, argv, options)) {
        std::cerr << kUsage;
        return 2;
    }
    std::error_code error;
    if (!fs::is_directory(options.movies, error)) {
        std::cerr << "zov-service: no movie folder " << options.movies << "\n";
        return 1;
    }
    try {
        service::Subscribers subscribers = service::Subscribers::load(options.subscribers);
        // The subscriber list may live beside the movies (the samples keep it there); it is
        // never listed or sent.
        service::MovieFolder movies(options.movies, {options.subscribers});
        platform::MonotonicClock clock;
        platform::PollLoop loop(clock);
        // Only dotted addresses and the hosts file: the service never asks a DNS server.
        platform::CaresResolver resolver(loop, {.lookups = "f"});
        const service::ConnectionGate::Limits connections{
            .perServer = static_cast<std::size_t>(
                options.maxConnections.value_or(connectionsTheFileLimitAllows())),
            .perAddress = static_cast<std::size_t>(options.maxPerAddress)};
        // One for both servers that take passwords: they take the same ones.
        service::LoginThrottle throttle({.maxDelayMs = options.maxLoginDelaySeconds * 1000});

        service::ServicePages pages(movies, options.newestVersion,
                                    "http://" + options.host + "/zov/");
        service::HttpServer http(
            loop, resolver, [&pages](const service::HttpRequest& r) { return pages.answer(r); },
            options.host, options.httpPort, connections);
        http.start();
        pages.setWebAddress("http://" + options.host + ":" + std::to_string(http.port()));

        // With an outside delivery server the movie list names it and ours stays down.
        std::unique_ptr<service::DeliveryServer> delivery;
        std::int32_t deliveryPort = options.deliveryPort;
        if (options.deliveryHost.empty()) {
            delivery = std::make_unique<service::DeliveryServer>(
                loop, resolver, subscribers, throttle, movies,
                service::DeliveryServer::Settings{
                    .host = options.host,
                    .port = options.ftpPort,
                    .limits = {.bytesPerSecond = options.ftpRate,
                               .idleTimeoutMs = options.ftpIdleSeconds * 1000},
                    .connections = connections});
            delivery->start();
            deliveryPort = delivery->port();
        }

        std::string web = "http://" + options.host + ":" + std::to_string(http.port());
        service::AuthServer auth(loop, resolver, subscribers, throttle,
                                 {.host = options.host,
                                  .port = options.authPort,
                                  .deliveryHost = options.deliveryHost,
                                  .deliveryPort = deliveryPort,
                                  .deliveryUser = options.deliveryUser,
                                  .deliveryPassword = options.deliveryPassword,
                                  .guideUrl = web + "/guide.html",
                                  .bannerUrl = web + "/banner.html",
                                  .refuseMultiLogin = options.refuseMultiLogin,
                                  .limits = connections});
        auth.start();

        std::cout << "auth=" << auth.port() << "\nftp=" << deliveryPort << "\nhttp=" << http.port()
                  << std::endl;
        loop.run();
    } catch (const Error& error) {
        std::cerr << "zov-service: " << error.description() << "\n";
        return 1;
    }
    return 0;
}
