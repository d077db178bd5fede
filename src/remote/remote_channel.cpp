#include "remote/remote_channel.hpp"

#include <cmath>
#include <cstdlib>
#include <exception>
#include <utility>

#include "platform/error.hpp"
#include "ui/browser.hpp"
#include "ui/controls.hpp"
#include "ui/flash_movie.hpp"
#include "ui/media_player_control.hpp"
#include "ui/registry.hpp"
#include "ui/window.hpp"

namespace zov::remote {

namespace {

// Every refusal of a request travels as this, to the one place that replies.
struct RequestError {
    std::string error;
    std::string detail;
};

const std::string& stringParam(const JsonValue& request, const std::string& name) {
    const JsonValue* value = request.find(name);
    if (!value || !value->isString())
        throw RequestError{"invalid parameter", "'" + name + "' must be a string"};
    return value->asString();
}

std::string optionalString(const JsonValue& request, const std::string& name) {
    const JsonValue* value = request.find(name);
    if (!value || value->isNull()) return {};
    if (!value->isString())
        throw RequestError{"invalid parameter", "'" + name + "' must be a string"};
    return value->asString();
}

int intParam(const JsonValue& request, const std::string& name, int low, int high) {
    const JsonValue* value = request.find(name);
    if (!value || !value->isNumber() || value->asNumber() != std::floor(value->asNumber()) ||
        value->asNumber() < low || value->asNumber() > high)
        throw RequestError{"invalid parameter", "'" + name + "' must be an integer from " +
                                                    std::to_string(low) + " to " +
                                                    std::to_string(high)};
    return static_cast<int>(value->asNumber());
}

}  // namespace

RemoteChannel::RemoteChannel(ui::Registry& ui, std::string frontEnd)
    : ui_(ui), frontEnd_(std::move(frontEnd)) {
    ui_.onChange([this](const std::string& window, const std::string& control,
                        const std::string& property,
                        const std::string& value) { onChange(window, control, property, value); });
}

RemoteChannel::~RemoteChannel() {
    ui_.onChange({});
}

void RemoteChannel::receiveLine(std::string_view line) {
    std::string reason;
    std::optional<JsonValue> request = JsonValue::parse(line, &reason);
    if (!request) {
        reply(nullptr, "invalid json", JsonValue(reason));
        return;
    }
    const JsonValue* id = request->find("request_id");
    const JsonValue requestId = id ? *id : JsonValue(nullptr);
    try {
        if (!request->isObject())
            throw RequestError{"invalid request", "a request is a JSON object"};
        if (id && !id->isNumber() && !id->isString())
            throw RequestError{"invalid request", "'request_id' must be a number or a string"};
        JsonValue data = handle(*request);
        reply(requestId, "success", std::move(data));
    } catch (const RequestError& refused) {
        reply(requestId, refused.error, JsonValue(refused.detail));
    } catch (const Error& failure) {
        reply(requestId, "command failed", JsonValue(failure.description()));
    } catch (const std::exception& failure) {
        reply(requestId, "command failed", JsonValue(failure.what()));
    }
}

void RemoteChannel::receiveOverlongLine() {
    reply(nullptr, "line too long", JsonValue("a request line is at most 64 KiB"));
}

std::optional<std::string> RemoteChannel::takeLine() {
    if (out_.empty()) return std::nullopt;
    auto [line, isEvent] = std::move(out_.front());
    out_.pop_front();
    if (isEvent) --queuedEvents_;
    if (droppedEvents_ > 0 && queuedEvents_ < kMaxQueuedEvents) {
        const std::size_t dropped = droppedEvents_;
        droppedEvents_ = 0;
        JsonValue::Object overflow{{"event", "queue-overflow"},
                                   {"dropped", static_cast<double>(dropped)}};
        push(JsonValue(std::move(overflow)).dump(), true);
    }
    return line;
}

JsonValue RemoteChannel::handle(const JsonValue& request) {
    const std::string& command = stringParam(request, "command");
    if (command == "get_state") return getState();
    if (command != "answer_question") refuseBehindTheQuestion(request);
    if (command == "login_command") return loginCommand(request);
    if (command == "skin_command") return skinCommand(request);
    if (command == "press_button") return pressButton(request);
    if (command == "choose_guide_item") return chooseGuideItem(request);
    if (command == "answer_question") return answerQuestion(request);
    if (command == "key") return key(request);
    if (command == "screenshot") return screenshot(request);
    throw RequestError{"unknown command", command};
}

void RemoteChannel::refuseBehindTheQuestion(const JsonValue& request) const {
    // While the yes/no question is up nothing else can be reached, as for a person: a click
    // behind it would start a second question inside the first.
    auto question = ui_.window("yesNoPopup");
    if (!question || !question->visible()) return;
    const JsonValue* window = request.find("window");
    if (window && window->isString() && window->asString() == "yesNoPopup") return;
    throw RequestError{"blocked", "a question waits for its answer"};
}

void RemoteChannel::requireShown(const std::string& window, bool controlShown) const {
    // A control keeps its own flag while its window is hidden, and is out of reach all the
    // same: a person cannot press what is not on the screen.
    auto shown = ui_.window(window);
    if (!shown || !shown->visible()) throw RequestError{"not visible", window + " is hidden"};
    if (!controlShown) throw RequestError{"not visible", "the control is hidden in " + window};
}

JsonValue RemoteChannel::getState() const {
    JsonValue state = clientState(ui_, variables_);
    if (state.isObject()) state.asObject()["front_end"] = frontEnd_;
    return state;
}

JsonValue RemoteChannel::loginCommand(const JsonValue& request) {
    const std::string& command = stringParam(request, "action");
    // "Type" only fills the fields, leaving the page for a person to press Connect.
    if (command != "Connect" && command != "End" && command != "Type")
        throw RequestError{"invalid parameter", "'action' is \"Connect\", \"End\" or \"Type\""};
    auto movie = ui_.flashMovie("LoginPage", "loginFlash");
    if (!movie) throw RequestError{"not found", "the login movie does not exist"};
    requireShown("LoginPage", movie->visible());
    // Typed as a person would, into the movie's own fields.
    const std::pair<const char*, const char*> fields[] = {
        {"distributor", "distributorBox"}, {"user", "userBox"}, {"password", "passBox"}};
    for (const auto& [param, variable] : fields)
        if (request.find(param)) movie->typeVariable(variable, optionalString(request, param));
    if (command != "Type") movie->sendCommand(command, "");
    return nullptr;
}

JsonValue RemoteChannel::skinCommand(const JsonValue& request) {
    const std::string& command = stringParam(request, "name");
    const std::string args = optionalString(request, "args");
    auto skin = ui_.flashMovie("mainPlayer", "PlayerSkin");
    if (!skin) throw RequestError{"not found", "the player skin does not exist"};
    requireShown("mainPlayer", skin->visible());
    skin->sendCommand(command, args);
    return nullptr;
}

JsonValue RemoteChannel::pressButton(const JsonValue& request) {
    const std::string& window = stringParam(request, "window");
    const std::string& control = stringParam(request, "control");
    // Some of what a person presses are labels (the question's Yes and No).
    if (auto button = ui_.button(window, control)) {
        requireShown(window);
        if (!button->click())
            throw RequestError{"not clickable", window + "." + control + " is hidden or disabled"};
        return nullptr;
    }
    if (auto label = ui_.label(window, control)) {
        requireShown(window);
        if (!label->visible())
            throw RequestError{"not clickable", window + "." + control + " is hidden"};
        label->click();
        return nullptr;
    }
    throw RequestError{"not found", window + "." + control};
}

JsonValue RemoteChannel::chooseGuideItem(const JsonValue& request) {
    const JsonValue* values = request.find("values");
    if (!values || !values->isObject())
        throw RequestError{"invalid parameter", "'values' must be an object of strings"};
    const JsonValue* index = request.find("index");
    const int item = index ? intParam(request, "index", 0, 100000) : 0;
    auto guide = ui_.browser("movieGuide", "epgBrowser");
    requireShown("movieGuide", guide && guide->visible());
    ui::Document* page = guide ? guide->document() : nullptr;
    if (!page || guide->busy()) throw RequestError{"not ready", "the guide page is not loaded"};
    // Everything is checked before anything is set, so a refused request changes nothing.
    for (const auto& [name, value] : values->asObject()) {
        if (!value.isString())
            throw RequestError{"invalid parameter", "the value of '" + name + "' must be a string"};
        if (!page->all(name)) throw RequestError{"not found", "the page has no '" + name + "'"};
    }
    const auto items = page->getElementsByName("clip_control");
    if (static_cast<std::size_t>(item) >= items.size())
        throw RequestError{"not found",
                           "the page has no clip_control item " + std::to_string(item)};
    for (const auto& [name, value] : values->asObject())
        page->all(name)->setValue(value.asString());
    items[static_cast<std::size_t>(item)]->fireEvent(ui::PageEvent::onclick);
    return nullptr;
}

JsonValue RemoteChannel::answerQuestion(const JsonValue& request) {
    const std::string& answer = stringParam(request, "answer");
    if (answer != "yes" && answer != "no")
        throw RequestError{"invalid parameter", "'answer' is \"yes\" or \"no\""};
    auto question = ui_.window("yesNoPopup");
    if (!question || !question->visible()) throw RequestError{"not found", "no question is asked"};
    auto label = ui_.label("yesNoPopup", answer == "yes" ? "YesControl" : "NoControl");
    if (!label) throw RequestError{"not found", "the question has no answer controls"};
    label->click();
    return nullptr;
}

JsonValue RemoteChannel::key(const JsonValue& request) {
    const std::string& name = stringParam(request, "window");
    const int code = intParam(request, "key", 0, 0xFFFF);
    auto window = ui_.window(name);
    if (!window) throw RequestError{"not found", name};
    requireShown(name);
    window->pressKey(code);
    return nullptr;
}

// What a window shows on the screen, as a PNG file; a look, not an action, so a hidden
// window is simply not on the screen to be taken.
JsonValue RemoteChannel::screenshot(const JsonValue& request) {
    const std::string& name = stringParam(request, "window");
    const std::string& path = stringParam(request, "path");
    auto window = ui_.window(name);
    if (!window) throw RequestError{"not found", name};
    requireShown(name);
    const auto size = window->saveScreenshot(path);
    if (!size) throw RequestError{"not supported", "no screenshot of " + name + " to " + path};
    return JsonValue::Object{{"width", static_cast<double>(size->first)},
                             {"height", static_cast<double>(size->second)}};
}

void RemoteChannel::reply(const JsonValue& requestId, const std::string& error, JsonValue data) {
    JsonValue::Object message{
        {"request_id", requestId}, {"error", error}, {"data", std::move(data)}};
    push(JsonValue(std::move(message)).dump(), false);
}

void RemoteChannel::onChange(const std::string& window, const std::string& control,
                             const std::string& property, const std::string& value) {
    JsonValue::Object event;
    if (control.empty() && property == "visible") {
        const bool shown = value == "true";
        pushEvent(JsonValue::Object{{"event", shown ? "window-shown" : "window-hidden"},
                                    {"window", window}});
        // The message was put in before the window showed: it is one only now.
        if (shown && window == "popupwindow")
            if (auto text = shownPopup(ui_))
                pushEvent(JsonValue::Object{{"event", "popup"}, {"text", *text}});
        return;
    } else if (property.starts_with("variable ")) {
        const std::string name = property.substr(9);
        auto& values = variables_[window + "/" + control];
        const bool known = values.count(name) > 0;
        if (known || variableCount_ < kMaxRememberedVariables) {
            if (!known) ++variableCount_;
            values[name] = value;
        }
        event = {{"event", "skin-variable"},
                 {"window", window},
                 {"control", control},
                 {"name", name},
                 {"value", value}};
    } else if (property == "playState") {
        const int state = std::atoi(value.c_str());
        event = {
            {"event", "player-state"}, {"state", state}, {"state_name", ui::playStateName(state)}};
    } else if (property == "caption" && window == "movieGuide" && control == "percentLabel") {
        // "45%" while a movie downloads, "" when none does.
        auto movie = ui_.label("movieGuide", "currentDLLabel");
        event = {
            {"event", "download-progress"},
            {"percent", value.empty() ? JsonValue(nullptr) : JsonValue(std::atof(value.c_str()))},
            {"movie", movie ? movie->caption() : std::string()}};
    } else if (property == "caption" && window == "popupwindow" && !control.empty()) {
        // Text put into the hidden popup (the farewell at exit) is seen by nobody.
        if (!shownPopup(ui_)) return;
        event = {{"event", "popup"}, {"text", value}};
    } else if (property == "caption" && !control.empty()) {
        event = {
            {"event", "status-line"}, {"window", window}, {"control", control}, {"text", value}};
    } else {
        event = {{"event", "property-change"},
                 {"window", window},
                 {"control", control},
                 {"property", property},
                 {"value", value}};
    }
    pushEvent(JsonValue(std::move(event)));
}

void RemoteChannel::pushEvent(JsonValue event) {
    if (queuedEvents_ >= kMaxQueuedEvents) {
        ++droppedEvents_;
        return;
    }
    push(event.dump(), true);
}

void RemoteChannel::push(std::string line, bool isEvent) {
    out_.emplace_back(std::move(line), isEvent);
    if (isEvent) ++queuedEvents_;
    if (outputReady_) outputReady_();
}

}  // namespace zov::remote
