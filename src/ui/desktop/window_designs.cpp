// The designs of the guide, the download queue, the playlist and the movie cache manager:
// the same dark ground, light text and amber accent as the popups and the status window.
// Drawn on a grid of whole pixels (15 twips each) so that edges meet on the screen.

#include "ui/desktop/form_designs.hpp"
#include "ui/desktop/pixel_rect.hpp"

namespace zov::ui::desktop {

namespace {

const char* const kWindowStyle =
    "QWidget { background-color: #202428; color: #f2f2f2; }"
    "QLabel { background-color: transparent; }"
    "#movieGuide, #queue, #mediaLibrary, #HDEngine { border: 1px solid #4a525a; }"
    "QLabel#windowCaption { background-color: #15181c; color: #f0a020; padding-left: 16px;"
    "  border-bottom: 1px solid #3a4148; }"
    "QLabel#second_line_status, QLabel#Label6, QLabel#Label5 { color: #a8b0b8; }"
    "QLabel#currentDLLabel, QLabel#percentLabel, QLabel#HDlabel, QLabel#currentHDLabel"
    "  { color: #f0a020; }"
    "QLabel#TitleLabel1 { color: #000000; }"
    "QPushButton { background-color: #2c3238; border: 1px solid #3a4148; border-radius: 4px;"
    "  padding: 4px 12px; font-size: 11pt; }"
    "QPushButton:hover, QPushButton:focus { border-color: #f0a020; }"
    "QPushButton:pressed { background-color: #f0a020; color: #101418; }"
    "QLineEdit#truncationBox { border: none; color: #a8b0b8; }"
    "QListWidget { background-color: #15181c; border: 1px solid #3a4148; font-size: 12pt; }"
    "QListWidget::item { padding: 6px; }"
    "QListWidget::item:selected { background-color: #f0a020; color: #101418; }"
    "QComboBox { background-color: #15181c; border: 1px solid #3a4148; border-radius: 4px;"
    "  padding: 2px 8px; font-size: 11pt; }"
    "QComboBox QAbstractItemView { background-color: #15181c; selection-background-color:"
    "  #f0a020; selection-color: #101418; }";

constexpr Rect pixels(double left, double top, double width, double height) {
    return {left * kTwipsPerPixel, top * kTwipsPerPixel, width * kTwipsPerPixel,
            height * kTwipsPerPixel};
}

// A frameless window centred on the screen, in the common style.
FormDesign window(double width, double height) {
    FormDesign design;
    design.width = width * kTwipsPerPixel;
    design.height = height * kTwipsPerPixel;
    design.styleSheet = kWindowStyle;
    return design;
}

constexpr double px(double pixels) {
    return pixels * kTwipsPerPixel;
}

// 1140 x 640: the page takes the middle, the chosen movie and the download above it, the
// buttons below. The buttons that fit the chosen movie stand together at the left.
FormDesign guideDesign() {
    FormDesign design = window(1140, 640);
    design.controls = {
        {"SelectedNameLabel", {pixels(24, 12, 640, 36), 17, true, TextAlign::Left}},
        {"second_line_status", {pixels(24, 50, 640, 22), 10, false, TextAlign::Left}},
        {"currentDLLabel", {pixels(690, 14, 340, 22), 10, true, TextAlign::Right}},
        {"percentLabel", {pixels(1036, 14, 80, 22), 10, true, TextAlign::Right}},
        {"truncationBox", {pixels(690, 46, 426, 24), 0, false, TextAlign::Centre, nullptr, false}},
        {"epgBrowser", {pixels(16, 84, 1108, 480)}},
        {"bufferView", {pixels(16, 84, 1108, 480)}},
    };
    const char* left[] = {"MLplay",       "MLdownload", "MLDelete",
                          "stopDownload", "previewbt",  "showdownload"};
    const char* right[] = {"MLFavour", "view_queue", "refreshBt", "close"};
    for (const char* name : left)
        design.controls[name] = {pixels(16, 580, 150, 42)};
    for (const char* name : right)
        design.controls[name] = {pixels(974, 580, 150, 42)};
    design.rows = {
        {{std::begin(left), std::end(left)}, px(16), px(10), false},
        {{std::begin(right), std::end(right)}, px(1124), px(10), true},
    };
    // Delete removes the movie the page describes; L opens the playlist.
    design.windowKeys = {46, 'L'};
    return design;
}

FormDesign queueDesign() {
    FormDesign design = window(440, 380);
    design.captionHeight = px(44);
    design.controls = {
        {"movieNameList", {pixels(16, 60, 408, 244)}},
        {"removeQueued", {pixels(154, 322, 130, 42)}},
        {"close", {pixels(294, 322, 130, 42)}},
    };
    design.rows = {{{"removeQueued", "close"}, px(424), px(10), true}};
    design.windowKeys = {46};
    return design;
}

// The page fills the window; it is steered with the arrows, Enter and Delete.
FormDesign playlistDesign() {
    FormDesign design = window(960, 600);
    design.controls = {{"PlayListView", {pixels(0, 0, 960, 600)}}};
    design.windowKeys = {37, 38, 39, 40, 13, 46};
    return design;
}

// 560 x 400. The three titles make one embossed heading: a shadow under two that coincide.
// "Currently using", the letter and "drive for movie cache" read as one line.
FormDesign cacheManagerDesign() {
    FormDesign design = window(560, 400);
    design.controls = {
        {"TitleLabel1", {pixels(2, 22, 560, 40), 18, true}},
        {"TitleLabel2", {pixels(0, 20, 560, 40), 18, true}},
        {"TitleLabel3", {pixels(0, 20, 560, 40), 18, true}},
        {"Label1", {pixels(40, 84, 150, 26), 11, false, TextAlign::Right}},
        {"HDlabel", {pixels(194, 84, 20, 26), 11, true}},
        {"Label2", {pixels(218, 84, 300, 26), 11, false, TextAlign::Left}},
        {"currentHDLabel", {pixels(40, 128, 64, 40), 20, true}},
        {"HD", {pixels(116, 132, 404, 34)}},
        {"Label6", {pixels(40, 196, 220, 26), 11, false, TextAlign::Right}},
        {"totalSizeLabel", {pixels(276, 196, 244, 26), 12, true, TextAlign::Left}},
        {"Label5", {pixels(40, 232, 220, 26), 11, false, TextAlign::Right}},
        {"freeSpaceLabel", {pixels(276, 232, 244, 26), 12, true, TextAlign::Left}},
        {"changeHDButton",
         {pixels(40, 280, 480, 42), 0, false, TextAlign::Centre,
          "Keep the movie cache on the chosen drive"}},
        {"HDPlay", {pixels(16, 342, 150, 42)}},
        {"HDDel", {pixels(16, 342, 150, 42)}},
        {"HDClose", {pixels(394, 342, 150, 42)}},
    };
    design.rows = {{{"HDPlay", "HDDel"}, px(16), px(10), false}};
    return design;
}

}  // namespace

void addWindowDesigns(std::map<std::string, FormDesign>& table) {
    table.emplace("movieGuide", guideDesign());
    table.emplace("queue", queueDesign());
    table.emplace("mediaLibrary", playlistDesign());
    table.emplace("HDEngine", cacheManagerDesign());
}

}  // namespace zov::ui::desktop
