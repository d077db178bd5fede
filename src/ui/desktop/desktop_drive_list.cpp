#include "ui/desktop/desktop_drive_list.hpp"

#include <QComboBox>
#include <QSignalBlocker>
#include <cctype>

#include "platform/error.hpp"

namespace zov::ui::desktop {

namespace {

char letterOf(const std::string& text) {
    return text.empty() ? '\0'
                        : static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
}

}  // namespace

DesktopDriveList::DesktopDriveList(ControlName name, QWidget* window, double unitsPerPixel,
                                   DriveSource source)
    : DesktopControl(std::move(name), new ControlWidget<QComboBox>(window), unitsPerPixel),
      source_(std::move(source)) {
    auto* shown = comboBox();
    // Only a person's choice: Qt does not raise it for a change made from code.
    QObject::connect(shown, &QComboBox::activated, shown, [this](int index) {
        if (index < 0 || index >= static_cast<int>(drives_.size())) return;
        choose(index);
        Change();
    });
    refresh();
}

QComboBox* DesktopDriveList::comboBox() const {
    return static_cast<QComboBox*>(widget());
}

std::string DesktopDriveList::drive() const {
    return chosen_ < 0 ? std::string() : drives_[static_cast<std::size_t>(chosen_)];
}

void DesktopDriveList::setDrive(const std::string& drive) {
    const int index = indexOf(drive);
    if (index < 0) throw Error(68, "Device unavailable", "DriveList.Drive");
    choose(index);
}

void DesktopDriveList::refresh() {
    const std::string before = drive();
    drives_ = source_ ? source_() : std::vector<std::string>{};
    // The chosen drive stays chosen while it is still offered.
    chosen_ = before.empty() ? -1 : indexOf(before);
    if (chosen_ < 0 && !drives_.empty()) chosen_ = 0;
    if (auto* shown = comboBox()) {
        const QSignalBlocker quiet(shown);
        shown->clear();
        for (const std::string& entry : drives_)
            shown->addItem(QString::fromStdString(entry));
        shown->setCurrentIndex(chosen_);
    }
}

void DesktopDriveList::choose(int index) {
    chosen_ = index;
    if (auto* shown = comboBox()) {
        const QSignalBlocker quiet(shown);
        shown->setCurrentIndex(index);
    }
    notify("drive", drives_[static_cast<std::size_t>(index)]);
}

int DesktopDriveList::indexOf(const std::string& drive) const {
    const char letter = letterOf(drive);
    if (letter == '\0') return -1;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (letterOf(drives_[i]) == letter) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace zov::ui::desktop
