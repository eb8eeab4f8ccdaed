#include "bots/sim_platform.h"

#include <cstring>

namespace kolvar::bots {

uint16_t SimPlatform::PollKey(Key key) {
  if (next_line_ < script_.size()) ApplyScript();
  const size_t k = static_cast<size_t>(key);
  const uint16_t bits =
      static_cast<uint16_t>((state_.down[k] ? 0x8000 : 0) | (state_.pressed[k] ? 1 : 0));
  state_.pressed[k] = false;
  return bits;
}

bool SimPlatform::PumpEvents() {
  ++state_.now;
  if (next_line_ < script_.size()) ApplyScript();
  if (state_.auto_z && state_.now >= state_.z_next) {
    SetKey(Key::Z, !state_.down[static_cast<size_t>(Key::Z)]);
    state_.z_next = state_.now + 100;
  }
  return false;
}

void SimPlatform::Follow(std::vector<KeyEvent> script) {
  script_ = std::move(script);
  next_line_ = 0;
}

void SimPlatform::ApplyScript() {
  while (next_line_ < script_.size() && script_[next_line_].ms <= state_.now) {
    const KeyEvent& line = script_[next_line_++];
    const size_t k = static_cast<size_t>(line.key);
    state_.down[k] = line.down;
    if (line.down) state_.pressed[k] = true;
  }
}

void SimPlatform::SetKey(Key key, bool down) {
  const size_t k = static_cast<size_t>(key);
  if (state_.down[k] == down) return;
  state_.down[k] = down;
  if (down) state_.pressed[k] = true;
  log_.push_back({state_.now, key, down});
}

void SimPlatform::HoldArrow(Key arrow) {
  for (Key k : {Key::Up, Key::Right, Key::Down, Key::Left}) {
    if (k != arrow) SetKey(k, false);
  }
  if (arrow != Key::Z) SetKey(arrow, true);
}

void SimPlatform::SetAutoZ(bool on) {
  state_.auto_z = on;
  state_.z_next = state_.now + 100;
  if (!on) SetKey(Key::Z, false);
}

StageSnapshot StageSnapshot::Save(const Game& g, const SimPlatform& p) {
  StageSnapshot s;
  const PlayState& play = g;
  std::memcpy(s.rest_.data(), reinterpret_cast<const unsigned char*>(&play) + kGridsSize,
              s.rest_.size());
  s.key_cell_ = g.TileMap.Get(g.KeyCellX, g.KeyCellY);
  s.exit_cell_ = g.TileMap.Get(g.ExitCellX, g.ExitCellY);
  s.platform_ = p.Save();
  return s;
}

void StageSnapshot::Restore(Game& g, SimPlatform& p) const {
  PlayState& play = g;
  std::memcpy(reinterpret_cast<unsigned char*>(&play) + kGridsSize, rest_.data(), rest_.size());
  g.TileMap.Set(g.KeyCellX, g.KeyCellY, key_cell_);
  g.TileMap.Set(g.ExitCellX, g.ExitCellY, exit_cell_);
  p.Restore(platform_);
}

const char* KeyName(Key key) {
  switch (key) {
    case Key::Up:
      return "up";
    case Key::Right:
      return "right";
    case Key::Down:
      return "down";
    case Key::Left:
      return "left";
    case Key::Esc:
      return "esc";
    case Key::Z:
      return "z";
  }
  return "z";
}

std::string ScriptText(const std::vector<KeyEvent>& events) {
  std::string text;
  for (const KeyEvent& e : events) {
    text += std::to_string(e.ms) + " " + KeyName(e.key) + (e.down ? " down\n" : " up\n");
  }
  return text;
}

}  // namespace kolvar::bots
