#include "ui/desktop/page_mirror.hpp"

#include <QJsonValue>
#include <utility>

namespace zov::ui::desktop {
namespace {

std::string text(const QJsonValue& value) {
    return value.toString().toStdString();
}

bool named(const MirrorElement& element, std::string_view name) {
    return element.name() == name || element.id() == name;
}

std::optional<PageEvent> pageEvent(const QString& type) {
    if (type == QLatin1String("click")) return PageEvent::onclick;
    if (type == QLatin1String("mouseover")) return PageEvent::onmouseover;
    if (type == QLatin1String("mouseout")) return PageEvent::onmouseout;
    return std::nullopt;
}

}  // namespace

PageMirror::PageMirror(std::string token, Writer writer)
    : token_(std::move(token)), writer_(std::move(writer)) {}

PageMirror::~PageMirror() = default;

std::shared_ptr<PageMirror> PageMirror::fromHandOver(const QJsonObject& handOver, Writer writer) {
    auto mirror = std::make_shared<PageMirror>(text(handOver.value("token")), std::move(writer));
    mirror->applyHandOver(handOver);
    if (!mirror->root_) {
        // Nothing of the page could be read: an empty one, which the page will not hear of.
        mirror->root_ = std::make_shared<MirrorElement>(mirror, 0, "html");
        mirror->root_->replaceChildren({std::make_shared<MirrorElement>(mirror, 0, "body")});
    }
    return mirror;
}

void PageMirror::applyHandOver(const QJsonObject& handOver) {
    const auto seq = handOver.value("seq").toInteger();
    const QJsonValue root = handOver.value("root");
    if (seq <= lastSeq_ || !root.isObject()) return;
    lastSeq_ = seq;
    frames_.clear();
    for (const QJsonValue frame : handOver.value("frames").toArray())
        frames_.push_back(text(frame));
    reindex();
    root_ =
        adopt(root.toObject(), static_cast<std::uint64_t>(handOver.value("applied").toInteger()));
    reindex();
}

bool PageMirror::applyMessage(const QJsonObject& message) {
    if (text(message.value("token")) != token_) return true;
    const auto seq = message.value("seq").toInteger();
    if (seq <= lastSeq_) return true;
    lastSeq_ = seq;
    const auto applied = static_cast<std::uint64_t>(message.value("applied").toInteger());
    auto self = shared_from_this();  // a handler may replace the page
    missingReference_ = false;
    reindex();
    for (const QJsonValue item : message.value("items").toArray())
        if (item.isObject()) adopt(item.toObject(), applied);
    applyFields(message.value("fields").toArray(), applied);
    reindex();
    const bool complete = !missingReference_;
    if (message.value("kind").toString() == QLatin1String("event")) {
        const auto event = pageEvent(message.value("ev").toString());
        if (MirrorElement* element = find(message.value("n").toInteger()); element && event)
            element->eventInPage(*event);
    }
    return complete;
}

// The element the description names, brought up to date unless the client wrote to it after
// the page made the description; its children are those described, found again by number.
std::shared_ptr<MirrorElement> PageMirror::adopt(const QJsonObject& description,
                                                 std::uint64_t applied) {
    const std::int64_t number = description.value("n").toInteger();
    const std::string tag = text(description.value("t"));
    std::shared_ptr<MirrorElement> node;
    if (auto it = byNumber_.find(number); it != byNumber_.end()) node = it->second.lock();
    if (!node || node->tagName() != tag) {
        node = std::make_shared<MirrorElement>(weak_from_this(), number, tag);
        byNumber_[number] = node;
    }
    if (node->lastWrite() > applied) return node;

    MirrorElement::Attributes attributes;
    for (const QJsonValue pair : description.value("a").toArray())
        attributes.emplace_back(text(pair.toArray().at(0)), text(pair.toArray().at(1)));
    std::optional<std::string> value;
    if (description.contains("v")) value = text(description.value("v"));
    node->setFromPage(std::move(attributes), std::move(value));

    std::vector<std::shared_ptr<MirrorElement>> children;
    for (const QJsonValue child : description.value("c").toArray()) {
        if (child.isString()) {
            children.push_back(MirrorElement::text(text(child)));
        } else if (child.isObject()) {
            children.push_back(adopt(child.toObject(), applied));
        } else if (auto it = byNumber_.find(child.toInteger()); it != byNumber_.end()) {
            if (auto known = it->second.lock()) children.push_back(std::move(known));
        } else {
            missingReference_ = true;
        }
    }
    node->replaceChildren(std::move(children));
    return node;
}

void PageMirror::applyFields(const QJsonArray& fields, std::uint64_t applied) {
    for (const QJsonValue field : fields) {
        const QJsonArray pair = field.toArray();
        MirrorElement* element = find(pair.at(0).toInteger());
        if (element && element->lastWrite() <= applied) element->setValueFromPage(text(pair.at(1)));
    }
}

void PageMirror::reindex() {
    byNumber_.clear();
    if (!root_) return;
    std::vector<std::shared_ptr<MirrorElement>> pending{root_};
    while (!pending.empty()) {
        auto element = std::move(pending.back());
        pending.pop_back();
        if (element->number() != 0) byNumber_[element->number()] = element;
        for (const auto& child : element->children())
            if (!child->isText()) pending.push_back(child);
    }
}

MirrorElement* PageMirror::find(std::int64_t number) const {
    auto it = byNumber_.find(number);
    if (it == byNumber_.end()) return nullptr;
    auto element = it->second.lock();
    return element ? element.get() : nullptr;
}

std::uint64_t PageMirror::write(const QJsonArray& operation) {
    ++writes_;
    if (writer_) writer_(token_, writes_, operation);
    // Elements the client creates are found by number from now on.
    reindex();
    return writes_;
}

template <class Visit>
void PageMirror::forEachElement(Visit visit) const {
    if (!root_) return;
    // Depth first, in page order; a copy of each child list, as the visitor may change it.
    std::vector<std::shared_ptr<MirrorElement>> pending{root_};
    while (!pending.empty()) {
        auto element = std::move(pending.back());
        pending.pop_back();
        if (!visit(*element)) return;
        const auto children = element->children();
        for (auto it = children.rbegin(); it != children.rend(); ++it)
            if (!(*it)->isText()) pending.push_back(*it);
    }
}

MirrorElement* PageMirror::all(std::string_view name) {
    return all(name, 0);
}

MirrorElement* PageMirror::all(std::string_view name, int index) {
    MirrorElement* found = nullptr;
    if (index < 0) return nullptr;
    forEachElement([&](MirrorElement& element) {
        if (!named(element, name) || index-- > 0) return true;
        found = &element;
        return false;
    });
    return found;
}

MirrorElement* PageMirror::all(int index) {
    MirrorElement* found = nullptr;
    if (index < 0) return nullptr;
    forEachElement([&](MirrorElement& element) {
        if (index-- > 0) return true;
        found = &element;
        return false;
    });
    return found;
}

int PageMirror::allLength() {
    int count = 0;
    forEachElement([&](MirrorElement&) { return ++count > 0; });
    return count;
}

std::vector<Element*> PageMirror::getElementsByName(std::string_view name) {
    std::vector<Element*> found;
    forEachElement([&](MirrorElement& element) {
        if (named(element, name)) found.push_back(&element);
        return true;
    });
    return found;
}

MirrorElement* PageMirror::getElementById(std::string_view id) {
    MirrorElement* found = nullptr;
    forEachElement([&](MirrorElement& element) {
        if (element.id() != id) return true;
        found = &element;
        return false;
    });
    return found;
}

MirrorElement* PageMirror::body() {
    MirrorElement* found = nullptr;
    forEachElement([&](MirrorElement& element) {
        if (element.tagName() != "body") return true;
        found = &element;
        return false;
    });
    return found;
}

}  // namespace zov::ui::desktop
