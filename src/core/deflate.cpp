#include "core/deflate.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <queue>
#include <utility>
#include <vector>

namespace kolvar {

namespace {

// The length and distance codes' bases and extra bits (RFC 1951, 3.2.5).
constexpr std::array<uint16_t, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                                  15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                                  67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<uint8_t, 29> kLengthExtra = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<uint16_t, 30> kDistanceBase = {
    1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
    193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<uint8_t, 30> kDistanceExtra = {0, 0, 0,  0,  1,  1,  2,  2,  3,  3,
                                                    4, 4, 5,  5,  6,  6,  7,  7,  8,  8,
                                                    9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
// The order the code-length code's lengths are written in.
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8,  7, 9,  6, 10, 5,
                                                      11, 4,  12, 3, 13, 2, 14, 1, 15};

constexpr int kEndOfBlock = 256;
constexpr int kLitLenSymbols = 288;  // 286 and 287 take part in the fixed code only
constexpr int kDistanceSymbols = 30;
constexpr int kMostCodeBits = 15;
constexpr size_t kWindow = 32768;
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;

// The fixed Huffman code's lengths (RFC 1951, 3.2.6).
std::vector<uint8_t> FixedLitLenLengths() {
  std::vector<uint8_t> lengths(kLitLenSymbols);
  for (int s = 0; s < kLitLenSymbols; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
  return lengths;
}

// All 32 five-bit codes, so the code is complete; 30 and 31 are refused
// where they are read.
std::vector<uint8_t> FixedDistanceLengths() {
  return std::vector<uint8_t>(32, 5);
}

// ---- Writing ----------------------------------------------------------

// A literal (length 0, value the byte) or a match (length 3..258, value the
// distance 1..32768).
struct Token {
  uint16_t length;
  uint16_t value;
};

int LengthSymbol(int length) {
  int code = 28;
  while (kLengthBase[code] > length) --code;
  return code;
}

int DistanceSymbol(int distance) {
  int code = 29;
  while (kDistanceBase[code] > distance) --code;
  return code;
}

// The input as literals and back references: each position's three bytes
// hashed onto a chain of the earlier positions with the same hash, the
// longest match within the window taken, unless the next position starts a
// longer one.
std::vector<Token> FindMatches(std::string_view bytes) {
  constexpr int kHashBits = 15;
  constexpr int kMostChainSteps = 128;
  // A match this long is taken without looking one position further.
  constexpr int kGoodEnough = 32;
  const size_t n = bytes.size();
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
  std::vector<int32_t> head(size_t{1} << kHashBits, -1);
  std::vector<int32_t> prev(n, -1);
  const auto hash = [&](size_t p) {
    return ((data[p] << 10) ^ (data[p + 1] << 5) ^ data[p + 2]) & ((1 << kHashBits) - 1);
  };
  const auto insert = [&](size_t p) {
    if (p + kMinMatch > n) return;
    const int h = hash(p);
    prev[p] = head[h];
    head[h] = static_cast<int32_t>(p);
  };
  struct Match {
    int length = 0;
    int distance = 0;
  };
  const auto find = [&](size_t p) {
    Match best;
    if (p + kMinMatch > n) return best;
    const int limit = static_cast<int>(std::min<size_t>(kMaxMatch, n - p));
    int steps = kMostChainSteps;
    for (int32_t at = head[hash(p)]; at >= 0 && p - at <= kWindow && steps-- > 0; at = prev[at]) {
      if (data[at + best.length] != data[p + best.length]) continue;
      int length = 0;
      while (length < limit && data[at + length] == data[p + length]) ++length;
      if (length > best.length) {
        best = {length, static_cast<int>(p - at)};
        if (length == limit) break;
      }
    }
    if (best.length < kMinMatch) best = {};
    return best;
  };

  std::vector<Token> tokens;
  size_t i = 0;
  while (i < n) {
    const Match match = find(i);
    if (match.length == 0) {
      tokens.push_back({0, data[i]});
      insert(i++);
      continue;
    }
    insert(i);
    if (match.length < kGoodEnough && find(i + 1).length > match.length) {
      tokens.push_back({0, data[i]});
      ++i;
      continue;
    }
    tokens.push_back({static_cast<uint16_t>(match.length), static_cast<uint16_t>(match.distance)});
    for (size_t p = i + 1; p < i + match.length; ++p) insert(p);
    i += match.length;
  }
  return tokens;
}

// Huffman code lengths for `frequencies`, none longer than `most_bits`: a
// tree built from the two lightest nodes at a time; when it comes out too
// deep, the frequencies are flattened (halved, none below 1) until it fits.
std::vector<uint8_t> CodeLengths(std::vector<uint32_t> frequencies, int most_bits) {
  const int n = static_cast<int>(frequencies.size());
  std::vector<uint8_t> lengths(n, 0);
  while (true) {
    using Node = std::pair<uint64_t, int>;  // weight, node
    std::priority_queue<Node, std::vector<Node>, std::greater<>> queue;
    std::vector<int> parent;
    for (int s = 0; s < n; ++s) {
      if (frequencies[s] == 0) continue;
      queue.push({frequencies[s], static_cast<int>(parent.size())});
      parent.push_back(-1);
    }
    const int leaves = static_cast<int>(parent.size());
    while (queue.size() > 1) {
      const Node a = queue.top();
      queue.pop();
      const Node b = queue.top();
      queue.pop();
      const int joined = static_cast<int>(parent.size());
      parent.push_back(-1);
      parent[a.second] = joined;
      parent[b.second] = joined;
      queue.push({a.first + b.first, joined});
    }
    int deepest = 0;
    for (int s = 0, leaf = 0; s < n; ++s) {
      if (frequencies[s] == 0) continue;
      int depth = 0;
      for (int node = leaf++; parent[node] >= 0; node = parent[node]) ++depth;
      lengths[s] = static_cast<uint8_t>(std::max(depth, leaves == 1 ? 1 : 0));
      deepest = std::max(deepest, depth);
    }
    if (deepest <= most_bits) return lengths;
    for (uint32_t& f : frequencies) f = (f + 1) / 2;
  }
}

// The canonical codes of the lengths (RFC 1951, 3.2.2), bit-reversed: the
// stream writes a code's first bit first, from the low end.
std::vector<uint16_t> CanonicalCodes(const std::vector<uint8_t>& lengths) {
  std::array<uint16_t, kMostCodeBits + 2> count{}, next{};
  for (uint8_t length : lengths) ++count[length];
  count[0] = 0;
  for (int bits = 1, code = 0; bits <= kMostCodeBits; ++bits) {
    code = (code + count[bits - 1]) << 1;
    next[bits] = static_cast<uint16_t>(code);
  }
  std::vector<uint16_t> codes(lengths.size(), 0);
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] == 0) continue;
    const uint16_t code = next[lengths[s]]++;
    int reversed = 0;
    for (int b = 0; b < lengths[s]; ++b) reversed |= ((code >> b) & 1) << (lengths[s] - 1 - b);
    codes[s] = static_cast<uint16_t>(reversed);
  }
  return codes;
}

class BitWriter {
 public:
  void Put(uint32_t bits, int count) {
    buffer_ |= static_cast<uint64_t>(bits) << count_;
    count_ += count;
    while (count_ >= 8) {
      out_.push_back(static_cast<char>(buffer_ & 0xFF));
      buffer_ >>= 8;
      count_ -= 8;
    }
  }
  void ToByte() {
    if (count_ > 0) Put(0, 8 - count_);
  }
  void Append(std::string_view bytes) { out_.append(bytes); }
  std::string Take() {
    ToByte();
    return std::move(out_);
  }

