#pragma once
// The browser control as the system sees it: a browser shows one document, and the
// document's elements are found by name in its collection of all elements. Shaped after a
// web browser control's object model; it grows (navigation, events, tables) as windows
// need more of it.

#include <string>
#include <string_view>

namespace zov::ui {

// One element of a page.
class Element {
  public:
    virtual ~Element() = default;

    virtual std::string name() const = 0;
    // Whether the element has a value at all (form fields do, a paragraph does not).
    virtual bool hasValue() const = 0;
    // Empty for an element without a value.
    virtual std::string value() const = 0;
    virtual void setValue(std::string_view value) = 0;
};

// The page currently shown.
class Document {
  public:
    virtual ~Document() = default;

    // The element of that name in the collection of all elements, or nullptr.
    virtual Element* all(std::string_view name) = 0;
};

class Browser {
  public:
    virtual ~Browser() = default;

    // The document shown, or nullptr while there is none.
    virtual Document* document() = 0;
};

}  // namespace zov::ui
