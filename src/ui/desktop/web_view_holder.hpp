#pragma once
// The web view behind one control: made as a child of the control's window, shown and
// placed as the control is, and deleted with the control. When the window goes first, the
// view goes with it and the control carries on without a screen.

#include <QPointer>

#include "ui/window.hpp"

class QWebEngineView;
class QWidget;

namespace zov::ui::desktop {

class WebViewHolder {
  public:
    explicit WebViewHolder(QWidget* parent);
    ~WebViewHolder();
    WebViewHolder(const WebViewHolder&) = delete;
    WebViewHolder& operator=(const WebViewHolder&) = delete;

    // nullptr once the window has deleted the view.
    QWebEngineView* view() const;
    void setVisible(bool visible);
    // In the window's pixels.
    void setRect(const Rect& rect);

  private:
    QPointer<QWebEngineView> view_;
};

}  // namespace zov::ui::desktop
