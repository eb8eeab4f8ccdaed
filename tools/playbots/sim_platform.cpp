#include "sim_platform.h"

namespace kolvar::bots {

uint16_t SimPlatform::PollKey(Key key) {
  const size_t k = static_cast<size_t>(key);
  const uint16_t bits =
      static_cast<uint16_t>((state_.down[k] ? 0x8000 : 0) | (state_.pressed[k] ? 1 : 0));
  state_.pressed[k] = false;
  return bits;
}

bool SimPlatform::PumpEvents() {
  ++state_.now;
  if (state_.auto_z && state_.now >= state_.z_next) {
    SetKey(Key::Z, !state_.down[static_cast<size_t>(Key::Z)]);
    state_.z_next = state_.now + 100;
  }
  return false;
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

PlayState PlayState::Save(const Game& g, const SimPlatform& p) {
  PlayState s;
  s.TileMap = g.TileMap;
  s.SpawnMap = g.SpawnMap;
  s.EnemyTable = g.EnemyTable;
  s.KeyCellX = g.KeyCellX, s.KeyCellY = g.KeyCellY;
  s.ExitCellX = g.ExitCellX, s.ExitCellY = g.ExitCellY;
  s.StartCellX = g.StartCellX, s.StartCellY = g.StartCellY;
  s.PlayerX = g.PlayerX, s.PlayerY = g.PlayerY, s.PlayerDir = g.PlayerDir;
  s.PlayerAnimStep = g.PlayerAnimStep, s.ViewX = g.ViewX, s.ViewY = g.ViewY;
  s.GameFlags = g.GameFlags;
  s.Lives = g.Lives, s.Score = g.Score, s.HiScore = g.HiScore;
  s.StageNumber = g.StageNumber, s.ContinueStage = g.ContinueStage;
  s.TimeLeft = g.TimeLeft;
  s.StageStartTime = g.StageStartTime, s.FrameStartTime = g.FrameStartTime;
  s.PaceMark = g.PaceMark, s.BgmTimerMark = g.BgmTimerMark;
  s.RadarBlink = g.RadarBlink, s.CrtFontPoints = g.CrtFontPoints;
  s.MusicLoop = g.MusicLoop;
  s.Random = g.Random;
  s.platform = p.Save();
  return s;
}

void PlayState::Restore(Game& g, SimPlatform& p) const {
  g.TileMap = TileMap;
  g.SpawnMap = SpawnMap;
  g.EnemyTable = EnemyTable;
  g.KeyCellX = KeyCellX, g.KeyCellY = KeyCellY;
  g.ExitCellX = ExitCellX, g.ExitCellY = ExitCellY;
  g.StartCellX = StartCellX, g.StartCellY = StartCellY;
  g.PlayerX = PlayerX, g.PlayerY = PlayerY, g.PlayerDir = PlayerDir;
  g.PlayerAnimStep = PlayerAnimStep, g.ViewX = ViewX, g.ViewY = ViewY;
  g.GameFlags = GameFlags;
  g.Lives = Lives, g.Score = Score, g.HiScore = HiScore;
  g.StageNumber = StageNumber, g.ContinueStage = ContinueStage;
  g.TimeLeft = TimeLeft;
  g.StageStartTime = StageStartTime, g.FrameStartTime = FrameStartTime;
  g.PaceMark = PaceMark, g.BgmTimerMark = BgmTimerMark;
  g.RadarBlink = RadarBlink, g.CrtFontPoints = CrtFontPoints;
  g.MusicLoop = MusicLoop;
  g.Random = Random;
  p.Restore(platform);
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
