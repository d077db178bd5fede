#include "config/media_info.hpp"

#include "config/property_loader.hpp"
#include "platform/error.hpp"
#include "platform/file_system.hpp"
#include "runtime/ignoring_errors.hpp"
#include "runtime/numeric_text.hpp"
#include "ui/browser.hpp"

namespace zov::config {

namespace {

constexpr std::string_view kDownloadedBytesKey = "Media.downloadedBytes";

}  // namespace

void MediaInfo::setFileExtension(std::string value) {
    if (!value.empty() && value.front() != '.') value.insert(0, ".");
    fileExtension_ = std::move(value);
}

void MediaInfo::fillNeededInfo(ui::Browser* epgBrowser) {
    guideBrowser_ = epgBrowser;
    ui::Document* document = epgBrowser ? epgBrowser->document() : nullptr;
    if (!document) return;

    // A field that cannot be read is skipped; the others are still read.
    const auto fill = [document](std::string_view name, auto assign) {
        runtime::ignoringErrors([&] {
            const ui::Element* element = document->all(name);
            if (element && element->hasValue()) assign(element->value());
        });
    };
    fill("c_uid", [this](std::string value) { setRemoteFileName(std::move(value)); });
    fill("c_filename", [this](std::string value) { setLocalFileName(std::move(value)); });
    fill("c_mediaTitle", [this](std::string value) { setMediaTitle(std::move(value)); });
    fill("c_fileExtension", [this](std::string value) { setFileExtension(std::move(value)); });
}

void MediaInfo::load(platform::FileSystem& fileSystem, std::string_view path) {
    PropertyLoader loader(fileSystem);
    (void)loader.loadFile(path);
    downloadedBytes_ = runtime::toInt32(loader.getString(kDownloadedBytesKey, "0")).value_or(0);
}

bool MediaInfo::save(platform::FileSystem& fileSystem, std::string_view path) const {
    const std::string line =
        std::string(kDownloadedBytesKey) + "=" + std::to_string(downloadedBytes_) + "\r\n";
    return fileSystem.writeFile(path, line);
}

}  // namespace zov::config
