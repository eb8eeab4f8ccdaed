#include "score.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <memory>
#include <unordered_map>
#include <utility>

namespace midic {
namespace {

constexpr uint32_t kWholeNote = 4 * kTicksPerQuarter;
// The longest piece and the most notes (of all tracks together) the compiler
// accepts; a runaway repeat count stops here instead of filling the disk.
// More notes would not fit in the largest MIDI file the game reads anyway.
constexpr uint32_t kMaxTick = 1u << 26;
constexpr size_t kMaxNotes = 150000;
// How deep repeats may nest, and how many items (notes, rests, bar lines,
// tempo changes and repeat passes) the whole piece may unfold to: repeats of
// bodies that take no time never reach the tick or note limit.
constexpr size_t kMaxRepeatDepth = 16;
constexpr uint64_t kMaxUnfoldedItems = 1000000;
// A MIDI file holds at most 128 tracks (the game's reader and the
// synthesizer refuse more), one of them the tempo track.
constexpr size_t kMaxTracks = 127;
constexpr int kAccent = 20;

struct ScoreError {
  int line;
  std::string message;
};

[[noreturn]] void Fail(int line, std::string message) {
  throw ScoreError{line, std::move(message)};
}

std::string Quote(std::string_view s) {
  return "'" + std::string(s) + "'";
}

bool ParseInt(std::string_view s, int& out) {
  if (s.empty()) return false;
  const char* end = s.data() + s.size();
  auto [ptr, ec] = std::from_chars(s.data(), end, out);
  return ec == std::errc() && ptr == end;
}

// ---------------------------------------------------------------- tokens

struct Token {
  std::string text;
  int line = 0;
  bool quoted = false;  // a "string"
  bool glued = false;   // follows the previous token with no space between
};

bool IsPunctuation(char c) {
  return c == '(' || c == ')' || c == '[' || c == ']' || c == '|';
}
bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::vector<Token> Tokenize(std::string_view text) {
  std::vector<Token> tokens;
  int line = 1;
  bool glue = false;  // the next token touches the previous one
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == '\n') {
      ++line;
      glue = false;
      ++i;
      continue;
    }
    if (IsSpace(c)) {
      glue = false;
      ++i;
      continue;
    }
    if (c == '#') {  // A comment runs to the end of the line.
      while (i < text.size() && text[i] != '\n') ++i;
      continue;
    }
    Token token;
    token.line = line;
    token.glued = glue;
    if (c == '"') {
      const size_t close = text.find_first_of("\"\n", i + 1);
      if (close == std::string_view::npos || text[close] != '"') {
        Fail(line, "a quoted name is not closed on its line");
      }
      token.text = std::string(text.substr(i + 1, close - i - 1));
      token.quoted = true;
      i = close + 1;
    } else if (IsPunctuation(c)) {
      token.text = std::string(1, c);
      ++i;
    } else {
      const size_t start = i;
      while (i < text.size() && !IsSpace(text[i]) && !IsPunctuation(text[i]) && text[i] != '"') {
        ++i;
      }
      token.text = std::string(text.substr(start, i - start));
    }
    tokens.push_back(std::move(token));
    glue = true;
  }
  return tokens;
}

// ---------------------------------------------------------------- pitches and durations

struct DrumName {
  std::string_view name;
  uint8_t key;
};

// General MIDI percussion keys under short names, for channel 10.
constexpr std::array<DrumName, 22> kDrums = {{
    {"kick", 36},   {"kick2", 35},    {"rim", 37},    {"snare", 38},  {"clap", 39},
    {"snare2", 40}, {"tomfloor", 41}, {"hat", 42},    {"tomlo2", 43}, {"pedal", 44},
    {"tomlo", 45},  {"ohat", 46},     {"tommid", 47}, {"tomhi2", 48}, {"crash", 49},
    {"tomhi", 50},  {"ride", 51},     {"china", 52},  {"bell", 53},   {"tamb", 54},
    {"splash", 55}, {"cowbell", 56},
}};

