// Opening a pack link on any input: a pack or faults, never both and never
// neither; every fault names the link and prints safely; a pack it opens
// makes a link that opens to the same pack.
// Input: a first byte saying what the rest is, so each reader is reached
// without the ones before it standing in the way: 0 the fragment's text,
// 1 the compressed bytes a fragment carries, 2 the pack's text (compressed
// here, and checked to come back whole).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/deflate.h"
#include "editor/pack_link.h"
#include "fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using kolvar::fuzz::Check;
  if (size == 0) return 0;
  const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string fragment;
  switch (data[0] % 3) {
    case 0:
      fragment = rest;
      break;
    case 1:
      fragment = "pack=" + kolvar::ToBase64Url(rest);
      break;
    default: {
      const std::string packed = kolvar::Deflate(rest);
      const kolvar::Inflated back = kolvar::Inflate(packed, rest.size());
      Check(back.bytes && *back.bytes == rest, "Deflate's stream does not inflate to its input");
      fragment = "pack=" + kolvar::ToBase64Url(packed);
    }
  }
  const kolvar::OpenedLink opened = kolvar::OpenPackLink(fragment);
  Check(opened.pack.has_value() == opened.faults.empty(), "a pack and faults at once, or neither");
  for (const std::string& fault : opened.faults) {
    Check(fault.starts_with("pack link: "), "a fault not naming the link: " + fault);
    for (const char c : fault) {
      Check(static_cast<unsigned char>(c) >= 0x20 && c != 0x7F, "a control byte in: " + fault);
    }
  }
  if (opened.pack) {
    const kolvar::OpenedLink again = kolvar::OpenPackLink(kolvar::PackLinkFragment(*opened.pack));
    Check(again.pack.has_value(),
          "its own link refused: " + (again.faults.empty() ? "" : again.faults.front()));
    Check(*again.pack == *opened.pack, "its own link opens another pack");
  }
  return 0;
}
