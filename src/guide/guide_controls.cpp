#include "guide/guide_controls.hpp"

#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::guide {

namespace {

constexpr std::int32_t kStatusTick = 6000;

}  // namespace

GuideControls::GuideControls(ui::UiFactory& ui) : window(ui.createWindow("movieGuide")) {
    epgBrowser = ui.createBrowser(*window, "epgBrowser");
    bufferView = ui.createBrowser(*window, "bufferView");
    bufferView->setVisible(false);
    SelectedNameLabel = ui.createLabel(*window, "SelectedNameLabel");
    second_line_status = ui.createLabel(*window, "second_line_status");
    currentDLLabel = ui.createLabel(*window, "currentDLLabel");
    percentLabel = ui.createLabel(*window, "percentLabel");
    truncationBox = ui.createTextBox(*window, "truncationBox");
    auto button = [&](const char* name, const char* caption, bool visible) {
        auto made = ui.createButton(*window, name);
        made->setCaption(caption);
        made->setVisible(visible);
        return made;
    };
    MLplay = button("MLplay", "Play", false);
    MLdownload = button("MLdownload", "Download", false);
    MLDelete = button("MLDelete", "Delete", false);
    MLFavour = button("MLFavour", "Add to Playlist", true);
    stopDownload = button("stopDownload", "Stop Download", false);
    previewbt = button("previewbt", "Preview", false);
    refreshBt = button("refreshBt", "Refresh", true);
    showdownload = button("showdownload", "Show Download", false);
    view_queue = button("view_queue", "View Queue", false);
    close = button("close", "Close", true);
    statustextimer = ui.createTimer(*window, "statustextimer");
    statustextimer->setInterval(kStatusTick);
}

}  // namespace zov::guide
