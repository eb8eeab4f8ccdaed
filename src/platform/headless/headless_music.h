// A music device with no sound, for tests, tools and CI.
//
// It keeps a piece's position in virtual time read from `clock`
// (milliseconds), so a run that drives the clock by hand behaves the same
// every time: a piece opened, played and left alone for its whole length
// counts as stopped exactly when that many milliseconds have passed.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/music_device.h"

namespace kolvar {

// Pieces are read from `folder` (names matched without regard to letter
// case, as the data files are). A piece that cannot be played is reported
// once to `report` (standard error by default), as the window's device does.
std::unique_ptr<MusicDevice> CreateHeadlessMusicDevice(
    std::string folder, std::function<uint32_t()> clock,
    std::function<void(const std::string&)> report = {});

}  // namespace kolvar
