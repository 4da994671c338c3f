// Taking back what a failed conversion wrote.
#include "converter/output/attachment_journal.h"

#include <map>
#include <system_error>

namespace quorlin {

namespace {

// A document of the tree while it is put together: its children by their place in the list.
struct Node {
  DescribedDocument document;
  std::vector<std::size_t> embedded;
};

DescribedDocument Assemble(std::vector<Node>& nodes, std::size_t at) {
  DescribedDocument document = std::move(nodes[at].document);
  for (const std::size_t inner : nodes[at].embedded) document.embedded.push_back(Assemble(nodes, inner));
  return document;
}

}  // namespace

DescribedDocument AttachmentJournal::Describe(std::filesystem::path document, DocumentFacts facts) const {
  // An embedded document's own files are written before the document itself, so a node is
  // made for a path when it is first met, as a holder or as a document.
  std::vector<Node> nodes(1);
  nodes[0].document.path = std::move(document);
  nodes[0].document.facts = std::move(facts);
  std::map<std::filesystem::path, std::size_t> at{{nodes[0].document.path, 0}};
  const auto node = [&](const std::filesystem::path& path) -> std::size_t {
    if (path.empty()) return 0;
    const auto [found, added] = at.emplace(path, nodes.size());
    if (added) nodes.emplace_back().document.path = path;
    return found->second;
  };
  for (const Entry& entry : entries_) {
    if (entry.kind == Kind::kFolder) continue;
    const std::size_t holder = node(entry.holder);
    if (entry.kind == Kind::kFile) {
      nodes[holder].document.saved.push_back(entry.path);
      continue;
    }
    const std::size_t inner = node(entry.path);
    nodes[inner].document.facts = entry.facts;
    nodes[holder].embedded.push_back(inner);
  }
  return Assemble(nodes, 0);
}

void AttachmentJournal::RollBack() noexcept {
  for (auto entry = entries_.rbegin(); entry != entries_.rend(); ++entry) {
    std::error_code ignored;
    // A file is removed by its name (a link is never followed); fs::remove takes a folder
    // only when it is empty.
    std::filesystem::remove(entry->path, ignored);
  }
  entries_.clear();
}

}  // namespace quorlin
