#include "platform/music_model.h"

#include <algorithm>
#include <utility>

namespace kolvar {

MusicModel::MusicModel(std::function<uint32_t()> clock) : clock_(std::move(clock)) {}

void MusicModel::Close() {
  open_ = false;
  playing_ = false;
  position_ = 0;
  length_ = 0;
}

void MusicModel::Open(uint32_t length_ms) {
  Close();
  open_ = true;
  length_ = length_ms;
}

bool MusicModel::Play() {
  if (!open_ || Playing()) return false;
  position_ = Position();  // A piece played to its end stays at its end.
  playing_ = true;
  started_at_ = clock_();
  started_from_ = position_;
  return true;
}

bool MusicModel::Stop() {
  if (!open_) return false;
  position_ = Position();
  playing_ = false;
  return true;
}

bool MusicModel::SeekToStart() {
  if (!open_) return false;
  const bool was_playing = Playing();
  playing_ = false;
  position_ = 0;
  if (was_playing) Play();
  return true;
}

uint32_t MusicModel::Position() const {
  if (!playing_) return position_;
  // Unsigned subtraction keeps working when the clock wraps around.
  const uint64_t elapsed = static_cast<uint32_t>(clock_() - started_at_);
  return static_cast<uint32_t>(std::min<uint64_t>(length_, started_from_ + elapsed));
}

}  // namespace kolvar