// A key written as a note name and octave (C4 is key 60), a drum name, or
// "n" and a key number.
uint8_t ParsePitch(std::string_view word, int line) {
  for (const DrumName& drum : kDrums) {
    if (word == drum.name) return drum.key;
  }
  int key = 0;
  if (word.size() > 1 && word[0] == 'n') {
    if (!ParseInt(word.substr(1), key) || key < 0 || key > 127) {
      Fail(line, "key number " + Quote(word) + " must be n0 to n127");
    }
    return static_cast<uint8_t>(key);
  }
  static constexpr std::array<int, 7> kSemitones = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
  if (word.empty() || word[0] < 'A' || word[0] > 'G') {
    Fail(line, "unknown note " + Quote(word) +
                   " (notes are C D E F G A B with an octave, like C4 or F#3; rests are r)");
  }
  int semitone = kSemitones[word[0] - 'A'];
  size_t i = 1;
  while (i < word.size() && (word[i] == '#' || word[i] == 'b') && i < 3) {
    semitone += word[i] == '#' ? 1 : -1;
    ++i;
  }
  int octave = 0;
  if (!ParseInt(word.substr(i), octave)) {
    Fail(line, "note " + Quote(word) + " needs an octave number, like " +
                   std::string(word.substr(0, i)) + "4");
  }
  if (octave >= -1 && octave <= 9) key = (octave + 1) * 12 + semitone;
  if (octave < -1 || octave > 9 || key < 0 || key > 127)
    Fail(line, "note " + Quote(word) + " is outside the MIDI range C-1 to G9");
  return static_cast<uint8_t>(key);
}

// One duration such as 4, 8. or 8t: whole note divided by the number,
// triplet (t) two thirds of that, each dot adding half of what came before.
uint32_t ParseSimpleDuration(std::string_view text, std::string_view whole, int line) {
  size_t digits = 0;
  while (digits < text.size() && text[digits] >= '0' && text[digits] <= '9') ++digits;
  int divisor = 0;
  if (!ParseInt(text.substr(0, digits), divisor) ||
      (divisor != 1 && divisor != 2 && divisor != 4 && divisor != 8 && divisor != 16 &&
       divisor != 32 && divisor != 64)) {
    Fail(line, "bad duration " + Quote(whole) + ": use 1 2 4 8 16 32 or 64, then t or dots");
  }
  uint32_t part = kWholeNote / static_cast<uint32_t>(divisor);
  size_t i = digits;
  if (i < text.size() && text[i] == 't') {
    if (part * 2 % 3 != 0) Fail(line, "duration " + Quote(whole) + " is too short for a triplet");
    part = part * 2 / 3;
    ++i;
  }
  uint32_t total = part;
  for (; i < text.size(); ++i) {
    if (text[i] != '.') {
      Fail(line, "bad duration " + Quote(whole) + ": use 1 2 4 8 16 32 or 64, then t or dots");
    }
    if (part % 2 != 0) Fail(line, "duration " + Quote(whole) + " has too many dots");
    part /= 2;
    total += part;
  }
  return total;
}

// Durations tied with ~ add up: 2~8 is a half note and an eighth.
uint32_t ParseDuration(std::string_view text, int line) {
  uint32_t total = 0;
  size_t start = 0;
  while (true) {
    const size_t tilde = text.find('~', start);
    const std::string_view part = text.substr(start, tilde - start);
    if (part.empty()) Fail(line, "bad duration " + Quote(text) + ": empty part around '~'");
    total += ParseSimpleDuration(part, text, line);
    if (tilde == std::string_view::npos) return total;
    start = tilde + 1;
  }
}

// ---------------------------------------------------------------- track bodies

struct Item {
  enum class Kind { Notes, Rest, Tempo, BarLine, Repeat };
  Item(Kind k, int at_line) : kind(k), line(at_line) {}

  Kind kind;
  int line;
  std::vector<std::pair<uint8_t, uint8_t>> keys;  // Notes: key and velocity of each
  uint32_t ticks = 0;                             // Notes and Rest: written length
  uint32_t sounding = 0;                          // Notes: length after the gate
  uint32_t usec = 0;                              // Tempo
  int count = 0;                                  // Repeat
  std::vector<Item> body;                         // Repeat
};

struct TrackSource {
  Track track;
  std::vector<Item> body;
};

