// Message writer: a real compressor for compressed rich-text bodies. It matches greedily
// against the 4096 bytes behind the write position (initial dictionary included) through
// hash chains, so bodies of any size build quickly and use genuine back-references.
#include "msgwriter/lzfu_compressor.h"

#include <algorithm>
#include <string>

#include "converter/rtf/clzf.h"
#include "converter/rtf/rtf_dictionary.h"

namespace msgwriter {

// The dictionary and checksum are fixed by the format; the converter's copies are used.
using quorlin::kRtfDictionarySize;
using quorlin::kRtfInitialDictionary;
using quorlin::RtfCrc32;

namespace {

constexpr std::size_t kWindow = kRtfDictionarySize;
constexpr std::size_t kMinMatch = 2;
constexpr std::size_t kMaxMatch = 17;
constexpr std::size_t kMaxChain = 512;

void PutLe32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) out[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::vector<std::uint8_t> WithHeader(std::vector<std::uint8_t> body, std::size_t raw_size,
                                     std::uint32_t magic, std::uint32_t crc) {
  std::vector<std::uint8_t> out(16 + body.size());
  std::copy(body.begin(), body.end(), out.begin() + 16);
  PutLe32(out, 0, static_cast<std::uint32_t>(body.size() + 12));
  PutLe32(out, 4, static_cast<std::uint32_t>(raw_size));
  PutLe32(out, 8, magic);
  PutLe32(out, 12, crc);
  return out;
}

// Collects tokens eight to a run, each run behind its control byte.
class RunWriter {
 public:
  void Literal(std::uint8_t byte) {
    StartToken();
    out_.push_back(byte);
  }
  void Reference(std::size_t offset, std::size_t length) {
    StartToken();
    out_[control_at_] |= static_cast<std::uint8_t>(1u << (bits_used_ - 1));
    const unsigned token = static_cast<unsigned>(offset << 4 | (length - kMinMatch));
    out_.push_back(static_cast<std::uint8_t>(token >> 8));
    out_.push_back(static_cast<std::uint8_t>(token & 0xFF));
  }
  std::vector<std::uint8_t> Take() { return std::move(out_); }

 private:
  void StartToken() {
    if (bits_used_ == 8 || out_.empty()) {
      control_at_ = out_.size();
      out_.push_back(0);
      bits_used_ = 0;
    }
    ++bits_used_;
  }
  std::vector<std::uint8_t> out_;
  std::size_t control_at_ = 0;
  int bits_used_ = 8;
};

}  // namespace

std::vector<std::uint8_t> CompressRtf(std::string_view rtf) {
  // The text as the decoder's buffer will hold it: initial dictionary, then the output.
  std::string all(kRtfInitialDictionary);
  all.append(rtf);
  const auto* data = reinterpret_cast<const std::uint8_t*>(all.data());
  const std::size_t end = all.size();

  std::vector<std::int64_t> head(1 << 16, -1);
  std::vector<std::int64_t> prev(end, -1);
  auto hash = [&](std::size_t p) { return std::size_t{data[p]} << 8 | data[p + 1]; };
  auto insert = [&](std::size_t p) {
    if (p + 1 >= end) return;
    prev[p] = head[hash(p)];
    head[hash(p)] = static_cast<std::int64_t>(p);
  };
  for (std::size_t p = 0; p < kRtfInitialDictionary.size(); ++p) insert(p);

  RunWriter writer;
  std::size_t write = kRtfInitialDictionary.size();
  while (write < end) {
    std::size_t best_len = 0, best_pos = 0;
    const std::size_t limit = std::min(kMaxMatch, end - write);
    if (limit >= kMinMatch) {
      std::size_t chain = 0;
      // Distance 4096 would name the write position itself, which marks the end.
      for (std::int64_t cand = head[hash(write)];
           cand >= 0 && write - static_cast<std::size_t>(cand) < kWindow && chain < kMaxChain;
           cand = prev[static_cast<std::size_t>(cand)], ++chain) {
        const std::size_t c = static_cast<std::size_t>(cand);
        std::size_t len = 0;
        while (len < limit && data[c + len] == data[write + len]) ++len;
        if (len > best_len) {
          best_len = len;
          best_pos = c;
          if (len == limit) break;
        }
      }
    }
    if (best_len >= kMinMatch) {
      writer.Reference(best_pos % kWindow, best_len);
      for (std::size_t i = 0; i < best_len; ++i) insert(write + i);
      write += best_len;
    } else {
      writer.Literal(data[write]);
      insert(write);
      ++write;
    }
  }
  writer.Reference(write % kWindow, kMinMatch);  // the end reference, length field 0
  std::vector<std::uint8_t> body = writer.Take();
  const std::uint32_t crc = RtfCrc32(body);
  return WithHeader(std::move(body), rtf.size(), 0x75465A4C, crc);
}

std::vector<std::uint8_t> StoreRtfUncompressed(std::string_view rtf) {
  return WithHeader(std::vector<std::uint8_t>(rtf.begin(), rtf.end()), rtf.size(), 0x414C454D, 0);
}

}  // namespace msgwriter
