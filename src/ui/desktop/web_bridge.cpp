#include "ui/desktop/web_bridge.hpp"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <utility>

namespace zov::ui::desktop {
namespace {

constexpr auto kWorld = QWebEngineScript::ApplicationWorld;
constexpr auto kObjectName = "client";

// Listens from the moment the document exists, so nothing the page says at its start is
// missed; what it hears before the channel is up waits in order. "write" remembers the
// number of the write being delivered: the page reports the change while the event is
// being dispatched, and the report carries that number.
constexpr auto kListenScript = R"JS(
"use strict";
var zovBridge = (function () {
  let client = null;
  const waiting = [];
  let applied = 0;

  function toClient(call) {
    if (client) call(client);
    else waiting.push(call);
  }
  function detailOf(event) {
    if (typeof event.detail !== "string") return null;
    try {
      const detail = JSON.parse(event.detail);
      return detail !== null && typeof detail === "object" ? detail : null;
    } catch (error) {
      return null;
    }
  }
  function text(value) {
    return value === undefined || value === null ? "" : String(value);
  }

  document.addEventListener("zov:fscommand", (event) => {
    const detail = detailOf(event);
    if (!detail || typeof detail.command !== "string") return;
    const command = detail.command, args = text(detail.args);
    toClient((c) => c.fscommand(command, args));
  });
  document.addEventListener("zov:variable", (event) => {
    const detail = detailOf(event);
    if (!detail || typeof detail.name !== "string") return;
    const name = detail.name, value = text(detail.value), seen = applied;
    toClient((c) => c.variable(name, value, seen));
  });
  document.addEventListener("zov:ready", () => toClient((c) => c.ready()));

  return {
    connect(object) {
      client = object;
      for (const call of waiting.splice(0)) call(client);
    },
    write(name, value, number) {
      applied = number;
      const detail = JSON.stringify({ name: name, value: value });
      document.dispatchEvent(new CustomEvent("zov:setvariable", { detail: detail }));
    },
  };
})();
)JS";

constexpr auto kConnectScript = R"JS(
new QWebChannel(qt.webChannelTransport, (channel) => zovBridge.connect(channel.objects.client));
)JS";

QString webChannelLibrary() {
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QWebEngineScript bridgeScript(const QString& name, const QString& source,
                              QWebEngineScript::InjectionPoint when) {
    QWebEngineScript script;
    script.setName(name);
    script.setSourceCode(source);
    script.setInjectionPoint(when);
    script.setWorldId(kWorld);
    script.setRunsOnSubFrames(false);
    return script;
}

}  // namespace

WebBridge::WebBridge(QWebEnginePage& page, Handlers handlers)
    : QObject(&page), page_(page), handlers_(std::move(handlers)), channel_(new QWebChannel(this)) {
    channel_->registerObject(QString::fromLatin1(kObjectName), this);
    page_.scripts().insert(bridgeScript(QStringLiteral("zov-bridge-listen"),
                                        QString::fromUtf8(kListenScript),
                                        QWebEngineScript::DocumentCreation));
    page_.scripts().insert(bridgeScript(QStringLiteral("zov-bridge-connect"),
                                        webChannelLibrary() + QString::fromUtf8(kConnectScript),
                                        QWebEngineScript::DocumentReady));
    page_.setWebChannel(channel_, kWorld);
}

WebBridge::~WebBridge() = default;

void WebBridge::write(const QString& name, const QString& value, qint64 number) {
    const QJsonArray arguments{name, value, number};
    const QString call =
        QStringLiteral("zovBridge.write.apply(null, ") +
        QString::fromUtf8(QJsonDocument(arguments).toJson(QJsonDocument::Compact)) +
        QStringLiteral(");");
    page_.runJavaScript(call, kWorld);
}

void WebBridge::fscommand(const QString& command, const QString& args) {
    if (handlers_.command) handlers_.command(command, args);
}

void WebBridge::variable(const QString& name, const QString& value, double appliedWrite) {
    if (handlers_.variable) handlers_.variable(name, value, static_cast<qint64>(appliedWrite));
}

void WebBridge::ready() {
    if (handlers_.ready) handlers_.ready();
}

}  // namespace zov::ui::desktop
