#pragma once
// The client's end of a page's mirror: installs the mirror script in the page's own script
// world at each document (the page's scripts can not reach it, nor the client through it),
// hears the script's reports over WebChannel, and sends it the client's writes without
// waiting. Everything the page says is handed on from inside Qt's call stack: the owner posts
// it to the system's loop.

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>

class QJsonArray;
class QWebChannel;
class QWebEnginePage;

namespace zov::ui::desktop {

class PageBridge final : public QObject {
    Q_OBJECT

  public:
    using MessageHandler = std::function<void(const QJsonObject&)>;

    // The bridge is the page's child and lives as long as it does.
    PageBridge(QWebEnginePage& page, MessageHandler onMessage);
    ~PageBridge() override;

    // Asks the page shown now for the whole of its document (an empty object when the page
    // has none to give, such as an error page).
    void handOver(std::function<void(const QJsonObject&)> done);
    // Sends a write of the client's to the document with that token.
    void apply(const std::string& token, std::uint64_t write, const QJsonArray& operation);
    // The element's place in the view, in the page's pixels: [left, top, width, height], or
    // an empty array when it is no longer on the page.
    void rect(std::int64_t number, std::function<void(const QJsonArray&)> done);

    // Called by the mirror script in the page.
    Q_INVOKABLE void message(const QString& json);

  private:
    QWebEnginePage& page_;
    MessageHandler onMessage_;
    QWebChannel* channel_;
};

}  // namespace zov::ui::desktop
