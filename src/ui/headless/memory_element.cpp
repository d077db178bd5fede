#include "ui/headless/memory_element.hpp"

#include "ui/html_text.hpp"

#include <algorithm>
#include <cctype>
#include <cstdint>

#include "platform/error.hpp"
#include "ui/element_rules.hpp"
#include "ui/headless/html_subset_parser.hpp"

namespace zov::ui::headless {

namespace {

// The automation errors the page's object model raises.

bool isOneOf(std::string_view tag, std::initializer_list<std::string_view> tags) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

bool isVoid(std::string_view tag) {
    return isOneOf(tag, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                         "param", "source", "track", "wbr"});
}

// Form fields carry a value; other elements only once the client gives them one.
bool carriesValue(std::string_view tag) {
    return isOneOf(tag, {"input", "button", "option", "param", "textarea"});
}

}  // namespace

std::shared_ptr<MemoryElement> MemoryElement::create(std::string tag, Attributes attributes) {
    std::transform(tag.begin(), tag.end(), tag.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::shared_ptr<MemoryElement>(
        new MemoryElement(std::move(tag), std::move(attributes), {}));
}

std::shared_ptr<MemoryElement> MemoryElement::createText(std::string text) {
    return std::shared_ptr<MemoryElement>(new MemoryElement({}, {}, std::move(text)));
}

MemoryElement::MemoryElement(std::string tag, Attributes attributes, std::string text)
    : tag_(std::move(tag)), text_(std::move(text)), attributes_(std::move(attributes)) {}

MemoryElement::~MemoryElement() {
    // A child kept alive elsewhere (a handler still running) no longer has this parent.
    for (auto& child : children_)
        child->parent_ = nullptr;
}

bool MemoryElement::hasValue() const {
    return value_.has_value() || carriesValue(tag_);
}

std::string MemoryElement::value() const {
    if (value_) return *value_;
    if (tag_ == "textarea") return innerText();
    if (tag_ == "option" && !hasAttribute("value")) return innerText();
    return carriesValue(tag_) ? attribute("value") : std::string();
}

std::string MemoryElement::innerText() const {
    if (isText()) return text_;
    if (tag_ == "br") return "\n";
    std::string out;
    for (const auto& child : children_)
        out += child->innerText();
    return out;
}

void MemoryElement::setInnerText(std::string_view text) {
    std::vector<std::shared_ptr<MemoryElement>> content;
    if (!text.empty()) content.push_back(createText(std::string(text)));
    replaceChildren(std::move(content));
}

std::string MemoryElement::innerHtml() const {
    if (isText()) return escapeHtml(text_, HtmlContext::Text);
    if (sourceMarkup_) return *sourceMarkup_;
    std::string out;
    for (const auto& child : children_)
        out += child->outerHtml();
    return out;
}

void MemoryElement::setInnerHtml(std::string_view html) {
    if (isText() || isVoid(tag_)) throw element_rules::notSupported("innerHtml");
    replaceChildren(HtmlSubsetParser::parse(html));
    sourceMarkup_ = std::string(html);
}

std::string MemoryElement::outerHtml() const {
    if (isText()) return escapeHtml(text_, HtmlContext::Text);
    std::string out = "<" + tag_;
    for (const auto& [name, value] : attributes_)
        out += " " + name + "=\"" + escapeHtml(value, HtmlContext::Attribute) + "\"";
    out += ">";
    if (isVoid(tag_)) return out;
    return out + innerHtml() + "</" + tag_ + ">";
}

void MemoryElement::setHandler(PageEvent event, Handler handler) {
    handlers_[slot(event)] = handler ? std::make_shared<Handler>(std::move(handler)) : nullptr;
}

bool MemoryElement::fireEvent(PageEvent event) {
    // The handler may take the element off the page (or replace the page): keep both the
    // element and the handler alive until it returns.
    auto self = shared_from_this();
    ++fired_[slot(event)];
    if (event == PageEvent::onmouseover)
        mouseIsOver_ = true;
    else if (event == PageEvent::onmouseout)
        mouseIsOver_ = false;
    auto handler = handlers_[slot(event)];
    return handler ? (*handler)() : true;
}

std::string MemoryElement::attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes_) {
        if (key == name) return value;
    }
    return {};
}

bool MemoryElement::hasAttribute(std::string_view name) const {
    return std::any_of(attributes_.begin(), attributes_.end(),
                       [name](const auto& attribute) { return attribute.first == name; });
}

void MemoryElement::setAttribute(std::string_view name, std::string value) {
    for (auto& [key, current] : attributes_) {
        if (key == name) {
            current = std::move(value);
            if (parent_) parent_->contentChanged();
            return;
        }
    }
    attributes_.emplace_back(std::string(name), std::move(value));
    if (parent_) parent_->contentChanged();
}

