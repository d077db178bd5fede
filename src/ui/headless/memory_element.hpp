#pragma once
// One node of an in-memory page: an element with its tag, attributes, value and children,
// or a piece of text. Enough of a document object model for the guide, banner and playlist
// pages: lookups, values, event handlers, inner text and markup, and table rows and cells.
// Firing an event also records it, so that tests and the remote-control channel can see
// which element the client highlighted, since no page script runs here.

#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ui/browser.hpp"

namespace zov::ui::headless {

class MemoryElement final : public ui::Element, public std::enable_shared_from_this<MemoryElement> {
  public:
    using Attributes = std::vector<std::pair<std::string, std::string>>;

    static std::shared_ptr<MemoryElement> create(std::string tag, Attributes attributes = {});
    static std::shared_ptr<MemoryElement> createText(std::string text);
    ~MemoryElement() override;
    MemoryElement(const MemoryElement&) = delete;
    MemoryElement& operator=(const MemoryElement&) = delete;

    // ui::Element
    std::string tagName() const override { return tag_; }
    std::string name() const override { return attribute("name"); }
    std::string id() const override { return attribute("id"); }
    bool hasValue() const override;
    std::string value() const override;
    void setValue(std::string_view value) override { value_ = std::string(value); }
    std::string innerText() const override;
    void setInnerText(std::string_view text) override;
    std::string innerHtml() const override;
    void setInnerHtml(std::string_view html) override;
    void setHandler(PageEvent event, Handler handler) override;
    bool fireEvent(PageEvent event) override;
    int rowCount() const override;
    MemoryElement* row(int index) override;
    MemoryElement* insertRow(int index) override;
    void deleteRow(int index) override;
    int cellCount() const override;
    MemoryElement* cell(int index) override;
    MemoryElement* insertCell(int index) override;

    bool isText() const { return tag_.empty(); }
    const std::string& text() const { return text_; }  // of a text node
    std::string attribute(std::string_view name) const;
    bool hasAttribute(std::string_view name) const;
    void setAttribute(std::string_view name, std::string value);
    const Attributes& attributes() const { return attributes_; }
    // The markup of the element itself and its content.
    std::string outerHtml() const;

    MemoryElement* parent() const { return parent_; }
    const std::vector<std::shared_ptr<MemoryElement>>& children() const { return children_; }
    MemoryElement& appendChild(std::shared_ptr<MemoryElement> child);
    void removeChild(const MemoryElement* child);
    // Calls visit on this element and every element below it, in page order (text is
    // skipped); stops early when visit returns false. Returns false when stopped.
    bool forEachElement(const std::function<bool(MemoryElement&)>& visit);

    // What a person does with the mouse.
    bool click() { return fireEvent(PageEvent::onclick); }
    void mouseOver() { fireEvent(PageEvent::onmouseover); }
    void mouseOut() { fireEvent(PageEvent::onmouseout); }
    // Whether the pointer was last moved over the element (onmouseover fired last, not
    // onmouseout): the page's highlight.
    bool mouseIsOver() const { return mouseIsOver_; }
    int firedCount(PageEvent event) const { return fired_[slot(event)]; }
    bool hasHandler(PageEvent event) const { return handlers_[slot(event)] != nullptr; }

    // Set by the parser: the markup the content was read from, returned as innerHtml until
    // the content changes.
    void keepSourceMarkup(std::string markup) { sourceMarkup_ = std::move(markup); }

  private:
    MemoryElement(std::string tag, Attributes attributes, std::string text);
    static std::size_t slot(PageEvent event) { return static_cast<std::size_t>(event); }
    std::vector<MemoryElement*> rows() const;
    std::vector<MemoryElement*> cells() const;
    void insertChild(std::size_t position, std::shared_ptr<MemoryElement> child);
    void replaceChildren(std::vector<std::shared_ptr<MemoryElement>> children);
    // The content of this element changed: its markup and every ancestor's is read anew.
    void contentChanged();
    void requireTag(std::string_view tag, const char* operation) const;

    std::string tag_;  // lower case; empty for text
    std::string text_;
    Attributes attributes_;
    std::optional<std::string> value_;
    MemoryElement* parent_ = nullptr;
    std::vector<std::shared_ptr<MemoryElement>> children_;
    std::optional<std::string> sourceMarkup_;
    std::array<std::shared_ptr<Handler>, 3> handlers_;
    std::array<int, 3> fired_{};
    bool mouseIsOver_ = false;
};

}  // namespace zov::ui::headless
