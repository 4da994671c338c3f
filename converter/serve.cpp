// The request loop of Quorlin's long-lived mode and the reading and writing of its fields.
#include "converter/base/path_text.h"
#include "converter/serve.h"

#include <algorithm>
#include <stdexcept>
#include <string_view>
#include <vector>

#include "converter/name_pattern.h"
#include "converter/base/notice.h"

namespace quorlin {
namespace {

// Reads one NUL-ended field. Returns false when the input ends before the field begins.
bool ReadField(std::FILE* in, std::string& field, bool first) {
  field.clear();
  for (;;) {
    const int c = std::getc(in);
    if (c == EOF) {
      if (first && field.empty()) return false;
      throw std::runtime_error("the request ended early");
    }
    if (c == '\0') return true;
    if (field.size() >= serve_protocol::kMostFieldBytes) throw std::runtime_error("a request field is too long");
    field.push_back(static_cast<char>(c));
  }
}

// The request's options: words separated by white space, as conversion_options.h names them,
// and "describe", which asks for the records of serve_protocol.h. Returns the reason for
// refusing the request, empty when it may go.
std::string ReadOptions(const std::string& field, ConversionOptions& options, bool& describe) {
  std::vector<std::string_view> words;
  const std::string_view text(field);
  describe = false;
  for (std::size_t at = 0; at < text.size();) {
    const std::size_t end = std::min(text.find_first_of(" \t\n\v\f\r", at), text.size());
    const std::string_view word = text.substr(at, end - at);
    if (word == serve_protocol::kDescribeOption) {
      describe = true;
    } else if (!word.empty()) {
      words.push_back(word);
    }
    at = end + 1;
  }
  return ReadConversionOptions(words, OptionSpelling::kWord, options);
}

}  // namespace

bool ReadServeRequest(std::FILE* in, ServeRequest& request) {
  if (!ReadField(in, request.options, true)) return false;
  ReadField(in, request.input, false);
  ReadField(in, request.output, false);
  return true;
}

namespace {

// `one_line` makes line breaks spaces; a NUL always becomes one, as it ends the field.
void WriteRecord(std::FILE* out, const std::string& word, const std::string& text, bool one_line = true) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\0' || (one_line && (c == '\n' || c == '\r'))) c = ' ';
  }
  std::fwrite(word.data(), 1, word.size(), out);
  std::fputc('\0', out);
  std::fwrite(line.data(), 1, line.size(), out);
  std::fputc('\0', out);
}

}  // namespace

void WriteServeResponse(std::FILE* out, const std::string& word, const std::string& reason) {
  WriteRecord(out, word, reason);
  std::fflush(out);
}

void WriteServeNotice(std::FILE* out, const std::string& notice) {
  WriteRecord(out, std::string(serve_protocol::kNoticeWord), notice);
}

std::string ResultWord(const ConversionResult& result) { return std::string(serve_protocol::WordFor(result.result)); }

std::string KeptSummary(const ConversionOptions& options, const ConversionResult& result) {
  if (!result.ok()) return result.message;
  std::string summary;
  if (options.attachments)
    summary = std::string(serve_protocol::kAttachmentsItem) + std::to_string(result.attachment_files) +
              std::string(serve_protocol::kMessagesItem) + std::to_string(result.embedded_messages);
  if (!result.document.empty()) {
    if (!summary.empty()) summary += ' ';
    summary += std::string(serve_protocol::kDocumentItem) + Utf8Of(result.document);
  }
  return summary;
}