 private:
  std::string out_;
  uint64_t buffer_ = 0;
  int count_ = 0;
};

// One block's tokens and the input bytes they stand for.
struct Block {
  std::vector<Token>::const_iterator begin, end;
  std::string_view bytes;
};

struct Code {
  std::vector<uint8_t> lengths;
  std::vector<uint16_t> codes;
};

Code MakeCode(std::vector<uint8_t> lengths) {
  std::vector<uint16_t> codes = CanonicalCodes(lengths);
  return {std::move(lengths), std::move(codes)};
}

// A code-length code's symbol: 0..15 a length, 16 repeat the last 3..6
// times, 17 zeros 3..10 times, 18 zeros 11..138 times.
struct LengthItem {
  uint8_t symbol;
  uint8_t extra;
};
constexpr std::array<uint8_t, 19> kLengthItemExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                                          0, 0, 0, 0, 0, 0, 2, 3, 7};

std::vector<LengthItem> RunLengths(const std::vector<uint8_t>& lengths) {
  std::vector<LengthItem> items;
  for (size_t i = 0; i < lengths.size();) {
    const uint8_t length = lengths[i];
    size_t run = 1;
    while (i + run < lengths.size() && lengths[i + run] == length) ++run;
    if (length == 0 && run >= 3) {
      run = std::min<size_t>(run, 138);
      items.push_back(run >= 11 ? LengthItem{18, static_cast<uint8_t>(run - 11)}
                                : LengthItem{17, static_cast<uint8_t>(run - 3)});
    } else if (length != 0 && run >= 4) {
      run = std::min<size_t>(run, 7);
      items.push_back({length, 0});
      items.push_back({16, static_cast<uint8_t>(run - 4)});
    } else {
      run = 1;
      items.push_back({length, 0});
    }
    i += run;
  }
  return items;
}

