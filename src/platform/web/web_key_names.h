// Keys in the browser, named as the desktop's settings file names them (SDL's
// names: "Z", "Up", "Escape", "Left Shift", "Keypad 8", "F11"), so the same
// settings text works in both.
#pragma once

#include <string>

#include "platform/desktop/config_file.h"

namespace kolvar {

KeyNames WebKeyNames();

// The key code of a keyboard event from its DOM `key` value ("ArrowUp",
// "z", " ") and `code` ("ShiftLeft", "Numpad8"); 0 for a key without a
// name here.
KeyCode WebKeyOfEvent(const std::string& key, const std::string& code);

}  // namespace kolvar
