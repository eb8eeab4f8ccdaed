// The settings file's key names, as SDL names its keys.
#pragma once

#include "platform/desktop/config_file.h"

namespace kolvar {

KeyNames SdlKeyNames();

}  // namespace kolvar
