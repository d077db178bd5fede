#pragma once
// A small HTTP/1.0-style server: one GET per connection, answered by a handler and closed.
// A connection whose request head has not come complete in time is closed unanswered;
// one beyond the server's limits gets 503 at once.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "connection_gate.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
}  // namespace zov::platform
namespace zov::runtime {
class CSocket;
}

namespace zov::service {

struct HttpRequest;

class HttpServer {
  public:
    struct Response {
        int status = 200;
        std::string contentType = "text/html; charset=utf-8";
        std::string body;
        std::vector<std::pair<std::string, std::string>> headers = {};  // beyond the standard ones
    };
    using Handler = std::function<Response(const HttpRequest&)>;

    static constexpr std::int64_t kRequestTimeoutMs = 30'000;

    HttpServer(platform::EventLoop& loop, platform::Resolver& resolver, Handler handler,
               std::string host = "127.0.0.1", std::int32_t port = 0,
               ConnectionGate::Limits limits = {});
    ~HttpServer();
    HttpServer(const HttpServer&) = delete;
    HttpServer& operator=(const HttpServer&) = delete;

    // The part of a whole 200 answer that a "Range: bytes=..." header asks for: 206 with
    // that part, or 416 when it starts past the end. A missing header, another unit or
    // several ranges get the whole answer. Either way the answer says ranges are served.
    static Response partOf(Response whole, std::string_view range);

    void start();
    std::int32_t port() const;
    std::size_t connectionCount() const { return connections_.size(); }

  private:
    struct Connection;
    void accept(std::int32_t requestId);
    void received(Connection& connection);
    void respond(Connection& connection, const Response& response);
    void drop(std::uint64_t id);

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;
    Handler handler_;
    std::string host_;
    std::int32_t port_;
    ConnectionGate gate_;  // before the connections, whose tickets it counts
    std::shared_ptr<runtime::CSocket> listener_;
    std::map<std::uint64_t, std::unique_ptr<Connection>> connections_;
    std::uint64_t nextId_ = 1;
    platform::WeakFactory<HttpServer> weak_{this};  // last
};

}  // namespace zov::service