class Parser {
 public:
  Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

  Score Parse() {
    while (pos_ < tokens_.size()) {
      const Token& token = Next();
      if (token.quoted) Fail(token.line, "unexpected quoted name \"" + token.text + "\"");
      if (token.text == "title") {
        ParseTitle(token);
      } else if (token.text == "time") {
        ParseTime(token);
      } else if (token.text == "tempo") {
        ParseTempo(token);
      } else if (token.text == "track") {
        FinishTrack();
        ParseTrackHeader(token);
      } else {
        if (!current_) {
          Fail(token.line, Quote(token.text) + " comes before any track (a piece is made of " +
                               "'track' sections)");
        }
        ParseBodyElement(token);
      }
    }
    FinishTrack();
    if (score_.tempos.empty()) Fail(1, "the score needs a 'tempo' line before its first track");
    if (tracks_.empty()) Fail(last_line(), "the score has no tracks");
    Emit();
    return std::move(score_);
  }

 private:
  const Token& Next() { return tokens_[pos_++]; }
  const Token* Peek() const { return pos_ < tokens_.size() ? &tokens_[pos_] : nullptr; }
  int last_line() const { return tokens_.empty() ? 1 : tokens_.back().line; }

  // The next token when it stands on `line`; headers keep their values on
  // their own line.
  const Token* NextOnLine(int line) {
    const Token* t = Peek();
    if (!t || t->line != line) return nullptr;
    ++pos_;
    return t;
  }

  int ExpectNumber(const Token& keyword, int low, int high) {
    const Token* value = NextOnLine(keyword.line);
    int number = 0;
    if (!value || value->quoted || !ParseInt(value->text, number)) {
      Fail(keyword.line, Quote(keyword.text) + " needs a number from " + std::to_string(low) +
                             " to " + std::to_string(high));
    }
    if (number < low || number > high) {
      Fail(keyword.line, Quote(keyword.text) + " " + value->text + " is out of range (" +
                             std::to_string(low) + " to " + std::to_string(high) + ")");
    }
    return number;
  }

  void ExpectLineEnd(int line) {
    if (const Token* extra = NextOnLine(line)) {
      Fail(line, "unexpected " + Quote(extra->text) + " at the end of the line");
    }
  }

  void ParseTitle(const Token& keyword) {
    if (current_ || !tracks_.empty()) Fail(keyword.line, "'title' belongs before the first track");
    const Token* name = NextOnLine(keyword.line);
    if (!name) Fail(keyword.line, "'title' needs a name");
    score_.title = name->text;
    ExpectLineEnd(keyword.line);
  }

  void ParseTime(const Token& keyword) {
    if (current_ || !tracks_.empty()) Fail(keyword.line, "'time' belongs before the first track");
    if (score_.has_time_signature) Fail(keyword.line, "the time signature is already set");
    const Token* value = NextOnLine(keyword.line);
    const std::string_view text = value ? std::string_view(value->text) : std::string_view();
    const size_t slash = text.find('/');
    int beats = 0, unit = 0;
    if (slash == std::string_view::npos || !ParseInt(text.substr(0, slash), beats) ||
        !ParseInt(text.substr(slash + 1), unit) || beats < 1 || beats > 32 ||
        (unit != 1 && unit != 2 && unit != 4 && unit != 8 && unit != 16)) {
      Fail(keyword.line, "'time' needs a signature like 4/4 or 6/8");
    }
    score_.beats_per_bar = beats;
    score_.beat_unit = unit;
    score_.has_time_signature = true;
    ExpectLineEnd(keyword.line);
  }

  void ParseTempo(const Token& keyword) {
    const int bpm = ExpectNumber(keyword, 20, 400);
    const uint32_t usec = static_cast<uint32_t>((60000000 + bpm / 2) / bpm);
    if (current_) {
      Item item(Item::Kind::Tempo, keyword.line);
      item.usec = usec;
      Body().push_back(std::move(item));
    } else {
      if (!tracks_.empty()) Fail(keyword.line, "a tempo change belongs inside a track");
      if (!score_.tempos.empty()) Fail(keyword.line, "the starting tempo is already set");
      score_.tempos.push_back({0, usec});
      ExpectLineEnd(keyword.line);
    }
  }

