#pragma once
// The client's synchronous view of a page that lives in the browser engine: a tree of
// MirrorElements built from the description the page's bridge hands over once the page has
// loaded, then changed by the bridge's reports and by the client's own writes. Reports are
// applied in the order the page sent them; elements keep their identity by the number the
// bridge gave them, so the client's pointers stay valid while the element stays on the page.
//
// A report that describes an element the client has written to since the page last heard
// from it leaves that element as the client made it: the page reports it again once it has
// applied the write.

#include <QJsonArray>
#include <QJsonObject>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ui/browser.hpp"
#include "ui/desktop/mirror_element.hpp"

namespace zov::ui::desktop {

class PageMirror final : public Document, public std::enable_shared_from_this<PageMirror> {
  public:
    // Sends one operation to the page, with the write's number and the page's token.
    using Writer =
        std::function<void(const std::string& token, std::uint64_t write, const QJsonArray& op)>;

    // The page the bridge described in its hand-over (token, seq, applied, frames, root);
    // an unusable description gives an empty page (html, body).
    static std::shared_ptr<PageMirror> fromHandOver(const QJsonObject& handOver, Writer writer);
    PageMirror(std::string token, Writer writer);
    ~PageMirror() override;
    PageMirror(const PageMirror&) = delete;
    PageMirror& operator=(const PageMirror&) = delete;

    MirrorElement* all(std::string_view name) override;
    MirrorElement* all(std::string_view name, int index) override;
    MirrorElement* all(int index) override;
    int allLength() override;
    std::vector<Element*> getElementsByName(std::string_view name) override;
    MirrorElement* getElementById(std::string_view id) override;
    MirrorElement* body() override;

    const std::string& token() const { return token_; }
    // The addresses of the frames inside the page when it was handed over, in order.
    const std::vector<std::string>& frames() const { return frames_; }
    MirrorElement* find(std::int64_t number) const;

    // A message from the page's bridge: a report of changes, or an event on an element,
    // which runs the client's handler (the caller is on the system's loop). Messages of
    // another page or older than the last one applied change nothing. Returns false when
    // the report refers to an element the mirror does not have: the page must be handed
    // over again.
    bool applyMessage(const QJsonObject& message);
    // A fresh hand-over of the same page, reconciled with the mirror element by element.
    void applyHandOver(const QJsonObject& handOver);

    // For MirrorElement: a number for an element the client creates, and the sending of
    // an operation (returns the write's number).
    std::int64_t newClientNumber() { return --lastClientNumber_; }
    std::uint64_t write(const QJsonArray& operation);

  private:
    std::shared_ptr<MirrorElement> adopt(const QJsonObject& description, std::uint64_t applied);
    void applyFields(const QJsonArray& fields, std::uint64_t applied);
    void reindex();
    template <class Visit>
    void forEachElement(Visit visit) const;

    std::string token_;
    Writer writer_;
    std::shared_ptr<MirrorElement> root_;
    std::vector<std::string> frames_;
    std::unordered_map<std::int64_t, std::weak_ptr<MirrorElement>> byNumber_;
    std::uint64_t writes_ = 0;
    std::int64_t lastSeq_ = 0;
    std::int64_t lastClientNumber_ = 0;
    bool missingReference_ = false;
};

}  // namespace zov::ui::desktop
