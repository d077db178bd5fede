#pragma once
// One element of a page's mirror (or a piece of its text): what the client reads of the
// element, kept in step with the page by PageMirror. A change the client makes is applied
// here at once and handed to the mirror as an operation for the page, addressed by the
// element's number; elements the client creates (rows, cells, markup) get numbers of the
// client's own, below zero, which the page takes over.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/browser.hpp"

class QJsonArray;

namespace zov::ui::desktop {

class PageMirror;

class MirrorElement final : public Element, public std::enable_shared_from_this<MirrorElement> {
  public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    MirrorElement(std::weak_ptr<PageMirror> page, std::int64_t number, std::string tag);
    static std::shared_ptr<MirrorElement> text(std::string text);
    ~MirrorElement() override;
    MirrorElement(const MirrorElement&) = delete;
    MirrorElement& operator=(const MirrorElement&) = delete;

    std::string tagName() const override { return tag_; }
    std::string name() const override { return attribute("name"); }
    std::string id() const override { return attribute("id"); }
    bool hasValue() const override { return value_.has_value(); }
    std::string value() const override { return value_.value_or(std::string()); }
    void setValue(std::string_view value) override;
    std::string innerText() const override;
    void setInnerText(std::string_view text) override;
    std::string innerHtml() const override;
    void setInnerHtml(std::string_view html) override;
    void setHandler(PageEvent event, Handler handler) override;
    bool fireEvent(PageEvent event) override;
    int rowCount() const override;
    MirrorElement* row(int index) override;
    MirrorElement* insertRow(int index) override;
    void deleteRow(int index) override;
    int cellCount() const override;
    MirrorElement* cell(int index) override;
    MirrorElement* insertCell(int index) override;

    // The event happened in the page: the client's handler runs (its answer came too late
    // for the page, which has already decided).
    void eventInPage(PageEvent event);

    // For PageMirror, which keeps the element in step with the page.
    std::int64_t number() const { return number_; }
    bool isText() const { return tag_.empty(); }
    std::string attribute(std::string_view name) const;
    MirrorElement* parent() const { return parent_; }
    const std::vector<std::shared_ptr<MirrorElement>>& children() const { return children_; }
    void setFromPage(Attributes attributes, std::optional<std::string> value);
    void setValueFromPage(std::string value) { value_ = std::move(value); }
    void replaceChildren(std::vector<std::shared_ptr<MirrorElement>> children);
    // The number of the client's latest write to the element's own state (0: none).
    std::uint64_t lastWrite() const { return lastWrite_; }
    std::string outerHtml() const;

  private:
    static std::size_t slot(PageEvent event) { return static_cast<std::size_t>(event); }
    void send(const QJsonArray& operation);
    std::vector<MirrorElement*> rows() const;
    std::vector<MirrorElement*> cells() const;
    std::shared_ptr<MirrorElement> create(std::string tag);
    void insertChild(MirrorElement& parent, std::size_t position,
                     std::shared_ptr<MirrorElement> child);
    void requireTag(std::string_view tag, const char* operation) const;

    std::weak_ptr<PageMirror> page_;
    std::int64_t number_;
    std::string tag_;  // lower case; empty for text
    std::string text_;
    Attributes attributes_;
    std::optional<std::string> value_;
    MirrorElement* parent_ = nullptr;
    std::vector<std::shared_ptr<MirrorElement>> children_;
    std::array<std::shared_ptr<Handler>, 3> handlers_;
    std::uint64_t lastWrite_ = 0;
};

}  // namespace zov::ui::desktop
