#include "runtime/c_socket.hpp"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/error.hpp"
#include "platform/event_loop_contract_support.hpp"
#include "platform/poll_loop.hpp"
#include "support/manual_time.hpp"

using namespace zov;
using namespace std::chrono_literals;
using runtime::CSocket;
using test::advanceTime;

namespace {

struct SocketTest : ::testing::Test {
    platform::ManualClock clock;
    platform::PollLoop loop{clock};
    platform::CaresResolver resolver{loop, {.lookups = "f"}};  // never asks a DNS server

    std::shared_ptr<CSocket> server = CSocket::create(loop, resolver);
    std::shared_ptr<CSocket> accepted = CSocket::create(loop, resolver);
    std::shared_ptr<CSocket> client = CSocket::create(loop, resolver);

    std::shared_ptr<CSocket> newSocket() { return CSocket::create(loop, resolver); }

    bool until(const std::function<bool()>& predicate) { return loop.runUntil(predicate, 10s); }

    // A listening server on a free loopback port whose first connection is adopted by
    // `accepted`.
    int listen() {
        server->Bind(0, "127.0.0.1");
        server->Listen();
        server->OnConnectionRequest.connect([this](std::int32_t id) { accepted->Accept(id); });
        return server->LocalPort();
    }

    // The errors a socket reports, as "number text".
    std::vector<std::string> errors;
    void recordErrors(CSocket& socket) {
        socket.OnError.connect([this](std::int16_t number, const std::string& text, std::int32_t,
                                      const std::string&, const std::string&, std::int32_t, bool&) {
            errors.push_back(std::to_string(number) + " " + text);
        });
    }
};

}  // namespace

TEST_F(SocketTest, AConnectedPairTalksBothWaysUntilTheReceiverIsReleasedInItsOwnHandler) {
    bool connected = false;
    client->OnConnect.connect([&] { connected = true; });
    client->Connect("127.0.0.1", listen());
    ASSERT_TRUE(until([&] { return accepted->State() == runtime::sckConnected && connected; }));
    EXPECT_EQ(accepted->RemotePort(), client->LocalPort());
    EXPECT_EQ(accepted->RemoteHostIP(), "127.0.0.1");

    std::vector<int> totals;
    accepted->OnDataArrival.connect([&](std::int32_t total) { totals.push_back(total); });
    client->SendData(std::string("abc"));
    ASSERT_TRUE(until([&] { return accepted->BytesReceived() == 3; }));
    client->SendData(std::string("defg"));
    ASSERT_TRUE(until([&] { return accepted->BytesReceived() == 7; }));
    EXPECT_EQ(totals, (std::vector<int>{3, 7}));  // each arrival tells the whole waiting count

    std::string part;
    accepted->GetData(part, 2);
    accepted->GetData(part);
    accepted->GetData(part);  // nothing waiting leaves the target alone
    EXPECT_EQ(part, "cdefg");

    accepted->SendData(std::string("331 ok\r\n"));
    ASSERT_TRUE(until([&] { return client->BytesReceived() == 8; }));

    // Released by its owner inside its own handler, a socket gets nothing afterwards.
    std::weak_ptr<CSocket> watch = accepted;
    int arrivals = 0;
    accepted->OnDataArrival.connect([&](std::int32_t) {
        ++arrivals;
        accepted.reset();
        EXPECT_FALSE(watch.expired());
    });
    client->SendData(std::string("first"));
    ASSERT_TRUE(until([&] { return watch.expired(); }));
    client->SendData(std::string("second"));
    client->CloseSocket();
    for (int i = 0; i < 10; ++i)
        loop.processPending();
    EXPECT_EQ(arrivals, 1);
}

