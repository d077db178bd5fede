#include "ui/desktop/mirror_element.hpp"

#include <QJsonArray>
#include <QString>
#include <algorithm>
#include <initializer_list>

#include "platform/error.hpp"
#include "ui/desktop/page_mirror.hpp"
#include "ui/element_rules.hpp"
#include "ui/headless/html_subset_parser.hpp"
#include "ui/headless/memory_element.hpp"
#include "ui/html_text.hpp"

namespace zov::ui::desktop {
namespace {

// The automation errors the page's object model raises.

bool isOneOf(std::string_view tag, std::initializer_list<std::string_view> tags) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

bool isVoid(std::string_view tag) {
    return isOneOf(tag, {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta",
                         "param", "source", "track", "wbr"});
}

// The elements whose value the page reports (as the bridge's list has them).
bool isField(std::string_view tag) {
    return isOneOf(tag, {"input", "textarea", "select", "button", "option", "param", "output"});
}

const char* eventType(PageEvent event) {
    switch (event) {
        case PageEvent::onclick:
            return "click";
        case PageEvent::onmouseover:
            return "mouseover";
        case PageEvent::onmouseout:
            return "mouseout";
    }
    return "click";
}

QString qs(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::size_t positionIn(const MirrorElement& parent, const MirrorElement* child) {
    return element_rules::positionIn(parent.children(), child);
}

}  // namespace

MirrorElement::MirrorElement(std::weak_ptr<PageMirror> page, std::int64_t number, std::string tag)
    : page_(std::move(page)), number_(number), tag_(std::move(tag)) {
    if (isField(tag_)) value_ = std::string();
}

std::shared_ptr<MirrorElement> MirrorElement::text(std::string text) {
    auto node = std::make_shared<MirrorElement>(std::weak_ptr<PageMirror>(), 0, std::string());
    node->text_ = std::move(text);
    return node;
}

MirrorElement::~MirrorElement() {
    // A child kept alive elsewhere (a handler still running) no longer has this parent.
    for (auto& child : children_)
        child->parent_ = nullptr;
}

void MirrorElement::send(const QJsonArray& operation) {
    if (auto page = page_.lock()) lastWrite_ = page->write(operation);
}

std::shared_ptr<MirrorElement> MirrorElement::create(std::string tag) {
    auto page = page_.lock();
    return std::make_shared<MirrorElement>(page_, page ? page->newClientNumber() : 0,
                                           std::move(tag));
}

std::string MirrorElement::attribute(std::string_view name) const {
    for (const auto& [key, value] : attributes_)
        if (key == name) return value;
    return {};
}

void MirrorElement::setFromPage(Attributes attributes, std::optional<std::string> value) {
    attributes_ = std::move(attributes);
    if (value) value_ = std::move(value);
}

void MirrorElement::replaceChildren(std::vector<std::shared_ptr<MirrorElement>> children) {
    for (auto& old : children_)
        old->parent_ = nullptr;
    for (auto& child : children) {
        // A child moved here from elsewhere in the page leaves its old place.
        if (child->parent_ && child->parent_ != this) {
            auto& siblings = child->parent_->children_;
            std::erase_if(siblings, [&](const auto& sibling) { return sibling == child; });
        }
        child->parent_ = this;
    }
    children_ = std::move(children);
}

void MirrorElement::setValue(std::string_view value) {
    value_ = std::string(value);
    send({QStringLiteral("value"), static_cast<qint64>(number_), qs(value)});
}

std::string MirrorElement::innerText() const {
    if (isText()) return text_;
    if (tag_ == "br") return "\n";
    std::string out;
    for (const auto& child : children_)
        out += child->innerText();
    return out;
}

void MirrorElement::setInnerText(std::string_view text) {
    std::vector<std::shared_ptr<MirrorElement>> content;
    if (!text.empty()) content.push_back(MirrorElement::text(std::string(text)));
    replaceChildren(std::move(content));
    send({QStringLiteral("text"), static_cast<qint64>(number_), qs(text)});
}

std::string MirrorElement::innerHtml() const {
    if (isText()) return escapeHtml(text_, HtmlContext::Text);
    std::string out;
    for (const auto& child : children_)
        out += child->outerHtml();
    return out;
}

std::string MirrorElement::outerHtml() const {
    if (isText()) return escapeHtml(text_, HtmlContext::Text);
    std::string out = "<" + tag_;
    for (const auto& [name, value] : attributes_)
        out += " " + name + "=\"" + escapeHtml(value, HtmlContext::Attribute) + "\"";
    out += ">";
    if (isVoid(tag_)) return out;
    return out + innerHtml() + "</" + tag_ + ">";
}

void MirrorElement::setInnerHtml(std::string_view html) {
    if (isText() || isVoid(tag_)) throw element_rules::notSupported("innerHtml");
    // The markup is read here as well as in the page, so what it holds can be found at once;
    // the page takes over the numbers of the elements it reads the same way.
    QJsonArray numbered;
    std::function<std::shared_ptr<MirrorElement>(const headless::MemoryElement&)> convert =
        [&](const headless::MemoryElement& node) {
            if (node.isText()) return MirrorElement::text(node.text());
            auto element = create(node.tagName());
            element->attributes_ = node.attributes();
            if (element->value_) element->value_ = node.value();
            numbered.append(QJsonArray{static_cast<qint64>(element->number_), qs(element->tag_)});
            std::vector<std::shared_ptr<MirrorElement>> children;
            for (const auto& child : node.children())
                children.push_back(convert(*child));
            element->replaceChildren(std::move(children));
            return element;
        };
    std::vector<std::shared_ptr<MirrorElement>> content;
    for (const auto& node : headless::HtmlSubsetParser::parse(html))
        content.push_back(convert(*node));
    replaceChildren(std::move(content));
    send({QStringLiteral("html"), static_cast<qint64>(number_), qs(html), numbered});
}

void MirrorElement::setHandler(PageEvent event, Handler handler) {
    const bool on = static_cast<bool>(handler);
    handlers_[slot(event)] = on ? std::make_shared<Handler>(std::move(handler)) : nullptr;
    if (auto page = page_.lock())
        page->write({QStringLiteral("wire"), static_cast<qint64>(number_), eventType(event), on});
}

bool MirrorElement::fireEvent(PageEvent event) {
    // The handler may take the element off the page or replace the page: both the element
    // and the handler stay alive until it returns.
    auto self = shared_from_this();
    auto handler = handlers_[slot(event)];
    if (handler) return (*handler)();
    // No handler of the client's: the page's own draws what the event means to it.
    if (auto page = page_.lock())
        page->write({QStringLiteral("fire"), static_cast<qint64>(number_), eventType(event)});
    return true;
}

void MirrorElement::eventInPage(PageEvent event) {
    auto self = shared_from_this();
    if (auto handler = handlers_[slot(event)]) (*handler)();
}

void MirrorElement::requireTag(std::string_view tag, const char* operation) const {
    element_rules::requireTag(tag_, tag, operation);
}

std::vector<MirrorElement*> MirrorElement::rows() const {
    return element_rules::rowsOf(*this);
}

std::vector<MirrorElement*> MirrorElement::cells() const {
    return element_rules::cellsOf(*this);
}

int MirrorElement::rowCount() const {
    requireTag("table", "rows");
    return static_cast<int>(rows().size());
}

MirrorElement* MirrorElement::row(int index) {
    requireTag("table", "rows");
    const auto all = rows();
    return element_rules::itemAt(all, index);
}

void MirrorElement::insertChild(MirrorElement& parent, std::size_t position,
                                std::shared_ptr<MirrorElement> child) {
    auto children = parent.children_;
    children.insert(children.begin() + static_cast<std::ptrdiff_t>(position), std::move(child));
    parent.replaceChildren(std::move(children));
}

// As the page's own table does it: a first row in a table without a body section gets one.
MirrorElement* MirrorElement::insertRow(int index) {
    requireTag("table", "insertRow");
    const auto all = rows();
    const int count = static_cast<int>(all.size());
    index = element_rules::insertIndex(index, count, "insertRow");

    auto row = create("tr");
    MirrorElement* raw = row.get();
    std::int64_t sectionNumber = 0;
    MirrorElement* section = nullptr;
    if (index < count) {
        MirrorElement* next = all[static_cast<std::size_t>(index)];
        section = next->parent_;
        insertChild(*section, positionIn(*section, next), std::move(row));
    } else if (count > 0) {
        MirrorElement* last = all.back();
        section = last->parent_;
        insertChild(*section, positionIn(*section, last) + 1, std::move(row));
    } else {
        auto body = std::find_if(children_.rbegin(), children_.rend(),
                                 [](const auto& child) { return child->tag_ == "tbody"; });
        section = body != children_.rend() ? body->get() : nullptr;
        if (!section) {
            auto made = create("tbody");
            sectionNumber = made->number_;
            section = made.get();
            insertChild(*this, children_.size(), std::move(made));
        }
        insertChild(*section, section->children_.size(), std::move(row));
    }
    send({QStringLiteral("insertRow"), static_cast<qint64>(number_), index,
          static_cast<qint64>(raw->number_), static_cast<qint64>(sectionNumber)});
    // The section's children changed too: a report the page made before this write keeps
    // its hands off them.
    section->lastWrite_ = lastWrite_;
    return raw;
}

void MirrorElement::deleteRow(int index) {
    requireTag("table", "deleteRow");
    const auto all = rows();
    const auto found = element_rules::deleteIndex(index, static_cast<int>(all.size()), "deleteRow");
    if (!found) return;
    index = *found;
    MirrorElement* doomed = all[static_cast<std::size_t>(index)];
    MirrorElement* section = doomed->parent_;
    auto siblings = section->children_;
    std::erase_if(siblings, [doomed](const auto& child) { return child.get() == doomed; });
    section->replaceChildren(std::move(siblings));
    send({QStringLiteral("deleteRow"), static_cast<qint64>(number_), index});
    section->lastWrite_ = lastWrite_;
}

int MirrorElement::cellCount() const {
    requireTag("tr", "cells");
    return static_cast<int>(cells().size());
}

MirrorElement* MirrorElement::cell(int index) {
    requireTag("tr", "cells");
    const auto all = cells();
    return element_rules::itemAt(all, index);
}

MirrorElement* MirrorElement::insertCell(int index) {
    requireTag("tr", "insertCell");
    const auto all = cells();
    const int count = static_cast<int>(all.size());
    index = element_rules::insertIndex(index, count, "insertCell");
    auto cell = create("td");
    MirrorElement* raw = cell.get();
    const std::size_t position =
        index < count ? positionIn(*this, all[static_cast<std::size_t>(index)]) : children_.size();
    insertChild(*this, position, std::move(cell));
    send({QStringLiteral("insertCell"), static_cast<qint64>(number_), index,
          static_cast<qint64>(raw->number_)});
    return raw;
}

}  // namespace zov::ui::desktop
