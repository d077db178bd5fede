#include "http_server.hpp"

#include <sys/socket.h>

#include "command_reader.hpp"
#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"

namespace zov::service {

using runtime::CSocket;

struct HttpServer::Connection {
    std::uint64_t id = 0;
    ConnectionGate::Ticket ticket;
    std::shared_ptr<CSocket> socket;
    std::string received;
    bool answered = false;
    platform::TimerKey deadline = 0;
};

namespace {

const char* reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 206:
            return "Partial Content";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        case 416:
            return "Range Not Satisfiable";
        default:
            return "Error";
    }
}

std::optional<std::uint64_t> decimal(std::string_view text) {
    if (text.empty() || text.size() > 18) return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value;
}

}  // namespace

HttpServer::HttpServer(platform::EventLoop& loop, platform::Resolver& resolver, Handler handler,
                       std::string host, std::int32_t port, ConnectionGate::Limits limits)
    : loop_(loop),
      resolver_(resolver),
      handler_(std::move(handler)),
      host_(std::move(host)),
      port_(port),
      gate_(limits) {}

HttpServer::~HttpServer() {
    for (auto& [id, connection] : connections_) {
        loop_.killTimer(connection->deadline);
        closeQuietly(connection->socket);
    }
    if (listener_) listener_->CloseSocket();
}

void HttpServer::start() {
    listener_ = CSocket::create(loop_, resolver_);
    listener_->Bind(port_, host_);
    // Many clients may arrive at the same moment: a short queue drops them for seconds.
    listener_->Listen(SOMAXCONN);
    listener_->OnConnectionRequest.connect(
        weak_.bind([](HttpServer& self, std::int32_t id) { self.accept(id); }));
}

HttpServer::Response HttpServer::partOf(Response whole, std::string_view range) {
    whole.headers.emplace_back("Accept-Ranges", "bytes");
    constexpr std::string_view kUnit = "bytes=";
    if (whole.status != 200 || !range.starts_with(kUnit)) return whole;
    const std::string_view spec = range.substr(kUnit.size());
    const std::size_t dash = spec.find('-');
    if (dash == spec.npos || spec.find(',') != spec.npos) return whole;
    const std::uint64_t size = whole.body.size();
    const auto from = decimal(spec.substr(0, dash));
    const auto to = decimal(spec.substr(dash + 1));
    std::uint64_t first = 0;
    std::uint64_t last = size == 0 ? 0 : size - 1;
    if (from) {  // "a-" or "a-b"
        if (dash + 1 < spec.size() && (!to || *to < *from)) return whole;
        first = *from;
        if (to && *to < last) last = *to;
    } else {  // "-n": the last n bytes
        if (!to || *to == 0) return whole;
        first = *to >= size ? 0 : size - *to;
    }
    if (first >= size) {
        Response refused{
            416, "text/plain", "", {{"Content-Range", "bytes */" + std::to_string(size)}}};
        refused.headers.emplace_back("Accept-Ranges", "bytes");
        return refused;
    }
    whole.status = 206;
    whole.headers.emplace_back(
        "Content-Range",
        "bytes " + std::to_string(first) + "-" + std::to_string(last) + "/" + std::to_string(size));
    whole.body = whole.body.substr(first, last - first + 1);
    return whole;
}

std::int32_t HttpServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void HttpServer::accept(std::int32_t requestId) {
    auto connection = std::make_unique<Connection>();
    connection->id = nextId_++;
    connection->socket = CSocket::create(loop_, resolver_);
    try {
        connection->socket->Accept(requestId);
    } catch (const Error&) {
        return;
    }
    std::optional<ConnectionGate::Ticket> ticket = gate_.admit(connection->socket->RemoteHostIP());
    if (!ticket) {
        return turnAway(*connection->socket,
                        "HTTP/1.1 503 Service Unavailable\r\nContent-Length: 0\r\n"
                        "Connection: close\r\n\r\n");
    }
    connection->ticket = std::move(*ticket);
    Connection& c = *connection;
    std::uint64_t id = c.id;
    c.socket->OnDataArrival.connect(
        weak_.bind([&c](HttpServer& self, std::int32_t) { self.received(c); }));
    c.socket->OnClose.connect(weak_.bind([id](HttpServer& self) { self.drop(id); }));
    c.socket->connectOnError(weak_.bind([id](HttpServer& self) { self.drop(id); }));
    c.deadline = loop_.newTimerKey();
    loop_.setTimer(c.deadline, kRequestTimeoutMs, [this, &c] {
        closeQuietly(c.socket);
        closeQuietly(c.socket);  // the second close drops a half-closed connection
        drop(c.id);
    });
    connections_.emplace(id, std::move(connection));
}

void HttpServer::received(Connection& connection) {
    std::string chunk;
    connection.socket->GetData(chunk);
    if (connection.answered) return;
    connection.received += chunk;
    HttpRequest request;
    switch (readHttpRequest(connection.received, request)) {
        case RequestStatus::Incomplete:
            return;
        case RequestStatus::Malformed:
            return respond(connection, {400, "text/plain", "Bad request\n"});
        case RequestStatus::Complete:
            break;
    }
    if (request.method != "GET") {
        return respond(connection, {405, "text/plain", "Only GET is served\n"});
    }
    Response response = handler_(request);
    respond(connection, response);
}

void HttpServer::respond(Connection& connection, const Response& response) {
    connection.answered = true;
    connection.received.clear();
    std::string head = "HTTP/1.1 " + std::to_string(response.status) + " " +
                       reason(response.status) + "\r\nContent-Type: " + response.contentType +
                       "\r\nContent-Length: " + std::to_string(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    head += "Connection: close\r\n\r\n";
    try {
        connection.socket->SendData(head + response.body);
    } catch (const Error&) {
        return drop(connection.id);
    }
    closeQuietly(connection.socket);
}

void HttpServer::drop(std::uint64_t id) {
    auto found = connections_.find(id);
    if (found == connections_.end()) return;
    loop_.killTimer(found->second->deadline);
    // The socket raised the event we are in; let it return before the socket goes.
    loop_.post(weak_.bind([id](HttpServer& self) {
        auto found = self.connections_.find(id);
        if (found == self.connections_.end()) return;
        self.loop_.killTimer(found->second->deadline);
        closeQuietly(found->second->socket);
        self.connections_.erase(found);
    }));
}

}  // namespace zov::service
