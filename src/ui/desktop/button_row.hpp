#pragma once
// Buttons of a designed window that stand side by side and close up over the hidden ones,
// so that whichever buttons the window shows sit together without gaps. Only the widgets
// move: each control keeps its designed rectangle and size.

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <vector>

namespace zov::ui::desktop {

class ButtonRow final : public QObject {
  public:
    // From `edge` in pixels: the row's left edge, or its right edge when aligned right.
    ButtonRow(int edge, int gap, bool alignRight) : edge_(edge), gap_(gap), right_(alignRight) {}

    // Joins the row behind the buttons joined before; the row follows its showing and hiding.
    void join(QWidget* button);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void arrange();

    std::vector<QPointer<QWidget>> buttons_;
    int edge_;
    int gap_;
    bool right_;
};

}  // namespace zov::ui::desktop
