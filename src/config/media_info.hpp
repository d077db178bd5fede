#pragma once
// One movie: its name on the delivery server, its local name, title, extension and sizes.
// The guide fills one from the page the user clicked; the queue, the download engine and
// playback pass it along. A plain value: copying it copies the movie's description.

#include <cstdint>
#include <string>
#include <string_view>

namespace zov::platform {
class FileSystem;
}
namespace zov::ui {
class Browser;
}

namespace zov::config {

class MediaInfo {
  public:
    // The movie's identifier on the delivery server, without extension.
    const std::string& remoteFileName() const { return remoteFileName_; }
    void setRemoteFileName(std::string value) { remoteFileName_ = std::move(value); }
    const std::string& localFileName() const { return localFileName_; }
    void setLocalFileName(std::string value) { localFileName_ = std::move(value); }
    const std::string& mediaTitle() const { return mediaTitle_; }
    void setMediaTitle(std::string value) { mediaTitle_ = std::move(value); }
    // Starts with "." unless empty: "wmv" is stored as ".wmv".
    const std::string& fileExtension() const { return fileExtension_; }
    // The movie's file in the movie folder, and its completion marker beside it.
    std::string movieFileName() const { return remoteFileName_ + fileExtension_; }
    std::string markerFileName() const { return remoteFileName_ + ".conf"; }
    void setFileExtension(std::string value);
    std::int32_t fileSize() const { return fileSize_; }
    void setFileSize(std::int32_t value) { fileSize_ = value; }
    std::int32_t downloadedBytes() const { return downloadedBytes_; }
    void setDownloadedBytes(std::int32_t value) { downloadedBytes_ = value; }

    // The browser of the last fillNeededInfo; not owned, and only as alive as the window
    // that holds it.
    ui::Browser* guideBrowser() const { return guideBrowser_; }

    // Fills remote and local name, title and extension from the named hidden fields of the
    // page the browser shows. A field that is missing or has no value leaves its property
    // as it was. Never fails.
    void fillNeededInfo(ui::Browser* epgBrowser);

    // Keep downloadedBytes in a one-line key=value file (Windows-form path). A file
    // without the count, or with one that is not a 32-bit number, gives 0.
    void load(platform::FileSystem& fileSystem, std::string_view path);
    bool save(platform::FileSystem& fileSystem, std::string_view path) const;

  private:
    std::string remoteFileName_;
    std::string localFileName_;
    std::string fileExtension_ = ".wmv";
    std::string mediaTitle_;
    std::int32_t fileSize_ = 0;
    std::int32_t downloadedBytes_ = 0;
    ui::Browser* guideBrowser_ = nullptr;
};

}  // namespace zov::config
