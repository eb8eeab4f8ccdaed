// The settings' keys as the screen names them, in every backend alike,
// each with its own key names: the pause banner's key and the control the
// prompts ask the player to confirm with.
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

}  // namespace kolvar