TEST_F(SocketTest, MisuseRaisesAtOnceAConnectionClosedEarlyIsGoneAndARefusedOneIsAnError) {
    const auto raises = [](auto call, int number, const char* source) {
        try {
            call();
            ADD_FAILURE() << source;
        } catch (const Error& e) {
            EXPECT_EQ(e.number(), number);
            EXPECT_EQ(e.source(), source);
        }
    };
    raises([&] { client->SendData(std::string("x")); }, 40006, "CSocket.SendData");
    raises([&] { client->Connect(); }, 10049, "CSocket.Connect");
    EXPECT_EQ(client->State(), runtime::sckClosed);

    // Closed while it connects, a socket is simply gone: no OnConnect, no OnClose.
    bool told = false;
    client->OnClose.connect([&] { told = true; });
    client->OnConnect.connect([&] { told = true; });
    client->Connect("127.0.0.1", listen());
    EXPECT_EQ(client->State(), runtime::sckConnecting);
    client->CloseSocket();
    EXPECT_EQ(client->SocketHandle(), -1);
    for (int i = 0; i < 5; ++i)
        loop.processPending();
    EXPECT_FALSE(told);

    auto probe = newSocket();
    probe->Bind(0, "127.0.0.1");
    int closedPort = probe->LocalPort();
    probe->CloseSocket();  // bound, never listening: the port refuses
    recordErrors(*client);
    client->Connect("127.0.0.1", closedPort);
    ASSERT_TRUE(until([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, (std::vector<std::string>{"10061 Connection refused."}));
    EXPECT_EQ(client->State(), runtime::sckError);
    EXPECT_EQ(client->SocketHandle(), -1);
}

TEST_F(SocketTest, HostNamesAreLookedUpFirstAndUnknownNamesFailWith11001) {
    int port = listen();
    client->Connect("localhost", port);
    EXPECT_EQ(client->State(), runtime::sckResolvingHost);
    ASSERT_TRUE(until([&] { return client->State() == runtime::sckConnected; }));
    EXPECT_EQ(client->RemoteHostIP(), "127.0.0.1");

    auto lost = newSocket();
    recordErrors(*lost);
    lost->Connect("no-such-host.invalid", port);
    ASSERT_TRUE(until([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, (std::vector<std::string>{"11001 Host not found."}));
    EXPECT_EQ(lost->State(), runtime::sckError);
}

TEST_F(SocketTest, DatagramsCarryTheSenderAddressAndAWakeUpWithNothingThereIsNoError) {
    test::TestPipe thief;  // served before the receiver in a pass: its descriptor is lower
    auto receiver = newSocket();
    receiver->setProtocol(runtime::sckUDPProtocol);
    receiver->Bind(0, "127.0.0.1");
    recordErrors(*receiver);
    auto sender = newSocket();
    sender->setProtocol(runtime::sckUDPProtocol);
    sender->setRemoteHost("127.0.0.1");
    sender->setRemotePort(receiver->LocalPort());
    sender->SendData(std::string("ping"));
    ASSERT_TRUE(until([&] { return receiver->BytesReceived() == 4; }));
    EXPECT_EQ(receiver->RemoteHostIP(), "127.0.0.1");
    std::string ping;
    receiver->GetData(ping);
    EXPECT_EQ(ping, "ping");

    // The receiver is told of a datagram that someone else has taken by the time it reads.
    loop.watch(thief.readEnd, platform::Interest::Read, [&](platform::Readiness) {
        char bytes[8];
        EXPECT_EQ(::recv(receiver->SocketHandle(), bytes, sizeof bytes, MSG_DONTWAIT), 4);
    });
    thief.put();
    sender->SendData(std::string("pong"));
    pollfd arrived{receiver->SocketHandle(), POLLIN, 0};  // a hang guard, never a delay
    ASSERT_EQ(::poll(&arrived, 1, 10000), 1);
    loop.processPending();
    loop.unwatch(thief.readEnd);
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(receiver->BytesReceived(), 0);
}

TEST_F(SocketTest, AListenerOutOfDescriptorsBacksOffInsteadOfSpinningAndLaterTakesTheConnection) {
    auto listener = newSocket();
    listener->Bind(0, "127.0.0.1");
    listener->Listen();
    int requests = 0;
    std::shared_ptr<CSocket> taker = accepted;
    listener->OnConnectionRequest.connect([&](std::int32_t id) {
        ++requests;
        taker->Accept(id);
    });
    // One connection taken while descriptors last. It also lets the sanitizer build meet
    // every type on this path while it can still check them (its checks need a descriptor).
    auto first = newSocket();
    first->Connect("127.0.0.1", listener->LocalPort());
    ASSERT_TRUE(until([&] { return accepted->State() == runtime::sckConnected; }));
    const auto warmUp = loop.newTimerKey();
    loop.setTimer(warmUp, CSocket::kAcceptBackOffMs, [] {});
    loop.killTimer(warmUp);
    taker = CSocket::create(loop, resolver);
    requests = 0;

    client->Connect("127.0.0.1", listener->LocalPort());  // its descriptor exists already
    // The limit of open files lowered to the lowest free number: no new descriptor at all.
    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit lowered = saved;
    lowered.rlim_cur = static_cast<rlim_t>(::dup(0));
    ::close(static_cast<int>(lowered.rlim_cur));
    ::setrlimit(RLIMIT_NOFILE, &lowered);
    for (int pass = 0; pass < 20; ++pass)
        loop.processPending();
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_EQ(requests, 0);
    EXPECT_EQ(listener->State(), runtime::sckListening);

    advanceTime(loop, clock, CSocket::kAcceptBackOffMs - 1);
    // Descriptors are back, but the listener is left alone until its back-off ends (one
    // that kept trying would have spun all along, and would take the connection now).
    EXPECT_EQ(requests, 0);
    advanceTime(loop, clock, 1);
    ASSERT_TRUE(until([&] { return taker->State() == runtime::sckConnected; }));
    EXPECT_EQ(requests, 1);
    // The connection that waited is a working one.
    client->SendData(std::string("hello"));
    ASSERT_TRUE(until([&] { return taker->BytesReceived() == 5; }));
}
