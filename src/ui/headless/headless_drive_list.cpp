#include "ui/headless/headless_drive_list.hpp"

#include <cctype>

#include "platform/error.hpp"

namespace zov::ui::headless {

namespace {

char letterOf(const std::string& text) {
    return text.empty() ? '\0'
                        : static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
}

}  // namespace

HeadlessDriveList::HeadlessDriveList(ControlName name, DriveSource source)
    : NamedControl(std::move(name)), source_(std::move(source)) {
    refresh();
}

std::string HeadlessDriveList::drive() const {
    return chosen_ < 0 ? std::string() : drives_[static_cast<std::size_t>(chosen_)];
}

void HeadlessDriveList::setDrive(const std::string& drive) {
    const int index = indexOf(drive);
    if (index < 0) throw Error(68, "Device unavailable", "DriveList.Drive");
    chosen_ = index;
    notify("drive", drives_[static_cast<std::size_t>(index)]);
}

void HeadlessDriveList::refresh() {
    const std::string before = drive();
    drives_ = source_ ? source_() : std::vector<std::string>{};
    // The chosen drive stays chosen while it is still offered.
    chosen_ = before.empty() ? (drives_.empty() ? -1 : 0) : indexOf(before);
    if (chosen_ < 0 && !drives_.empty()) chosen_ = 0;
}

void HeadlessDriveList::choose(const std::string& drive) {
    setDrive(drive);
    Change();
}

int HeadlessDriveList::indexOf(const std::string& drive) const {
    const char letter = letterOf(drive);
    if (letter == '\0') return -1;
    for (std::size_t i = 0; i < drives_.size(); ++i) {
        if (letterOf(drives_[i]) == letter) return static_cast<int>(i);
    }
    return -1;
}

}  // namespace zov::ui::headless
