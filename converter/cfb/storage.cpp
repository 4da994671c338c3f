// Storage views: listing, opening sub-storages and reading streams through the file.
#include "converter/cfb/storage.h"

#include <algorithm>

#include "converter/base/errors.h"

namespace quorlin {

std::vector<Element> Storage::Elements() const {
  const DirectoryTree& tree = file_->directory();
  std::vector<Element> elements;
  for (std::uint32_t child : tree.children(id_)) {
    const DirectoryEntry& entry = tree.entry(child);
    elements.push_back(Element{entry.kind, entry.name,
                               entry.kind == EntryKind::kStream ? entry.size : 0, child});
  }
  return elements;
}

const std::vector<std::uint32_t>& Storage::ChildIds() const { return file_->directory().children(id_); }

EntryKind Storage::KindOf(std::uint32_t id) const { return file_->directory().entry(id).kind; }

std::u16string_view Storage::NameOf(std::uint32_t id) const { return file_->directory().entry(id).name; }

Element Storage::ElementOf(std::uint32_t id) const {
  const DirectoryTree& tree = file_->directory();
  if (tree.parent(id) != id_) throw FormatError("directory entry " + std::to_string(id) + " is not listed here");
  const DirectoryEntry& entry = tree.entry(id);
  return Element{entry.kind, entry.name, entry.kind == EntryKind::kStream ? entry.size : 0, id};
}

std::optional<Element> Storage::Find(std::u16string_view name, EntryKind kind) const {
  const DirectoryTree& tree = file_->directory();
  for (std::uint32_t child : tree.children(id_)) {
    const DirectoryEntry& entry = tree.entry(child);
    if (entry.kind == kind && entry.name == name) return ElementOf(child);
  }
  return std::nullopt;
}

std::vector<std::uint32_t> Storage::ChildIdsByName(EntryKind kind, std::u16string_view prefix) const {
  const DirectoryTree& tree = file_->directory();
  std::vector<std::uint32_t> ids;
  for (std::uint32_t child : tree.children(id_)) {
    const DirectoryEntry& entry = tree.entry(child);
    if (entry.kind == kind && std::u16string_view(entry.name).starts_with(prefix)) ids.push_back(child);
  }
  auto name = [&tree](std::uint32_t id) -> const std::u16string& { return tree.entry(id).name; };
  // Stable, so that of a repeated name the first in tree order comes first and stays.
  std::stable_sort(ids.begin(), ids.end(), [&name](std::uint32_t a, std::uint32_t b) { return name(a) < name(b); });
  ids.erase(std::unique(ids.begin(), ids.end(), [&name](std::uint32_t a, std::uint32_t b) { return name(a) == name(b); }),
            ids.end());
  return ids;
}

Storage Storage::OpenStorage(std::u16string_view name) const {
  std::optional<Element> element = Find(name, EntryKind::kStorage);
  if (!element) throw FormatError("no storage named \"" + NameForMessages(name) + "\"");
  return Storage(file_, element->id);
}

bool Storage::IsChild(const Element& element, EntryKind kind) const {
  const DirectoryTree& tree = file_->directory();
  return element.kind == kind && tree.parent(element.id) == id_ && tree.entry(element.id).kind == kind;
}

Storage Storage::OpenStorage(std::uint32_t id) const {
  const DirectoryTree& tree = file_->directory();
  if (tree.parent(id) != id_ || tree.entry(id).kind != EntryKind::kStorage)
    throw FormatError("directory entry " + std::to_string(id) + " is not a storage here");
  return Storage(file_, id);
}

Storage Storage::OpenStorage(const Element& element) const {
  if (!IsChild(element, EntryKind::kStorage))
    throw FormatError("\"" + NameForMessages(element.name) + "\" is not a storage here");
  return Storage(file_, element.id);
}

std::vector<std::uint8_t> Storage::ReadStream(std::u16string_view name) const {
  std::optional<Element> element = Find(name, EntryKind::kStream);
  if (!element) throw FormatError("no stream named \"" + NameForMessages(name) + "\"");
  return file_->ReadStream(element->id);
}

std::vector<std::uint8_t> Storage::ReadStream(const Element& element) const {
  if (!IsChild(element, EntryKind::kStream))
    throw FormatError("\"" + NameForMessages(element.name) + "\" is not a stream here");
  return file_->ReadStream(element.id);
}

StreamBytes Storage::ReadStreamInPlace(const Element& element) const {
  if (!IsChild(element, EntryKind::kStream))
    throw FormatError("\"" + NameForMessages(element.name) + "\" is not a stream here");
  if (std::optional<std::span<const std::uint8_t>> view = file_->StreamInPlace(element.id))
    return StreamBytes(*view);
  return StreamBytes(file_->ReadStream(element.id));
}

}  // namespace quorlin
