#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "platform/error.hpp"
#include "ui/headless/html_subset_parser.hpp"
#include "ui/headless/memory_document.hpp"
#include "ui/headless/memory_element.hpp"

namespace zov::test {
namespace {

using ui::headless::HtmlSubsetParser;
using ui::headless::MemoryDocument;
using ui::headless::MemoryElement;

constexpr const char* kGuidePage = R"(<!DOCTYPE html>
<html><head><title>Guide &amp; more</title><script>if (a < b) { document.write("<p>"); }</script></head>
<body>
  <form>
    <input type="hidden" name="c_uid" value="m1234">
    <input type=hidden name=c_filename value='Movie &quot;One&quot;.wmv'>
    <input type="hidden" name="c_mediaTitle" value="Movie One">
    <input type="hidden" id="c_fileExtension" value=".wmv" />
  </form>
  <div name="clip_control" id="first">First<br>movie</div>
  <img name="clip_control" src="poster.png">
  <a name="clip_control" href="#">Third</a>
  <p id="clip_control">named by id only</p>
</body></html>)";

TEST(MemoryDocument, FindsGuideElementsByNameOrIdInPageOrder) {
    auto page = MemoryDocument::fromHtml(kGuidePage);

    EXPECT_EQ(page->all("c_uid")->value(), "m1234");
    EXPECT_EQ(page->all("c_filename")->value(), "Movie \"One\".wmv");
    EXPECT_EQ(page->all("c_fileExtension")->value(), ".wmv");  // found by its id
    EXPECT_EQ(page->all("nothing"), nullptr);

    const auto clips = page->getElementsByName("clip_control");
    ASSERT_EQ(clips.size(), 4u);
    EXPECT_EQ(clips[0]->id(), "first");
    EXPECT_EQ(clips[3]->tagName(), "p");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(page->all("clip_control", i), clips[static_cast<std::size_t>(i)]);
    EXPECT_EQ(page->all("clip_control", 4), nullptr);
    EXPECT_EQ(page->all("clip_control"), clips[0]);

    EXPECT_EQ(page->getElementById("first")->innerText(), "First\nmovie");
    EXPECT_FALSE(page->getElementById("first")->hasValue());
    EXPECT_EQ(page->all(0)->tagName(), "html");
    EXPECT_EQ(page->all(page->allLength()), nullptr);
    // The script is not read as markup: no stray paragraph was made of it.
    EXPECT_EQ(page->body()->innerText().find("document.write"), std::string::npos);
}

TEST(MemoryDocument, ClickWiringCallsTheInstalledHandlerOncePerClick) {
    auto page = MemoryDocument::fromHtml(kGuidePage);
    int forwarded = 0;
    for (auto* clip : page->getElementsByName("clip_control")) {
        clip->setOnclick([&] {
            ++forwarded;
            return false;
        });
    }
    auto clips = page->elementsByName("clip_control");
    EXPECT_FALSE(clips[1]->click());
    EXPECT_FALSE(clips[2]->click());
    EXPECT_FALSE(clips[2]->click());
    EXPECT_EQ(forwarded, 3);
    EXPECT_TRUE(page->body()->click());  // no handler: nothing cancels

    // A handler that takes its own element off the page finishes safely.
    clips[0]->setOnclick([&] {
        page->body()->setInnerHtml("<p>replaced</p>");
        return false;
    });
    EXPECT_FALSE(clips[0]->click());
    EXPECT_TRUE(page->elementsByName("clip_control").empty());
    EXPECT_EQ(page->body()->innerText(), "replaced");
}

// The playlist's rows, built the way the library window builds them.
TEST(MemoryDocument, PlaylistTableGrowsAndShrinksWithItsSelectionFrames) {
    auto page = MemoryDocument::fromHtml(
        "<table id=myPlayList><tbody></tbody></table><span id=MLRepeat>REPEAT</span>");
    auto* table = page->getElementById("myPlayList");
    const auto fragment = [](const std::string& title) {
        return "<center><div id='selectionControl' style='border-width: 0.1cm;' "
               "onmouseover=this.style.borderStyle='solid'><font size=6>" +
               title + "</font></div></center>";
    };
    for (const std::string title : {"One", "Two", "Three"})
        table->insertRow(table->rowCount())->insertCell(0)->setInnerHtml(fragment(title));
    ASSERT_EQ(table->rowCount(), 3);
    EXPECT_EQ(table->row(1)->cell(0)->innerHtml(), fragment("Two"));  // reads back as set
    auto frames = page->getElementsByName("selectionControl");        // ids count as names
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[2]->innerText(), "Three");