MemoryElement& MemoryElement::appendChild(std::shared_ptr<MemoryElement> child) {
    insertChild(children_.size(), std::move(child));
    return *children_.back();
}

void MemoryElement::removeChild(const MemoryElement* child) {
    auto it = std::find_if(children_.begin(), children_.end(),
                           [child](const auto& own) { return own.get() == child; });
    if (it == children_.end()) return;
    (*it)->parent_ = nullptr;
    children_.erase(it);
    contentChanged();
}

bool MemoryElement::forEachElement(const std::function<bool(MemoryElement&)>& visit) {
    if (isText()) return true;
    if (!visit(*this)) return false;
    // A copy: the visitor may change the tree below.
    const auto children = children_;
    for (const auto& child : children) {
        if (!child->forEachElement(visit)) return false;
    }
    return true;
}

void MemoryElement::insertChild(std::size_t position, std::shared_ptr<MemoryElement> child) {
    if (child->parent_) child->parent_->removeChild(child.get());
    child->parent_ = this;
    children_.insert(children_.begin() + static_cast<std::ptrdiff_t>(position), std::move(child));
    contentChanged();
}

void MemoryElement::replaceChildren(std::vector<std::shared_ptr<MemoryElement>> children) {
    for (auto& old : children_)
        old->parent_ = nullptr;
    children_ = std::move(children);
    for (auto& child : children_)
        child->parent_ = this;
    contentChanged();
}

void MemoryElement::contentChanged() {
    for (MemoryElement* element = this; element; element = element->parent_)
        element->sourceMarkup_.reset();
}

void MemoryElement::requireTag(std::string_view tag, const char* operation) const {
    element_rules::requireTag(tag_, tag, operation);
}

std::vector<MemoryElement*> MemoryElement::rows() const {
    return element_rules::rowsOf(*this);
}

std::vector<MemoryElement*> MemoryElement::cells() const {
    return element_rules::cellsOf(*this);
}

int MemoryElement::rowCount() const {
    requireTag("table", "rows");
    return static_cast<int>(rows().size());
}

MemoryElement* MemoryElement::row(int index) {
    requireTag("table", "rows");
    const auto all = rows();
    return element_rules::itemAt(all, index);
}

namespace {

std::size_t positionIn(const MemoryElement& parent, const MemoryElement* child) {
    return element_rules::positionIn(parent.children(), child);
}

}  // namespace

MemoryElement* MemoryElement::insertRow(int index) {
    requireTag("table", "insertRow");
    const auto all = rows();
    const int count = static_cast<int>(all.size());
    index = element_rules::insertIndex(index, count, "insertRow");

    auto row = create("tr");
    MemoryElement* raw = row.get();
    if (index < count) {
        MemoryElement* next = all[static_cast<std::size_t>(index)];
        MemoryElement* section = next->parent_;
        section->insertChild(positionIn(*section, next), std::move(row));
    } else if (count > 0) {
        // After the last row, in its section.
        MemoryElement* last = all.back();
        MemoryElement* section = last->parent_;
        section->insertChild(positionIn(*section, last) + 1, std::move(row));
    } else {
        auto body = std::find_if(children_.rbegin(), children_.rend(),
                                 [](const auto& child) { return child->tag_ == "tbody"; });
        MemoryElement* section = body != children_.rend() ? body->get() : this;
        section->appendChild(std::move(row));
    }
    return raw;
}

void MemoryElement::deleteRow(int index) {
    requireTag("table", "deleteRow");
    const auto all = rows();
    const auto found = element_rules::deleteIndex(index, static_cast<int>(all.size()), "deleteRow");
    if (!found) return;
    index = *found;
    MemoryElement* doomed = all[static_cast<std::size_t>(index)];
    doomed->parent_->removeChild(doomed);
}

int MemoryElement::cellCount() const {
    requireTag("tr", "cells");
    return static_cast<int>(cells().size());
}

MemoryElement* MemoryElement::cell(int index) {
    requireTag("tr", "cells");
    const auto all = cells();
    return element_rules::itemAt(all, index);
}

MemoryElement* MemoryElement::insertCell(int index) {
    requireTag("tr", "insertCell");
    const auto all = cells();
    const int count = static_cast<int>(all.size());
    index = element_rules::insertIndex(index, count, "insertCell");
    auto cell = create("td");
    MemoryElement* raw = cell.get();
    const std::size_t position =
        index < count ? positionIn(*this, all[static_cast<std::size_t>(index)]) : children_.size();
    insertChild(position, std::move(cell));
    return raw;
}

}  // namespace zov::ui::headless
