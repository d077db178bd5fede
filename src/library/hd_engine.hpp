#pragma once
// The movie cache manager window: which drive holds the movie folder, that drive's total
// size and free space, a warning when less than about half a gigabyte is free, and the
// button that moves the movie folder to the drive chosen in the list (the main window's
// changeDataPath does the move). It stores nothing itself.

#include <cstdint>
#include <memory>
#include <string>

namespace zov::platform {
class FileSystem;
}
namespace zov::ui {
class UiFactory;
class Window;
class Label;
class Button;
class DriveList;
}  // namespace zov::ui
namespace zov::runtime {
class Dialogs;
}

namespace zov::library {

class LibraryHost;

class HDEngine {
  public:
    // Loading the window measures the movie folder's drive at once. Nothing is owned.
    HDEngine(ui::UiFactory& ui, platform::FileSystem& files, runtime::Dialogs& dialogs,
             LibraryHost& host);
    ~HDEngine();
    HDEngine(const HDEngine&) = delete;
    HDEngine& operator=(const HDEngine&) = delete;

    ui::Window& window() { return *window_; }
    ui::DriveList& HD() { return *HD_; }
    ui::Label& currentHDLabel() { return *currentHDLabel_; }
    ui::Label& HDlabel() { return *HDlabel_; }

    // Chooses the movie folder's drive in the list and names it in the labels.
    void getCurrentHDUse();
    // Shows the sizes of the drive chosen in the list and warns when space runs short.
    void updateSpace();
    // The user chose a drive in the list.
    void HD_Change();

    // A byte count as the window shows it: "1.5GB" from 2^30 bytes up, "1024.MB" below.
    static std::string sizeText(std::uint64_t bytes);
    // Fewer than 512,010,000 free bytes: under half of "1GB" in the warning's own rounding.
    static bool lowOnSpace(std::uint64_t freeBytes);

  private:
    platform::FileSystem& files_;
    runtime::Dialogs& dialogs_;
    LibraryHost& host_;
    std::shared_ptr<ui::Window> window_;
    std::shared_ptr<ui::Label> titles_[3];
    std::shared_ptr<ui::Label> Label1_;
    std::shared_ptr<ui::Label> HDlabel_;
    std::shared_ptr<ui::Label> Label2_;
    std::shared_ptr<ui::Label> currentHDLabel_;
    std::shared_ptr<ui::DriveList> HD_;
    std::shared_ptr<ui::Label> Label6_;
    std::shared_ptr<ui::Label> totalSizeLabel_;
    std::shared_ptr<ui::Label> Label5_;
    std::shared_ptr<ui::Label> freeSpaceLabel_;
    std::shared_ptr<ui::Button> changeHDButton_;
    std::shared_ptr<ui::Button> HDClose_;
    std::shared_ptr<ui::Button> HDPlay_;
    std::shared_ptr<ui::Button> HDDel_;
};

}  // namespace zov::library
