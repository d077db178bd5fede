#include "platform/cares_resolver.hpp"

#include <ares.h>
#include <arpa/inet.h>
#include <netdb.h>

#include <memory>
#include <stdexcept>

#include "platform/event_loop.hpp"
#include "platform/socket_error.hpp"
#include "platform/weak_factory.hpp"

namespace zov::platform {

namespace {

int wsaErrorFromAres(int status) {
    switch (status) {
        case ARES_ENOTFOUND:
            return kWsaHostNotFound;
        case ARES_ENODATA:
            return kWsaNoData;
        case ARES_ETIMEOUT:
        case ARES_ECONNREFUSED:
        case ARES_ESERVFAIL:
            return kWsaTryAgain;
        default:
            return kWsaNoRecovery;
    }
}

}  // namespace

struct CaresResolver::Impl {
    struct Query {
        Impl* impl;
        LookupId id;
    };

    EventLoop& loop;
    bool filesOnly = false;
    ares_channel channel = nullptr;
    TimerKey timerKey;
    LookupId nextId = 1;
    std::unordered_map<LookupId, Callback> pending;
    // Invalidated when the resolver goes, so results posted earlier are dropped.
    WeakFactory<Impl> weak{this};  // last

    explicit Impl(EventLoop& l) : loop(l), timerKey(l.newTimerKey()) {}

    static void socketState(void* data, ares_socket_t fd, int readable, int writable) {
        auto* self = static_cast<Impl*>(data);
        if (!readable && !writable) {
            self->loop.unwatch(fd);
            return;
        }
        Interest interest = Interest::None;
        if (readable) interest = interest | Interest::Read;
        if (writable) interest = interest | Interest::Write;
        self->loop.watch(fd, interest, [self, fd](Readiness r) {
            bool in = r.readable || r.hangup || r.error;
            ares_process_fd(self->channel, in ? fd : ARES_SOCKET_BAD,
                            r.writable ? fd : ARES_SOCKET_BAD);
            self->rearmTimer();
        });
    }

    static void answered(void* arg, int status, int, hostent* host) {
        std::unique_ptr<Query> query(static_cast<Query*>(arg));
        if (status == ARES_EDESTRUCTION) return;
        LookupResult result;
        if (status != ARES_SUCCESS || !host || !host->h_addr_list || !host->h_addr_list[0]) {
            result.error = status == ARES_SUCCESS ? kWsaNoData : wsaErrorFromAres(status);
            // Without DNS, c-ares ends a miss in the hosts file as "could not contact
            // DNS servers"; for us the name simply does not exist.
            if (query->impl->filesOnly && status == ARES_ECONNREFUSED) {
                result.error = kWsaHostNotFound;
            }
        } else {
            char text[INET_ADDRSTRLEN] = {};
            ::inet_ntop(AF_INET, host->h_addr_list[0], text, sizeof text);
            result.address = text;
            result.officialName = host->h_name ? host->h_name : "";
        }
        // The answer may come from inside ares_gethostbyname itself: always deliver later.
        Impl* impl = query->impl;
        impl->loop.post(impl->weak.bind([id = query->id, result](Impl& self) {
            auto it = self.pending.find(id);
            if (it == self.pending.end()) return;
            auto callback = std::move(it->second);
            self.pending.erase(it);
            callback(result);
        }));
    }

    void rearmTimer() {
        timeval limit{3600, 0}, wait{};
        timeval* next = ares_timeout(channel, &limit, &wait);
        if (pending.empty()) {
            loop.killTimer(timerKey);
            return;
        }
        std::int64_t ms = next->tv_sec * 1000 + next->tv_usec / 1000;
        loop.setTimer(timerKey, ms, [this] {
            ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
            rearmTimer();
        });
    }
};

CaresResolver::CaresResolver(EventLoop& loop) : CaresResolver(loop, Options{}) {}

CaresResolver::CaresResolver(EventLoop& loop, Options options)
    : impl_(std::make_unique<Impl>(loop)) {
    impl_->filesOnly = options.lookups.find('b') == std::string::npos;
    static const int initialised = ares_library_init(ARES_LIB_INIT_ALL);
    if (initialised != ARES_SUCCESS) throw std::runtime_error("c-ares cannot start");
    ares_options opts{};
    opts.sock_state_cb = &Impl::socketState;
    opts.sock_state_cb_data = impl_.get();
    opts.lookups = const_cast<char*>(options.lookups.c_str());
    int mask = ARES_OPT_SOCK_STATE_CB | ARES_OPT_LOOKUPS;
    if (ares_init_options(&impl_->channel, &opts, mask) != ARES_SUCCESS) {
        throw std::runtime_error("c-ares cannot start a channel");
    }
}

CaresResolver::~CaresResolver() {
    impl_->weak.invalidate();
    impl_->loop.killTimer(impl_->timerKey);
    impl_->pending.clear();
    ares_destroy(impl_->channel);
}

Resolver::LookupId CaresResolver::lookup(const std::string& host, Callback callback) {
    LookupId id = impl_->nextId++;
    if (impl_->nextId == 0) impl_->nextId = 1;
    impl_->pending.emplace(id, std::move(callback));
    ares_gethostbyname(impl_->channel, host.c_str(), AF_INET, &Impl::answered,
                       new Impl::Query{impl_.get(), id});
    if (impl_->pending.count(id)) impl_->rearmTimer();
    return id;
}

void CaresResolver::cancel(LookupId id) {
    impl_->pending.erase(id);
}

}  // namespace zov::platform
