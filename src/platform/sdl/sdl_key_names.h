// The settings file's key names, as SDL names its keys.
#pragma once

#include "platform/desktop/config_file.h"
#include "platform/platform.h"

namespace kolvar {

KeyNames SdlKeyNames();

// What the prompts name as the confirm control: the controller's A button
// while a controller is what the player last pressed, else the first key
// the settings bind to confirming, by SDL's name for it.
ConfirmControl ConfirmControlOf(const Settings& settings, bool controller_in_use);

}  // namespace kolvar
