#include "platform/web/web_key_names.h"

#include <array>
#include <cctype>

namespace kolvar {
namespace {

// A printable key is its lower-case character; a named key is this bit
// plus its row in kNamed (as SDL marks keys without a character).
constexpr KeyCode kNamedBit = 0x40000000;

struct NamedKey {
  const char* name;      // the settings file's name
  const char* dom_key;   // KeyboardEvent.key, or nullptr
  const char* dom_code;  // KeyboardEvent.code, for keys told apart by place
};

constexpr std::array<NamedKey, 45> kNamed = {{
    {"Up", "ArrowUp", nullptr},
    {"Down", "ArrowDown", nullptr},
    {"Left", "ArrowLeft", nullptr},
    {"Right", "ArrowRight", nullptr},
    {"Return", "Enter", "Enter"},
    {"Escape", "Escape", nullptr},
    {"Tab", "Tab", nullptr},
    {"Backspace", "Backspace", nullptr},
    {"Delete", "Delete", nullptr},
    {"Insert", "Insert", nullptr},
    {"Home", "Home", nullptr},
    {"End", "End", nullptr},
    {"PageUp", "PageUp", nullptr},
    {"PageDown", "PageDown", nullptr},
    {"Pause", "Pause", nullptr},
    {"CapsLock", "CapsLock", nullptr},
    {"Left Shift", nullptr, "ShiftLeft"},
    {"Right Shift", nullptr, "ShiftRight"},
    {"Left Ctrl", nullptr, "ControlLeft"},
    {"Right Ctrl", nullptr, "ControlRight"},
    {"Left Alt", nullptr, "AltLeft"},
    {"Right Alt", nullptr, "AltRight"},
    {"Keypad 0", nullptr, "Numpad0"},
    {"Keypad 1", nullptr, "Numpad1"},
    {"Keypad 2", nullptr, "Numpad2"},
    {"Keypad 3", nullptr, "Numpad3"},
    {"Keypad 4", nullptr, "Numpad4"},
    {"Keypad 5", nullptr, "Numpad5"},
    {"Keypad 6", nullptr, "Numpad6"},
    {"Keypad 7", nullptr, "Numpad7"},
    {"Keypad 8", nullptr, "Numpad8"},
    {"Keypad 9", nullptr, "Numpad9"},
    {"Keypad Enter", nullptr, "NumpadEnter"},
    {"F1", "F1", nullptr},
    {"F2", "F2", nullptr},
    {"F3", "F3", nullptr},
    {"F4", "F4", nullptr},
    {"F5", "F5", nullptr},
    {"F6", "F6", nullptr},
    {"F7", "F7", nullptr},
    {"F8", "F8", nullptr},
    {"F9", "F9", nullptr},
    {"F10", "F10", nullptr},
    {"F11", "F11", nullptr},
    {"F12", "F12", nullptr},
}};

const NamedKey& Named(size_t row) {
  return kNamed[row];
}
constexpr size_t kNamedCount = kNamed.size();

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsCharacter(const std::string& key) {
  return key.size() == 1 && static_cast<unsigned char>(key[0]) >= 0x20 &&
         static_cast<unsigned char>(key[0]) < 0x7F;
}

}  // namespace

KeyNames WebKeyNames() {
  return {[](const std::string& name) -> std::optional<KeyCode> {
            if (IsCharacter(name)) return std::tolower(static_cast<unsigned char>(name[0]));
            const std::string lower = Lower(name);
            if (lower == "space") return ' ';
            for (size_t row = 0; row < kNamedCount; ++row) {
              if (Lower(Named(row).name) == lower) return kNamedBit | static_cast<KeyCode>(row);
            }
            return std::nullopt;
          },
          [](KeyCode key) -> std::string {
            if (key == ' ') return "Space";
            if (key > 0x20 && key < 0x7F) {
              return std::string(1, static_cast<char>(std::toupper(key)));
            }
            const size_t row = static_cast<size_t>(key & ~kNamedBit);
            if ((key & kNamedBit) && row < kNamedCount) return Named(row).name;
            return "?";
          }};
}

KeyCode WebKeyOfEvent(const std::string& key, const std::string& code) {
  // Keys told apart by their place (left or right, keypad) first.
  for (size_t row = 0; row < kNamedCount; ++row) {
    const NamedKey& named = Named(row);
    if (named.dom_code && code == named.dom_code) return kNamedBit | static_cast<KeyCode>(row);
  }
  if (IsCharacter(key)) return std::tolower(static_cast<unsigned char>(key[0]));
  for (size_t row = 0; row < kNamedCount; ++row) {
    const NamedKey& named = Named(row);
    if (named.dom_key && key == named.dom_key) return kNamedBit | static_cast<KeyCode>(row);
  }
  return 0;
}

}  // namespace kolvar
