// Where a document's bytes go as they are made: a buffer in memory, or the output file
// written piece by piece, so that a large document is never held whole a second time.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace quorlin {

class ByteSink {
 public:
  virtual ~ByteSink() = default;
  // Takes the next bytes; throws when they cannot be kept (IoError for a file).
  virtual void Write(std::span<const std::uint8_t> bytes) = 0;
};

// Appends to a vector.
class VectorSink : public ByteSink {
 public:
  explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    out_.insert(out_.end(), bytes.begin(), bytes.end());
  }

 private:
  std::vector<std::uint8_t>& out_;
};

}  // namespace quorlin
