// A read-only view of one storage inside a compound file: the file plus a directory id.
// Copying a view is cheap and shares the file; an embedded message is simply a view of
// its sub-storage.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "converter/cfb/compound_file.h"

namespace quorlin {

// One direct child of a storage, as the storage lists it.
struct Element {
  EntryKind kind;  // kStorage or kStream
  std::u16string name;
  std::uint64_t size;  // stream size in bytes; 0 for storages
  std::uint32_t id;
};

// A stream's content: a view into the file when the stream lies there in one piece, else
// a copy of its own. Either way it is read-only and lives as long as this object (and,
// for a view, the file's bytes).
class StreamBytes {
 public:
  explicit StreamBytes(std::span<const std::uint8_t> view) : view_(view) {}
  explicit StreamBytes(std::vector<std::uint8_t> copy) : copy_(std::move(copy)), owns_(true) {}
  std::span<const std::uint8_t> bytes() const { return owns_ ? std::span<const std::uint8_t>(copy_) : view_; }

 private:
  std::span<const std::uint8_t> view_;
  std::vector<std::uint8_t> copy_;
  bool owns_ = false;
};

class Storage {
 public:
  Storage(std::shared_ptr<const CompoundFile> file, std::uint32_t id)
      : file_(std::move(file)), id_(id) {}

  // The root storage of a file.
  static Storage Root(std::shared_ptr<const CompoundFile> file) { return Storage(std::move(file), 0); }

  std::uint32_t id() const { return id_; }

  // Direct children (storages and streams) in the order of the storage's tree.
  std::vector<Element> Elements() const;

  // The sub-storage of that exact name; throws FormatError when there is none.
  Storage OpenStorage(std::u16string_view name) const;

  // A sub-storage by its directory id, which must be a child of this storage.
  Storage OpenStorage(const Element& element) const;

  // The whole content of a direct child stream; throws FormatError when there is none.
  std::vector<std::uint8_t> ReadStream(std::u16string_view name) const;
  std::vector<std::uint8_t> ReadStream(const Element& element) const;
  // The same content without a copy where the file allows it (large streams in one piece).
  StreamBytes ReadStreamInPlace(const Element& element) const;

 private:
  std::optional<Element> Find(std::u16string_view name, EntryKind kind) const;
  // True when `element` is a direct child of this storage of that kind (constant time).
  bool IsChild(const Element& element, EntryKind kind) const;

  std::shared_ptr<const CompoundFile> file_;
  std::uint32_t id_;
};

}  // namespace quorlin
