// Decoder of compressed rich-text bodies. The result is written into one buffer that
// starts with the 207-byte initial dictionary; a 12-bit dictionary offset names the buffer
// position with the same value modulo 4096 in the 4096 bytes behind the write position,
// so no separate circular dictionary is kept. Decoded into memory, the buffer holds the
// whole result; decoded into a sink, it holds one piece at a time and, after each piece,
// its last 4 KB or more are moved down by a multiple of 4096.
#include "converter/rtf/clzf.h"

#include <algorithm>
#include <cstring>
#include <string>

#include <zlib.h>

#include "converter/base/errors.h"
#include "converter/rtf/rtf_dictionary.h"

namespace quorlin {
namespace {

constexpr std::uint32_t kMagicCompressed = 0x75465A4C;  // "LZFu"
constexpr std::uint32_t kMagicStored = 0x414C454D;      // "MELA"
constexpr std::size_t kHeaderSize = 16;
constexpr std::size_t kPrefix = kRtfInitialDictionary.size();
// Spare bytes behind the result so a reference may be copied in fixed 17-byte blocks.
constexpr std::size_t kSlack = 32;
// A whole run at most: one control byte and eight two-byte references of 17 bytes each.
constexpr std::size_t kMaxRunInput = 17;
constexpr std::size_t kMaxRunOutput = 8 * 17;

[[noreturn]] void Fail(const char* reason) { throw DecodeError(reason); }

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
         std::uint32_t{p[3]} << 24;
}

// The most output `content_size` bytes can produce: full runs of eight references, then a
// last, shorter run with as many references as fit after its control byte and a literal
// in an odd byte left over.
std::uint64_t MaxOutputFor(std::uint64_t content_size) {
  const std::uint64_t rest = content_size % kMaxRunInput;
  std::uint64_t most = content_size / kMaxRunInput * kMaxRunOutput;
  if (rest >= 1) most += 17 * ((rest - 1) / 2) + (rest - 1) % 2;
  return most;
}

// Copies one reference to `out` (a position inside `base`'s buffer) and returns the new
// write position. The caller has checked that `length` bytes fit.
std::uint8_t* CopyReference(std::uint8_t* base, std::uint8_t* out, unsigned token) {
  const std::size_t write = static_cast<std::size_t>(out - base);
  const std::size_t length = (token & 0x0F) + 2;
  std::size_t pos = (write & ~std::size_t{kRtfDictionarySize - 1}) + (token >> 4);
  if (pos == write) Fail("compressed-RTF data ends before its stated size");
  if (pos > write) {
    if (pos < kRtfDictionarySize) Fail("compressed-RTF reference before the start of the data");
    pos -= kRtfDictionarySize;
  }
  const std::uint8_t* src = base + pos;
  const std::size_t distance = write - pos;
  if (distance >= 16) {
    // The source lies wholly behind the first 16 bytes written, so block copies give the
    // same bytes as copying one at a time; bytes past `length` land in space not yet used.
    std::memcpy(out, src, 16);
    out[16] = src[16];
  } else if (distance == 1) {
    std::memset(out, *src, length);
  } else {
    // The reference reads bytes it is writing itself: one at a time.
    for (std::size_t i = 0; i < length; ++i) out[i] = src[i];
  }
  return out + length;
}

// Where a decoding stands: `base` is a buffer whose index equals the dictionary position
// modulo 4096 (the initial dictionary at its start, or the last 4 KB written moved down
// by whole multiples of 4096), `left` the bytes of the stated size still to write.
struct DecodeState {
  std::uint8_t* base = nullptr;
  std::uint8_t* out = nullptr;
  std::uint64_t left = 0;
  const std::uint8_t* in = nullptr;
  const std::uint8_t* in_end = nullptr;
  unsigned control = 0;
  int bits_left = 0;  // tokens the current control byte still describes
};

DecodeState StartDecoding(std::uint8_t* buffer, std::span<const std::uint8_t> content,
                          std::uint32_t raw_size) {
  std::memcpy(buffer, kRtfInitialDictionary.data(), kPrefix);
  DecodeState state;
  state.base = buffer;
  state.out = buffer + kPrefix;
  state.left = raw_size;
  state.in = content.data();
  state.in_end = content.data() + content.size();
  return state;
}

// Decodes until the stated size is filled or the write position has reached `stop`. A
// last reference may run up to 17 bytes past `stop`, and kSlack bytes behind that may be
// scribbled on, so the buffer must reach that far.
void DecodeUntil(DecodeState& state, std::uint8_t* const stop) {
  std::uint8_t* const base = state.base;
  std::uint8_t* out = state.out;
  std::uint8_t* const start = out;
  const std::uint8_t* in = state.in;
  const std::uint8_t* const in_end = state.in_end;
  unsigned control = state.control;
  int bits_left = state.bits_left;
  // The end of this piece: the stated size's end when it lies inside, else `stop`.
  std::uint8_t* const out_end =
      state.left <= static_cast<std::uint64_t>(stop - out) ? out + state.left : stop;

  while (out < out_end) {
    if (bits_left == 0 && static_cast<std::size_t>(in_end - in) >= kMaxRunInput &&
        static_cast<std::size_t>(out_end - out) >= kMaxRunOutput) {
      // A whole run fits in what is left of both input and output: no checks per token.
      unsigned run_control = *in++;
      if (run_control == 0) {
        std::memcpy(out, in, 8);
        out += 8;
        in += 8;
        continue;
      }
      for (int bit = 0; bit < 8; ++bit, run_control >>= 1) {
        if ((run_control & 1) == 0) {
          *out++ = *in++;
        } else {
          const unsigned token = unsigned{in[0]} << 8 | in[1];
          in += 2;
          out = CopyReference(base, out, token);
        }
      }
      continue;
    }
    // Near either end: one token at a time, each checked against both ends.
    if (bits_left == 0) {
      if (in == in_end) Fail("compressed-RTF data truncated");
      control = *in++;
      bits_left = 8;
    }
    const bool is_reference = (control & 1) != 0;
    control >>= 1;
    --bits_left;
    if (!is_reference) {
      if (in == in_end) Fail("compressed-RTF data truncated");
      *out++ = *in++;
      continue;
    }
    if (in_end - in < 2) Fail("compressed-RTF data truncated");
    const unsigned token = unsigned{in[0]} << 8 | in[1];
    in += 2;
    const bool is_end = (token >> 4) == ((out - base) & (kRtfDictionarySize - 1));
    const std::uint64_t left = state.left - static_cast<std::uint64_t>(out - start);
    if (!is_end && left < (token & 0x0F) + 2)
      Fail("compressed-RTF reference runs past its stated size");
    out = CopyReference(base, out, token);
  }

  state.left -= static_cast<std::uint64_t>(out - start);
  state.out = out;
  state.in = in;
  state.control = control;
  state.bits_left = bits_left;
}

// Once the stated size is filled the data must end there too: with the end reference
// (any padding after it is ignored), or with nothing at all. Anything else is text the
// stated size leaves out, and writing the shorter document would lose it silently.
void CheckDataEnds(DecodeState state) {
  if (state.in == state.in_end) return;
  if (state.bits_left == 0) {
    state.control = *state.in++;
    state.bits_left = 8;
  }
  const std::uint8_t* in = state.in;
  const bool is_end = (state.control & 1) != 0 && state.in_end - in >= 2 &&
                      ((unsigned{in[0]} << 8 | in[1]) >> 4) ==
                          ((state.out - state.base) & (kRtfDictionarySize - 1));
  if (!is_end) Fail("compressed-RTF data continues past its stated size");
}

std::vector<std::uint8_t> DecodeCompressed(std::span<const std::uint8_t> content,
                                           std::uint32_t raw_size) {
  std::vector<std::uint8_t> buffer(kPrefix + std::size_t{raw_size} + kSlack);
  DecodeState state = StartDecoding(buffer.data(), content, raw_size);
  DecodeUntil(state, state.out + raw_size);
  CheckDataEnds(state);
  buffer.erase(buffer.begin(), buffer.begin() + kPrefix);
  buffer.resize(raw_size);
  return buffer;
}

// Output handed to the sink per piece: a multiple of 4096, so that moving the buffer
// down after a piece keeps each index equal to its dictionary position modulo 4096.
constexpr std::size_t kPiece = 64 * 1024;

void DecodeCompressedTo(std::span<const std::uint8_t> content, std::uint32_t raw_size,
                        ByteSink& sink) {
  const std::size_t used = static_cast<std::size_t>(
      std::min<std::uint64_t>(kPrefix + std::uint64_t{raw_size}, kRtfDictionarySize + kPiece));
  std::vector<std::uint8_t> buffer(used + kMaxRunOutput + kSlack);
  DecodeState state = StartDecoding(buffer.data(), content, raw_size);
  std::uint8_t* const stop = buffer.data() + used;
  while (true) {
    std::uint8_t* const from = state.out;
    DecodeUntil(state, stop);
    sink.Write({from, state.out});
    if (state.left == 0) break;
    // Keep at least the last 4096 bytes, which later references may reach back into.
    const std::size_t write = static_cast<std::size_t>(state.out - state.base);
    const std::size_t shift = (write - kRtfDictionarySize) & ~std::size_t{kRtfDictionarySize - 1};
    std::memmove(state.base, state.base + shift, write - shift);
    state.out -= shift;
  }
  CheckDataEnds(state);
}

struct Header {
  std::uint32_t raw_size;
  std::uint32_t magic;
  std::span<const std::uint8_t> content;
};

// Reads and checks the 16-byte header, and the CRC of compressed contents when asked to.
Header ReadHeader(std::span<const std::uint8_t> input, bool check_crc = true) {
  if (input.size() < kHeaderSize) Fail("Invalid compressed-RTF header");
  const std::uint8_t* header = input.data();
  const std::uint32_t comp_size = ReadLe32(header);
  const Header result{ReadLe32(header + 4), ReadLe32(header + 8), input.subspan(kHeaderSize)};
  const std::uint32_t crc = ReadLe32(header + 12);
  if (std::uint64_t{comp_size} != input.size() - 4) Fail("compressed-RTF data size mismatch");
  if (result.magic == kMagicStored) {
    // Stored contents are the document itself, so they end exactly at the stated size:
    // bytes after it would be text the document leaves out, the same damage as a
    // compressed body whose data goes on (a stated size of 0 with data after it included).
    if (result.raw_size > result.content.size())
      Fail("compressed-RTF stored data shorter than its stated size");
    if (result.raw_size < result.content.size())
      Fail("compressed-RTF data continues past its stated size");
  } else if (result.magic == kMagicCompressed) {
    if (check_crc && RtfCrc32(result.content) != crc) Fail("compressed-RTF CRC32 failed");
    if (result.raw_size > MaxOutputFor(result.content.size()))
      Fail("compressed-RTF uncompressed size too large for its data");
  } else {
    throw DecodeError("Unknown compression type (magic number " +
                      std::to_string(static_cast<std::int32_t>(result.magic)) + ")");
  }
  return result;
}

}  // namespace

