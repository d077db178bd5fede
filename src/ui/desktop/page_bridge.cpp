#include "ui/desktop/page_bridge.hpp"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QWebChannel>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <utility>

#include "ui/desktop/page_mirror_script.hpp"

namespace zov::ui::desktop {
namespace {

constexpr auto kWorld = QWebEngineScript::ApplicationWorld;

QString webChannelLibrary() {
    QFile file(QStringLiteral(":/qtwebchannel/qwebchannel.js"));
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll());
}

QString json(const QJsonArray& array) {
    return QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Compact));
}

}  // namespace

PageBridge::PageBridge(QWebEnginePage& page, MessageHandler onMessage)
    : QObject(&page),
      page_(page),
      onMessage_(std::move(onMessage)),
      channel_(new QWebChannel(this)) {
    channel_->registerObject(QStringLiteral("mirror"), this);
    // Watching from the moment the document is ready; pages the script does not reach this
    // way (an empty page, an error page) get it when they are handed over.
    QWebEngineScript script;
    script.setName(QStringLiteral("zov-page-mirror"));
    script.setSourceCode(webChannelLibrary() + pageMirrorScript());
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(kWorld);
    script.setRunsOnSubFrames(false);
    page_.scripts().insert(script);
    page_.setWebChannel(channel_, kWorld);
}

PageBridge::~PageBridge() = default;

void PageBridge::handOver(std::function<void(const QJsonObject&)> done) {
    page_.runJavaScript(pageMirrorScript() + QStringLiteral("zovMirror.handOver();"), kWorld,
                        [done = std::move(done)](const QVariant& answer) {
                            done(QJsonDocument::fromJson(answer.toString().toUtf8()).object());
                        });
}

void PageBridge::apply(const std::string& token, std::uint64_t write, const QJsonArray& operation) {
    const QJsonArray arguments{QString::fromStdString(token), static_cast<qint64>(write),
                               operation};
    page_.runJavaScript(
        QStringLiteral("zovMirror.apply.apply(null, ") + json(arguments) + QStringLiteral(");"),
        kWorld);
}

void PageBridge::rect(std::int64_t number, std::function<void(const QJsonArray&)> done) {
    page_.runJavaScript(
        QStringLiteral("JSON.stringify(typeof zovMirror === 'object' ? zovMirror.rect(%1) : null);")
            .arg(number),
        kWorld, [done = std::move(done)](const QVariant& answer) {
            done(QJsonDocument::fromJson(answer.toString().toUtf8()).array());
        });
}

void PageBridge::message(const QString& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    if (document.isObject() && onMessage_) onMessage_(document.object());
}

}  // namespace zov::ui::desktop