// A block written with dynamic codes: its header, measured, and the codes.
struct DynamicHeader {
  Code litlen, distance, lengths;
  int hlit = 0, hdist = 0, hclen = 0;
  std::vector<LengthItem> items;
  size_t bits = 0;
};

DynamicHeader PlanDynamic(const Block& block) {
  std::vector<uint32_t> litlen(286, 0), distance(kDistanceSymbols, 0);
  for (auto t = block.begin; t != block.end; ++t) {
    if (t->length == 0) {
      ++litlen[t->value];
    } else {
      ++litlen[257 + LengthSymbol(t->length)];
      ++distance[DistanceSymbol(t->value)];
    }
  }
  litlen[kEndOfBlock] = 1;
  // At least two codes in each, so each code is complete.
  if (std::count_if(litlen.begin(), litlen.end(), [](uint32_t f) { return f > 0; }) < 2) {
    litlen[0] = std::max<uint32_t>(litlen[0], 1);
  }
  for (int s = 0; s < 2; ++s) {
    if (std::count_if(distance.begin(), distance.end(), [](uint32_t f) { return f > 0; }) < 2) {
      distance[s] = std::max<uint32_t>(distance[s], 1);
    }
  }
  DynamicHeader h;
  h.litlen = MakeCode(CodeLengths(litlen, kMostCodeBits));
  h.distance = MakeCode(CodeLengths(distance, kMostCodeBits));
  h.hlit = 286;
  while (h.hlit > 257 && h.litlen.lengths[h.hlit - 1] == 0) --h.hlit;
  h.hdist = kDistanceSymbols;
  while (h.hdist > 1 && h.distance.lengths[h.hdist - 1] == 0) --h.hdist;
  std::vector<uint8_t> all(h.litlen.lengths.begin(), h.litlen.lengths.begin() + h.hlit);
  all.insert(all.end(), h.distance.lengths.begin(), h.distance.lengths.begin() + h.hdist);
  h.items = RunLengths(all);
  std::vector<uint32_t> item_counts(19, 0);
  for (const LengthItem& item : h.items) ++item_counts[item.symbol];
  if (std::count_if(item_counts.begin(), item_counts.end(), [](uint32_t f) { return f > 0; }) < 2) {
    item_counts[item_counts[0] ? 1 : 0] = 1;
  }
  h.lengths = MakeCode(CodeLengths(item_counts, 7));
  h.hclen = 19;
  while (h.hclen > 4 && h.lengths.lengths[kCodeLengthOrder[h.hclen - 1]] == 0) --h.hclen;
  h.bits = 5 + 5 + 4 + 3 * h.hclen;
  for (const LengthItem& item : h.items) {
    h.bits += h.lengths.lengths[item.symbol] + kLengthItemExtraBits[item.symbol];
  }
  return h;
}

