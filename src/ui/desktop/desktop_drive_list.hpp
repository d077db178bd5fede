#pragma once
// The drive list on the screen (QComboBox): one entry per mapped drive letter, read again
// on refresh. A person's choice raises Change; setting the drive from code does not.

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.hpp"
#include "ui/desktop/desktop_control.hpp"

class QComboBox;

namespace zov::ui::desktop {

class DesktopDriveList final : public DesktopControl<DriveList> {
  public:
    // Gives the entries' texts, each beginning with the letter and the colon.
    using DriveSource = std::function<std::vector<std::string>()>;

    DesktopDriveList(ControlName name, QWidget* window, double unitsPerPixel, DriveSource source);

    std::string drive() const override;
    // Raises zov::Error 68 for a letter the list does not offer.
    void setDrive(const std::string& drive) override;
    void refresh() override;

  private:
    QComboBox* comboBox() const;
    int indexOf(const std::string& drive) const;
    void choose(int index);

    DriveSource source_;
    std::vector<std::string> drives_;
    int chosen_ = -1;
};

}  // namespace zov::ui::desktop
