// Gumbo with a counting allocator. Every block gumbo takes is linked into the arena, so a
// parse that passes its bounds is abandoned with longjmp from inside the allocator (only C
// frames of gumbo lie between, nothing with a destructor) and the arena frees it all. A
// finished tree is freed the same way, never by gumbo's own recursive clean-up, which
// deep trees would take past the stack.
#include "converter/html/html_to_rtf_parse.h"

#include <csetjmp>
#include <cstdlib>
#include <new>
#include <optional>
#include <string>

namespace quorlin {
namespace {

using Clock = std::chrono::steady_clock;

struct alignas(std::max_align_t) BlockHeader {
  BlockHeader* prev;
  BlockHeader* next;
  std::size_t size;
};

class Arena {
 public:
  Arena(std::size_t budget, std::optional<Clock::time_point> deadline)
      : budget_(budget), deadline_(deadline) {
    list_.prev = list_.next = &list_;
  }
  Arena(const Arena&) = delete;
  Arena& operator=(const Arena&) = delete;
  ~Arena() {
    for (BlockHeader* block = list_.next; block != &list_;) {
      BlockHeader* next = block->next;
      std::free(block);
      block = next;
    }
  }

  static void* Allocate(void* userdata, std::size_t size) {
    Arena& arena = *static_cast<Arena*>(userdata);
    const std::size_t total = sizeof(BlockHeader) + size;
    if (size > arena.budget_ || arena.live_ + total > arena.budget_)
      std::longjmp(arena.escape, 1);
    // The clock is read every thousand blocks: gumbo's slow inputs allocate as they go.
    if (arena.deadline_ && (++arena.calls_ & 1023) == 0 && Clock::now() > *arena.deadline_)
      std::longjmp(arena.escape, 1);
    auto* block = static_cast<BlockHeader*>(std::malloc(total));
    if (block == nullptr) std::longjmp(arena.escape, 1);
    block->size = total;
    block->prev = &arena.list_;
    block->next = arena.list_.next;
    arena.list_.next->prev = block;
    arena.list_.next = block;
    arena.live_ += total;
    return block + 1;
  }

  static void Deallocate(void* userdata, void* pointer) {
    if (pointer == nullptr) return;
    Arena& arena = *static_cast<Arena*>(userdata);
    BlockHeader* block = static_cast<BlockHeader*>(pointer) - 1;
    block->prev->next = block->next;
    block->next->prev = block->prev;
    arena.live_ -= block->size;
    std::free(block);
  }

  std::jmp_buf escape;

 private:
  BlockHeader list_;
  std::size_t live_ = 0;
  std::size_t budget_;
  std::optional<Clock::time_point> deadline_;
  unsigned calls_ = 0;
};

// Parses `html` into `arena`; false when the arena's bounds were passed.
bool ParseWithin(Arena& arena, std::string_view html, GumboOutput** output) {
  GumboOptions options = kGumboDefaultOptions;
  options.allocator = &Arena::Allocate;
  options.deallocator = &Arena::Deallocate;
  options.userdata = &arena;
  options.max_errors = 0;  // the parse errors are of no use here
  if (setjmp(arena.escape) != 0) return false;
  *output = gumbo_parse_with_options(&options, html.data(), html.size());
  return true;
}

// Whether `html` starts with a table row's start tag.
bool StartsTableRow(std::string_view html) {
  return html.size() > 3 && html[0] == '<' && (html[1] == 't' || html[1] == 'T') &&
         (html[2] == 'r' || html[2] == 'R') &&
         (html[3] == '>' || html[3] == ' ' || html[3] == '\t' || html[3] == '\r' || html[3] == '\n');
}

// Where a piece starting at `begin` of at most `bytes` bytes ends: before its
// (kHtmlPieceTags+1)th '<', else before the last table row or, failing that, the last '<'
// of its second half, else where no UTF-8 sequence is cut.
std::size_t PieceEnd(std::string_view html, std::size_t begin, std::size_t bytes) {
  std::size_t end = std::min(html.size(), begin + bytes);
  std::size_t tags = 0;
  for (std::size_t i = begin; i < end; ++i) {
    if (html[i] == '<' && ++tags > kHtmlPieceTags && i > begin) {
      end = i;
      break;
    }
  }
  if (end == html.size()) return end;
  const std::size_t half = begin + (end - begin) / 2;
  for (std::size_t at = end - 1; at > half; --at)
    if (StartsTableRow(html.substr(at))) return at;
  if (html[end] == '<') return end;
  const std::size_t last_tag = html.rfind('<', end - 1);
  if (last_tag != std::string_view::npos && last_tag > half) return last_tag;
  while (end > begin + 1 && (static_cast<unsigned char>(html[end]) & 0xC0) == 0x80) --end;
  return end;
}

// A piece that starts with a table row is parsed inside a table, so that its cells stay
// cells and their words apart.
void ParsePiece(std::string_view piece, const HtmlParseLimits& limits,
                const std::function<void(const GumboNode&, bool)>& each) {
  {
    Arena arena(limits.memory, std::nullopt);
    GumboOutput* output = nullptr;
    const std::string in_table = StartsTableRow(piece) ? "<table>" + std::string(piece) : "";
    if (ParseWithin(arena, in_table.empty() ? piece : std::string_view(in_table), &output)) {
      each(*output->document, false);
      return;
    }
  }
  if (piece.size() < 64) throw std::bad_alloc();
  const std::size_t half = PieceEnd(piece, 0, piece.size() / 2);
  ParsePiece(piece.substr(0, half), limits, each);
  ParsePiece(piece.substr(half), limits, each);
}

}  // namespace

HtmlParseLimits DefaultHtmlParseLimits(std::size_t html_size) {
  return {(std::size_t{48} << 20) + 2 * html_size,
          std::chrono::milliseconds(2000 + html_size / 4096)};
}

void ParseHtml(std::string_view html, const HtmlParseLimits& limits,
               const std::function<void(const GumboNode&, bool)>& each) {
  {
    Arena arena(limits.memory, Clock::now() + limits.time);
    GumboOutput* output = nullptr;
    if (ParseWithin(arena, html, &output)) {
      each(*output->document, true);
      return;
    }
  }
  for (std::size_t begin = 0; begin < html.size();) {
    const std::size_t end = PieceEnd(html, begin, kHtmlPieceBytes);
    ParsePiece(html.substr(begin, end - begin), limits, each);
    begin = end;
  }
}

}  // namespace quorlin
