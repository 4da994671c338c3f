// Quorlin's long-lived mode: one process converts many messages in turn, fed over its
// standard input, so that a caller converting thousands of files pays for one process start
// instead of one per file. Every request goes through the same conversion function as the
// two-argument form.
//
// The exchange, its words, result codes and limits are described once, in
// serve_protocol.h.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

#include "converter/conversion.h"
#include "converter/serve_protocol.h"

namespace quorlin {

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
std::string ResultWord(const ConversionResult& result);

// Writes the records that describe a conversion (option "describe") without flushing.
void WriteDescription(std::FILE* out, const ConversionResult& result);

// Writes one notice record without flushing; the response that follows flushes.
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

// The detail of an "ok" answer: what was kept, when attachments were asked for, and where
// the document went, when that is not where it was asked for (serve_protocol.h).
std::string KeptSummary(const ConversionOptions& options, const ConversionResult& result);

}  // namespace quorlin
