// Storage views: listing, opening sub-storages and reading streams through the file.
#include "converter/cfb/storage.h"

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

std::optional<Element> Storage::Find(std::u16string_view name, EntryKind kind) const {
  for (Element& element : Elements())
    if (element.kind == kind && element.name == name) return std::move(element);
  return std::nullopt;
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
