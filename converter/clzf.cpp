// Decoder of compressed rich-text bodies. The whole result lives in one buffer that starts
// with the 207-byte initial dictionary; a 12-bit dictionary offset names the buffer
// position with the same value modulo 4096 in the 4096 bytes behind the write position,
// so no separate circular dictionary is kept.
#include "converter/clzf.h"

#include <cstring>
#include <string>

#include "converter/crc32.h"
#include "converter/errors.h"
#include "converter/rtf_dictionary.h"

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

std::vector<std::uint8_t> DecodeCompressed(std::span<const std::uint8_t> content,
                                           std::uint32_t raw_size) {
  if (raw_size > MaxOutputFor(content.size()))
    Fail("compressed-RTF uncompressed size too large for its data");

  std::vector<std::uint8_t> buffer(kPrefix + raw_size + kSlack);
  std::memcpy(buffer.data(), kRtfInitialDictionary.data(), kPrefix);
  std::uint8_t* const base = buffer.data();
  std::uint8_t* out = base + kPrefix;
  std::uint8_t* const out_end = out + raw_size;
  const std::uint8_t* in = content.data();
  const std::uint8_t* const in_end = in + content.size();

  unsigned control = 0;
  int bits_left = 0;  // tokens the current control byte still describes
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
    if (!is_end && static_cast<std::size_t>(out_end - out) < (token & 0x0F) + 2)
      Fail("compressed-RTF reference runs past its stated size");
    out = CopyReference(base, out, token);
  }

  // The stated size is filled. The data must end here too: with the end reference (any
  // padding after it is ignored), or with nothing at all. Anything else is text the
  // stated size leaves out, and writing the shorter document would lose it silently.
  if (in != in_end) {
    if (bits_left == 0) {
      control = *in++;
      bits_left = 8;
    }
    const bool is_end = (control & 1) != 0 && in_end - in >= 2 &&
                        ((unsigned{in[0]} << 8 | in[1]) >> 4) ==
                            ((out - base) & (kRtfDictionarySize - 1));
    if (!is_end) Fail("compressed-RTF data continues past its stated size");
  }

  buffer.erase(buffer.begin(), buffer.begin() + kPrefix);
  buffer.resize(raw_size);
  return buffer;
}

}  // namespace

std::vector<std::uint8_t> CLZF::decompressRTF(std::span<const std::uint8_t> input) {
  if (input.size() < kHeaderSize) Fail("Invalid compressed-RTF header");
  const std::uint8_t* header = input.data();
  const std::uint32_t comp_size = ReadLe32(header);
  const std::uint32_t raw_size = ReadLe32(header + 4);
  const std::uint32_t magic = ReadLe32(header + 8);
  const std::uint32_t crc = ReadLe32(header + 12);
  if (std::uint64_t{comp_size} != input.size() - 4) Fail("compressed-RTF data size mismatch");

  const std::span<const std::uint8_t> content = input.subspan(kHeaderSize);
  if (magic == kMagicStored) {
    if (raw_size > content.size()) Fail("compressed-RTF stored data shorter than its stated size");
    std::vector<std::uint8_t> stored;
    stored.reserve(raw_size + kSlack);  // like a decoded body, room to append a line break
    stored.assign(content.begin(), content.begin() + raw_size);
    return stored;
  }
  if (magic == kMagicCompressed) {
    if (RtfCrc32(content) != crc) Fail("compressed-RTF CRC32 failed");
    return DecodeCompressed(content, raw_size);
  }
  throw DecodeError("Unknown compression type (magic number " +
                    std::to_string(static_cast<std::int32_t>(magic)) + ")");
}

}  // namespace quorlin
