// A headless machine for bots that play the game a frame at a time: a
// virtual clock that moves 1 ms per event pass, keys set by the bot with the
// same down/pressed semantics as an input script, no pictures, no text, no
// sound. Its whole state is a few plain values, so a snapshot of a game is a
// copy of its PlayState plus SimPlatform::State (Snapshot below).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "core/game.h"
#include "platform/platform.h"

namespace kolvar::bots {

// One line of an input script, kept as the bot made it.
struct KeyEvent {
  uint32_t ms = 0;
  Key key = Key::Z;
  bool down = false;
};

class SimPlatform : public Platform {
 public:
  struct State {
    uint32_t now = 0;
    std::array<bool, kKeyCount> down{};
    std::array<bool, kKeyCount> pressed{};
    bool auto_z = false;
    uint32_t z_next = 0;
    size_t log_size = 0;

    bool operator==(const State&) const = default;
  };

  uint32_t Clock() override { return state_.now; }
  uint16_t PollKey(Key key) override;
  bool PumpEvents() override;
  void Idle(uint32_t) override {}
  void Show(PixelView) override {}
  MusicDevice& Music() override { return music_; }

  // Presses or releases a key now and logs it, as a script line would.
  void SetKey(Key key, bool down);
  // Holds exactly one arrow key (or none, Key::Z standing for none).
  void HoldArrow(Key arrow);
  // Plays `script` from now on: each line takes effect at the first poll or
  // event pass once the clock has reached its time, as the headless runner
  // reads an input script.
  void Follow(std::vector<KeyEvent> script);
  // While on, Z is pressed and released every 100 ms so that every prompt
  // (title, stage clear, closing screen) is answered; turning it off lets Z
  // go.
  void SetAutoZ(bool on);

  State Save() const {
    State s = state_;
    s.log_size = log_.size();
    return s;
  }
  void Restore(const State& s) {
    state_ = s;
    log_.resize(s.log_size);
  }
  const std::vector<KeyEvent>& Log() const { return log_; }

 private:
  class SilentMusic : public MusicDevice {
   public:
    void Close() override {}
    bool Open(const std::string&) override { return true; }
    void Play() override {}
    void Stop() override {}
    void SeekToStart() override {}
    bool IsStopped() override { return false; }
  };

  void ApplyScript();

  State state_;
  std::vector<KeyEvent> log_;
  std::vector<KeyEvent> script_;
  size_t next_line_ = 0;
  SilentMusic music_;
};

// A game between two frames: its PlayState and the machine's state, each a
// plain copy. The surfaces are left out: pictures do not steer play, and
// copying them would cost a hundred times more.
struct Snapshot {
  PlayState play;
  SimPlatform::State platform;

  static Snapshot Save(const Game& g, const SimPlatform& p) {
    return {static_cast<const PlayState&>(g), p.Save()};
  }
  void Restore(Game& g, SimPlatform& p) const {
    static_cast<PlayState&>(g) = play;
    p.Restore(platform);
  }

  bool operator==(const Snapshot&) const = default;
};

// A game between two frames of one stage's play, smaller: its PlayState but
// the two grids, of which play changes only the key chest's and the exit
// door's cells (opening them), and the machine's state. Restored onto a game
// of the same stage, it gives what a Snapshot would: a search keeps
// thousands of them, and copies a quarter of the bytes.
class StageSnapshot {
 public:
  static StageSnapshot Save(const Game& g, const SimPlatform& p);
  void Restore(Game& g, SimPlatform& p) const;

 private:
  static constexpr size_t kGridsSize = offsetof(PlayState, EnemyTable);
  static_assert(kGridsSize == 2 * sizeof(CellGrid), "PlayState starts with its two grids");
  static_assert(std::is_trivially_copyable_v<PlayState>, "PlayState is copied as bytes");

  std::array<unsigned char, sizeof(PlayState) - kGridsSize> rest_{};
  uint8_t key_cell_ = 0, exit_cell_ = 0;
  SimPlatform::State platform_;
};

// Writes the key log as an input script (one "MS KEY down|up" per line).
std::string ScriptText(const std::vector<KeyEvent>& events);

const char* KeyName(Key key);

}  // namespace kolvar::bots
