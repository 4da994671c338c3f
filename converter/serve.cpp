// The request loop of Quorlin's long-lived mode and the reading and writing of its fields.
#include "converter/serve.h"

#include <sstream>
#include <stdexcept>
#include <vector>

#include "converter/notice.h"

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
    if (field.size() >= kMaxServeField) throw std::runtime_error("a request field is too long");
    field.push_back(static_cast<char>(c));
  }
}

// Reads the request's options (space-separated words: "header" for the header block,
// "pictures" for the pictures, "attachments" to save the attachments).
// Returns the reason for refusing the request, empty when it may go.
std::string ReadOptions(const std::string& options, ConversionOptions& conversion) {
  std::istringstream words(options);
  for (std::string word; words >> word;) {
    if (word == "header")
      conversion.header_block = true;
    else if (word == "pictures")
      conversion.pictures = true;
    else if (word == "attachments")
      conversion.attachments = true;
    else
      return "unknown option: " + word;
  }
  return {};
}

}  // namespace

bool ReadServeRequest(std::FILE* in, ServeRequest& request) {
  if (!ReadField(in, request.options, true)) return false;
  ReadField(in, request.input, false);
  ReadField(in, request.output, false);
  return true;
}

namespace {

void WriteRecord(std::FILE* out, const std::string& word, const std::string& text) {
  std::string line = text;
  for (char& c : line) {
    if (c == '\0' || c == '\n' || c == '\r') c = ' ';
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

void WriteServeNotice(std::FILE* out, const std::string& notice) { WriteRecord(out, "notice", notice); }

const char* ServeResultWord(ConversionStatus status) {
  switch (status) {
    case ConversionStatus::kSuccess: return "ok";
    case ConversionStatus::kFormatError: return "format";
    case ConversionStatus::kDecodeError: return "decode";
    case ConversionStatus::kPropertyError: return "property";
    case ConversionStatus::kIoError: return "io";
    case ConversionStatus::kInternalError: return "internal";
  }
  return "internal";
}

int Serve(std::FILE* in, std::FILE* out) {
  return Serve(in, out, [](const std::string& input, const std::string& output, const ConversionOptions& options) {
    return ConvertFile(input, output, options);
  });
}

int Serve(std::FILE* in, std::FILE* out, const ServeConverter& convert) {
  ServeRequest request;
  try {
    while (ReadServeRequest(in, request)) {
      ConversionOptions options;
      const std::string refused = ReadOptions(request.options, options);
      if (!refused.empty()) {
        WriteServeResponse(out, "usage", refused);
        continue;
      }
      // Each request's notices travel with its response; setting the sink anew lets every
      // request give its own notices once.
      std::vector<std::string> notices;
      SetNoticeSink([&notices](const std::string& text) { notices.push_back(text); });
      const ConversionResult result = convert(request.input, request.output, options);
      for (const std::string& notice : notices) WriteServeNotice(out, notice);
      WriteServeResponse(out, ServeResultWord(result.status), result.message);
    }
  } catch (const std::exception&) {
    SetNoticeSink({});
    return 1;
  }
  SetNoticeSink({});
  return std::ferror(out) ? 1 : 0;
}

}  // namespace quorlin
