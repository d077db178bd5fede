#pragma once
// An in-memory page: an html element with a body, built from markup or element by element
// by a test. Lookups walk the page in order; like the page's original browser, the
// collection of all elements and getElementsByName match an element's name or its id.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/browser.hpp"
#include "ui/headless/memory_element.hpp"

namespace zov::ui::headless {

class MemoryDocument final : public ui::Document {
  public:
    // An empty page: <html><body></body></html>.
    MemoryDocument();
    ~MemoryDocument() override;
    MemoryDocument(const MemoryDocument&) = delete;
    MemoryDocument& operator=(const MemoryDocument&) = delete;

    // The page the markup describes; content outside a body goes into one.
    static std::shared_ptr<MemoryDocument> fromHtml(std::string_view html);

    MemoryElement* all(std::string_view name) override;
    MemoryElement* all(std::string_view name, int index) override;
    MemoryElement* all(int index) override;
    int allLength() override;
    std::vector<Element*> getElementsByName(std::string_view name) override;
    MemoryElement* getElementById(std::string_view id) override;
    MemoryElement* body() override { return body_; }

    std::vector<MemoryElement*> elementsByName(std::string_view name);
    MemoryElement& root() { return *root_; }
    // The addresses of the frames inside the page, in order.
    std::vector<std::string> frames();

    // Building a page by hand. Elements keep their address while they are on the page.
    // A hidden form field.
    MemoryElement& addElement(std::string name, std::string value);
    // An element without a value.
    MemoryElement& addElementWithoutValue(std::string name);
    // Appends markup to the body; returns the body.
    MemoryElement& addHtml(std::string_view html);
    void removeElements(std::string_view name);

  private:
    std::shared_ptr<MemoryElement> root_;
    MemoryElement* body_ = nullptr;
};

}  // namespace zov::ui::headless
