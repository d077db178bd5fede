#pragma once
// The client's end of the talk with one of our pages (the skin, the login movie). The page
// speaks only through events on its document: "zov:fscommand", "zov:variable", "zov:ready"
// out, "zov:setvariable" in. Scripts of ours listen for them in a script world of their own,
// which the page's scripts (and any guide or banner page) can not reach, and call this
// object over WebChannel; writes go the other way as a script run in the same world.
//
// Every write carries a number, and every change the page reports carries the number of the
// latest write the page had been given, so the client can tell a stale echo of an older
// write from the page's answer to the newest one.

#include <QObject>
#include <QString>
#include <functional>

class QWebChannel;
class QWebEnginePage;

namespace zov::ui::desktop {

class WebBridge final : public QObject {
    Q_OBJECT

  public:
    struct Handlers {
        // command, arguments
        std::function<void(const QString&, const QString&)> command;
        // name, value, number of the latest write the page had been given (0: none)
        std::function<void(const QString&, const QString&, qint64)> variable;
        std::function<void()> ready;
    };

    // Installs our scripts and the channel on the page. The bridge is the page's child and
    // lives as long as it does; the handlers are called on Qt's stack, inside WebChannel.
    WebBridge(QWebEnginePage& page, Handlers handlers);
    ~WebBridge() override;

    // Sends the page a write of one of its variables, without waiting for it. Each write's
    // number is above those of the writes before it.
    void write(const QString& name, const QString& value, qint64 number);

    // Called by our script in the page.
    Q_INVOKABLE void fscommand(const QString& command, const QString& args);
    Q_INVOKABLE void variable(const QString& name, const QString& value, double appliedWrite);
    Q_INVOKABLE void ready();

  private:
    QWebEnginePage& page_;
    Handlers handlers_;
    QWebChannel* channel_;
};

}  // namespace zov::ui::desktop
