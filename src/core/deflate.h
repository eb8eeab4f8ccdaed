// Raw DEFLATE (RFC 1951): the compressed form of a stage pack carried in a
// link. Our own small coder, so the browser's build needs no zlib; a raw
// stream is also what the page's DecompressionStream('deflate-raw') and
// zlib with negative window bits read and write.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace kolvar {

// `bytes` as one raw DEFLATE stream: LZ77 matches found on a hash chain,
// written in the block form (stored, fixed or dynamic Huffman codes) that
// comes out shortest.
std::string Deflate(std::string_view bytes);

struct Inflated {
  std::optional<std::string> bytes;  // set only when `fault` is empty
  std::string fault;                 // in words: "cut off", "a distance ..."
};

// The bytes of a raw DEFLATE stream holding at most `most_bytes`; refused
// with a fault when it is cut off, breaks the format, would unpack to more
// than `most_bytes`, or has bytes after its final block. It reads nothing
// outside `stream`, and its work is bounded by the stream's and the
// limit's sizes.
Inflated Inflate(std::string_view stream, size_t most_bytes);

}  // namespace kolvar
