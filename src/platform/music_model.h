// A piece of music as the game sees it, kept on a clock instead of heard:
// open for its length, played, stopped, rewound, and standing still by
// itself once it has played that long. The headless device and the
// browser's device both run it, so the music timer finds a piece stopped at
// the same moments headless, in the browser and (the desktop devices move
// with the sound they render) in the window.
#pragma once

#include <cstdint>
#include <functional>

namespace kolvar {

class MusicModel {
 public:
  // `clock` gives milliseconds; it may wrap around.
  explicit MusicModel(std::function<uint32_t()> clock);

  // Holds no piece.
  void Close();
  // Holds a piece `length_ms` long, stopped at its start.
  void Open(uint32_t length_ms);

  // Each does nothing without a piece, and Play nothing while the piece
  // plays; each tells whether it did something.
  bool Play();  // from the current place; a piece at its end stays there
  bool Stop();
  bool SeekToStart();  // a playing piece plays on from the start

  // A piece is open and not playing: never started, stopped, or at its end.
  bool IsStopped() const { return open_ && !Playing(); }
  // Started and not yet at its end.
  bool Playing() const { return playing_ && Position() < length_; }
  // Milliseconds into the piece, never past its end.
  uint32_t Position() const;

 private:
  std::function<uint32_t()> clock_;
  bool open_ = false;
  bool playing_ = false;
  uint32_t length_ = 0;
  uint32_t position_ = 0;      // while not playing
  uint32_t started_at_ = 0;    // clock reading when Play began
  uint32_t started_from_ = 0;  // position when Play began
};

}  // namespace kolvar
