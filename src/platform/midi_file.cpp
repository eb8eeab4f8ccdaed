#include "platform/midi_file.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>
#include <limits>
#include <vector>

#include "platform/printable.h"
#include "platform/regular_file.h"

namespace kolvar {
namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter: 120 beats a minute

struct TempoChange {
  uint64_t tick;
  uint32_t usec_per_quarter;
};

// A read cursor over one byte range. Every read checks the range first and
// reports failure instead of stepping past the end.
class Cursor {
 public:
  Cursor(const uint8_t* begin, const uint8_t* end) : pos_(begin), end_(end) {}

  size_t remaining() const { return static_cast<size_t>(end_ - pos_); }
  bool at_end() const { return pos_ == end_; }
  const uint8_t* pos() const { return pos_; }

  bool Byte(uint8_t& out) {
    if (pos_ == end_) return false;
    out = *pos_++;
    return true;
  }

  bool BigEndian(int bytes, uint32_t& out) {
    if (remaining() < static_cast<size_t>(bytes)) return false;
    out = 0;
    for (int i = 0; i < bytes; ++i) out = (out << 8) | *pos_++;
    return true;
  }

  // A variable-length quantity: at most four bytes of seven bits each.
  // Returns false when the range ends first or a fifth byte would be needed.
  bool VarLen(uint32_t& out, bool& too_long) {
    out = 0;
    too_long = false;
    for (int i = 0; i < 4; ++i) {
      uint8_t b;
      if (!Byte(b)) return false;
      out = (out << 7) | (b & 0x7F);
      if ((b & 0x80) == 0) return true;
    }
    too_long = true;
    return false;
  }

  bool Skip(size_t n) {
    if (remaining() < n) return false;
    pos_ += n;
    return true;
  }

 private:
  const uint8_t* pos_;
  const uint8_t* end_;
};

std::string Hex(unsigned value) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s = "0x";
  s += kDigits[(value >> 4) & 0xF];
  s += kDigits[value & 0xF];
  return s;
}

// Status bytes and meta event types the reader acts on.
constexpr uint8_t kSystemExclusive = 0xF0;
constexpr uint8_t kSystemExclusiveEscape = 0xF7;
constexpr uint8_t kMetaEvent = 0xFF;
constexpr uint8_t kSetTempo = 0x51;
constexpr uint8_t kEndOfTrack = 0x2F;

// One track as its events are read.
struct TrackState {
  std::string where;  // "track N: ", before each fault
  uint64_t tick = 0;
  uint8_t running_status = 0;  // 0: none in force
  uint8_t bank[16] = {};       // each channel's bank select, as this track has set it
};

// Reads the data bytes of a channel message with `status`; when `running`,
// the first of them was read already, as `first_data`. Every program it
// selects is added to `programs` (each once). Returns an error message,
// empty when the message is good.
std::string ReadChannelMessage(Cursor& track, uint8_t status, bool running, uint8_t first_data,
                               TrackState& state, std::vector<MidiProgram>& programs) {
  const int data_bytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
  uint8_t data[2] = {};
  for (int i = 0; i < data_bytes; ++i) {
    data[i] = first_data;
    if ((i > 0 || !running) && !track.Byte(data[i])) {
      return state.where + "cut short inside a channel message";
    }
    if (data[i] >= 0x80) {
      return state.where + "channel message " + Hex(status) + " has a data byte " + Hex(data[i]) +
             " with its top bit set";
    }
  }
  const int channel = status & 0x0F;
  if ((status & 0xF0) == 0xB0 && data[0] == 0) state.bank[channel] = data[1];
  if ((status & 0xF0) == 0xC0) {
    const MidiProgram program{channel, state.bank[channel], data[0]};
    if (std::find(programs.begin(), programs.end(), program) == programs.end()) {
      programs.push_back(program);
    }
  }
  return {};
}

