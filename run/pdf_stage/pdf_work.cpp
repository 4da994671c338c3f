// Reading a conversion's description as the tree of its documents.
#include "run/pdf_stage/pdf_work.h"

#include <charconv>

#include "converter/options/paper_size.h"
#include "converter/serve_protocol.h"

namespace {

namespace protocol = quorlin::serve_protocol;

// A decimal number of seconds; anything else is no time.
std::optional<std::int64_t> Seconds(const std::string& text) {
  std::int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [at, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || at != end) return std::nullopt;
  return value;
}

// The facts a record gives: the message's own (`own`) or an embedded message's.
bool ReadFact(const std::string& word, const std::string& text, bool own, PdfFacts& facts) {
  if (word == (own ? protocol::kSubjectRecord : protocol::kEmbeddedSubjectRecord)) facts.subject = text;
  else if (word == (own ? protocol::kSenderRecord : protocol::kEmbeddedSenderRecord)) facts.sender = text;
  else if (word == (own ? protocol::kSentRecord : protocol::kEmbeddedSentRecord)) facts.sent = Seconds(text);
  else return false;
  return true;
}

// The innermost open document is done: it takes its place in the list, and the document
// it is embedded in refers to it.
void Close(std::vector<PdfDocument>& open, std::vector<PdfDocument>& documents) {
  documents.push_back(std::move(open.back()));
  open.pop_back();
  open.back().embedded.push_back(documents.size() - 1);
}

}  // namespace

void ReadDescription(const std::vector<std::pair<std::string, std::string>>& records, const std::string& document,
                     PdfWork& work) {
  std::vector<PdfDocument> open(1);  // the message's own, then each embedded one not closed yet
  open.front().document = document;
  for (const auto& [word, text] : records) {
    if (ReadFact(word, text, true, open.front().facts)) continue;
    if (open.size() > 1 && ReadFact(word, text, false, open.back().facts)) continue;
    if (word == protocol::kSavedRecord) open.back().saved.push_back(text);
    if (word == protocol::kEmbeddedRecord) open.emplace_back().document = text;
    if (word == protocol::kEmbeddedEndRecord && open.size() > 1) Close(open, work.documents);
    if (word == protocol::kPaperRecord)
      if (const std::optional<quorlin::PaperSize> paper = quorlin::ParsePaperSizeText(text))
        work.paper = lorvane_pdf::PaperMillimetres{paper->width_twips * 127 / 72, paper->height_twips * 127 / 72};
  }
  while (open.size() > 1) Close(open, work.documents);
  work.documents.push_back(std::move(open.front()));
}