    table->deleteRow(0);
    EXPECT_EQ(page->getElementsByName("selectionControl")[0]->innerText(), "Two");
    table->insertRow(0)->insertCell(-1)->setInnerText("<b>Zero</b>");
    EXPECT_EQ(table->row(0)->innerHtml(), "<td>&lt;b&gt;Zero&lt;/b&gt;</td>");

    // Out of range, or not a table: the errors the page's object model raises.
    const auto raised = [](const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& error) {
            return std::to_string(error.number()) + " " + error.description();
        }
        return std::string("nothing raised");
    };
    EXPECT_EQ(raised([&] { table->insertRow(5); }), "-2147024809 Invalid argument.");
    EXPECT_THROW(table->deleteRow(3), Error);
    EXPECT_THROW(table->insertRow(-2), Error);
    table->deleteRow(-1);  // the last one
    EXPECT_EQ(table->row(1)->innerText(), "Two");
    table->insertRow(-1)->insertCell(0)->setInnerText("Three");  // at the end
    EXPECT_EQ(table->row(2)->innerText(), "Three");
    EXPECT_EQ(table->row(3), nullptr);
    EXPECT_EQ(table->row(-1), nullptr);
    EXPECT_THROW(table->row(0)->insertCell(2), Error);
    EXPECT_EQ(raised([&] { page->getElementById("MLRepeat")->insertRow(0); }),
              "438 Object doesn't support this property or method");
    auto empty = MemoryDocument::fromHtml("<table id=t></table>");
    empty->getElementById("t")->deleteRow(-1);  // nothing to delete, nothing raised
    EXPECT_EQ(empty->getElementById("t")->rowCount(), 0);
}

TEST(MemoryDocument, ReadsSloppyMarkupLikeABrowserAndBoundsItsDepth) {
    auto page = MemoryDocument::fromHtml(
        "text before <table id=t><tr><td>a<td>b<tr><td>c</table></b>"
        "<p title=\"&lt;&#65;&#x42;&unknown;&#x;\">x < y &amp; z</p><input name=cut "
        "value='open");
    auto* table = page->getElementById("t");
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->rowCount(), 2);
    EXPECT_EQ(table->row(0)->cellCount(), 2);
    EXPECT_EQ(table->row(1)->cell(0)->innerText(), "c");
    auto* paragraph = page->body()->children().back().get();
    EXPECT_EQ(paragraph->attribute("title"), "<AB&unknown;&#x;");
    EXPECT_EQ(paragraph->innerText(), "x < y & z");
    EXPECT_EQ(page->all("cut"), nullptr);  // a tag cut off by the end is dropped
    EXPECT_EQ(page->body()->innerText().substr(0, 12), "text before ");

    // Unclosed list items and options end at the next one; any white space parts attributes.
    auto lists = MemoryDocument::fromHtml(
        "<ul id=u><li>one<li>two</ul><select id=s><option>a<option>b</select>"
        "<input\tname=tabbed\nvalue=v\fid=f\rtitle=t>");
    EXPECT_EQ(lists->getElementById("u")->children().size(), 2u);
    EXPECT_EQ(lists->getElementById("s")->children().size(), 2u);
    auto* field = lists->all("tabbed");
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->value(), "v");
    EXPECT_EQ(field->id(), "f");

    // Hostile nesting stays within the bound instead of exhausting the stack.
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<div>";
    deep += "bottom";
    auto nested = HtmlSubsetParser::parse(deep);
    ASSERT_EQ(nested.size(), 1u);
    std::size_t depth = 0;
    for (MemoryElement* element = nested[0].get(); element && !element->isText(); ++depth) {
        const auto& children = element->children();
        element = children.empty() ? nullptr : children.front().get();
    }
    EXPECT_LE(depth, HtmlSubsetParser::kMaxDepth + 1);
}

}  // namespace
}  // namespace zov::test