// The bits of a block's tokens and end in the two codes.
size_t TokenBits(const Block& block, const Code& litlen, const Code& distance) {
  size_t bits = litlen.lengths[kEndOfBlock];
  for (auto t = block.begin; t != block.end; ++t) {
    if (t->length == 0) {
      bits += litlen.lengths[t->value];
    } else {
      const int l = LengthSymbol(t->length), d = DistanceSymbol(t->value);
      bits += litlen.lengths[257 + l] + kLengthExtra[l] + distance.lengths[d] + kDistanceExtra[d];
    }
  }
  return bits;
}

void WriteTokens(BitWriter& out, const Block& block, const Code& litlen, const Code& distance) {
  for (auto t = block.begin; t != block.end; ++t) {
    if (t->length == 0) {
      out.Put(litlen.codes[t->value], litlen.lengths[t->value]);
      continue;
    }
    const int l = LengthSymbol(t->length), d = DistanceSymbol(t->value);
    out.Put(litlen.codes[257 + l], litlen.lengths[257 + l]);
    out.Put(t->length - kLengthBase[l], kLengthExtra[l]);
    out.Put(distance.codes[d], distance.lengths[d]);
    out.Put(t->value - kDistanceBase[d], kDistanceExtra[d]);
  }
  out.Put(litlen.codes[kEndOfBlock], litlen.lengths[kEndOfBlock]);
}

void WriteBlock(BitWriter& out, const Block& block, bool final) {
  static const Code fixed_litlen = MakeCode(FixedLitLenLengths());
  static const Code fixed_distance = MakeCode(FixedDistanceLengths());
  const DynamicHeader dynamic = PlanDynamic(block);
  const size_t fixed_bits = TokenBits(block, fixed_litlen, fixed_distance);
  const size_t dynamic_bits = dynamic.bits + TokenBits(block, dynamic.litlen, dynamic.distance);
  // A stored block: its header, at most 7 bits to the byte, LEN and NLEN.
  const size_t stored_bits = 3 + 7 + 32 + 8 * block.bytes.size();
  if (block.bytes.size() <= 0xFFFF && stored_bits < std::min(fixed_bits, dynamic_bits)) {
    out.Put(final ? 1 : 0, 3);
    out.ToByte();
    const auto size = static_cast<uint32_t>(block.bytes.size());
    out.Put(size, 16);
    out.Put(~size & 0xFFFF, 16);
    out.Append(block.bytes);
    return;
  }
  if (fixed_bits <= dynamic_bits) {
    out.Put((final ? 1 : 0) | (1 << 1), 3);
    WriteTokens(out, block, fixed_litlen, fixed_distance);
    return;
  }
  out.Put((final ? 1 : 0) | (2 << 1), 3);
  out.Put(dynamic.hlit - 257, 5);
  out.Put(dynamic.hdist - 1, 5);
  out.Put(dynamic.hclen - 4, 4);
  for (int i = 0; i < dynamic.hclen; ++i) out.Put(dynamic.lengths.lengths[kCodeLengthOrder[i]], 3);
  for (const LengthItem& item : dynamic.items) {
    out.Put(dynamic.lengths.codes[item.symbol], dynamic.lengths.lengths[item.symbol]);
    out.Put(item.extra, kLengthItemExtraBits[item.symbol]);
  }
  WriteTokens(out, block, dynamic.litlen, dynamic.distance);
}

// ---- Reading ----------------------------------------------------------

struct StreamFault {
  std::string what;
};

class BitReader {
 public:
  explicit BitReader(std::string_view in) : in_(in) {}

  uint32_t Bits(int count) {
    while (count_ < count) {
      if (at_ >= in_.size()) throw StreamFault{"cut off"};
      buffer_ |= static_cast<uint32_t>(static_cast<uint8_t>(in_[at_++])) << count_;
      count_ += 8;
    }
    const uint32_t bits = buffer_ & ((1u << count) - 1);
    buffer_ >>= count;
    count_ -= count;
    return bits;
  }
  // Drops the rest of the byte being read.
  void ToByte() {
    buffer_ = 0;
    count_ = 0;
  }
  std::string_view Bytes(size_t count) {
    if (in_.size() - at_ < count) throw StreamFault{"cut off"};
    const std::string_view bytes = in_.substr(at_, count);
    at_ += count;
    return bytes;
  }
  bool AtEnd() const { return at_ == in_.size(); }