namespace {

std::string CutForDescription(const std::string& text) {
  if (text.size() <= serve_protocol::kMostDescribeTextBytes) return text;
  std::size_t end = serve_protocol::kMostDescribeTextBytes;
  // Back over UTF-8 continuation bytes (10xxxxxx) to the start of the character cut through.
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
  return text.substr(0, end);
}

void WriteFacts(std::FILE* out, const DocumentFacts& facts, std::string_view subject, std::string_view sender,
                std::string_view sent) {
  WriteRecord(out, std::string(subject), CutForDescription(facts.subject));
  WriteRecord(out, std::string(sender), CutForDescription(facts.sender));
  if (facts.sent) WriteRecord(out, std::string(sent), std::to_string(*facts.sent));
}

// What was saved for the document: its files, then each embedded message's document with
// what was saved for it, closed by its end record. Paths go as they are, line breaks
// included: each ends its field.
void WriteSavedFor(std::FILE* out, const DescribedDocument& document) {
  namespace protocol = serve_protocol;
  for (const auto& file : document.saved) WriteRecord(out, std::string(protocol::kSavedRecord), Utf8Of(file), false);
  for (const DescribedDocument& inner : document.embedded) {
    WriteRecord(out, std::string(protocol::kEmbeddedRecord), Utf8Of(inner.path), false);
    WriteFacts(out, inner.facts, protocol::kEmbeddedSubjectRecord, protocol::kEmbeddedSenderRecord,
               protocol::kEmbeddedSentRecord);
    WriteSavedFor(out, inner);
    WriteRecord(out, std::string(protocol::kEmbeddedEndRecord), {});
  }
}

}  // namespace

void WriteDescription(std::FILE* out, const ConversionResult& result) {
  namespace protocol = serve_protocol;
  WriteFacts(out, result.described.facts, protocol::kSubjectRecord, protocol::kSenderRecord, protocol::kSentRecord);
  WriteSavedFor(out, result.described);
  WriteRecord(out, std::string(protocol::kPaperRecord), PaperSizeText(result.paper));
}

int Serve(std::FILE* in, std::FILE* out) {
  return Serve(
      in, out,
      [](const std::string& input, const std::string& output, const ConversionOptions& options) {
        return ConvertFile(PathFromUtf8(input), PathFromUtf8(output), options);
      },
      [](const std::string& input, const std::string& pattern, std::string& stem) {
        return NameFile(PathFromUtf8(input), pattern, stem);
      });
}

int Serve(std::FILE* in, std::FILE* out, const ServeConverter& convert, const ServeNamer& name) {
  ServeRequest request;
  const PaperSize paper = UsersPaperSize();
  try {
    while (ReadServeRequest(in, request)) {
      if (request.options == serve_protocol::kNameRequest) {
        if (const std::string problem = NamePatternProblem(request.output); !problem.empty()) {
          WriteServeResponse(out, std::string(WordFor(serve_protocol::Result::kUsage)), problem);
          continue;
        }
        std::vector<std::string> notices;
        SetNoticeSink([&notices](const std::string& text) { notices.push_back(text); });
        std::string stem;
        const ConversionResult result = name(request.input, request.output, stem);
        for (const std::string& notice : notices) WriteServeNotice(out, notice);
        WriteServeResponse(out, ResultWord(result), result.ok() ? stem : result.message);
        continue;
      }
      ConversionOptions options;
      options.paper = paper;
      bool describe = false;
      const std::string refused = ReadOptions(request.options, options, describe);
      if (!refused.empty()) {
        WriteServeResponse(out, std::string(WordFor(serve_protocol::Result::kUsage)), refused);
        continue;
      }
      // Each request's notices travel with its response; setting the sink anew lets every
      // request give its own notices once.
      std::vector<std::string> notices;
      SetNoticeSink([&notices](const std::string& text) { notices.push_back(text); });
      const ConversionResult result = convert(request.input, request.output, options);
      for (const std::string& notice : notices) WriteServeNotice(out, notice);
      if (result.ok() && describe) WriteDescription(out, result);
      if (result.ok()) {
        // The document's path goes as it is, line breaks included: it ends the field.
        WriteRecord(out, ResultWord(result), KeptSummary(options, result), false);
        std::fflush(out);
      } else {
        WriteServeResponse(out, ResultWord(result), KeptSummary(options, result));
      }
    }
  } catch (const std::exception&) {
    SetNoticeSink({});
    return 1;
  }
  SetNoticeSink({});
  return std::ferror(out) ? 1 : 0;
}

}  // namespace quorlin