// Reads a system exclusive message or a meta event with `status`. A tempo
// change is appended to `tempos`; `ended` is set at the end-of-track event.
// Returns an error message, empty when the event is good.
std::string ReadSystemEvent(Cursor& track, uint8_t status, const TrackState& state,
                            std::vector<TempoChange>& tempos, bool& ended) {
  const std::string& where = state.where;
  bool too_long;
  uint32_t length;
  if (status == kSystemExclusive || status == kSystemExclusiveEscape) {
    if (!track.VarLen(length, too_long)) return where + "bad system exclusive length";
    if (!track.Skip(length)) return where + "a system exclusive message runs past the track";
    return {};
  }
  if (status != kMetaEvent) return where + "unexpected status byte " + Hex(status);

  uint8_t type;
  if (!track.Byte(type)) return where + "cut short inside a meta event";
  if (!track.VarLen(length, too_long)) return where + "bad meta event length";
  if (track.remaining() < length) return where + "a meta event runs past the track";
  if (type == kSetTempo) {
    if (length != 3) return where + "a tempo event must hold 3 bytes";
    uint32_t usec = 0;
    track.BigEndian(3, usec);
    if (usec == 0) return where + "a tempo of zero microseconds per quarter";
    tempos.push_back({state.tick, usec});
    return {};
  }
  track.Skip(length);
  // Bytes after the end-of-track event are ignored, as players do.
  ended = type == kEndOfTrack;
  return {};
}

// Reads the events of one track chunk. On success `end_tick` is the tick of
// its end-of-track event and every tempo change is appended to `tempos`.
// Returns an error message, empty when the track is good.
std::string ParseTrack(Cursor track, int index, uint64_t& end_tick,
                       std::vector<TempoChange>& tempos, std::vector<MidiProgram>& programs) {
  TrackState state;
  state.where = "track " + std::to_string(index + 1) + ": ";
  const std::string& where = state.where;
  while (true) {
    uint32_t delta;
    bool too_long;
    if (!track.VarLen(delta, too_long)) {
      if (too_long) return where + "a delta time is longer than four bytes";
      if (track.at_end()) return where + "no end-of-track event";
      return where + "cut short inside a delta time";
    }
    state.tick += delta;

    uint8_t status;
    if (!track.Byte(status)) return where + "cut short before an event";
    // A data byte where a status byte belongs: running status repeats the
    // previous channel message's status, and the byte is its first parameter.
    const bool running = status < 0x80;
    const uint8_t first_data = status;
    if (running) {
      if (state.running_status == 0) return where + "a data byte with no running status in force";
      status = state.running_status;
    }

    std::string error;
    bool ended = false;
    if (status < kSystemExclusive) {
      state.running_status = status;
      error = ReadChannelMessage(track, status, running, first_data, state, programs);
    } else {
      // System exclusive and meta events cancel running status.
      state.running_status = 0;
      error = ReadSystemEvent(track, status, state, tempos, ended);
    }
    if (!error.empty()) return error;
    if (ended) {
      end_tick = state.tick;
      return {};
    }
  }
}

