// Taking back what a failed conversion wrote.
#include "converter/output/attachment_journal.h"

#include <system_error>

namespace quorlin {

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
