// The music device: one MIDI piece open at a time.
//
// Mirrors what the game needs of a sequencer: open a piece by name (closing
// the piece before it), play from the current position, stop without closing, rewind,
// and tell whether the piece stands still. Every operation on a device that
// holds no piece does nothing.
#pragma once

#include <string>

namespace kolvar {

class MusicDevice {
 public:
  virtual ~MusicDevice() = default;

  // Closes the open piece, if any.
  virtual void Close() = 0;

  // Closes the open piece, then opens the piece called `name` ("main.mid":
  // the name the game gives it) stopped at its start. The device finds the
  // piece itself: the desktop's devices look in their music folder. Returns
  // false (and holds no piece) when there is no such piece or it is not a
  // standard MIDI file.
  virtual bool Open(const std::string& name) = 0;

  // Plays from the current position to the end, without waiting.
  virtual void Play() = 0;

  // Stops playing; the piece stays open at its current position.
  virtual void Stop() = 0;

  // Moves the position back to the start of the piece.
  virtual void SeekToStart() = 0;

  // True when a piece is open and not playing: never started, stopped, or
  // played to its end. False when no piece is open.
  virtual bool IsStopped() = 0;
};

}  // namespace kolvar
