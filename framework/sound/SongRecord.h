#pragma once

#include <cstdint>
#include <map>

namespace Zorbel {

// One song of a music player's table.
struct SongRecord {
    // The library's handle of a tracker-module song, else 0.
    uint32_t moduleHandle = 0;
    // The library's stream (or, for the sample player, sample) handle, else 0.
    uint32_t streamHandle = 0;
    // The channel a sample plays on.
    int32_t channel = 0;
    double level = 0.0;
    // Added to the level on each update; 0 when not fading.
    double fadeStep = 0.0;
    double maxLevel = 1.0;
    bool stopWhenSilent = false;
    // Sample songs: whether the sample loops.
    bool loop = false;

    // The module handle when there is one, else the stream handle.
    uint32_t Handle() const { return moduleHandle != 0 ? moduleHandle : streamHandle; }

    // Moves the fade on by one step: the level is held at the max, and at 0 the fade ends. True when
    // the song has just gone silent and is to stop.
    bool StepFade() {
        level += fadeStep;
        if (level > maxLevel) {
            level = maxLevel;
            fadeStep = 0.0;
        } else if (level < 0.0) {
            level = 0.0;
            fadeStep = 0.0;
            return stopWhenSilent;
        }
        return false;
    }
};

// Songs by id, in id order. Adding an id already present keeps the earlier song.
using SongTable = std::map<int32_t, SongRecord>;

// Moves every fade of the table on by one step: a song that has just gone silent with stop-when-silent
// set is stopped, then every fading song's level is applied.
template <typename Stop, typename Apply>
void StepFades(SongTable& songs, Stop stop, Apply apply) {
    for (auto& [id, song] : songs) {
        if (song.fadeStep == 0.0) continue;
        if (song.StepFade()) stop(song);
        apply(song);
    }
}

// A level as the libraries take it: a whole percentage, truncated toward zero.
inline int32_t Percentage(double value) {
    return static_cast<int32_t>(value);
}

} // namespace Zorbel
