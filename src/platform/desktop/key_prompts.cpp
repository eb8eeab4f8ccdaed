#include "platform/desktop/key_prompts.h"

#include <vector>

namespace kolvar {

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

}  // namespace kolvar
