#pragma once
// The guide window's controls, made once with their designer names, captions and first
// visibility. The window and the parts that act for it (its download queue, playing and
// deleting) all show, hide and caption these same controls; none of them owns another's.

#include <cstdint>
#include <memory>

namespace zov::ui {
class UiFactory;
class Window;
class Browser;
class Label;
class Button;
class TextBox;
class IntervalTimer;
}  // namespace zov::ui

namespace zov::guide {

struct GuideControls {
    // The status line's tick after a choice or an action, in milliseconds.
    static constexpr std::int32_t kStatusTickAfterAction = 10000;

    explicit GuideControls(ui::UiFactory& ui);

    std::shared_ptr<ui::Window> window;
    std::shared_ptr<ui::Browser> epgBrowser;
    std::shared_ptr<ui::Browser> bufferView;
    std::shared_ptr<ui::Label> SelectedNameLabel;
    std::shared_ptr<ui::Label> second_line_status;
    std::shared_ptr<ui::Label> currentDLLabel;
    std::shared_ptr<ui::Label> percentLabel;
    std::shared_ptr<ui::TextBox> truncationBox;
    std::shared_ptr<ui::Button> MLplay;
    std::shared_ptr<ui::Button> MLdownload;
    std::shared_ptr<ui::Button> MLDelete;
    std::shared_ptr<ui::Button> MLFavour;
    std::shared_ptr<ui::Button> stopDownload;
    std::shared_ptr<ui::Button> previewbt;
    std::shared_ptr<ui::Button> refreshBt;
    std::shared_ptr<ui::Button> showdownload;
    std::shared_ptr<ui::Button> view_queue;
    std::shared_ptr<ui::Button> close;
    std::shared_ptr<ui::IntervalTimer> statustextimer;
};

}  // namespace zov::guide
