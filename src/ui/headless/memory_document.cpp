#include "ui/headless/memory_document.hpp"

#include "ui/headless/html_subset_parser.hpp"
#include "ui/headless/memory_element.hpp"

namespace zov::ui::headless {

namespace {

bool named(const MemoryElement& element, std::string_view name) {
    return element.name() == name || element.id() == name;
}

MemoryElement* firstWithTag(MemoryElement& from, std::string_view tag) {
    MemoryElement* found = nullptr;
    from.forEachElement([&](MemoryElement& element) {
        if (element.tagName() != tag) return true;
        found = &element;
        return false;
    });
    return found;
}

}  // namespace

MemoryDocument::MemoryDocument() : root_(MemoryElement::create("html")) {
    body_ = &root_->appendChild(MemoryElement::create("body"));
}

MemoryDocument::~MemoryDocument() = default;

std::shared_ptr<MemoryDocument> MemoryDocument::fromHtml(std::string_view html) {
    auto document = std::make_shared<MemoryDocument>();
    auto nodes = HtmlSubsetParser::parse(html);

    // A page written as <html>...</html> becomes the root itself.
    std::shared_ptr<MemoryElement> htmlElement;
    for (const auto& node : nodes) {
        if (node->tagName() == "html") htmlElement = node;
    }
    if (htmlElement) {
        document->root_ = htmlElement;
        nodes.clear();
    } else {
        document->root_ = MemoryElement::create("html");
    }
    for (auto& node : nodes)
        document->root_->appendChild(std::move(node));

    document->body_ = firstWithTag(*document->root_, "body");
    if (!document->body_) {
        // Everything but the head goes into a new body.
        auto body = MemoryElement::create("body");
        const auto children = document->root_->children();
        for (const auto& child : children) {
            if (child->tagName() != "head") body->appendChild(child);
        }
        document->body_ = &document->root_->appendChild(std::move(body));
    }
    return document;
}

MemoryElement* MemoryDocument::all(std::string_view name) {
    return all(name, 0);
}

MemoryElement* MemoryDocument::all(std::string_view name, int index) {
    if (index < 0) return nullptr;
    MemoryElement* found = nullptr;
    root_->forEachElement([&](MemoryElement& element) {
        if (!named(element, name) || index-- > 0) return true;
        found = &element;
        return false;
    });
    return found;
}

MemoryElement* MemoryDocument::all(int index) {
    if (index < 0) return nullptr;
    MemoryElement* found = nullptr;
    root_->forEachElement([&](MemoryElement& element) {
        if (index-- > 0) return true;
        found = &element;
        return false;
    });
    return found;
}

int MemoryDocument::allLength() {
    int count = 0;
    root_->forEachElement([&](MemoryElement&) {
        ++count;
        return true;
    });
    return count;
}

std::vector<Element*> MemoryDocument::getElementsByName(std::string_view name) {
    const auto found = elementsByName(name);
    return {found.begin(), found.end()};
}

std::vector<MemoryElement*> MemoryDocument::elementsByName(std::string_view name) {
    std::vector<MemoryElement*> found;
    root_->forEachElement([&](MemoryElement& element) {
        if (named(element, name)) found.push_back(&element);
        return true;
    });
    return found;
}

MemoryElement* MemoryDocument::getElementById(std::string_view id) {
    MemoryElement* found = nullptr;
    root_->forEachElement([&](MemoryElement& element) {
        if (element.id() != id) return true;
        found = &element;
        return false;
    });
    return found;
}

std::vector<std::string> MemoryDocument::frames() {
    std::vector<std::string> addresses;
    root_->forEachElement([&](MemoryElement& element) {
        const std::string tag = element.tagName();
        if ((tag == "iframe" || tag == "frame") && element.hasAttribute("src"))
            addresses.push_back(element.attribute("src"));
        return true;
    });
    return addresses;
}

MemoryElement& MemoryDocument::addElement(std::string name, std::string value) {
    return body_->appendChild(MemoryElement::create(
        "input", {{"type", "hidden"}, {"name", std::move(name)}, {"value", std::move(value)}}));
}

MemoryElement& MemoryDocument::addElementWithoutValue(std::string name) {
    return body_->appendChild(MemoryElement::create("div", {{"name", std::move(name)}}));
}

MemoryElement& MemoryDocument::addHtml(std::string_view html) {
    for (auto& node : HtmlSubsetParser::parse(html))
        body_->appendChild(std::move(node));
    return *body_;
}

void MemoryDocument::removeElements(std::string_view name) {
    // Held while removing: one of them may contain another.
    std::vector<std::shared_ptr<MemoryElement>> doomed;
    for (MemoryElement* element : elementsByName(name))
        doomed.push_back(element->shared_from_this());
    for (const auto& element : doomed) {
        if (element->parent() && element.get() != body_)
            element->parent()->removeChild(element.get());
    }
}

}  // namespace zov::ui::headless
