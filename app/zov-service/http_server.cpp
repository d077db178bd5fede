#include "http_server.hpp"

#include "command_reader.hpp"
#include "platform/event_loop.hpp"
#include "runtime/c_socket.hpp"

namespace zov::service {

using runtime::CSocket;

struct HttpServer::Connection {
    std::uint64_t id = 0;
    std::shared_ptr<CSocket> socket;
    std::string received;
    bool answered = false;
};

namespace {

const char* reason(int status) {
    switch (status) {
        case 200:
            return "OK";
        case 400:
            return "Bad Request";
        case 404:
            return "Not Found";
        case 405:
            return "Method Not Allowed";
        default:
            return "Error";
    }
}

}  // namespace

HttpServer::HttpServer(platform::EventLoop& loop, platform::Resolver& resolver, Handler handler,
                       std::string host, std::int32_t port)
    : loop_(loop),
      resolver_(resolver),
      handler_(std::move(handler)),
      host_(std::move(host)),
      port_(port) {}

HttpServer::~HttpServer() {
    for (auto& [id, connection] : connections_)
        connection->socket->CloseSocket();
    if (listener_) listener_->CloseSocket();
}

void HttpServer::start() {
    listener_ = CSocket::create(loop_, resolver_);
    listener_->Bind(port_, host_);
    listener_->Listen();
    listener_->OnConnectionRequest.connect([this](std::int32_t id) { accept(id); });
}

std::int32_t HttpServer::port() const {
    return listener_ ? listener_->LocalPort() : 0;
}

void HttpServer::accept(std::int32_t requestId) {
    auto connection = std::make_unique<Connection>();
    connection->id = nextId_++;
    connection->socket = CSocket::create(loop_, resolver_);
    connection->socket->Accept(requestId);
    Connection& c = *connection;
    std::uint64_t id = c.id;
    c.socket->OnDataArrival.connect([this, &c](std::int32_t) { received(c); });
    c.socket->OnClose.connect([this, id] { drop(id); });
    c.socket->OnError.connect([this, id](std::int16_t, const std::string&, std::int32_t,
                                         const std::string&, const std::string&, std::int32_t,
                                         bool&) { drop(id); });
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
                       "\r\nContent-Length: " + std::to_string(response.body.size()) +
                       "\r\nConnection: close\r\n\r\n";
    connection.socket->SendData(head + response.body);
    connection.socket->CloseSocket();
}

void HttpServer::drop(std::uint64_t id) {
    loop_.post([this, id] {
        auto found = connections_.find(id);
        if (found == connections_.end()) return;
        found->second->socket->CloseSocket();
        connections_.erase(found);
    });
}

}  // namespace zov::service
