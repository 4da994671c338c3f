// Quorlin's long-lived mode: one process converts many messages in turn, fed over its
// standard input, so that a caller converting thousands of files pays for one process start
// instead of one per file. Every request goes through the same conversion function as the
// two-argument form.
//
// The exchange is made of fields, each ended by a NUL byte, so that a path may hold any
// byte a file name can (spaces, tabs, line breaks, quotes); paths never hold NUL.
//   request:  options, input path, output path
//   response: result word, reason (empty on success, but see below)
// A response may be preceded by notice records of the same two-field shape: the word
// "notice" and one notice of that conversion (a code page read as 1252, for example), each
// distinct notice once per request. A reader that knows notices collects them up to the
// response; "notice" is never a result word.
// Options are words separated by spaces, named in conversion_options.h; an empty field asks
// for none. The result words are "ok", "format", "decode", "property", "io", "internal"
// (the conversion's outcomes) and "usage" for a request the converter cannot take (an
// unknown option). An "ok" answer to a request with the option "attachments" carries what
// was kept in its reason field: "attachments N messages M", the files saved and the
// embedded messages converted into documents (those inside embedded messages included).
//
// Without the option "replace" a document never replaces a file at the output path: it
// takes the first free numbered name instead ("Report (2).doc", NumberedDocumentName in
// file_names.h, the main program's own rule), and its attachments the folder of that
// name. The "ok" answer then ends with the item "document " and the path written, to the
// end of the field, its bytes as they are (line breaks too; never NUL), after one space
// when "attachments N messages M" comes first:
//   "document /out/Report (2).doc"
//   "attachments 2 messages 0 document /out/Report (2).doc"
// The item is there only when the path written differs from the one asked for. With
// "replace" a regular file at the output path is replaced, as it always was.
//
// A request whose options field is the word "name" converts nothing: it asks what a name
// pattern (name_pattern.h) makes of the message, the pattern in place of the output path.
// The answer is "ok" with the document's name without ".doc" (UTF-8) as its reason, or the
// result word of a message that cannot be read, or "usage" for a pattern that holds an
// unknown field. The main program asks this before it hands out the names of a run, as
// it never opens a message itself.
//
// After each response the converter flushes its output and waits for the
// next request; at the end of its input it exits 0.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "converter/conversion.h"

namespace quorlin {

// The longest field the converter accepts; a longer one ends the exchange.
constexpr std::size_t kMaxServeField = 64 * 1024;

struct ServeRequest {
  std::string options;
  std::string input;
  std::string output;
};

// Reads one request. Returns false at the end of the input before a request begins; throws
// std::runtime_error when the input ends inside a request or a field is too long.
bool ReadServeRequest(std::FILE* in, ServeRequest& request);

// Writes one response and flushes it. A NUL or line break in the reason becomes a space.
void WriteServeResponse(std::FILE* out, const std::string& word, const std::string& reason);

// The result word for a conversion's outcome.
const char* ServeResultWord(ConversionStatus status);

// Writes one notice record (see above) without flushing; the response that follows flushes.
void WriteServeNotice(std::FILE* out, const std::string& notice);

// Answers requests until the input ends. Returns the process's exit status: 0 at a clean
// end of the input, 1 when the exchange broke off.
int Serve(std::FILE* in, std::FILE* out);

// The same with the conversion of each request handed to `convert` (ConvertFile for the
// converter itself; the serve fuzzer keeps its paths inside a folder of its own).
using ServeConverter =
    std::function<ConversionResult(const std::string& input, const std::string& output, const ConversionOptions&)>;
// `name` answers the name requests (NameFile for the converter itself).
using ServeNamer = std::function<ConversionResult(const std::string& input, const std::string& pattern,
                                                  std::string& stem)>;
int Serve(std::FILE* in, std::FILE* out, const ServeConverter& convert, const ServeNamer& name);

// The options word of a name request.
inline constexpr std::string_view kNameRequest = "name";

// The item of an "ok" answer that names the document written (see above).
inline constexpr std::string_view kDocumentItem = "document ";

// The reason of an "ok" answer: what was kept, when attachments were asked for, and where
// the document went, when that is not where it was asked for (see above).
std::string KeptSummary(const ConversionOptions& options, const ConversionResult& result);

}  // namespace quorlin
