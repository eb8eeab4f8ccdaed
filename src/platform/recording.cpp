#include "platform/recording.h"

namespace kolvar {

namespace {

// Unsigned LEB128: seven bits a byte, low bits first, the top bit set on
// every byte but the last.
void PutVarint(std::string& out, uint64_t value) {
  while (value >= 0x80) {
    out += static_cast<char>((value & 0x7F) | 0x80);
    value >>= 7;
  }
  out += static_cast<char>(value);
}

constexpr int kLongestVarint = 10;
// The longest version line and pack name read: the program's line is a few
// words, a pack's name at most 60 characters.
constexpr uint64_t kLongestHeaderText = 256;

void PutText(std::string& out, const std::string& text) {
  PutVarint(out, text.size());
  out += text;
}

void PutDigest(std::string& out, uint32_t digest) {
  for (int shift = 0; shift < 32; shift += 8) out += static_cast<char>(digest >> shift & 0xFF);
}

}  // namespace

std::string EncodeHeader(const RecordingHeader& header) {
  std::string out(kRecordingMagic);
  PutVarint(out, kRecordingFormatVersion);
  PutText(out, header.program_version);
  PutText(out, header.pack_name);
  PutText(out, header.pack_key);
  // A digest is left over only in a header no game makes (two per stage).
  PutVarint(out, header.stage_digests.size() / 2);
  for (size_t i = 0; i + 1 < header.stage_digests.size(); i += 2) {
    PutDigest(out, header.stage_digests[i]);
    PutDigest(out, header.stage_digests[i + 1]);
  }
  PutVarint(out, header.start_clock);
  PutVarint(out, static_cast<uint32_t>(header.hiscore));
  PutVarint(out, static_cast<uint32_t>(header.continue_stage));
  return out;
}

void AppendPass(std::string& out, const RecordedPass& pass) {
  const bool answers = !pass.answers.empty();
  PutVarint(out, uint64_t{pass.clock_step} << 2 | (answers ? 2u : 0u) | (pass.close ? 1u : 0u));
  if (!answers) return;
  PutVarint(out, pass.answers.size());
  for (const RecordedAnswer& answer : pass.answers) {
    PutVarint(out, answer.skipped);
    out += static_cast<char>(answer.what << 2 | (answer.state & 3));
  }
}

RecordingReader::RecordingReader(std::string bytes) : bytes_(std::move(bytes)) {}

bool RecordingReader::Byte(uint8_t& value) {
  if (at_ >= bytes_.size()) {
    short_ = true;
    return false;
  }
  value = static_cast<uint8_t>(bytes_[at_++]);
  return true;
}

bool RecordingReader::Varint(uint64_t& value) {
  value = 0;
  for (int i = 0; i < kLongestVarint; ++i) {
    uint8_t byte = 0;
    if (!Byte(byte)) return false;
    value |= uint64_t{byte & 0x7Fu} << (7 * i);
    if (!(byte & 0x80)) return true;
  }
  fault_ = "a number longer than ten bytes";
  return false;
}

std::optional<std::string> RecordingReader::ReadHeader(RecordingHeader& header) {
  if (bytes_.compare(0, kRecordingMagic.size(), kRecordingMagic) != 0) {
    return std::string("not a Kolvar recording");
  }
  at_ = kRecordingMagic.size();
  auto cut = [] { return std::string("the header is cut short"); };
  auto out_of_range = [] { return std::string("the header holds a number out of range"); };
  uint64_t value = 0;
  if (!Varint(value)) return cut();
  if (value < kOldestRecordingFormatVersion || value > kRecordingFormatVersion) {
    return "a recording of format version " + std::to_string(value) +
           "; this program reads versions " + std::to_string(kOldestRecordingFormatVersion) +
           " to " + std::to_string(kRecordingFormatVersion);
  }
  header.format_version = static_cast<uint32_t>(value);
  auto text = [&](std::string& out) -> std::optional<std::string> {
    uint64_t length = 0;
    if (!Varint(length)) return cut();
    if (length > kLongestHeaderText) return std::string("the header holds a text too long");
    if (bytes_.size() - at_ < length) return cut();
    out = bytes_.substr(at_, length);
    at_ += length;
    return std::nullopt;
  };
  if (auto fault = text(header.program_version)) return fault;
  // Version 1 always held the game's own sixteen stages.
  uint64_t stages = kRecordedStageFiles / 2;
  header.pack_name.clear();
  header.pack_key.clear();
  if (header.format_version >= 2) {
    if (auto fault = text(header.pack_name)) return fault;
    if (auto fault = text(header.pack_key)) return fault;
    if (!Varint(stages)) return cut();
    if (stages < 1 || stages > kMostRecordedStages) return out_of_range();
  }
  header.stage_digests.assign(static_cast<size_t>(stages * 2), 0);
  for (uint32_t& digest : header.stage_digests) {
    for (int shift = 0; shift < 32; shift += 8) {
      uint8_t byte = 0;
      if (!Byte(byte)) return cut();
      digest |= uint32_t{byte} << shift;
    }
  }
  uint64_t start = 0, hiscore = 0, continue_stage = 0;
  if (!Varint(start) || !Varint(hiscore) || !Varint(continue_stage)) return cut();
  if (start > UINT32_MAX || hiscore > INT32_MAX || continue_stage > INT32_MAX) {
    return out_of_range();
  }
  header.start_clock = static_cast<uint32_t>(start);
  header.hiscore = static_cast<int32_t>(hiscore);
  header.continue_stage = static_cast<int32_t>(continue_stage);
  record_start_ = at_;
  return std::nullopt;
}

RecordingReader::Result RecordingReader::Next(RecordedPass& pass) {
  if (!fault_.empty() || short_) return short_ ? Result::kTruncated : Result::kCorrupt;
  record_start_ = at_;
  if (at_ == bytes_.size()) return Result::kEnd;
  auto failed = [&](const char* why) {
    if (short_) return Result::kTruncated;
    if (fault_.empty()) fault_ = why;
    return Result::kCorrupt;
  };
  pass.answers.clear();
  uint64_t head = 0;
  if (!Varint(head)) return failed("");
  if (head >> 2 > UINT32_MAX) return failed("a clock step out of range");
  pass.clock_step = static_cast<uint32_t>(head >> 2);
  pass.close = head & 1;
  if (head & 2) {
    uint64_t count = 0;
    if (!Varint(count)) return failed("");
    if (count == 0 || count > kMostAnswersPerPass)
      return failed("a pass with an impossible number of answers");
    for (uint64_t i = 0; i < count; ++i) {
      uint64_t skipped = 0;
      uint8_t byte = 0;
      if (!Varint(skipped) || !Byte(byte)) return failed("");
      RecordedAnswer answer;
      answer.what = byte >> 2;
      answer.state = byte & 3;
      if (skipped > UINT32_MAX) return failed("a question count out of range");
      answer.skipped = static_cast<uint32_t>(skipped);
      const bool key = answer.what < kAnswerMusicStopped;
      if (answer.what > kAnswerMusicStopped || answer.state == 0 || (!key && answer.state != 1)) {
        return failed("an answer no recorder writes");
      }
      pass.answers.push_back(answer);
    }
  }
  return Result::kPass;
}

}  // namespace kolvar