  void ParseTrackHeader(const Token& keyword) {
    const int line = keyword.line;
    const Token* name = NextOnLine(line);
    if (!name) Fail(line, "'track' needs a name");
    if (tracks_.size() >= kMaxTracks) {
      Fail(line, "a piece holds at most " + std::to_string(kMaxTracks) + " tracks");
    }
    current_ = std::make_unique<TrackSource>();
    current_->track.name = name->text;
    bool has_channel = false;
    while (const Token* key = NextOnLine(line)) {
      if (key->text == "channel") {
        current_->track.channel = ExpectNumber(*key, 1, 16) - 1;
        has_channel = true;
      } else if (key->text == "program") {
        current_->track.program = ExpectNumber(*key, 1, 128) - 1;
      } else if (key->text == "volume") {
        current_->track.volume = ExpectNumber(*key, 0, 127);
      } else if (key->text == "pan") {
        current_->track.pan = ExpectNumber(*key, 0, 127);
      } else {
        Fail(line,
             "unknown track setting " + Quote(key->text) + " (use channel, program, volume, pan)");
      }
    }
    if (!has_channel) Fail(line, "track " + Quote(name->text) + " needs a channel (1 to 16)");
    open_repeats_.clear();
    duration_ = kTicksPerQuarter;
    velocity_ = 100;
    gate_ = 90;
  }

  void FinishTrack() {
    if (!current_) return;
    if (!open_repeats_.empty()) {
      Fail(open_repeats_.back().line,
           "'[' is never closed in track " + Quote(current_->track.name));
    }
    tracks_.push_back(std::move(*current_));
    current_.reset();
  }

  std::vector<Item>& Body() {
    return open_repeats_.empty() ? current_->body : open_repeats_.back().body;
  }

  void ParseBodyElement(const Token& token) {
    const int line = token.line;
    const std::string& text = token.text;
    if (text == "[") {
      if (open_repeats_.size() >= kMaxRepeatDepth) {
        Fail(line, "repeats nest more than " + std::to_string(kMaxRepeatDepth) + " deep");
      }
      Item repeat(Item::Kind::Repeat, line);
      open_repeats_.push_back(std::move(repeat));
    } else if (text == "]") {
      if (open_repeats_.empty()) Fail(line, "']' without a '[' before it");
      Item repeat = std::move(open_repeats_.back());
      open_repeats_.pop_back();
      repeat.count = 2;
      if (const Token* times = Peek();
          times && times->glued && !times->text.empty() && times->text[0] == 'x') {
        ++pos_;
        if (!ParseInt(std::string_view(times->text).substr(1), repeat.count) || repeat.count < 1 ||
            repeat.count > 99) {
          Fail(line, "repeat count " + Quote(times->text) + " must be x1 to x99");
        }
      }
      Body().push_back(std::move(repeat));
    } else if (text == "|") {
      if (!score_.has_time_signature) {
        Fail(line, "a bar line '|' needs a 'time' line at the top of the score");
      }
      Item bar(Item::Kind::BarLine, line);
      Body().push_back(std::move(bar));
    } else if (text == "(") {
      ParseChord(line);
    } else if (text == ")") {
      Fail(line, "')' without a '(' before it");
    } else if (text == "gate") {
      gate_ = ExpectNumber(token, 1, 100);
    } else if (text.size() > 1 && text[0] == 'v' && text[1] >= '0' && text[1] <= '9') {
      if (!ParseInt(std::string_view(text).substr(1), velocity_) || velocity_ < 1 ||
          velocity_ > 127) {
        Fail(line, "velocity " + Quote(text) + " must be v1 to v127");
      }
    } else if (text[0] == ':') {
      Fail(line, "duration " + Quote(text) + " must follow a note, a rest or a chord directly");
    } else {
      ParseNoteWord(token);
    }
  }

  // Splits "E5:8!" (or "E5!:8") into pitch "E5", duration "8" and the
  // accent mark.
  struct NoteParts {
    std::string_view pitch;
    std::string_view duration;  // empty: keep the current duration
    bool accent = false;
  };

