#include "runtime/c_socket.hpp"

#include <algorithm>

#include "platform/error.hpp"
#include "platform/event_loop.hpp"
#include "platform/resolver.hpp"
#include "platform/socket_error.hpp"
#include "platform/socket_io.hpp"
#include "runtime/m_socket_support.hpp"

namespace zov::runtime {

namespace io = platform::socket_io;
using platform::Interest;

namespace {

constexpr int kWrongStateError = 40006;
constexpr int kTooManyOpenFiles = 10024;  // EMFILE, ENFILE
constexpr int kNoBufferSpace = 10055;     // ENOBUFS, ENOMEM
const char* const kWrongStateText =
    "Wrong protocol or connection state for the requested transaction or request.";

// Failures that a connect reports later, as an event, rather than at once.
bool isLateConnectFailure(int code) {
    return code == 10051 || code == 10054 || code == 10060 || code == 10061 || code == 10065;
}

std::size_t chunkSize(int systemSize) {
    return static_cast<std::size_t>(std::clamp(systemSize, 4096, 1 << 20));
}

}  // namespace

std::shared_ptr<CSocket> CSocket::create(platform::EventLoop& loop, platform::Resolver& resolver) {
    return std::shared_ptr<CSocket>(new CSocket(loop, resolver));
}

CSocket::CSocket(platform::EventLoop& loop, platform::Resolver& resolver)
    : loop_(loop), resolver_(resolver) {}

CSocket::~CSocket() {
    cancelLookup();
    if (acceptTimer_ != 0) loop_.killTimer(acceptTimer_);
    if (fd_ >= 0) {
        loop_.unwatch(fd_);
        io::closeSocket(fd_);
    }
}

void CSocket::connectOnError(std::function<void()> action) {
    OnError.connect([action = std::move(action)](std::int16_t, const std::string&, std::int32_t,
                                                 const std::string&, const std::string&,
                                                 std::int32_t, bool&) { action(); });
}

// ---- operations -------------------------------------------------------------------------

void CSocket::SendData(const SocketValue& data) {
    if (fd_ < 0) {
        if (protocol_ != sckUDPProtocol) {
            throw Error(kWrongStateError, kWrongStateText, "CSocket.SendData");
        }
        vbSocket();
    }
    std::string bytes = toBytes(data);
    if (unsentOffset_ == unsent_.size()) {
        unsent_ = std::move(bytes);
        unsentOffset_ = 0;
    } else {
        unsent_.append(bytes);
    }
    sendPending_ = true;
    SendBufferedData(false);
}

void CSocket::PeekData(std::string& data, std::int32_t maxLen) {
    if (!received_.empty()) data = takeBytes(maxLen, false);
}

void CSocket::PeekData(SocketValue& data, VarType type, std::int32_t maxLen) {
    if (!received_.empty()) fromBytes(takeBytes(maxLen, false), type, data);
}

void CSocket::GetData(std::string& data, std::int32_t maxLen) {
    if (!received_.empty()) data = takeBytes(maxLen, true);
}

void CSocket::GetData(ByteArray& data, std::int32_t maxLen) {
    if (received_.empty()) return;
    std::string bytes = takeBytes(maxLen, true);
    data.assign(bytes.begin(), bytes.end());
}

void CSocket::GetData(SocketValue& data, VarType type, std::int32_t maxLen) {
    if (!received_.empty()) fromBytes(takeBytes(maxLen, true), type, data);
}

void CSocket::Listen(int backlog) {
    if (fd_ < 0) vbSocket();
    io::setReuseAddress(fd_);
    int error = 0;
    if (!bound_) {
        error = io::bindTo(fd_, localIP_, static_cast<std::uint16_t>(localPort_));
        bound_ = error == 0;
    }
    if (error == 0) error = io::listenOn(fd_, backlog);
    if (error != 0) {
        state_ = sckError;
        MSocketSupport::raiseSocketError(error, "CSocket.Listen");
    }
    io::Address local;
    if (io::localAddress(fd_, local)) {
        localPort_ = local.port;
        localIP_ = local.ip;
    }
    state_ = sckListening;
    updateInterest();
}

void CSocket::Connect(const std::string& host, std::int32_t port) {
    if (!host.empty()) setRemoteHost(host);
    if (port > 0) remotePort_ = port;
    if (fd_ < 0) vbSocket();
    if (remoteHost_.empty()) MSocketSupport::raiseSocketError(10049, "CSocket.Connect");
    if (remotePort_ <= 0 || remotePort_ > 65535) {
        MSocketSupport::raiseSocketError(10049, "CSocket.CSocket.Connect");
    }
    if (io::isDottedAddress(remoteHost_)) {
        remoteHostIP_ = remoteHost_;
        startConnect(false);
        return;
    }
    state_ = sckResolvingHost;
    afterResolve_ = 0;
    startLookup();
}

void CSocket::CloseSocket() {
    if (fd_ < 0) return;
    if (state_ == sckConnected) {
        state_ = sckClosing;
        // Unsent bytes go out first; the sending direction closes behind them.
        if (unsentOffset_ < unsent_.size()) {
            shutdownWhenSent_ = true;
        } else {
            int error = io::shutdownSocket(fd_, io::Direction::Send);
            if (error != 0 && error != 10057) {
                MSocketSupport::raiseSocketError(error, "CSocket.CloseSocket");
            }
        }
        updateInterest();
        return;
    }
    cancelLookup();
    DestroySocket();
    state_ = sckClosed;
}

void CSocket::Bind(std::int32_t localPort, const std::string& localIP) {
    if (fd_ < 0) vbSocket();
    if (!localIP.empty()) localIP_ = localIP;
    if (localPort > 0) localPort_ = localPort;
    int error = io::bindTo(fd_, localIP_, static_cast<std::uint16_t>(localPort_));
    if (error != 0) MSocketSupport::raiseSocketError(error, "CSocket.Bind");
    bound_ = true;
    io::Address local;
    if (io::localAddress(fd_, local)) localPort_ = local.port;
}

void CSocket::Accept(std::int32_t requestID) {
    // Only a connection that a listening socket handed out may be adopted.
    if (!MSocketSupport::takeConnectionRequest(requestID)) {
        MSocketSupport::raiseSocketError(platform::kWsaNotSocket, "CSocket.Accept");
    }
    if (fd_ >= 0) DestroySocket();
    fd_ = requestID;
    io::Address local, peer;
    if (io::localAddress(fd_, local)) {
        localIP_ = local.ip;
        localPort_ = local.port;
        localHostName_ = local.ip;
    }
    if (io::peerAddress(fd_, peer)) {
        remoteHostIP_ = peer.ip;
        remoteHost_ = peer.ip;
        remotePort_ = peer.port;
    }
    protocol_ = io::isDatagram(fd_) ? sckUDPProtocol : sckTCPProtocol;
    receiveChunk_ = chunkSize(io::receiveBufferSize(fd_));
    state_ = sckConnected;
    updateInterest();
}

void CSocket::setRemoteHost(const std::string& host) {
    remoteHost_ = host;
    if (io::isDottedAddress(host)) remoteHostIP_ = host;
    if (protocol_ == sckUDPProtocol && fd_ >= 0) {
        broadcast_ = host.size() >= 4 && host.compare(host.size() - 4, 4, ".255") == 0;
        io::setBroadcast(fd_, broadcast_);
    }
}

void CSocket::setProtocol(std::int32_t protocol) {
    if (fd_ < 0) protocol_ = protocol;
}

std::int32_t CSocket::vbSocket() {
    int error = 0;
    int fd = io::createSocket(protocol_ == sckUDPProtocol ? io::Kind::Datagram : io::Kind::Stream,
                              error);
    if (fd < 0) MSocketSupport::raiseSocketError(error, "CSocket.vbSocket");
    fd_ = fd;
    watchedInterest_ = ~0u;
    receiveChunk_ = chunkSize(io::receiveBufferSize(fd_));
    if (protocol_ == sckUDPProtocol) {
        receiveChunk_ = static_cast<std::size_t>(MSocketSupport::kLargestDatagram);
        setRemoteHost(remoteHost_);
    }
    updateInterest();
    return fd_;
}

// ---- notifications ----------------------------------------------------------------------

void CSocket::PostSocketEvent(const platform::Readiness& r) {
    auto self = shared_from_this();  // a handler may release the last other reference
    if (state_ == sckConnecting) {
        if (!r.writable && !r.error && !r.hangup) return;
        int error = pendingConnectError_ ? pendingConnectError_ : io::pendingError(fd_);
        pendingConnectError_ = 0;
        if (error != 0) {
            errorNotification(error);
        } else {
            connectComplete();
        }
        return;
    }
    if (state_ == sckListening) {
        if (r.readable) acceptReady();
        return;
    }
    if (protocol_ == sckUDPProtocol) {
        if (r.readable) receiveDatagram();
        if (fd_ >= 0 && r.writable) writeReady();
        return;
    }
    if (r.readable || r.hangup || r.error) {
        readReady();
        if (fd_ < 0) return;
    }
    if (r.writable) writeReady();
}

void CSocket::PostGetHostEvent(std::uint32_t lookup, const platform::LookupResult& result) {
    if (lookup != lookupToken_ || lookupId_ == 0) return;  // nobody waits for it any more
    lookupId_ = 0;
    if (result.error != 0) {
        state_ = sckError;
        raiseError(result.error, "");
        return;
    }
    state_ = sckHostResolved;
    if (!result.officialName.empty()) remoteHost_ = result.officialName;
    remoteHostIP_ = result.address;
    if (afterResolve_ == 1) {
        afterResolve_ = 0;
        SendBufferedData(true);
    } else {
        startConnect(true);
    }
}

void CSocket::startConnect(bool afterLookup) {
    int error = io::connectTo(fd_, remoteHostIP_, static_cast<std::uint16_t>(remotePort_));
    if (error == 0 || error == platform::kWsaWouldBlock || isLateConnectFailure(error)) {
        // Whatever the outcome, it is told by the connect notification, as with any
        // connect that goes on in the background.
        pendingConnectError_ = error == platform::kWsaWouldBlock ? 0 : error;
        state_ = sckConnecting;
        updateInterest();
        return;
    }
    if (afterLookup) {
        raiseError(error, "CSocket.PostGetHostEvent");
        return;
    }
    MSocketSupport::raiseSocketError(error, "CSocket.CSocket.Connect");
}

void CSocket::connectComplete() {
    io::Address local;
    if (io::localAddress(fd_, local)) {
        localPort_ = local.port;
        localIP_ = local.ip;
        // A reverse lookup would block the loop; the dotted address names us well enough.
        localHostName_ = local.ip;
    }
    state_ = sckConnected;
    updateInterest();
    OnConnect();
}

void CSocket::readReady() {
    const std::size_t before = received_.size();
    received_.resize(before + receiveChunk_);
    io::IoResult got = io::receiveSome(fd_, received_.data() + before, receiveChunk_);
    received_.resize(before + got.bytes);
    if (got.error == platform::kWsaWouldBlock) return;
    if (got.error != 0) {
        errorNotification(got.error);
        return;
    }
    if (got.bytes == 0) {
        peerClosed();
        return;
    }
    OnDataArrival(static_cast<std::int32_t>(received_.size()));
}

void CSocket::receiveDatagram() {
    std::string datagram(receiveChunk_, '\0');
    io::Address from;
    io::IoResult got = io::receiveFrom(fd_, datagram.data(), datagram.size(), from);
    if (got.error != 0) {
        if (got.error != platform::kWsaWouldBlock) errorNotification(got.error);
        return;
    }
    remotePort_ = from.port;
    remoteHostIP_ = from.ip;
    remoteHost_ = from.ip;
    received_.append(datagram, 0, got.bytes);
    if (got.bytes > 0) OnDataArrival(static_cast<std::int32_t>(received_.size()));
}

void CSocket::writeReady() {
    if (unsentOffset_ < unsent_.size()) {
        SendBufferedData(true);
        return;
    }
    if (sendPending_) {
        sendPending_ = false;
        updateInterest();
        OnSendComplete();
        return;
    }
    updateInterest();
}

void CSocket::acceptReady() {
    int error = 0;
    int accepted = io::acceptFrom(fd_, error);
    if (accepted < 0) {
        // Out of descriptors or memory the connection stays queued and the listener stays
        // readable: the level-triggered loop would call us straight back.
        if (error == kTooManyOpenFiles || error == kNoBufferSpace) pauseAccepting();
        return;  // otherwise it went away before we took it
    }
    MSocketSupport::holdConnectionRequest(accepted);
    OnConnectionRequest(accepted);
    // Nobody adopted the connection: close it rather than leak it.
    if (MSocketSupport::takeConnectionRequest(accepted)) io::closeSocket(accepted);
}

void CSocket::pauseAccepting() {
    acceptPaused_ = true;
    updateInterest();
    if (acceptTimer_ == 0) acceptTimer_ = loop_.newTimerKey();
    loop_.setTimer(acceptTimer_, kAcceptBackOffMs,
                   weak_.bind([](CSocket& self) { self.resumeAccepting(); }));
}

void CSocket::resumeAccepting() {
    loop_.killTimer(acceptTimer_);
    acceptPaused_ = false;
    updateInterest();
}

void CSocket::peerClosed() {
    if (state_ != sckClosing) {
        state_ = sckClosing;
        if (unsentOffset_ < unsent_.size()) {
            io::sendSome(fd_, unsent_.data() + unsentOffset_, unsent_.size() - unsentOffset_);
        }
    }
    DestroySocket();
    state_ = sckClosed;
    OnClose();
}

void CSocket::errorNotification(int code) {
    state_ = sckError;
    DestroySocket();
    raiseError(code, "");
}

void CSocket::raiseError(int code, const std::string& source) {
    bool cancelDisplay = false;
    OnError(static_cast<std::int16_t>(code), platform::wsaErrorText(code), 0, source, "", 0,
            cancelDisplay);
}

void CSocket::SendBufferedData(bool fromNotification) {
    if (protocol_ == sckUDPProtocol) {
        if (remoteHostIP_.empty()) {
            afterResolve_ = 1;
            startLookup();
            return;
        }
        std::string datagram = unsent_.substr(unsentOffset_);
        unsent_.clear();
        unsentOffset_ = 0;
        io::IoResult sent =
            io::sendTo(fd_, datagram.data(), datagram.size(),
                       io::Address{remoteHostIP_, static_cast<std::uint16_t>(remotePort_)});
        if (sent.error != 0) {
            if (fromNotification) return errorNotification(sent.error);
            MSocketSupport::raiseSocketError(sent.error, "CSocket.SendData");
        }
        updateInterest();
        OnSendProgress(static_cast<std::int32_t>(sent.bytes), 0);
        return;
    }
    const std::size_t remaining = unsent_.size() - unsentOffset_;
    io::IoResult sent = io::sendSome(fd_, unsent_.data() + unsentOffset_, remaining);
    if (sent.error == platform::kWsaWouldBlock) {
        updateInterest();  // the rest goes with the next write-ready notification
        return;
    }
    if (sent.error != 0) {
        if (fromNotification) return errorNotification(sent.error);
        int code = sent.error == platform::kWsaNotSocket ? kWrongStateError : sent.error;
        if (code == kWrongStateError) throw Error(code, kWrongStateText, "CSocket.SendData");
        MSocketSupport::raiseSocketError(code, "CSocket.SendData");
    }
    unsentOffset_ += sent.bytes;
    const std::size_t left = unsent_.size() - unsentOffset_;
    if (left == 0) {
        unsent_.clear();
        unsentOffset_ = 0;
        if (shutdownWhenSent_) {
            shutdownWhenSent_ = false;
            io::shutdownSocket(fd_, io::Direction::Send);
        }
    } else if (unsentOffset_ > (1u << 20) && unsentOffset_ > left) {
        unsent_.erase(0, unsentOffset_);  // keep the buffer from growing without end
        unsentOffset_ = 0;
    }
    updateInterest();
    OnSendProgress(static_cast<std::int32_t>(sent.bytes), static_cast<std::int32_t>(left));
}

// ---- helpers ----------------------------------------------------------------------------

std::string CSocket::takeBytes(std::int32_t maxLen, bool remove) {
    std::size_t count = received_.size();
    if (maxLen > 0 && static_cast<std::size_t>(maxLen) < count) count = maxLen;
    if (!remove) return received_.substr(0, count);
    if (count == received_.size()) return std::exchange(received_, std::string());
    std::string taken = received_.substr(0, count);
    received_.erase(0, count);
    return taken;
}

void CSocket::updateInterest() {
    if (fd_ < 0) return;
    Interest interest = Interest::None;
    const bool wantsWrite = unsentOffset_ < unsent_.size() || sendPending_;
    switch (state_) {
        case sckConnecting:
            interest = Interest::Write;
            break;
        case sckListening:
            if (!acceptPaused_) interest = Interest::Read;
            break;
        case sckConnected:
        case sckClosing:
        case sckClosed:
        case sckHostResolved:
            if (state_ != sckClosed || protocol_ == sckUDPProtocol) interest = Interest::Read;
            if (wantsWrite) interest = interest | Interest::Write;
            break;
        default:
            break;
    }
    if (static_cast<unsigned>(interest) == watchedInterest_) return;
    watchedInterest_ = static_cast<unsigned>(interest);
    if (interest == Interest::None) {
        loop_.unwatch(fd_);
        return;
    }
    loop_.watch(fd_, interest,
                weak_.bind([](CSocket& self, platform::Readiness r) { self.PostSocketEvent(r); }));
}

void CSocket::startLookup() {
    cancelLookup();
    const std::uint32_t token = ++lookupToken_;
    lookupId_ = resolver_.lookup(
        remoteHost_, weak_.bind([token](CSocket& self, const platform::LookupResult& r) {
            self.PostGetHostEvent(token, r);
        }));
}

void CSocket::cancelLookup() {
    if (lookupId_ != 0) resolver_.cancel(lookupId_);
    lookupId_ = 0;
}

void CSocket::DestroySocket() {
    received_.clear();
    unsent_.clear();
    unsentOffset_ = 0;
    sendPending_ = false;
    shutdownWhenSent_ = false;
    pendingConnectError_ = 0;
    if (acceptPaused_) {
        loop_.killTimer(acceptTimer_);
        acceptPaused_ = false;
    }
    if (fd_ >= 0) {
        loop_.unwatch(fd_);
        io::closeSocket(fd_);  // close frees the descriptor whatever it reports
        fd_ = -1;
        watchedInterest_ = ~0u;
        bound_ = false;
        broadcast_ = false;
    }
}

}  // namespace zov::runtime
