#include "platform/desktop/key_prompts.h"

#include <vector>

namespace kolvar {

namespace {

// What stands between the parts of a notice line (the game's font has
// printable ASCII only).
constexpr const char* kPartSeparator = " - ";

// A key's name as a line of text shows it: short, and never a bare comma.
std::string ShownKeyName(const std::string& name) {
  if (name == ",") return "Comma";
  if (name == "Escape") return "Esc";
  return name;
}

// "A", "A or B", "A, B or C".
std::string EitherOf(const std::vector<std::string>& names) {
  std::string text;
  for (size_t i = 0; i < names.size(); ++i) {
    if (i > 0) text += i + 1 == names.size() ? " or " : ", ";
    text += names[i];
  }
  return text;
}

// "P pauses": the first key of `action` and what it does; empty without one.
std::string KeyDoes(const Settings& settings, Action action, const KeyNames& names,
                    const char* does) {
  const std::string key = FirstKeyName(settings, action, names);
  return key.empty() ? std::string() : ShownKeyName(key) + " " + does;
}

std::string JoinParts(const std::vector<std::string>& parts) {
  std::string line;
  for (const std::string& part : parts) {
    if (part.empty()) continue;
    if (!line.empty()) line += kPartSeparator;
    line += part;
  }
  return line;
}

}  // namespace

std::string FirstKeyName(const Settings& settings, Action action, const KeyNames& names) {
  const std::vector<KeyCode>& keys = settings.keys[static_cast<int>(action)];
  return keys.empty() ? std::string() : names.name_of(keys.front());
}

ConfirmControl ConfirmControlOf(const Settings& settings, const KeyNames& names,
                                bool controller_in_use) {
  if (controller_in_use) return {"A", true};
  const std::string name = FirstKeyName(settings, Action::Confirm, names);
  if (name.empty()) return {};
  return {name == "," ? "Comma" : name, false};
}

std::string KeysHelpLine(const Settings& settings, const KeyNames& names) {
  std::string walk;
  const std::vector<std::string> arrows = {
      FirstKeyName(settings, Action::Up, names), FirstKeyName(settings, Action::Left, names),
      FirstKeyName(settings, Action::Down, names), FirstKeyName(settings, Action::Right, names)};
  if (arrows == std::vector<std::string>{"Up", "Left", "Down", "Right"}) {
    walk = "Arrow keys walk";
  } else {
    std::vector<std::string> shown;
    for (const std::string& name : arrows) {
      if (!name.empty()) shown.push_back(ShownKeyName(name));
    }
    if (!shown.empty()) walk = EitherOf(shown) + " walk";
  }
  std::vector<std::string> confirm;
  for (KeyCode key : settings.keys[static_cast<int>(Action::Confirm)]) {
    confirm.push_back(ShownKeyName(names.name_of(key)));
  }
  return JoinParts({walk, confirm.empty() ? std::string() : EitherOf(confirm) + " confirms",
                    KeyDoes(settings, Action::Pause, names, "pauses"),
                    KeyDoes(settings, Action::Leave, names, "leaves a game")});
}

std::string WatchingLine(const std::string& name, int speed, const Settings& settings,
                         const KeyNames& names) {
  return JoinParts({"Watching " + name, "x" + std::to_string(speed),
                    KeyDoes(settings, Action::Pause, names, "pauses"),
                    KeyDoes(settings, Action::Leave, names, "stops")});
}

}  // namespace kolvar
