// The headless input-script parser on any text: lines come out in time order,
// and a refusal is one printable line naming the script and the line.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>

#include "fuzz_check.h"
#include "platform/headless/headless_platform.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const std::vector<kolvar::ScriptLine> lines = kolvar::ParseInputScript(text, "fuzz.in");
    for (size_t i = 1; i < lines.size(); ++i) Check(lines[i - 1].ms <= lines[i].ms, "order");
  } catch (const std::invalid_argument& error) {
    const std::string message = error.what();
    Check(message.rfind("fuzz.in:", 0) == 0, "message names the script: " + message);
    for (char c : message) {
      const auto byte = static_cast<unsigned char>(c);
      Check(byte >= 0x20 && byte < 0x7F, "message holds a raw byte");
    }
  }
  return 0;
}
