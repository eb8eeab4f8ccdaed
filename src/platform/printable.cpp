#include "platform/printable.h"

#include <cstdint>
#include <cstdio>

namespace kolvar {

namespace {

void AppendHex(std::string& out, unsigned char byte) {
  char hex[8];
  std::snprintf(hex, sizeof hex, "\\x%02X", byte);
  out += hex;
}

bool PrintableByte(unsigned char byte) {
  return byte >= 0x20 && byte < 0x7F && byte != '\\';
}

// The length of the valid UTF-8 character of two or more bytes starting at
// `at`, or 0 when there is none there.
size_t Utf8Length(const std::string& text, size_t at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length;
  uint32_t code;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(at + i) & 0x3F);
  }
  // Overlong forms, UTF-16 surrogates and code points past U+10FFFF.
  if ((length == 3 && code < 0x800) || (length == 4 && code < 0x10000) ||
      (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) {
    return 0;
  }
  return length;
}

}  // namespace

std::string PrintableAscii(const std::string& text) {
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (PrintableByte(byte)) {
      out += c;
    } else {
      AppendHex(out, byte);
    }
  }
  return out;
}

std::string PrintableUtf8(const std::string& text) {
  std::string out;
  for (size_t at = 0; at < text.size();) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte >= 0x80) {
      const size_t length = Utf8Length(text, at);
      // U+0080..U+009F are control characters too (C2 9B starts an escape
      // sequence on some terminals).
      const bool control =
          length == 2 && byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0;
      if (length > 0 && !control) {
        out.append(text, at, length);
        at += length;
        continue;
      }
    }
    if (PrintableByte(byte)) {
      out += text[at];
    } else {
      AppendHex(out, byte);
    }
    ++at;
  }
  return out;
}

bool IsValidUtf8(const std::string& text) {
  for (size_t at = 0; at < text.size();) {
    if (static_cast<unsigned char>(text[at]) < 0x80) {
      ++at;
      continue;
    }
    const size_t length = Utf8Length(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

bool IsPlainText(const std::string& text) {
  if (!IsValidUtf8(text)) return false;
  for (size_t at = 0; at < text.size(); ++at) {
    const auto byte = static_cast<unsigned char>(text[at]);
    if (byte < 0x20 || byte == 0x7F) return false;
    // U+0080..U+009F are C2 80..C2 9F.
    if (byte == 0xC2 && static_cast<unsigned char>(text[at + 1]) < 0xA0) return false;
  }
  return true;
}

}  // namespace kolvar
