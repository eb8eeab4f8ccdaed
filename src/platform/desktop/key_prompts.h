// The settings' keys as the screen names them, in every backend alike,
// each with its own key names: the pause banner's key, the control the
// prompts ask the player to confirm with, and the lines of the notice band
// that tell a newcomer the keys and a viewer how to steer a recording.
#pragma once

#include <string>

#include "platform/desktop/config_file.h"
#include "platform/platform.h"

namespace kolvar {

// The name of the first key the settings give to `action`; empty when none.
std::string FirstKeyName(const Settings& settings, Action action, const KeyNames& names);

// What the prompts name as the confirm control: the controller's A button
// while a controller is what the player last pressed, else the first key
// the settings bind to confirming ("Comma" for the comma, which a prompt
// could not show as a name).
ConfirmControl ConfirmControlOf(const Settings& settings, const KeyNames& names,
                                bool controller_in_use);

// The keys to walk, confirm, pause and leave, in one line for a first
// start: "Arrow keys walk - Z, Return or Space confirms - P pauses - Esc
// leaves a game" with the default keys. Every confirm key is named, the
// first key of the others.
std::string KeysHelpLine(const Settings& settings, const KeyNames& names);

// The line shown while a recording is watched: "Watching NAME - x2 - P
// pauses - Esc stops", with the recording's name, the speed it plays at and
// the settings' pause and leave keys.
std::string WatchingLine(const std::string& name, int speed, const Settings& settings,
                         const KeyNames& names);

}  // namespace kolvar