  NoteParts SplitNote(std::string_view word, int line) {
    NoteParts parts;
    const size_t colon = word.find(':');
    parts.pitch = word.substr(0, colon);
    if (colon != std::string_view::npos) {
      parts.duration = word.substr(colon + 1);
      if (!parts.duration.empty() && parts.duration.back() == '!') {
        parts.accent = true;
        parts.duration.remove_suffix(1);
      }
      if (parts.duration.empty()) Fail(line, "missing duration after ':' in " + Quote(word));
    }
    if (!parts.pitch.empty() && parts.pitch.back() == '!') {
      if (parts.accent) Fail(line, "two accents on " + Quote(word));
      parts.accent = true;
      parts.pitch.remove_suffix(1);
    }
    return parts;
  }

  uint32_t TakeDuration(std::string_view text, int line) {
    if (!text.empty()) duration_ = ParseDuration(text, line);
    return duration_;
  }

  uint8_t Velocity(bool accent) const {
    return static_cast<uint8_t>(std::min(127, velocity_ + (accent ? kAccent : 0)));
  }

  void AddNotes(std::vector<std::pair<uint8_t, uint8_t>> keys, uint32_t ticks, int line) {
    Item notes(Item::Kind::Notes, line);
    notes.keys = std::move(keys);
    notes.ticks = ticks;
    notes.sounding = std::max<uint32_t>(1, ticks * static_cast<uint32_t>(gate_) / 100);
    Body().push_back(std::move(notes));
  }

  void ParseNoteWord(const Token& token) {
    if (token.quoted) Fail(token.line, "unexpected quoted name \"" + token.text + "\"");
    const NoteParts parts = SplitNote(token.text, token.line);
    if (parts.pitch == "r") {
      if (parts.accent) Fail(token.line, "a rest cannot be accented");
      Item rest(Item::Kind::Rest, token.line);
      rest.ticks = TakeDuration(parts.duration, token.line);
      Body().push_back(std::move(rest));
      return;
    }
    const uint8_t key = ParsePitch(parts.pitch, token.line);
    AddNotes({{key, Velocity(parts.accent)}}, TakeDuration(parts.duration, token.line), token.line);
  }

  // "(C4 E4 G4):2" - notes struck together, sharing one duration. A note
  // inside may carry its own accent but not its own duration.
  void ParseChord(int line) {
    std::vector<uint8_t> keys;
    std::vector<bool> accents;
    while (true) {
      const Token* t = Peek();
      if (!t) Fail(line, "'(' is never closed");
      ++pos_;
      if (t->text == ")") break;
      if (t->quoted || IsPunctuation(t->text[0])) {
        Fail(t->line, "a chord holds only notes, not " + Quote(t->text));
      }
      const NoteParts parts = SplitNote(t->text, t->line);
      if (!parts.duration.empty()) {
        Fail(t->line, "a note inside a chord takes no duration of its own; write it after ')'");
      }
      if (parts.pitch == "r") Fail(t->line, "a chord cannot hold a rest");
      const uint8_t key = ParsePitch(parts.pitch, t->line);
      if (std::find(keys.begin(), keys.end(), key) != keys.end()) {
        Fail(t->line, "note " + Quote(parts.pitch) + " appears twice in one chord");
      }
      keys.push_back(key);
      accents.push_back(parts.accent);
    }
    if (keys.empty()) Fail(line, "an empty chord '()'");
    NoteParts after;
    if (const Token* t = Peek();
        t && t->glued && !t->text.empty() && (t->text[0] == ':' || t->text[0] == '!')) {
      ++pos_;
      after = SplitNote(t->text, t->line);
      if (!after.pitch.empty()) Fail(t->line, "unexpected " + Quote(t->text) + " after a chord");
    }
    std::vector<std::pair<uint8_t, uint8_t>> notes;
    for (size_t i = 0; i < keys.size(); ++i) {
      notes.push_back({keys[i], Velocity(accents[i] || after.accent)});
    }
    AddNotes(std::move(notes), TakeDuration(after.duration, line), line);
  }

  // ---- placing the notes on the tick grid

