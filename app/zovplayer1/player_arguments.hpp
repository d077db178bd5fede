#pragma once
// The player's command line, as the client builds it: video region, main window, the name
// of what to play and, after a pause, the position to start from. And the one kind of name
// the player plays: "xms://HOST[:PORT]/PATH", the service's HTTP live channel at
// "http://HOST[:PORT]/PATH". Pure text work, kept apart so that it can be tested whole.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zov::player {

struct PlayerArguments {
    std::int64_t region = 0;      // the native window drawn into
    std::int64_t mainWindow = 0;  // told about the player's state
    std::string name;             // as given, not yet checked
    std::int64_t startSeconds = 0;
};

struct ParsedArguments {
    std::optional<PlayerArguments> arguments;  // set when the command line is whole
    // Known as soon as the third field reads as a handle, even when another field is bad:
    // the main window must then still learn that the player has ended.
    std::optional<std::int64_t> mainWindow;
    std::string problem;  // why the command line was refused
};

// `fields` are the arguments after the program's own name.
ParsedArguments parsePlayerArguments(const std::vector<std::string_view>& fields);

// The address opened for an "xms" name; nothing for any other name, so that no file, no
// option, no playlist and no other scheme ever reaches the media library.
std::optional<std::string> liveChannelAddress(std::string_view name);

}  // namespace zov::player