uint32_t TicksToMs(uint64_t end_tick, int division, std::vector<TempoChange> tempos) {
  std::stable_sort(tempos.begin(), tempos.end(),
                   [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  long double usec = 0;
  uint64_t tick = 0;
  uint32_t tempo = kDefaultTempo;
  for (const TempoChange& change : tempos) {
    if (change.tick >= end_tick) break;
    usec += static_cast<long double>(change.tick - tick) * tempo / division;
    tick = change.tick;
    tempo = change.usec_per_quarter;
  }
  usec += static_cast<long double>(end_tick - tick) * tempo / division;
  const long double ms = std::round(usec / 1000);
  if (ms >= static_cast<long double>(std::numeric_limits<uint32_t>::max())) {
    return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(ms);
}

MidiFileResult Fail(std::string message) {
  MidiFileResult result;
  result.error = std::move(message);
  return result;
}

}  // namespace

MidiFileResult ParseMidiFile(std::span<const uint8_t> bytes) {
  Cursor file(bytes.data(), bytes.data() + bytes.size());
  uint32_t id, header_length, format, track_count, division;
  if (!file.BigEndian(4, id) || id != 0x4D546864) return Fail("not a MIDI file (no MThd header)");
  if (!file.BigEndian(4, header_length) || header_length != 6) {
    return Fail("the MThd header must be 6 bytes long");
  }
  if (!file.BigEndian(2, format) || !file.BigEndian(2, track_count) ||
      !file.BigEndian(2, division)) {
    return Fail("the file ends inside its header");
  }
  if (format > 2) return Fail("unknown MIDI file format " + std::to_string(format));
  if (track_count == 0) return Fail("the file declares no tracks");
  if (track_count > kMaxMidiTracks) {
    return Fail("the file declares " + std::to_string(track_count) + " tracks, more than " +
                std::to_string(kMaxMidiTracks));
  }
  if (format == 0 && track_count != 1) return Fail("a format 0 file must have exactly one track");
  if (division & 0x8000) return Fail("SMPTE time division is not supported");
  if (division == 0) return Fail("a division of zero ticks per quarter");

  std::vector<TempoChange> tempos;
  std::vector<MidiProgram> programs;
  uint64_t end_tick = 0;
  for (uint32_t index = 0; index < track_count;) {
    uint32_t chunk_id, chunk_length;
    if (!file.BigEndian(4, chunk_id) || !file.BigEndian(4, chunk_length)) {
      return Fail("the file ends after " + std::to_string(index) + " of " +
                  std::to_string(track_count) + " tracks");
    }
    if (file.remaining() < chunk_length) {
      return Fail("a chunk runs past the end of the file (track " + std::to_string(index + 1) +
                  ")");
    }
    Cursor chunk(file.pos(), file.pos() + chunk_length);
    file.Skip(chunk_length);
    if (chunk_id != 0x4D54726B) continue;  // Chunks of unknown kinds are skipped.
    uint64_t track_end = 0;
    std::string error = ParseTrack(chunk, static_cast<int>(index), track_end, tempos, programs);
    if (!error.empty()) return Fail(error);
    end_tick = std::max(end_tick, track_end);
    ++index;
  }

  MidiFileResult result;
  MidiFileInfo& info = result.info.emplace();
  info.format = static_cast<int>(format);
  info.track_count = static_cast<int>(track_count);
  info.ticks_per_quarter = static_cast<int>(division);
  info.length_ticks = end_tick;
  info.length_ms = TicksToMs(end_tick, info.ticks_per_quarter, std::move(tempos));
  info.programs = std::move(programs);
  return result;
}

MidiFileResult ReadMidiFile(const std::string& path, std::vector<uint8_t>* bytes_out) {
  const RegularFile file = ReadRegularFile(path, kMaxMidiFileBytes);
  if (!file.ok()) {
    MidiFileResult result = Fail(path + ": " + file.reason);
    result.missing = file.status == RegularFile::Status::kMissing;
    return result;
  }
  const std::vector<uint8_t> bytes(file.bytes.begin(), file.bytes.end());
  MidiFileResult result = ParseMidiFile(bytes);
  if (!result.ok()) result.error = path + ": " + result.error;
  if (result.ok() && bytes_out) *bytes_out = bytes;
  return result;
}

MidiWarnings::MidiWarnings(Report report)
    : report_(report ? std::move(report) : Report([](const std::string& message) {
        std::fprintf(stderr, "kolvar: %s\n", message.c_str());
      })) {}

void MidiWarnings::Warn(const MidiFileResult& file) {
  if (file.ok() || file.missing || !warned_.insert(file.error).second) return;
  report_(PrintableUtf8(file.error) + "; playing on without it");
}

}  // namespace kolvar
