// The real service program: what its command line says.

#include <cstdlib>

#include "service/service_fixture.hpp"
#include "support/child_process.hpp"

namespace zov::test {
namespace {

// The authentication server's port, as the program names it on its output ("auth=...").
std::int32_t authPortOf(ChildProcess& service) {
    std::int32_t port = 0;
    service.readLines([&](const std::string& line) {
        if (line.rfind("auth=", 0) == 0) port = std::atoi(line.c_str() + 5);
        return port != 0;
    });
    return port;
}

// An outside delivery server reaches the movie list, and waits for wrong passwords can be
// turned off; a command line the program cannot use ends it before it names a port.
TEST_F(ServiceTest, TheProgramsCommandLineNamesAnOutsideDeliveryServerAndCanTurnOffLoginWaits) {
    writeFile(root_ / "subscribers", "acme bob s3cret\n");
    const auto program = [&](std::vector<std::string> more) {
        std::vector<std::string> words{ZOV_TEST_BIN_DIR "/zov-service", "--movies",
                                       (root_ / "movies").string(), "--subscribers",
                                       (root_ / "subscribers").string()};
        words.insert(words.end(), more.begin(), more.end());
        return words;
    };
    ChildProcess outside(program({"--delivery", "127.0.0.9:40021", "--delivery-user", "movies",
                                  "--delivery-password", "reader", "--max-login-delay", "0"}));
    const std::int32_t auth = authPortOf(outside);
    // Well past the wrong passwords judged at once: without waits each is answered at once.
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(logIn(auth, "USER acme bob wrong")->received, "ERR_INVALID_PASS") << i;
    auto client = logIn(auth, "USER acme bob s3cret");
    const std::string list = movieList(*client);
    EXPECT_EQ(net::readReplyValue(list, "location"), "127.0.0.9");
    EXPECT_EQ(net::cdnPort(net::readReplyValue(list, "cdnport")), 40021);
    EXPECT_EQ(net::readReplyValue(list, "username"), "movies");
    EXPECT_EQ(net::readReplyValue(list, "password"), "reader");

    const std::vector<std::vector<std::string>> refused = {
        {"--delivery", "127.0.0.9"},
        {"--delivery", "127.0.0.9:0"},
        {"--delivery", "127.0.0.9:21", "--delivery-user", "movies"},     // half an account
        {"--delivery-user", "movies", "--delivery-password", "reader"},  // for no server
        {"--delivery", "127.0.0.9:21", "--delivery-user", "a b", "--delivery-password", "c"},
        {"--host"},  // a value missing at the end
    };
    for (const auto& words : refused) {
        SCOPED_TRACE(words.back());
        ChildProcess wrong(program(words));
        EXPECT_THROW(authPortOf(wrong), std::runtime_error);
    }
}

}  // namespace
}  // namespace zov::test
