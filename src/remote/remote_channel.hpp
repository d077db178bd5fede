#pragma once
// The remote-control channel: one JSON request per line in, one reply per request and
// events out, also one JSON object per line. It presses what a person would press, on the
// windows and controls it finds through the ports in the front end's registry (headless or
// desktop alike), and tells its client every change a person would see, as the front end
// reports it to the registry's change sink. Transport-free: a stream (standard
// input/output, a socket, a test) feeds it lines and takes its output lines.
//
//   in:  {"request_id":1,"command":"press_button","window":"movieGuide","control":"MLplay"}
//   out: {"data":{"clicked":true},"error":"success","request_id":1}
//   out: {"event":"window-shown","window":"mainPlayer"}

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "remote/client_state.hpp"
#include "remote/json_value.hpp"

namespace zov::ui {
class Registry;
}

namespace zov::remote {

class RemoteChannel {
  public:
    // Events waiting to be taken beyond this are dropped, and one "queue-overflow" event
    // says how many. Replies are never dropped.
    static constexpr std::size_t kMaxQueuedEvents = 1000;
    // Skin variables remembered for the state query.
    static constexpr std::size_t kMaxRememberedVariables = 4096;

    // Becomes the registry's change sink; the registry outlives the channel.
    // frontEnd names the front end in the state ("headless", "desktop").
    explicit RemoteChannel(ui::Registry& ui, std::string frontEnd = "headless");
    ~RemoteChannel();
    RemoteChannel(const RemoteChannel&) = delete;
    RemoteChannel& operator=(const RemoteChannel&) = delete;

    // One line from the client (without its line feed). A request may run a nested loop (a
    // modal question), during which further lines arrive and are answered.
    void receiveLine(std::string_view line);
    // A line that was too long to keep.
    void receiveOverlongLine();

    // The next line to send (without line feed), oldest first.
    std::optional<std::string> takeLine();
    bool hasOutput() const { return !out_.empty(); }
    // Called whenever output is queued, so a stream can start writing.
    void onOutput(std::function<void()> ready) { outputReady_ = std::move(ready); }

  private:
    JsonValue handle(const JsonValue& request);
    void refuseBehindTheQuestion(const JsonValue& request) const;
    // Refuses as "not visible" unless the window is on the screen and the control in it is.
    void requireShown(const std::string& window, bool controlShown = true) const;
    JsonValue getState() const;
    JsonValue loginCommand(const JsonValue& request);
    JsonValue skinCommand(const JsonValue& request);
    JsonValue pressButton(const JsonValue& request);
    JsonValue chooseGuideItem(const JsonValue& request);
    JsonValue answerQuestion(const JsonValue& request);
    JsonValue key(const JsonValue& request);
    JsonValue screenshot(const JsonValue& request);

    void reply(const JsonValue& requestId, const std::string& error, JsonValue data);
    void onChange(const std::string& window, const std::string& control,
                  const std::string& property, const std::string& value);
    void pushEvent(JsonValue event);
    void push(std::string line, bool isEvent);

    ui::Registry& ui_;
    std::string frontEnd_;
    std::function<void()> outputReady_;
    std::deque<std::pair<std::string, bool>> out_;  // line, is an event
    std::size_t queuedEvents_ = 0;
    std::size_t droppedEvents_ = 0;
    SkinVariables variables_;
    std::size_t variableCount_ = 0;
};

}  // namespace zov::remote