std::uint32_t RtfCrc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  // zlib reads no bytes for an empty buffer but answers its own starting value then.
  if (bytes.empty()) return crc;
  return ~static_cast<std::uint32_t>(::crc32_z(~crc, bytes.data(), bytes.size()));
}

std::vector<std::uint8_t> CLZF::decompressRTF(std::span<const std::uint8_t> input) {
  const Header header = ReadHeader(input);
  if (header.magic == kMagicCompressed) return DecodeCompressed(header.content, header.raw_size);
  std::vector<std::uint8_t> stored;
  stored.reserve(header.raw_size + kSlack);  // like a decoded body, room to append a line break
  stored.assign(header.content.begin(), header.content.end());
  return stored;
}

std::vector<std::uint8_t> CLZF::decompressOpening(std::span<const std::uint8_t> input,
                                                  std::size_t most) {
  const Header header = ReadHeader(input, false);
  const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(header.raw_size, most));
  if (header.magic != kMagicCompressed)
    return std::vector<std::uint8_t>(header.content.begin(), header.content.begin() + size);
  std::vector<std::uint8_t> buffer(kPrefix + size + kMaxRunOutput + kSlack);
  DecodeState state = StartDecoding(buffer.data(), header.content, header.raw_size);
  DecodeUntil(state, state.out + size);
  return std::vector<std::uint8_t>(buffer.begin() + kPrefix, buffer.begin() + kPrefix + size);
}

std::uint32_t CLZF::statedSize(std::span<const std::uint8_t> input) {
  if (input.size() < kHeaderSize) Fail("Invalid compressed-RTF header");
  return ReadLe32(input.data() + 4);
}

void CLZF::decompressRTF(std::span<const std::uint8_t> input, ByteSink& sink) {
  const Header header = ReadHeader(input);
  if (header.magic == kMagicCompressed)
    DecodeCompressedTo(header.content, header.raw_size, sink);
  else
    sink.Write(header.content);
}

}  // namespace quorlin
