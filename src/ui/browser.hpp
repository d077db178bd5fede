#pragma once
// The browser control as the system sees it: it navigates to an address, reports the start
// of a navigation and the completion of each document (the page itself or a frame inside
// it), and shows one document whose elements the windows find by name or id, read, wire
// and change. Shaped after a web browser control's object model; only what the windows use.
//
// Elements and documents belong to the browser: a pointer stays valid until the page is
// replaced (a navigation or reload completes) or the element is removed from the page.

#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/event.hpp"
#include "ui/controls.hpp"

namespace zov::ui {

// The page events the system wires or fires.
enum class PageEvent { onclick, onmouseover, onmouseout };

// Whether a navigation event concerns the page itself or a frame inside it.
enum class FrameLevel { TopLevel, Frame };

// One element of a page. Table operations raise zov::Error 438 on an element that is not a
// table (a row, for the cell operations); inserting or deleting at an index out of range
// raises "Invalid argument.", while row and cell give nullptr for one.
class Element {
  public:
    // A handler the page calls for an event; false cancels the event's default action.
    using Handler = std::function<bool()>;

    virtual ~Element() = default;

    virtual std::string tagName() const = 0;  // lower case ("input", "table")
    virtual std::string name() const = 0;
    virtual std::string id() const = 0;

    // Whether the element has a value at all (form fields do, a paragraph does not).
    virtual bool hasValue() const = 0;
    // Empty for an element without a value.
    virtual std::string value() const = 0;
    virtual void setValue(std::string_view value) = 0;

    virtual std::string innerText() const = 0;
    // Replaces the element's content by the text (no markup is read from it).
    virtual void setInnerText(std::string_view text) = 0;
    virtual std::string innerHtml() const = 0;
    // Replaces the element's content by the markup; the elements in it join the page.
    virtual void setInnerHtml(std::string_view html) = 0;

    // Installs (or, with an empty handler, removes) the handler of an event.
    virtual void setHandler(PageEvent event, Handler handler) = 0;
    void setOnclick(Handler handler) { setHandler(PageEvent::onclick, std::move(handler)); }
    // Fires the event on the element as the page would; returns the handler's answer (true
    // when no handler is installed).
    virtual bool fireEvent(PageEvent event) = 0;

    // Tables: rows in order, including those of the table's head, body and foot sections.
    virtual int rowCount() const = 0;
    virtual Element* row(int index) = 0;
    // index -1 or rowCount() appends. Returns the new, empty row.
    virtual Element* insertRow(int index) = 0;
    // index -1 deletes the last row.
    virtual void deleteRow(int index) = 0;
    // Rows: their cells.
    virtual int cellCount() const = 0;
    virtual Element* cell(int index) = 0;
    // index -1 or cellCount() appends. Returns the new, empty cell.
    virtual Element* insertCell(int index) = 0;
};

// The page currently shown. As in the page's original browser, the collection of all
// elements and getElementsByName find an element by its name or by its id.
class Document {
  public:
    virtual ~Document() = default;

    // The first element of that name in the collection of all elements, or nullptr.
    virtual Element* all(std::string_view name) = 0;
    // The index-th element (from 0) of that name, or nullptr.
    virtual Element* all(std::string_view name, int index) = 0;
    // The index-th element of the whole collection in page order, or nullptr.
    virtual Element* all(int index) = 0;
    virtual int allLength() = 0;

    virtual std::vector<Element*> getElementsByName(std::string_view name) = 0;
    virtual Element* getElementById(std::string_view id) = 0;
    virtual Element* body() = 0;
};

class Browser : public Control {
  public:
    // Starts loading the address; BeforeNavigate2 is raised at once, the page arrives later
    // through the event loop and is announced by DocumentComplete.
    virtual void Navigate(const std::string& url) = 0;
    // Loads the current address again.
    virtual void Refresh() = 0;
    // The address of the page shown ("" before the first page).
    virtual std::string LocationURL() const = 0;
    // The document shown, or nullptr while there is none.
    virtual Document* document() = 0;
    // Whether a load is under way (the document shown is the previous one, if any).
    virtual bool busy() const = 0;

    // address, level
    Event<const std::string&, FrameLevel> BeforeNavigate2;
    Event<const std::string&, FrameLevel> DocumentComplete;
};

}  // namespace zov::ui
