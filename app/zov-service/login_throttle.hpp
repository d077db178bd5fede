#pragma once
// Slows down password guessing from one address. The first few wrong passwords cost
// nothing; after that every attempt from the address, right or wrong, waits its turn,
// and each further failure makes the wait longer, up to a bound. Attempts that arrive
// together are judged one wait apart. Other addresses are never held up. The wait is told
// as a time on the event loop's clock; the caller waits on a timer, never in a sleep.

#include <cstdint>
#include <map>
#include <string>

namespace zov::service {

class LoginThrottle {
  public:
    struct Settings {
        int freeFailures = 5;                  // wrong passwords judged without a wait
        std::int64_t firstDelayMs = 1'000;     // the wait after the first failure beyond them
        std::int64_t maxDelayMs = 20'000;      // doubling up to this; 0 = no waits at all
        std::int64_t forgetAfterMs = 900'000;  // an address quiet this long starts afresh
        std::size_t maxAddresses = 10'000;     // addresses remembered at once
    };

    LoginThrottle() = default;
    explicit LoginThrottle(Settings settings) : settings_(settings) {}

    // When an attempt from `address` arriving at `nowMs` may be judged (`nowMs` itself when
    // it need not wait). The turn is taken: the next attempt comes one wait later.
    std::int64_t takeTurn(const std::string& address, std::int64_t nowMs);
    // The attempt judged at `nowMs` had a wrong name or password.
    void failed(const std::string& address, std::int64_t nowMs);

    // The wait that follows the given number of failures.
    std::int64_t delayAfter(int failures) const;

  private:
    struct Record {
        int failures = 0;
        std::int64_t lastFailureMs = 0;
        std::int64_t nextTurnMs = 0;  // no attempt is judged before this
    };
    bool forgotten(const Record& record, std::int64_t nowMs) const;
    void makeRoom(std::int64_t nowMs);

    Settings settings_{};
    std::map<std::string, Record> records_;
};

}  // namespace zov::service
