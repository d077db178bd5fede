#include "ui/desktop/desktop_list_box.hpp"

#include <QListWidget>

#include "platform/error.hpp"

namespace zov::ui::desktop {

DesktopListBox::DesktopListBox(ControlName name, QWidget* window, double unitsPerPixel)
    : DesktopControl(std::move(name), new ControlWidget<QListWidget>(window), unitsPerPixel) {
    auto* shown = listWidget();
    shown->setSelectionMode(QAbstractItemView::SingleSelection);
    QObject::connect(shown, &QListWidget::itemClicked, shown, [this] { Click(); });
}

QListWidget* DesktopListBox::listWidget() const {
    return static_cast<QListWidget*>(widget());
}

void DesktopListBox::addItem(const std::string& item) {
    auto* shown = listWidget();
    if (!shown) return;
    shown->addItem(QString::fromStdString(item));
    notify("items", std::to_string(listCount()));
}

void DesktopListBox::removeItem(int index) {
    if (index < 0 || index >= listCount())
        throw Error(5, "Invalid procedure call or argument", "ListBox.RemoveItem");
    // The selection follows its item, and is lost with it (Qt would pass it on to the
    // neighbour).
    const bool wasChosen = listIndex() == index;
    delete listWidget()->takeItem(index);
    if (wasChosen) listWidget()->clearSelection();
    notify("items", std::to_string(listCount()));
}

void DesktopListBox::clear() {
    if (auto* shown = listWidget()) shown->clear();
    notify("items", "0");
}

int DesktopListBox::listCount() const {
    return listWidget() ? listWidget()->count() : 0;
}

std::string DesktopListBox::list(int index) const {
    if (index < 0 || index >= listCount()) return {};
    return listWidget()->item(index)->text().toStdString();
}

int DesktopListBox::listIndex() const {
    auto* shown = listWidget();
    if (!shown) return -1;
    const auto chosen = shown->selectedItems();
    return chosen.isEmpty() ? -1 : shown->row(chosen.front());
}

void DesktopListBox::setListIndex(int index) {
    if (index < -1 || index >= listCount())
        throw Error(380, "Invalid property value", "ListBox.ListIndex");
    auto* shown = listWidget();
    if (!shown) return;
    shown->clearSelection();
    if (index >= 0) shown->setCurrentRow(index, QItemSelectionModel::ClearAndSelect);
}

}  // namespace zov::ui::desktop
