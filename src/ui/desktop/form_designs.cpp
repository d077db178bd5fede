#include "ui/desktop/form_designs.hpp"

namespace zov::ui::desktop {

namespace {

// Light text on a dark ground, the selector a bar of amber under the highlighted answer.
const char* const kPopupStyle =
    "QWidget { background-color: #202428; color: #f2f2f2; }"
    "QWidget#Selector { background-color: #f0a020; }";
const char* const kSplashStyle = "QWidget { background-color: #101418; color: #e8e8e8; }";

const std::map<std::string, FormDesign>& designs() {
    static std::map<std::string, FormDesign> table{
        {"popupwindow",
         {FormKind::Popup,
          7200,
          1800,
          false,
          kPopupStyle,
          {{"Label1", {{240, 180, 6720, 1440}}}},
          {},
          0,
          {}}},
        // The selector's left edge is where the question puts it: 240 under Yes, 2880 under
        // No; Yes and No stand above those edges.
        {"yesNoPopup",
         {FormKind::Popup,
          5400,
          2700,
          true,
          kPopupStyle,
          {{"Label1", {{240, 180, 4920, 1260}}},
           {"YesControl", {{240, 1560, 2280, 600}}},
           {"NoControl", {{2880, 1560, 2280, 600}}},
           {"Selector", {{240, 2190, 2280, 90}}}},
          {},
          0,
          {}}},
        {"frmLogo",
         {FormKind::Splash,
          6000,
          3600,
          false,
          kSplashStyle,
          {{"lblProduct", {{240, 240, 5520, 1200}, 36, true}},
           {"lblCompany", {{240, 1500, 5520, 360}, 10}},
           {"lblPlatform", {{240, 1860, 5520, 360}, 10}},
           {"status", {{240, 2400, 5520, 480}, 11, true}},
           {"lblVersion", {{240, 3000, 5520, 360}, 9}}},
          {},
          0,
          {}}},
    };
    static const bool complete = (addWindowDesigns(table), true);
    (void)complete;
    return table;
}

}  // namespace

const FormDesign* formDesign(const std::string& window) {
    auto it = designs().find(window);
    return it == designs().end() ? nullptr : &it->second;
}

}  // namespace zov::ui::desktop
