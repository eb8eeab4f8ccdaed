#include "midi_writer.h"

#include <algorithm>
#include <string>

namespace midic {
namespace {

struct Event {
  uint32_t tick;
  int order;  // at the same tick: setup first, then note-offs, then note-ons
  std::vector<uint8_t> bytes;
};

constexpr int kSetup = 0;
constexpr int kNoteOff = 1;
constexpr int kNoteOn = 2;

void PutBigEndian(std::vector<uint8_t>& out, uint32_t value, int bytes) {
  for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) {
    out.push_back(static_cast<uint8_t>(value >> shift));
  }
}

void PutVarLen(std::vector<uint8_t>& out, uint32_t value) {
  uint8_t groups[5];
  int n = 0;
  do {
    groups[n++] = value & 0x7F;
    value >>= 7;
  } while (value != 0);
  while (n > 1) out.push_back(static_cast<uint8_t>(groups[--n] | 0x80));
  out.push_back(groups[0]);
}

std::vector<uint8_t> Meta(uint8_t type, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> bytes = {0xFF, type};
  PutVarLen(bytes, static_cast<uint32_t>(data.size()));
  bytes.insert(bytes.end(), data.begin(), data.end());
  return bytes;
}

std::vector<uint8_t> Text(const std::string& text) {
  return {text.begin(), text.end()};
}

uint8_t Log2(int value) {
  uint8_t log = 0;
  while ((1 << log) < value) ++log;
  return log;
}

// Sorts the events, writes their delta times (using running status for
// channel messages) and closes the chunk with end-of-track at `end_tick`.
void PutTrack(std::vector<uint8_t>& out, std::vector<Event> events, uint32_t end_tick) {
  std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
    return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
  });
  std::vector<uint8_t> data;
  uint32_t tick = 0;
  uint8_t running_status = 0;
  for (const Event& event : events) {
    PutVarLen(data, event.tick - tick);
    tick = event.tick;
    const uint8_t status = event.bytes[0];
    const bool channel_message = status < 0xF0;
    const bool repeat_status = channel_message && status == running_status;
    data.insert(data.end(), event.bytes.begin() + (repeat_status ? 1 : 0), event.bytes.end());
    running_status = channel_message ? status : 0;
  }
  PutVarLen(data, end_tick - tick);
  data.insert(data.end(), {0xFF, 0x2F, 0x00});

  out.insert(out.end(), {'M', 'T', 'r', 'k'});
  PutBigEndian(out, static_cast<uint32_t>(data.size()), 4);
  out.insert(out.end(), data.begin(), data.end());
}

std::vector<Event> ConductorEvents(const Score& score) {
  std::vector<Event> events;
  if (!score.title.empty()) events.push_back({0, kSetup, Meta(0x03, Text(score.title))});
  if (score.has_time_signature) {
    // 24 MIDI clocks per metronome click, 8 thirty-seconds per quarter.
    events.push_back(
        {0, kSetup,
         Meta(0x58, {static_cast<uint8_t>(score.beats_per_bar), Log2(score.beat_unit), 24, 8})});
  }
  for (const TempoChange& tempo : score.tempos) {
    const uint32_t t = tempo.usec_per_quarter;
    events.push_back({tempo.tick, kSetup,
                      Meta(0x51, {static_cast<uint8_t>(t >> 16), static_cast<uint8_t>(t >> 8),
                                  static_cast<uint8_t>(t)})});
  }
  return events;
}

std::vector<Event> TrackEvents(const Track& track) {
  std::vector<Event> events;
  const uint8_t channel = static_cast<uint8_t>(track.channel);
  if (!track.name.empty()) events.push_back({0, kSetup, Meta(0x03, Text(track.name))});
  if (track.program) {
    events.push_back(
        {0, kSetup, {static_cast<uint8_t>(0xC0 | channel), static_cast<uint8_t>(*track.program)}});
  }
  if (track.volume) {
    events.push_back(
        {0,
         kSetup,
         {static_cast<uint8_t>(0xB0 | channel), 7, static_cast<uint8_t>(*track.volume)}});
  }
  if (track.pan) {
    events.push_back(
        {0, kSetup, {static_cast<uint8_t>(0xB0 | channel), 10, static_cast<uint8_t>(*track.pan)}});
  }
  for (const Note& note : track.notes) {
    events.push_back(
        {note.tick, kNoteOn, {static_cast<uint8_t>(0x90 | channel), note.key, note.velocity}});
    events.push_back(
        {note.tick + note.length, kNoteOff, {static_cast<uint8_t>(0x80 | channel), note.key, 64}});
  }
  return events;
}

}  // namespace

std::vector<uint8_t> WriteMidiFile(const Score& score) {
  std::vector<uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
  PutBigEndian(out, static_cast<uint32_t>(score.tracks.size() + 1), 2);
  PutBigEndian(out, kTicksPerQuarter, 2);
  const uint32_t end = score.EndTick();
  PutTrack(out, ConductorEvents(score), end);
  for (const Track& track : score.tracks) PutTrack(out, TrackEvents(track), end);
  return out;
}

}  // namespace midic
