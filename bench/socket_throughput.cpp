// Pushes 1 GiB through two CSocket objects on loopback, on one event loop, and the same
// amount through plain blocking send/recv between two threads: the cost of our loop and
// socket objects against the physical path.
//
//   build/bin/socket_throughput [MiB]

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "platform/cares_resolver.hpp"
#include "platform/clock.hpp"
#include "platform/poll_loop.hpp"
#include "runtime/c_socket.hpp"

using namespace zov;
using Clock = std::chrono::steady_clock;

namespace {

constexpr std::size_t kBlock = 1 << 20;

double throughCSockets(std::int64_t total) {
    platform::MonotonicClock clock;
    platform::PollLoop loop(clock);
    platform::CaresResolver resolver(loop, {.lookups = "f"});
    auto server = runtime::CSocket::create(loop, resolver);
    auto receiver = runtime::CSocket::create(loop, resolver);
    auto sender = runtime::CSocket::create(loop, resolver);
    server->Bind(0, "127.0.0.1");
    server->Listen();
    server->OnConnectionRequest.connect([&](std::int32_t id) { receiver->Accept(id); });

    const std::string block(kBlock, 'z');
    std::int64_t sent = 0, received = 0;
    auto sendNext = [&] {
        if (sent >= total) return;
        sent += static_cast<std::int64_t>(block.size());
        sender->SendData(block);
    };
    sender->OnConnect.connect(sendNext);
    sender->OnSendComplete.connect(sendNext);
    receiver->OnDataArrival.connect([&](std::int32_t) {
        std::string chunk;
        receiver->GetData(chunk);
        received += static_cast<std::int64_t>(chunk.size());
        if (received >= total) loop.quit();
    });
    auto start = Clock::now();
    sender->Connect("127.0.0.1", server->LocalPort());
    loop.run();
    return std::chrono::duration<double>(Clock::now() - start).count();
}

double throughBlockingSockets(std::int64_t total) {
    int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::listen(listener, 1);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    auto start = Clock::now();
    std::thread sender([&] {
        int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        std::vector<char> block(kBlock, 'z');
        for (std::int64_t sent = 0; sent < total;) {
            ssize_t n = ::send(fd, block.data(), block.size(), 0);
            if (n <= 0) break;
            sent += n;
        }
        ::close(fd);
    });
    int fd = ::accept(listener, nullptr, nullptr);
    std::vector<char> buffer(kBlock);
    std::int64_t received = 0;
    while (received < total) {
        ssize_t n = ::recv(fd, buffer.data(), buffer.size(), 0);
        if (n <= 0) break;
        received += n;
    }
    sender.join();
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    ::close(fd);
    ::close(listener);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const std::int64_t mebibytes = argc > 1 ? std::atoll(argv[1]) : 1024;
    const std::int64_t total = mebibytes << 20;
    const double ours = throughCSockets(total);
    const double plain = throughBlockingSockets(total);
    const double oursRate = static_cast<double>(total) / ours / 1e6;
    const double plainRate = static_cast<double>(total) / plain / 1e6;
    std::printf("socket_throughput: %lld MiB over loopback\n", static_cast<long long>(mebibytes));
    std::printf("  CSocket pair on the event loop : %8.1f MB/s (%.2f s)\n", oursRate, ours);
    std::printf("  blocking send/recv, two threads: %8.1f MB/s (%.2f s)\n", plainRate, plain);
    std::printf("  ratio                          : %8.2f\n", oursRate / plainRate);
    return 0;
}
