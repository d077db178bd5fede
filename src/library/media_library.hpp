#pragma once
// The playlist window: the movies the user marked in the guide, shown on the page
// "playlistSkin.html" from the program folder and handed to the player adaptor to be
// played in order, once or repeatedly. The page is steered like a remote control: two
// columns (the buttons play, repeat and exit; the entries), arrows, Enter and Delete.
// Also the two file helpers other windows use, FileExists and CreatePath.

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "config/media_info.hpp"

namespace zov::platform {
class FileSystem;
}
namespace zov::ui {
class UiFactory;
class Window;
class Browser;
class Element;
enum class FrameLevel;
}  // namespace zov::ui
namespace zov::runtime {
class Dialogs;
}

namespace zov::library {

class LibraryHost;

class mediaLibrary {
  public:
    // Shared with the player adaptor while it plays: entries removed here are gone there.
    using Playlist = std::vector<config::MediaInfo>;

    // Keys of the window, as key codes: the remote control's arrows, Enter and Delete.
    static constexpr int kKeyEnter = 13;
    static constexpr int kKeyLeft = 37;
    static constexpr int kKeyUp = 38;
    static constexpr int kKeyRight = 39;
    static constexpr int kKeyDown = 40;
    static constexpr int kKeyDelete = 46;

    // Loading the window: nothing is owned, everything outlives the window.
    mediaLibrary(ui::UiFactory& ui, platform::FileSystem& files, runtime::Dialogs& dialogs,
                 LibraryHost& host);
    ~mediaLibrary();
    mediaLibrary(const mediaLibrary&) = delete;
    mediaLibrary& operator=(const mediaLibrary&) = delete;

    ui::Window& window() { return *window_; }
    ui::Browser& PlayListView() { return *PlayListView_; }
    const Playlist& playlist() const { return *playlist_; }

    // Shows the window, focused, with the current position highlighted.
    void showPlayList();

    void addToPlayList(const config::MediaInfo& media);
    // Puts the movie folder in front of the name (the caller's string keeps the result) and
    // tells whether a file, not a folder, of that name exists.
    bool FileExists(std::string& strFileName);
    // Creates every missing folder of the path; true when the platform reports success.
    bool CreatePath(std::string NewPath);

    // The page's remote-control commands.
    void onControlClick();
    void onControlKeyLeft();
    void onControlKeyRight();
    void onControlKeyUp();
    void onControlKeyDown();
    void onDelete();
    void MLPlayPlayList();
    void MLRepeat();
    void MLExit();

  private:
    enum Column : std::int16_t { kButtons = 0, kEntries = 1 };

    void PlayListView_DocumentComplete(ui::FrameLevel level);
    void window_KeyDown(int key);
    // Entries added before the page was there get their rows when it arrives.
    void addMissingRows();
    void wireButtons();
    void switchColumn();
    void moveRow(int step);
    void highlightCurrent();
    void highlightButtons(bool on);
    void highlightEntry(int row, bool on);
    void showMainWindow();

    // The page's elements; zov::Error 91 when the page lacks one.
    ui::Element& button(int row);
    ui::Element& entryFrame(int row);
    ui::Element& table();
    ui::Element& repeatLabel();
    static ui::Element& pageElement(ui::Element* element, std::string_view name);

    platform::FileSystem& files_;
    runtime::Dialogs& dialogs_;
    LibraryHost& host_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Browser> PlayListView_;

    std::shared_ptr<Playlist> playlist_ = std::make_shared<Playlist>();
    bool pageLoaded_ = false;
    bool repeat_ = false;
    std::int16_t column_ = kButtons;
    // The current row of each column; column 1 has one row per entry.
    std::array<std::int16_t, 2> rowOf_{0, 0};
};

}  // namespace zov::library
