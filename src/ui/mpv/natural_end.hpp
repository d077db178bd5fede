#pragma once
// libmpv ends a file the same way whether the movie is over or its data ran out (a download
// still under way, a file cut short on disk, a seek past what has arrived). Only the
// position playback reached tells the two apart.

namespace zov::ui::mpv {

// How close to its length playback must get for the end to be the movie's own: the last
// frame starts a frame before the length, the position is reported a few times a second,
// and some containers only estimate their length.
inline constexpr double kEndSlackSeconds = 1.0;
inline constexpr double kEndSlackShare = 0.02;

// True when playback that stopped at `reached` seconds has played a movie of `length`
// seconds to its end. A movie of unknown length (0, a live stream) always ends there.
bool isNaturalEnd(double reached, double length);

}  // namespace zov::ui::mpv
