// Filling a name pattern with a message's facts.
#include "converter/name_pattern.h"

#include <optional>
#include <span>
#include <vector>

#include "converter/text/code_page.h"
#include "converter/output/file_names.h"

namespace quorlin {
namespace {

constexpr std::string_view kDocumentExtension = ".doc";

enum class Field { kFile, kDate, kSubject, kFrom };

std::optional<Field> FieldNamed(std::string_view name) {
  if (name == "file") return Field::kFile;
  if (name == "date") return Field::kDate;
  if (name == "subject") return Field::kSubject;
  if (name == "from") return Field::kFrom;
  return std::nullopt;
}

// The pattern as the text before each field, the fields, and the text after the last.
struct Parsed {
  std::vector<std::string_view> texts;  // one more than fields
  std::vector<Field> fields;
  std::string problem;
};

Parsed Parse(std::string_view pattern) {
  Parsed parsed;
  std::size_t text_start = 0;
  std::size_t at = 0;
  while ((at = pattern.find('{', at)) != std::string_view::npos) {
    const std::size_t close = pattern.find('}', at);
    const std::optional<Field> field =
        close == std::string_view::npos ? std::nullopt : FieldNamed(pattern.substr(at + 1, close - at - 1));
    if (!field) {
      parsed.problem = "the name pattern may hold only {file}, {date}, {subject} and {from}: " +
                       std::string(pattern.substr(at, close == std::string_view::npos ? 12 : close - at + 1));
      return parsed;
    }
    parsed.texts.push_back(pattern.substr(text_start, at - text_start));
    parsed.fields.push_back(*field);
    at = text_start = close + 1;
  }
  parsed.texts.push_back(pattern.substr(text_start));
  return parsed;
}

}  // namespace

std::string NamePatternProblem(std::string_view pattern) { return Parse(pattern).problem; }

std::string PatternStem(std::string_view pattern, const NameFields& fields, std::string_view file_stem) {
  const std::size_t limit = kMaxFileNameBytes - kDocumentExtension.size();
  const Parsed parsed = Parse(pattern);
  std::u16string name;
  if (parsed.problem.empty()) {
    name = Utf16FromUtf8(parsed.texts.front());
    bool first = true;
    for (std::size_t i = 0; i < parsed.fields.size(); ++i) {
      std::string_view value;
      switch (parsed.fields[i]) {
        case Field::kFile: value = file_stem; break;
        case Field::kDate: value = fields.date; break;
        case Field::kSubject: value = fields.subject; break;
        case Field::kFrom: value = fields.from; break;
      }
      const std::string safe = SafeFileStem(Utf16FromUtf8(value), limit);
      if (safe.empty()) continue;
      if (!first) name += Utf16FromUtf8(parsed.texts[i]);
      name += Utf16FromUtf8(safe);
      first = false;
    }
    // Without fields the text before the first field is the text after the last one too:
    // it is the whole name, once.
    if (!parsed.fields.empty()) name += Utf16FromUtf8(parsed.texts.back());
  }
  std::string stem = SafeFileStem(name, limit);
  return stem.empty() ? std::string(kNoSubjectStem) : stem;
}

}  // namespace quorlin
