#pragma once
// A browser without a screen: it shows a document of named elements that a test or the
// remote-control channel fills in directly. No markup is parsed and nothing is fetched.

#include <list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "ui/browser.hpp"

namespace zov::ui::headless {

class MemoryBrowser final : public ui::Browser {
  public:
    class Element final : public ui::Element {
      public:
        Element(std::string name, std::optional<std::string> value);
        std::string name() const override { return name_; }
        bool hasValue() const override { return value_.has_value(); }
        std::string value() const override { return value_.value_or(std::string()); }
        // Gives a value even to an element that had none.
        void setValue(std::string_view value) override { value_ = std::string(value); }

      private:
        std::string name_;
        std::optional<std::string> value_;
    };

    class Document final : public ui::Document {
      public:
        // Elements keep their address while the document lives. With several of one name,
        // the first added is found.
        Element& addElement(std::string name, std::string value);
        Element& addElementWithoutValue(std::string name);
        void removeElements(std::string_view name);
        Element* all(std::string_view name) override;

      private:
        std::list<Element> elements_;
    };

    MemoryBrowser();
    ~MemoryBrowser() override;

    // Replaces the shown document with an empty one and returns it to be filled.
    Document& showNewDocument();
    // Leaves the browser with no document.
    void closeDocument();
    ui::Document* document() override { return document_.get(); }

  private:
    std::unique_ptr<Document> document_;
};

}  // namespace zov::ui::headless
