// Text from a file as it may be shown in a message: a NUL or a control byte
// can neither cut the message short nor reach the terminal.
#pragma once

#include <string>

namespace kolvar {

// Every byte outside printable ASCII, and the backslash, written as \xNN.
std::string PrintableAscii(const std::string& text);

// As PrintableAscii, but characters of valid UTF-8 (a key named "é") are
// kept as they are; only control bytes, the backslash and bytes that are
// not part of a valid UTF-8 character are written as \xNN.
std::string PrintableUtf8(const std::string& text);

// True when `text` is valid UTF-8: no stray continuation bytes, no
// truncated, overlong or surrogate sequences, nothing above U+10FFFF.
bool IsValidUtf8(const std::string& text);

// True when `text` is valid UTF-8 holding no control character: none of
// U+0000..U+001F, U+007F..U+009F.
bool IsPlainText(const std::string& text);

}  // namespace kolvar
