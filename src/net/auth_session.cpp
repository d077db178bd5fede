#include "net/auth_session.hpp"

#include "config/delivery_server_info.hpp"
#include "config/player_properties.hpp"
#include "net/auth_reply.hpp"
#include "net/auth_session_host.hpp"
#include "net/vt_client.hpp"
#include "platform/error.hpp"
#include "runtime/c_socket.hpp"
#include "runtime/c_timeout.hpp"
#include "runtime/ignoring_errors.hpp"

namespace zov::net {

namespace {

constexpr std::string_view kConnecting = "Connecting to Server...";
constexpr std::string_view kAuthenticating = "Authenticating User...";
constexpr std::string_view kRetrieving = "Retrieving Information from Server...";
constexpr std::string_view kConnectionFailed = "Connection to Server Failed...";
constexpr std::string_view kInvalidConfig = "Invalid Config Data Retrieved...";
constexpr std::string_view kUnsendableLogin =
    "Line Breaks Are Not Allowed in the Distributor, User ID or Password...";

std::string trimSpaces(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::shared_ptr<AuthSession> AuthSession::create(platform::EventLoop& loop,
                                                 platform::Resolver& resolver,
                                                 config::PlayerProperties& playerProp,
                                                 platform::HttpClient& http, AuthSessionHost& host,
                                                 std::string ownVersion) {
    std::shared_ptr<AuthSession> session(
        new AuthSession(loop, resolver, playerProp, http, host, std::move(ownVersion)));
    session->wireTimers();
    return session;
}

AuthSession::AuthSession(platform::EventLoop& loop, platform::Resolver& resolver,
                         config::PlayerProperties& playerProp, platform::HttpClient& http,
                         AuthSessionHost& host, std::string ownVersion)
    : loop_(loop),
      resolver_(resolver),
      playerProp_(playerProp),
      http_(http),
      host_(host),
      ownVersion_(std::move(ownVersion)) {}

AuthSession::~AuthSession() = default;

void AuthSession::wireTimers() {
    authConnectionTimer = runtime::CTimeout::create(loop_, kConnectionTimeOutSeconds);
    loginStatusDelay = runtime::CTimeout::create(loop_, kLoginStatusDelaySeconds);
    authConnectionTimer->TimeOut.connect(
        weak_.bind([](AuthSession& self) { self.authConnectionTimer_TimeOut(); }));
    loginStatusDelay->TimeOut.connect(
        weak_.bind([](AuthSession& self) { self.loginStatusDelay_timeout(); }));
}

std::string AuthSession::versionServerURL() const {
    if (!versionServerURL_.empty()) return versionServerURL_;
    return "http://" + playerProp_.authServerURL() + std::string(kVersionServerPath);
}

std::string AuthSession::readReplyValue(std::string_view name) const {
    return net::readReplyValue(dataBuffer_, name);
}

// ---- login ------------------------------------------------------------------------------

void AuthSession::authUser(const std::string& distributor, const std::string& user,
                           const std::string& pass) {
    // Every attempt reads only its own list, and an earlier attempt's delay must not bring
    // the login page back in the middle of this one.
    dataBuffer_.clear();
    loginStatusDelay->StopTimer();

    const std::string trimmedDistributor = trimSpaces(distributor);
    const std::string trimmedUser = trimSpaces(user);
    const std::string trimmedPass = trimSpaces(pass);
    if (!isSendable(trimmedDistributor) || !isSendable(trimmedUser) || !isSendable(trimmedPass)) {
        failAttempt(kUnsendableLogin);
        return;
    }

    host_.displayInfo(std::string(kConnecting));
    playerProp_.setUserID(trimmedUser);
    playerProp_.setUserPass(trimmedPass);
    // An empty distributor field keeps the one from zov.ini.
    if (!trimmedDistributor.empty()) playerProp_.setContentDistributor(trimmedDistributor);
    connectToAuthServer();
}

void AuthSession::connectToAuthServer() {
    auto connection = runtime::CSocket::create(loop_, resolver_);
    const runtime::CSocket* sender = connection.get();
    connection->OnConnect.connect(
        weak_.bind([sender](AuthSession& self) { self.authConnection_OnConnect(sender); }));
    connection->OnDataArrival.connect(
        weak_.bind([sender](AuthSession& self, std::int32_t bytesTotal) {
            self.authConnection_OnDataArrival(sender, bytesTotal);
        }));
    releaseConnection();
    authConnection = std::move(connection);
    authConnectionTimer->StartTimer();
    try {
        authConnection->Connect(playerProp_.authServerURL(), authPort_);
    } catch (const Error&) {
        // No address to connect to at all: nothing will ever arrive, so say so now.
        failAttempt(kConnectionFailed);
    }
}

void AuthSession::authConnection_OnConnect(const runtime::CSocket* sender) {
    if (!authConnection || authConnection.get() != sender) return;
    authConnectionTimer->Reset();
    host_.displayInfo(std::string(kAuthenticating));
    sendLine("USER " + playerProp_.contentDistributor() + " " + playerProp_.userID() + " " +
             playerProp_.userPass());
}

void AuthSession::authConnection_OnDataArrival(const runtime::CSocket* sender,
                                               std::int32_t bytesTotal) {
    if (!authConnection || authConnection.get() != sender) return;
    authConnectionTimer->Reset();
    std::string chunk;
    if (bytesTotal != 0) {
        try {
            authConnection->GetData(chunk);
        } catch (const Error&) {
            chunk = kReadErrorChunk;
        }
    }

    const ChunkMeaning meaning = classifyChunk(chunk);
    if (meaning.endsAttempt) failAttempt(meaning.status);
    switch (meaning.kind) {
        case ChunkKind::StatusReply:
        case ChunkKind::Ping:
            return;
        case ChunkKind::Accepted:
            checkForUpdate();
            return;
        case ChunkKind::ListPart:
            break;
    }

    const ListProgress progress = appendToList(dataBuffer_, chunk, kDataBufferLimit);
    if (meaning.endsAttempt)
        return;  // an unknown error reply is only kept; the attempt is already over
    if (progress == ListProgress::Overflow) {
        failAttempt(kInvalidConfig);
    } else if (progress == ListProgress::Complete) {
        authConnectionTimer->StopTimer();
        applyServiceConfig();
    }
}

void AuthSession::checkForUpdate() {
    host_.displayInfo(std::string(kRetrieving));
    std::string updateMessage;
    try {
        // Synchronous: no socket or timer event runs until the answer is in.
        VTClient client(http_);
        client.CheckForUpdate(versionServerURL(), ownVersion_);
        if (client.UpdateExists()) {
            updateMessage = "The current version of the player is " + ownVersion_ +
                            "  The latest version is " + client.LatestVersion() +
                            ".  Please go to " + client.ProductURL() + " to update your player.";
        }
    } catch (const Error&) {
        // A broken version server must not lock every subscriber out: no answer means no
        // update.
    }
    if (!updateMessage.empty()) {
        // The list is not asked for; the time-out ends the attempt and the message stays
        // until then.
        host_.displayInfo(updateMessage);
        return;
    }
    sendLine("MOVIELIST");
    // However long the check took, the list gets its full time.
    authConnectionTimer->Reset();
}

void AuthSession::applyServiceConfig() {
    host_.createMediaPath();

    config::DeliveryServerInfo server;
    server.setServerURL(readReplyValue("location"));
    server.setAccountName(readReplyValue("username"));
    server.setPassword(readReplyValue("password"));
    server.setPort(cdnPort(readReplyValue("cdnport")));
    std::string stbEpgURL = readReplyValue("epgGuide");
    std::string bannerURL = readReplyValue("AdsUrl");
    // Each list is read on its own: a later one must not find this one's values first.
    dataBuffer_.clear();

    if (server.serverURL().empty() || server.accountName().empty() || server.password().empty() ||
        server.port() == -1 || stbEpgURL.empty() || bannerURL.empty()) {
        // A rejected configuration leaves the one in use as it was: the first delivery
        // server on the list is the one downloads go to.
        failAttempt(kInvalidConfig);
        return;
    }
    playerProp_.addDeliveryServer(server);
    playerProp_.setStbEpgURL(std::move(stbEpgURL));
    playerProp_.setBannerURL(std::move(bannerURL));
    playerProp_.setAdsEnabled(false);

    // The connection stays open after acceptance.
    sessionAccepted_ = true;
    host_.acceptSession();
}

// ---- time-outs and failures -------------------------------------------------------------

void AuthSession::authConnectionTimer_TimeOut() {
    authConnectionTimer->StopTimer();
    if (host_.mainWindowVisible()) return;  // a session is established
    failAttempt(kConnectionFailed);
}

void AuthSession::loginStatusDelay_timeout() {
    loginStatusDelay->StopTimer();
    if (!sessionAccepted_) host_.loginError();
}

void AuthSession::failAttempt(std::string_view status) {
    releaseConnection();
    // The attempt is over: its time-out has nothing left to report.
    authConnectionTimer->StopTimer();
    loginStatusDelay->StartTimer();
    if (!status.empty()) host_.displayInfo(std::string(status));
}

void AuthSession::closeForExit() {
    releaseConnection();
    authConnectionTimer->StopTimer();
    loginStatusDelay->StopTimer();
}

void AuthSession::releaseConnection() {
    if (!authConnection) return;
    // Released first: a socket in the middle of raising its own event lives on until the
    // event returns, but is no longer ours.
    auto connection = std::move(authConnection);
    authConnection.reset();
    // Closing a broken connection may fail; it is released all the same.
    runtime::ignoringErrors([&] {
        if (connection->State() != runtime::sckClosed) connection->CloseSocket();
    });
}

void AuthSession::sendLine(const std::string& line) {
    if (!authConnection) return;
    // A connection that cannot send is told by the time-out, as one that went silent.
    runtime::ignoringErrors([&] { authConnection->SendData(runtime::SocketValue{line + "\r\n"}); });
}

}  // namespace zov::net
