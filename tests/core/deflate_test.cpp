#include "core/deflate.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

#include "support/files.h"

#ifdef KOLVAR_TEST_ZLIB
#include <zlib.h>
#endif

namespace kolvar {
namespace {

constexpr size_t kPlenty = 16u << 20;

std::string RandomBytes(size_t count, unsigned seed) {
  std::mt19937 random(seed);
  std::string bytes(count, 0);
  for (char& c : bytes) c = static_cast<char>(random());
  return bytes;
}

// Inputs of every kind the coder meets: nothing, one byte, runs far longer
// than a match, bytes with nothing to match, a block repeated exactly one
// window back, and the stage texts it was made for.
std::vector<std::pair<std::string, std::string>> Inputs() {
  const std::string window = RandomBytes(32768, 2);
  std::vector<std::pair<std::string, std::string>> inputs = {
      {"empty", ""},
      {"one byte", "K"},
      {"long run", std::string(300000, '#')},
      {"random bytes", RandomBytes(100000, 1)},
      {"a window back", window + window + "end"},
      {"runs and noise", std::string(5000, 'a') + RandomBytes(70, 3) + std::string(70000, 'b')},
  };
  for (const char* pack : {"stages/kolvar", "stages/deep-halls"}) {
    for (const char* stage : {"/stage01.txt", "/stage16.txt"}) {
      const std::string path = std::string(pack) + stage;
      inputs.emplace_back(path, ReadWholeFile(path));
      EXPECT_FALSE(inputs.back().second.empty()) << path;
    }
  }
  return inputs;
}

#ifdef KOLVAR_TEST_ZLIB
// zlib's raw stream (negative window bits) at a level and strategy.
std::string ZlibDeflate(const std::string& bytes, int level, int strategy) {
  z_stream z{};
  EXPECT_EQ(deflateInit2(&z, level, Z_DEFLATED, -15, 8, strategy), Z_OK);
  std::string out(deflateBound(&z, bytes.size()), 0);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
  z.avail_in = static_cast<uInt>(bytes.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::optional<std::string> ZlibInflate(const std::string& stream, size_t size) {
  z_stream z{};
  EXPECT_EQ(inflateInit2(&z, -15), Z_OK);
  std::string out(size + 1, 0);
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(stream.data()));
  z.avail_in = static_cast<uInt>(stream.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  const int status = inflate(&z, Z_FINISH);
  out.resize(z.total_out);
  inflateEnd(&z);
  if (status != Z_STREAM_END || z.avail_in != 0) return std::nullopt;
  return out;
}
#endif

TEST(Deflate, RoundTripsEveryKindOfInput) {
  for (const auto& [name, bytes] : Inputs()) {
    const std::string stream = Deflate(bytes);
    const Inflated back = Inflate(stream, bytes.size());
    EXPECT_EQ(back.fault, "") << name;
    EXPECT_TRUE(back.bytes == bytes) << name;
    // Stored blocks bound the worst case; repeats pack far smaller.
    EXPECT_LE(stream.size(), bytes.size() + bytes.size() / 1000 + 8) << name;
    if (name == "long run") {
      EXPECT_LT(stream.size(), 1000u);
    } else if (name == "a window back") {
      EXPECT_LT(stream.size(), 32768u + 1000u);
    }
#ifdef KOLVAR_TEST_ZLIB
    // Another reader reads ours, and we read another writer's at each of
    // its block forms: stored, fixed, dynamic.
    EXPECT_TRUE(ZlibInflate(stream, bytes.size()) == bytes) << name << " read by zlib";
    for (const auto& [level, strategy] : {std::pair{0, Z_DEFAULT_STRATEGY},
                                          {1, Z_DEFAULT_STRATEGY},
                                          {9, Z_DEFAULT_STRATEGY},
                                          {9, Z_FIXED},
                                          {9, Z_HUFFMAN_ONLY},
                                          {9, Z_RLE}}) {
      const Inflated theirs = Inflate(ZlibDeflate(bytes, level, strategy), bytes.size());
      EXPECT_TRUE(theirs.bytes == bytes)
          << name << " from zlib " << level << "/" << strategy << ": " << theirs.fault;
    }
#endif
  }
}

// A stream written out bit by bit in the order it is read: header bits and
// extra bits low bit first as the format stores them, Huffman codes first
// bit first; spaces only for the eye.
std::string StreamOfBits(std::string_view bits) {
  std::string bytes;
  int count = 0;
  for (char bit : bits) {
    if (bit == ' ') continue;
    if (count % 8 == 0) bytes.push_back(0);
    if (bit == '1') bytes.back() = static_cast<char>(bytes.back() | 1 << (count % 8));
    ++count;
  }
  return bytes;
}

TEST(Deflate, RefusesBrokenStreams) {
  const std::string stage = ReadWholeFile("stages/deep-halls/stage01.txt");
  const std::string packed = Deflate(stage);
  const std::string run = Deflate(std::string(100000, 'a'));
  const std::pair<std::string, std::string> broken[] = {
      {"", "cut off"},
      {packed.substr(0, packed.size() / 2), "cut off"},
      {packed.substr(0, packed.size() - 1), "cut off"},
      {packed + "x", "bytes after its final block"},
      {StreamOfBits("1 11"), "reserved type 3"},
      {std::string("\x01\x01\x00\x00\x00x", 6), "stored block's length does not match"},
      {std::string("\x01\x05\x00\xFA\xFFxy", 7), "cut off"},
      // Fixed codes: a length of 3 at distance 1 before anything is unpacked.
      {StreamOfBits("1 10 0000001 00000 0000000"), "a match 1 bytes back with only 0 unpacked"},
      // Fixed codes: literal/length 286 and distance code 30 are the format's
      // spare codes.
      {StreamOfBits("1 10 11000110"), "length code out of range"},
      {StreamOfBits("1 10 0000001 11110"), "distance code out of range"},
      // Dynamic: three one-bit codes in the code lengths' code.
      {StreamOfBits("1 01 00000 00000 0000 100 100 100 000"), "more codes than fit"},
      // Dynamic: one code of two in the code lengths' code.
      {StreamOfBits("1 01 00000 00000 0000 010 000 000 000"), "leaves codes unused"},
      // Dynamic: "repeat the last length" first of all (codes 16 '0', 17 '1').
      {StreamOfBits("1 01 00000 00000 0000 100 100 000 000 0"), "repeat with no length before"},
      // Dynamic: 287 literal/length codes.
      {StreamOfBits("1 01 01111 00000 0000"), "more codes than the format has"},
  };
  for (const auto& [stream, words] : broken) {
    const Inflated result = Inflate(stream, kPlenty);
    EXPECT_FALSE(result.bytes.has_value()) << words;
    EXPECT_NE(result.fault.find(words), std::string::npos) << result.fault << " for " << words;
  }
  // The limit: every byte is kept to it, however the stream is written.
  EXPECT_TRUE(Inflate(run, 100000).bytes.has_value());
  EXPECT_EQ(Inflate(run, 99999).fault, "it unpacks to more than 99999 bytes");
  EXPECT_EQ(Inflate(Deflate("xyz"), 2).fault, "it unpacks to more than 2 bytes");
  EXPECT_EQ(Inflate(Deflate(RandomBytes(500, 4)), 499).fault, "it unpacks to more than 499 bytes");
}

}  // namespace
}  // namespace kolvar
