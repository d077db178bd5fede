#include "guide/queue.hpp"

#include "ui/controls.hpp"
#include "ui/ui_factory.hpp"
#include "ui/window.hpp"

namespace zov::guide {

queue::queue(ui::UiFactory& ui) : window_(ui.createWindow("queue")) {
    window_->setCaption("Download Queue");
    movieNameList_ = ui.createListBox(*window_, "movieNameList");
    close_ = ui.createButton(*window_, "close");
    close_->setCaption("Close");
    removeQueued_ = ui.createButton(*window_, "removeQueued");
    removeQueued_->setCaption("Remove");
    // The controls belong to this window and die with it: plain `this` is safe here.
    close_->Click.connect([this] { close_Click(); });
    removeQueued_->Click.connect([this] { removeQueued_Click(); });
    window_->KeyDown.connect([this](int key) {
        if (key == kDeleteKey) removeQueued_Click();
    });
}

queue::~queue() {
    close_->Click.disconnect();
    removeQueued_->Click.disconnect();
    window_->KeyDown.disconnect();
}

void queue::close_Click() {
    window_->hide();
}

void queue::removeQueued_Click() {
    const int line = movieNameList_->listIndex();
    if (line < 0 || line >= movieNameList_->listCount()) return;
    RemoveEntry(line);
}

}  // namespace zov::guide
