#pragma once
// A whole client on the headless front end with the remote-control channel on top, and the
// script's side of it: send a line, take its one reply, look for events. Every line the
// channel writes must be one line of valid UTF-8 JSON.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/auth_session.hpp"
#include "platform/utf8.hpp"
#include "remote/json_value.hpp"
#include "remote/remote_channel.hpp"
#include "shell/main_player.hpp"
#include "support/client_fixture.hpp"
#include "support/scripted_auth_server.hpp"
#include "ui/headless/memory_browser.hpp"

namespace zov::test {

using remote::JsonValue;
using remote::RemoteChannel;

struct RemoteChannelTest : ClientFixture {
    ScriptedAuthServer auth{loop};
    RemoteChannel channel{ui.registry()};
    std::vector<JsonValue> replies;
    std::vector<JsonValue> events;
    std::string lastReplyLine;  // as written

    void SetUp() override {
        serveTestGuide();
        startClient({"ZOVAuthServer.URL=127.0.0.1", "ZOVAuthServer.contentDistributor=demo"});
        client->mainPlayer().authSession().setAuthPort(auth.port());
        loop.processPending();
        drain();
    }

    void drain() {
        while (auto line = channel.takeLine()) {
            ASSERT_EQ(line->find('\n'), std::string::npos);
            EXPECT_TRUE(platform::isValidUtf8(*line)) << *line;
            auto value = JsonValue::parse(*line);
            ASSERT_TRUE(value) << *line;
            if (!value->find("event")) lastReplyLine = *line;
            (value->find("event") ? events : replies).push_back(*value);
        }
    }

    // Sends one line and returns its one reply.
    JsonValue request(const std::string& line) {
        const std::size_t before = replies.size();
        channel.receiveLine(line);
        drain();
        EXPECT_EQ(replies.size(), before + 1) << line;
        return replies.size() == before + 1 ? replies.back() : JsonValue();
    }

    // The error of the reply to a request of these members (without the braces).
    std::string errorOf(const std::string& members) { return error(request("{" + members + "}")); }

    static std::string error(const JsonValue& reply) {
        const JsonValue* e = reply.find("error");
        return e && e->isString() ? e->asString() : "<none>";
    }

    bool sawEvent(const std::string& kind, const std::string& key, const std::string& value) {
        drain();
        for (const auto& e : events)
            if (e.find("event")->asString() == kind && e.find(key) && e.find(key)->isString() &&
                e.find(key)->asString() == value)
                return true;
        return false;
    }

    JsonValue state() { return *request(R"({"request_id":0,"command":"get_state"})").find("data"); }
    bool shown(const std::string& window) {
        const JsonValue current = state();  // find() points into it: keep it alive
        const JsonValue* w = current.find("windows")->find(window);
        return w && w->find("visible")->asBool();
    }

    void logIn() {
        const std::string list =
            "<movieList location=\"127.0.0.1\" username=\"u\" password=\"p\" cdnport=\"21\" "
            "epgGuide=\"" +
            std::string(kGuideUrl) + "\" AdsUrl=\"" + std::string(kBannerUrl) + "\"></movieList>";
        auth.expect("USER demo bob secret").send("RPL_ACCEPTED").expect("MOVIELIST").send(list);
        EXPECT_EQ(errorOf(R"("command":"login_command","action":"Connect","user":" bob ",)"
                          R"("password":"secret")"),
                  "success");
        ASSERT_TRUE(runUntil([&] {
            auto epg = ui.browser("movieGuide", "epgBrowser");
            return sawEvent("window-shown", "window", "movieGuide") &&
                   epg->LocationURL() == kGuideUrl && !epg->busy();
        })) << auth.mismatch();
    }
};

}  // namespace zov::test
