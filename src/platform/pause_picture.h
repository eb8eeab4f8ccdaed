// The picture a paused game shows: the last picture dimmed, with "PAUSE"
// over a darker band and a line telling how to play on. The backends have
// no text of their own: the game hands them its line drawing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace kolvar {

using RenderTextFunction = std::function<TextBitmap(std::string_view text, int pixel_size)>;

// `last` is a 320 x 240 picture (0x00RRGGBB); `resume_line` says how to play
// on ("Press P or Start to play on"). Without `render_text` the picture is
// dimmed without words.
std::vector<uint32_t> PausePicture(const std::vector<uint32_t>& last,
                                   const RenderTextFunction& render_text,
                                   const std::string& resume_line);

}  // namespace kolvar
