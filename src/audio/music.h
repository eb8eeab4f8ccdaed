// Background music: one piece at a time from the MIDI directory, and a
// once-a-second check that restarts a looping piece found stopped. Failures
// are silent: a missing file or device leaves the game without music.
#pragma once

#include <array>
#include <string>

#include "core/game.h"

namespace kolvar {

// The pieces the game plays, as named in MIDI/.
inline constexpr std::array<const char*, 4> kMusicFiles = {"title.mid", "main.mid", "CLEAR.MID",
                                                           "GameOver.mid"};

// Closes the open piece and opens the piece `name` (one of kMusicFiles),
// stopped at its start; the platform finds it.
void OpenMusic(Game& game, const std::string& name);
// MusicLoop = loop; plays from the current position.
void PlayMusic(Game& game, int16_t loop);
// MusicLoop = false; stops, keeping the piece open.
void StopMusic(Game& game);
// The music timer: a looping piece found stopped is rewound and replayed.
void BgmCheckTimer(Game& game);

}  // namespace kolvar