 private:
  std::string_view in_;
  size_t at_ = 0;
  uint32_t buffer_ = 0;
  int count_ = 0;
};

// A canonical code for reading: how many codes of each length, and the
// symbols in code order.
struct Decoder {
  std::array<uint16_t, kMostCodeBits + 1> count{};
  std::vector<uint16_t> symbols;
};

enum class Completeness { kWhole, kOneCodeAllowed };

Decoder MakeDecoder(const std::vector<uint8_t>& lengths, Completeness rule, const char* what) {
  Decoder d;
  for (uint8_t length : lengths) ++d.count[length];
  int left = 1;
  for (int bits = 1; bits <= kMostCodeBits; ++bits) {
    left = (left << 1) - d.count[bits];
    if (left < 0) throw StreamFault{std::string("its ") + what + " code has more codes than fit"};
  }
  const int used = static_cast<int>(lengths.size()) - d.count[0];
  // As zlib reads: a code with unused bit patterns only when it has one code
  // (or none) and is not the code lengths' code.
  if (left > 0 && !(rule == Completeness::kOneCodeAllowed && used <= 1)) {
    throw StreamFault{std::string("its ") + what + " code leaves codes unused"};
  }
  std::array<uint16_t, kMostCodeBits + 1> offset{};
  for (int bits = 1; bits < kMostCodeBits; ++bits) offset[bits + 1] = offset[bits] + d.count[bits];
  d.symbols.resize(used);
  for (size_t s = 0; s < lengths.size(); ++s) {
    if (lengths[s] != 0) d.symbols[offset[lengths[s]]++] = static_cast<uint16_t>(s);
  }
  d.count[0] = 0;
  return d;
}

int Decode(BitReader& in, const Decoder& d) {
  int code = 0, first = 0, index = 0;
  for (int bits = 1; bits <= kMostCodeBits; ++bits) {
    code |= static_cast<int>(in.Bits(1));
    const int count = d.count[bits];
    if (code - first < count) return d.symbols[index + code - first];
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  throw StreamFault{"a code that is in none of its tables"};
}

void InflateCodes(BitReader& in, const Decoder& litlen, const Decoder& distance, std::string& out,
                  size_t most_bytes) {
  const auto room_for = [&](size_t count) {
    if (most_bytes - out.size() < count) {
      throw StreamFault{"it unpacks to more than " + std::to_string(most_bytes) + " bytes"};
    }
  };
  while (true) {
    int symbol = Decode(in, litlen);
    if (symbol < 256) {
      room_for(1);
      out.push_back(static_cast<char>(symbol));
      continue;
    }
    if (symbol == kEndOfBlock) return;
    symbol -= 257;
    if (symbol >= 29) throw StreamFault{"a length code out of range"};
    const size_t length = kLengthBase[symbol] + in.Bits(kLengthExtra[symbol]);
    const int d = Decode(in, distance);
    if (d >= kDistanceSymbols) throw StreamFault{"a distance code out of range"};
    const size_t back = kDistanceBase[d] + in.Bits(kDistanceExtra[d]);
    if (back > out.size()) {
      throw StreamFault{"a match " + std::to_string(back) + " bytes back with only " +
                        std::to_string(out.size()) + " unpacked"};
    }
    room_for(length);
    for (size_t i = 0; i < length; ++i) out.push_back(out[out.size() - back]);
  }
}

void InflateDynamic(BitReader& in, std::string& out, size_t most_bytes) {
  const int nlen = static_cast<int>(in.Bits(5)) + 257;
  const int ndist = static_cast<int>(in.Bits(5)) + 1;
  const int ncode = static_cast<int>(in.Bits(4)) + 4;
  if (nlen > 286 || ndist > kDistanceSymbols) throw StreamFault{"more codes than the format has"};
  std::vector<uint8_t> code_lengths(19, 0);
  for (int i = 0; i < ncode; ++i)
    code_lengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(in.Bits(3));
  const Decoder lengths_code = MakeDecoder(code_lengths, Completeness::kWhole, "code lengths'");
  std::vector<uint8_t> lengths;
  while (lengths.size() < static_cast<size_t>(nlen + ndist)) {
    const int symbol = Decode(in, lengths_code);
    if (symbol < 16) {
      lengths.push_back(static_cast<uint8_t>(symbol));
      continue;
    }
    uint8_t repeated = 0;
    size_t times = 0;
    if (symbol == 16) {
      if (lengths.empty()) throw StreamFault{"a repeat with no length before it"};
      repeated = lengths.back();
      times = 3 + in.Bits(2);
    } else {
      times = symbol == 17 ? 3 + in.Bits(3) : 11 + in.Bits(7);
    }
    if (lengths.size() + times > static_cast<size_t>(nlen + ndist)) {
      throw StreamFault{"code lengths repeated past their end"};
    }
    lengths.insert(lengths.end(), times, repeated);
  }
  if (lengths[kEndOfBlock] == 0) throw StreamFault{"a block with no end code"};
  const Decoder litlen = MakeDecoder({lengths.begin(), lengths.begin() + nlen},
                                     Completeness::kOneCodeAllowed, "literal and length");
  const Decoder distance = MakeDecoder({lengths.begin() + nlen, lengths.end()},
                                       Completeness::kOneCodeAllowed, "distance");
  InflateCodes(in, litlen, distance, out, most_bytes);
}

}  // namespace

