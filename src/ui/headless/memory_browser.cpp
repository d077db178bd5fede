#include "ui/headless/memory_browser.hpp"

namespace zov::ui::headless {

MemoryBrowser::Element::Element(std::string name, std::optional<std::string> value)
    : name_(std::move(name)), value_(std::move(value)) {}

MemoryBrowser::Element& MemoryBrowser::Document::addElement(std::string name, std::string value) {
    return elements_.emplace_back(std::move(name), std::move(value));
}

MemoryBrowser::Element& MemoryBrowser::Document::addElementWithoutValue(std::string name) {
    return elements_.emplace_back(std::move(name), std::nullopt);
}

void MemoryBrowser::Document::removeElements(std::string_view name) {
    elements_.remove_if([name](const Element& element) { return element.name() == name; });
}

MemoryBrowser::Element* MemoryBrowser::Document::all(std::string_view name) {
    for (auto& element : elements_) {
        if (element.name() == name)
            return &element;
    }
    return nullptr;
}

MemoryBrowser::MemoryBrowser() = default;
MemoryBrowser::~MemoryBrowser() = default;

MemoryBrowser::Document& MemoryBrowser::showNewDocument() {
    document_ = std::make_unique<Document>();
    return *document_;
}

void MemoryBrowser::closeDocument() {
    document_.reset();
}

}  // namespace zov::ui::headless
