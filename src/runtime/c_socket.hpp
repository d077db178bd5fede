#pragma once
// The system's only network primitive: an event-driven TCP (and UDP) socket object with
// the interface of a socket control. All input and output is non-blocking; readiness,
// completion, closure and host-name lookups arrive as events on the event loop.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/event.hpp"
#include "platform/weak_factory.hpp"
#include "runtime/socket_value.hpp"

namespace zov::platform {
class EventLoop;
class Resolver;
struct Readiness;
struct LookupResult;
}  // namespace zov::platform

namespace zov::runtime {

// Values of CSocket::State.
enum SocketState : std::int32_t {
    sckClosed = 0,
    sckListening = 2,
    sckResolvingHost = 4,
    sckHostResolved = 5,
    sckConnecting = 6,
    sckConnected = 7,
    sckClosing = 8,
    sckError = 9,
};

// Values of CSocket::Protocol.
enum SocketProtocol : std::int32_t { sckTCPProtocol = 0, sckUDPProtocol = 1 };

class CSocket : public std::enable_shared_from_this<CSocket> {
  public:
    static std::shared_ptr<CSocket> create(platform::EventLoop& loop, platform::Resolver& resolver);
    ~CSocket();
    CSocket(const CSocket&) = delete;
    CSocket& operator=(const CSocket&) = delete;

    // Queues the value's bytes behind anything still unsent and starts sending at once.
    void SendData(const SocketValue& data);
    void PeekData(std::string& data, std::int32_t maxLen = 0);
    void PeekData(SocketValue& data, VarType type, std::int32_t maxLen = 0);
    // The client listens with a queue of five waiting connections; a server that many
    // clients reach at once asks for more (the system caps it), or the kernel drops the
    // rest and they retry seconds later.
    static constexpr int kDefaultBacklog = 5;
    void Listen(int backlog = kDefaultBacklog);
    // A listening socket that cannot take a connection in because the process (or the
    // system) is out of descriptors stops watching for connections this long: the waiting
    // connections stay queued, and retrying at once would only spin.
    static constexpr std::int64_t kAcceptBackOffMs = 100;
    void GetData(std::string& data, std::int32_t maxLen = 0);
    void GetData(ByteArray& data, std::int32_t maxLen = 0);
    void GetData(SocketValue& data, VarType type, std::int32_t maxLen = 0);
    void Connect(const std::string& host = {}, std::int32_t port = 0);
    void CloseSocket();
    void Bind(std::int32_t localPort = 0, const std::string& localIP = {});
    void Accept(std::int32_t requestID);

    std::int32_t State() const { return state_; }
    std::int32_t SocketHandle() const { return fd_; }
    std::int32_t RemotePort() const { return remotePort_; }
    void setRemotePort(std::int32_t port) { remotePort_ = port; }
    const std::string& RemoteHostIP() const { return remoteHostIP_; }
    const std::string& RemoteHost() const { return remoteHost_; }
    void setRemoteHost(const std::string& host);
    std::int32_t Protocol() const { return protocol_; }
    void setProtocol(std::int32_t protocol);
    std::int32_t LocalPort() const { return localPort_; }
    void setLocalPort(std::int32_t port) { localPort_ = port; }
    const std::string& LocalIP() const { return localIP_; }
    const std::string& LocalHostName() const { return localHostName_; }
    std::int32_t BytesReceived() const { return static_cast<std::int32_t>(received_.size()); }

    // Creates the operating-system socket; returns its handle.
    std::int32_t vbSocket();

    // Events, in interface order.
    Event<> OnClose;
    Event<> OnConnect;
    Event<std::int32_t> OnConnectionRequest;
    Event<std::int32_t> OnDataArrival;
    Event<std::int16_t, const std::string&, std::int32_t, const std::string&, const std::string&,
          std::int32_t, bool&>
        OnError;
    Event<> OnSendComplete;
    Event<std::int32_t, std::int32_t> OnSendProgress;

    // Connects OnError to an action that needs to know only that the socket failed, not how.
    void connectOnError(std::function<void()> action);

  private:
    CSocket(platform::EventLoop& loop, platform::Resolver& resolver);

    void PostSocketEvent(const platform::Readiness& readiness);
    void PostGetHostEvent(std::uint32_t lookup, const platform::LookupResult& result);
    void connectComplete();
    void readReady();
    void receiveDatagram();
    void writeReady();
    void acceptReady();
    void pauseAccepting();
    void resumeAccepting();
    void peerClosed();
    void errorNotification(int code);
    void raiseError(int code, const std::string& source);
    void startConnect(bool afterLookup);
    void SendBufferedData(bool fromNotification);
    std::string takeBytes(std::int32_t maxLen, bool remove);
    void updateInterest();
    void startLookup();
    void cancelLookup();
    void DestroySocket();

    platform::EventLoop& loop_;
    platform::Resolver& resolver_;

    int fd_ = -1;
    std::int32_t state_ = sckClosed;
    std::int32_t protocol_ = sckTCPProtocol;
    std::string remoteHost_;
    std::string remoteHostIP_;
    std::int32_t remotePort_ = 0;
    std::string localIP_;
    std::string localHostName_;
    std::int32_t localPort_ = 0;
    std::uint32_t lookupId_ = 0;     // the resolver's id of the pending lookup
    std::uint32_t lookupToken_ = 0;  // ours, to recognise its answer
    int afterResolve_ = 0;           // 0 = connect, 1 = send the buffered datagram
    int pendingConnectError_ = 0;
    std::string received_;
    std::string unsent_;
    std::size_t unsentOffset_ = 0;
    bool sendPending_ = false;
    bool shutdownWhenSent_ = false;
    std::size_t receiveChunk_ = 65536;
    bool bound_ = false;
    bool broadcast_ = false;
    unsigned watchedInterest_ = ~0u;  // what the loop watches for, ~0 = not watched
    bool acceptPaused_ = false;       // a listener backing off after running out of descriptors
    std::uint64_t acceptTimer_ = 0;   // the loop's timer key for the back-off, 0 = none yet
    platform::WeakFactory<CSocket> weak_{this};  // last
};

}  // namespace zov::runtime
