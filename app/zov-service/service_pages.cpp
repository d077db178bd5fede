#include "service_pages.hpp"

#include <algorithm>
#include <fstream>
#include <optional>
#include <vector>

#include "command_reader.hpp"
#include "ui/html_text.hpp"

namespace zov::service {

namespace {

std::optional<std::vector<long>> dottedNumbers(std::string_view text) {
    std::vector<long> parts;
    long value = 0;
    std::size_t digits = 0;
    for (std::size_t i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (digits == 0) return std::nullopt;
            parts.push_back(value);
            value = 0;
            digits = 0;
        } else if (text[i] >= '0' && text[i] <= '9' && digits < 9) {
            value = value * 10 + (text[i] - '0');
            ++digits;
        } else {
            return std::nullopt;
        }
    }
    return parts;
}

using Movie = MovieFolder::Movie;

std::string clipItem(const Movie& movie) {
    return "<li><a href=\"#\" name=\"clip_control\" data-uid=\"" + ui::escapeHtml(movie.uid) +
           "\" data-filename=\"" + ui::escapeHtml(movie.fileName) + "\" data-title=\"" +
           ui::escapeHtml(movie.title) + "\" data-extension=\"" + ui::escapeHtml(movie.extension) +
           "\" onmousedown=\"choose(this)\" onfocus=\"choose(this)\">" +
           ui::escapeHtml(movie.title) + "</a></li>\n";
}

}  // namespace

ServicePages::ServicePages(MovieFolder movies, std::string newestVersion, std::string productUrl)
    : movies_(std::move(movies)),
      newestVersion_(std::move(newestVersion)),
      productUrl_(std::move(productUrl)) {}

bool ServicePages::isNewer(std::string_view newest, std::string_view asking) {
    std::optional<std::vector<long>> a = dottedNumbers(newest);
    std::optional<std::vector<long>> b = dottedNumbers(asking);
    if (!a || !b) return false;
    std::size_t length = std::max(a->size(), b->size());
    a->resize(length, 0);
    b->resize(length, 0);
    return *a > *b;
}

std::string ServicePages::versionAnswer(std::string_view askingVersion) const {
    bool newer = isNewer(newestVersion_, askingVersion);
    return "<?xml version=\"1.0\"?>\n<versionControl>\n<product name=\"ZOV Player\" url=\"" +
           ui::escapeHtml(productUrl_) + "\">\n<version id=\"" + ui::escapeHtml(newestVersion_) +
           "\" newer-than-you=\"" + (newer ? "yes" : "no") +
           "\" require-update=\"no\">\n<modifications>Improvements and fixes.</modifications>\n"
           "<url>" +
           ui::escapeHtml(productUrl_) + "</url>\n</version>\n</product>\n</versionControl>\n";
}

// The client overwrites each item's onclick with its own handler, so the page keeps the
// hidden values in step on the events that come before the click.
std::string ServicePages::guidePage() const {
    std::vector<Movie> movies = movies_.list();
    Movie first = movies.empty() ? Movie{} : movies.front();
    std::string page =
        "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>ZOV Guide</title>\n"
        "<script>\nfunction choose(item) {\n"
        "  var set = function (name, value) { document.getElementsByName(name)[0].value = "
        "value; };\n"
        "  set('c_uid', item.getAttribute('data-uid'));\n"
        "  set('c_filename', item.getAttribute('data-filename'));\n"
        "  set('c_mediaTitle', item.getAttribute('data-title'));\n"
        "  set('c_fileExtension', item.getAttribute('data-extension'));\n"
        "}\n</script></head>\n<body>\n<h1>Movies</h1>\n<ul>\n";
    for (const Movie& movie : movies)
        page += clipItem(movie);
    const std::string live = web_ + std::string(kLivePath);
    page += clipItem({live, ".streaming", "live.streaming", "Live channel"});
    if (live.starts_with("http://"))
        page += clipItem({"xms://" + live.substr(7), ".streaming", "live-h264.streaming",
                          "Live channel (H.264)"});
    page += "</ul>\n<form>\n";
    auto hidden = [](const char* name, const std::string& value) {
        return std::string("<input type=\"hidden\" name=\"") + name + "\" id=\"" + name +
               "\" value=\"" + ui::escapeHtml(value) + "\">\n";
    };
    page += hidden("c_uid", first.uid) + hidden("c_filename", first.fileName) +
            hidden("c_mediaTitle", first.title) + hidden("c_fileExtension", first.extension);
    page += "</form>\n</body></html>\n";
    return page;
}

std::string ServicePages::bannerPage() const {
    return "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>ZOV</title></head>\n"
           "<body><p>Welcome to ZOV: new movies every week.</p></body></html>\n";
}

HttpServer::Response ServicePages::liveStream(std::string_view range) const {
    const std::vector<Movie> movies = movies_.list();
    const std::optional<std::filesystem::path> path =
        movies.empty() ? std::nullopt : movies_.locate(movies.front().fileName);
    std::error_code error;
    const auto size = path ? std::filesystem::file_size(*path, error) : 0;
    if (!path || error) return {404, "text/plain", "The live channel is off the air\n"};
    if (size > kMaxLiveBytes) return {503, "text/plain", "The live channel is too large\n"};
    std::ifstream in(*path, std::ios::binary);
    std::string body(static_cast<std::size_t>(size), '\0');
    if (!in.read(body.data(), static_cast<std::streamsize>(body.size())))
        return {503, "text/plain", "The live channel cannot be read\n"};
    return HttpServer::partOf({200, "video/mp4", std::move(body)}, range);
}

HttpServer::Response ServicePages::answer(const HttpRequest& request) const {
    if (request.path == kVersionPath) {
        return {200, "text/xml; charset=utf-8", versionAnswer(request.query)};
    }
    if (request.path == "/guide.html" || request.path == "/")
        return {200, "text/html; charset=utf-8", guidePage()};
    if (request.path == "/banner.html") return {200, "text/html; charset=utf-8", bannerPage()};
    if (request.path == kLivePath) return liveStream(request.range);
    return {404, "text/plain", "Not found\n"};
}

}  // namespace zov::service