std::string Deflate(std::string_view bytes) {
  // Blocks of this many tokens at most, so each gets codes of its own.
  constexpr size_t kBlockTokens = 1 << 14;
  const std::vector<Token> tokens = FindMatches(bytes);
  BitWriter out;
  size_t at = 0;
  auto begin = tokens.begin();
  do {
    const auto end =
        begin + static_cast<ptrdiff_t>(std::min<size_t>(kBlockTokens, tokens.end() - begin));
    size_t size = 0;
    for (auto t = begin; t != end; ++t) size += t->length == 0 ? 1 : t->length;
    WriteBlock(out, {begin, end, bytes.substr(at, size)}, end == tokens.end());
    at += size;
    begin = end;
  } while (begin != tokens.end());
  return out.Take();
}

Inflated Inflate(std::string_view stream, size_t most_bytes) {
  static const Decoder fixed_litlen =
      MakeDecoder(FixedLitLenLengths(), Completeness::kWhole, "fixed");
  static const Decoder fixed_distance =
      MakeDecoder(FixedDistanceLengths(), Completeness::kWhole, "fixed");
  BitReader in(stream);
  std::string out;
  try {
    bool final = false;
    while (!final) {
      final = in.Bits(1) == 1;
      switch (in.Bits(2)) {
        case 0: {
          in.ToByte();
          const std::string_view header = in.Bytes(4);
          const auto byte = [&](int i) {
            return static_cast<uint32_t>(static_cast<uint8_t>(header[i]));
          };
          const uint32_t size = byte(0) | byte(1) << 8;
          if ((byte(2) | byte(3) << 8) != (~size & 0xFFFF)) {
            throw StreamFault{"a stored block's length does not match its check"};
          }
          const std::string_view stored = in.Bytes(size);
          if (most_bytes - out.size() < size) {
            throw StreamFault{"it unpacks to more than " + std::to_string(most_bytes) + " bytes"};
          }
          out.append(stored);
          break;
        }
        case 1:
          InflateCodes(in, fixed_litlen, fixed_distance, out, most_bytes);
          break;
        case 2:
          InflateDynamic(in, out, most_bytes);
          break;
        default:
          throw StreamFault{"a block of the reserved type 3"};
      }
    }
    in.ToByte();
    if (!in.AtEnd()) throw StreamFault{"bytes after its final block"};
  } catch (const StreamFault& fault) {
    return {std::nullopt, fault.what};
  }
  return {std::move(out), ""};
}

}  // namespace kolvar
