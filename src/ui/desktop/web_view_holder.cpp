#include "ui/desktop/web_view_holder.hpp"

#include <QWebEngineView>
#include <cmath>

namespace zov::ui::desktop {

WebViewHolder::WebViewHolder(QWidget* parent) : view_(new QWebEngineView(parent)) {
    view_->show();
}

WebViewHolder::~WebViewHolder() {
    delete view_.data();
}

QWebEngineView* WebViewHolder::view() const {
    return view_.data();
}

void WebViewHolder::setVisible(bool visible) {
    if (view_) view_->setVisible(visible);
}

void WebViewHolder::setRect(const Rect& rect) {
    if (!view_) return;
    const auto pixels = [](double value) { return static_cast<int>(std::lround(value)); };
    view_->setGeometry(pixels(rect.left), pixels(rect.top), pixels(rect.width),
                       pixels(rect.height));
}

}  // namespace zov::ui::desktop
