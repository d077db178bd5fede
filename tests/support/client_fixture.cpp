#include "support/client_fixture.hpp"

#include <chrono>
#include "shell/main_player.hpp"

#include "support/manual_time.hpp"

namespace zov::test {

platform::HttpResponse FakeVersionServer::get(const std::string&, const platform::HttpLimits&) {
    return {200,
            "<answer><product name=\"ZOV\" url=\"http://vod.zov.example/\">"
            "<version id=\"5.3.135\" newer-than-you=\"no\" require-update=\"no\">"
            "<modifications>Faster.</modifications>"
            "<url>http://vod.zov.example/update</url></version></product></answer>"};
}

void ClientFixture::startClient(const std::vector<std::string>& zovIni) {
    std::string text;
    for (const auto& line : zovIni)
        text += line + "\r\n";
    files.createFolderPath("Z:\\opt\\zov\\");
    if (!zovIni.empty()) files.writeFile("Z:\\opt\\zov\\zov.ini", text);
    client = std::make_unique<shell::Client>(
        shell::ClientServices{loop, resolver, files, versionServer, messages, launcher, processes,
                              ui, kClientFolder, kClientFolder, [this] { ++processEnded; }});
    client->start();
}

void ClientFixture::serveTestGuide() {
    ui.pages().add(kGuideUrl, R"(<html><body>
  <input type="hidden" name="c_uid" value="">
  <input type="hidden" name="c_filename" value="">
  <input type="hidden" name="c_mediaTitle" value="">
  <input type="hidden" name="c_fileExtension" value="">
  <div name="clip_control">Big Movie</div>
</body></html>)");
    ui.pages().add(kBannerUrl, "<html><body>banner</body></html>");
}

void ClientFixture::advance(std::int64_t ms) {
    advanceTime(loop, clock, ms);
}

bool ClientFixture::runUntil(const std::function<bool()>& predicate) {
    return loop.runUntil(predicate, std::chrono::seconds(10));
}

}  // namespace zov::test
