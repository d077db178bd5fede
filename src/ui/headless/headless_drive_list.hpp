#pragma once
// The drive list in memory: one entry per mapped drive letter ("c: [/home/u/.local/...]"),
// read again on refresh. A person's choice (choose) raises Change.

#include <functional>
#include <string>
#include <vector>

#include "ui/controls.hpp"
#include "ui/named_control.hpp"

namespace zov::ui::headless {

class HeadlessDriveList final : public NamedControl<DriveList> {
  public:
    // Gives the entries' texts, each beginning with the letter and the colon.
    using DriveSource = std::function<std::vector<std::string>()>;

    HeadlessDriveList(ControlName name, DriveSource source);

    std::string drive() const override;
    void setDrive(const std::string& drive) override;
    void refresh() override;

    const std::vector<std::string>& drives() const { return drives_; }
    // Chooses the entry of the drive's letter and raises Change.
    void choose(const std::string& drive);

  private:
    int indexOf(const std::string& drive) const;

    DriveSource source_;
    std::vector<std::string> drives_;
    int chosen_ = -1;
};

}  // namespace zov::ui::headless