  void Emit() {
    for (size_t i = 0; i < score_.tempos.size(); ++i) tempo_at_.emplace(score_.tempos[i].tick, i);
    for (TrackSource& source : tracks_) {
      uint32_t tick = 0;
      Walk(source.body, source.track, tick);
      source.track.end_tick = tick;
      score_.tracks.push_back(std::move(source.track));
    }
    std::stable_sort(score_.tempos.begin(), score_.tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
  }

  // Counts one more item or repeat pass against the piece's budget.
  void Unfold(const Item& item, const Track& track) {
    if (++unfolded_ > kMaxUnfoldedItems) {
      Fail(item.line, "the piece unfolds to more than " + std::to_string(kMaxUnfoldedItems) +
                          " notes, rests and repeats (in track " + Quote(track.name) + ")");
    }
  }

  void Walk(const std::vector<Item>& items, Track& track, uint32_t& tick) {
    for (const Item& item : items) {
      Unfold(item, track);
      switch (item.kind) {
        case Item::Kind::Notes:
          for (auto [key, velocity] : item.keys) {
            if (++notes_ > kMaxNotes) Fail(item.line, "the piece has too many notes");
            track.notes.push_back({tick, item.sounding, key, velocity});
          }
          Advance(tick, item.ticks, item.line);
          break;
        case Item::Kind::Rest:
          Advance(tick, item.ticks, item.line);
          break;
        case Item::Kind::Tempo:
          AddTempo(tick, item.usec);
          break;
        case Item::Kind::BarLine:
          CheckBar(tick, track, item.line);
          break;
        case Item::Kind::Repeat:
          // Every pass counts, so that empty bodies cannot repeat for ever.
          for (int i = 0; i < item.count; ++i) {
            Unfold(item, track);
            Walk(item.body, track, tick);
          }
          break;
      }
    }
  }

  static void Advance(uint32_t& tick, uint32_t ticks, int line) {
    if (kMaxTick - tick < ticks) Fail(line, "the piece is too long");
    tick += ticks;
  }

  // A later change at the same tick replaces the earlier one.
  void AddTempo(uint32_t tick, uint32_t usec) {
    const auto [at, added] = tempo_at_.emplace(tick, score_.tempos.size());
    if (added) {
      score_.tempos.push_back({tick, usec});
    } else {
      score_.tempos[at->second].usec_per_quarter = usec;
    }
  }

  void CheckBar(uint32_t tick, const Track& track, int line) const {
    const uint32_t beat = kWholeNote / static_cast<uint32_t>(score_.beat_unit);
    const uint32_t bar = beat * static_cast<uint32_t>(score_.beats_per_bar);
    const uint32_t offset = tick % bar;
    if (offset == 0) return;
    char where[64];
    std::snprintf(where, sizeof where, "beat %g of bar %u", 1.0 + double(offset) / beat,
                  tick / bar + 1);
    Fail(line, "bar line in track " + Quote(track.name) + " falls on " + where +
                   ", not at the start of a bar");
  }

  std::vector<Token> tokens_;
  size_t pos_ = 0;
  Score score_;
  std::vector<TrackSource> tracks_;
  std::unique_ptr<TrackSource> current_;
  std::vector<Item> open_repeats_;
  uint32_t duration_ = kTicksPerQuarter;
  int velocity_ = 100;
  int gate_ = 90;
  uint64_t unfolded_ = 0;                          // items walked so far in all tracks
  size_t notes_ = 0;                               // notes placed so far in all tracks
  std::unordered_map<uint32_t, size_t> tempo_at_;  // tick -> its entry in score_.tempos
};

}  // namespace

uint32_t Score::EndTick() const {
  uint32_t end = 0;
  for (const Track& track : tracks) end = std::max(end, track.end_tick);
  return end;
}

ParseResult ParseScore(std::string_view text, std::string_view file_name) {
  ParseResult result;
  try {
    result.score = Parser(Tokenize(text)).Parse();
  } catch (const ScoreError& error) {
    result.error =
        std::string(file_name) + ":" + std::to_string(error.line) + ": error: " + error.message;
  }
  return result;
}

}  // namespace midic
