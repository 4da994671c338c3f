// The exchange between the main program and a long-lived converter (`Quorlin --serve`),
// written down once: its words, its result codes, the shape of its fields and its limits.
// The converter writes it (converter/serve.cpp) and the main program reads it
// (run/engine/converter_worker.cpp, run/engine/batch_run.cpp) from these names alone.
// Standard C++ only.
//
// Fields. Every field ends with a NUL byte, so a path may hold any other byte a file name
// can (spaces, tabs, line breaks, quotes); no field holds a NUL. A field longer than
// kMostFieldBytes ends the exchange.
//
// Request: three fields.
//   options      words separated by spaces, each a row of conversion_options.h ("header
//                pictures"); empty for none. The word kNameRequest alone asks for a name
//                instead (below).
//   input path   the message.
//   output path  the document; for a name request, the name pattern (name_pattern.h).
//
// Answer: any number of records, each two fields, a word and a text:
//   - notice records (kNoticeWord and one notice of this request's message, such as a code
//     page read as 1252; each distinct notice once a request), then
//   - one result record: a result word of kResultTable and its detail.
// The reading side accepts at most kMostNotices notices and kMostUnreadBytes of an answer
// not yet complete; past either, the converter is broken and is ended.
//
// The result word is the outcome's code, so the reading side chooses its sentence from the
// code, never from the detail's text. The detail is, for a failure, the converter's one-line
// reason (for the support line under the sentence; line breaks become spaces); for "ok":
//   - a name request: the document's name without ".doc" (UTF-8, made safe for a file name);
//   - a conversion: empty, or these items in this order, one space between two:
//       "attachments N messages M"  with the option "attachments": the files saved and the
//                                   embedded messages converted into documents;
//       "document PATH"             when the document went to another path than the one
//                                   asked for (a file had come to stand there and the
//                                   request had no "replace": it took the next numbered
//                                   name); PATH runs to the end of the field, its bytes as
//                                   they are, line breaks included.
//
// With the option "describe" (for a document the main program goes on to make a PDF of),
// an "ok" answer to a conversion comes after records that describe what was made, each a
// record word of this header and a text, the text running to the end of its field:
//   "subject", "sender"  the message's whole subject ("FW:" and the like kept) and sender's
//                        name (UTF-8, one line, each cut at a character boundary to at most
//                        kMostDescribeTextBytes);
//   "sent"               when it was sent, else received: seconds since 1970, UTC, decimal
//                        (left out when the message has no time a header would show);
//   "saved"              the path of each attachment file saved for the document, in the
//                        order saved;
//   "embedded"           the path of each embedded message's document, in the order made,
//                        followed by its message's "embedded-subject", "embedded-sender"
//                        and "embedded-sent" (the same forms as above), then by what was
//                        saved for it in the same way ("saved" and "embedded" records), and
//                        closed by an "embedded-end" record (empty text);
//   "paper"              the paper the documents are laid out on, the user's: its width
//                        and height in twips, decimal, one space between ("11906 16838"
//                        is A4); the PDF's pages take it.
// So the records draw the tree of documents: a "saved" or "embedded" record belongs to the
// innermost embedded document not yet closed, else to the message's own. (The files of a
// document lie in the folder beside it, "x.doc" has "x attachments", but the reading side
// need not know that.) The reading side accepts at most kMostDescribeRecords of them.
//
// Without the option "replace" a conversion never replaces a file at the output path.
// After each answer the converter flushes its output and waits for the next request; at
// the end of its input it exits 0, and an input that ends inside a request ends it with 1.
//
// The journal. Started as `Quorlin --serve --journal PATH`, the converter keeps the journal
// of the conversion under way in the file PATH (in a folder only the main program and its
// converters can enter; made when missing, never through a link, emptied at the start):
// what the conversion made besides the document's own name, so that whoever ends the
// converter part way can take back exactly that. The file is emptied as each conversion
// ends, ok or not, before its answer; so once a converter has been ended, what the file
// holds belongs to the request it was working on. Each entry is a letter, the device and
// the inode of what was made (kJournalIdDigits lower-case hex digits each) and its
// absolute path, ended by a NUL byte; a last entry without its NUL was cut off by a kill:
//   kJournalFolder     a folder the conversion made, written right after making it
//   kJournalFile       a file it made (an attachment, an embedded message's document, the
//                      document itself under a name of its own), written before the name
//                      is linked to the file
//   kJournalTemporary  a temporary name of one of its files, written before it is given
// Undoing removes a file only while its path still names that very file (no link
// followed: same device and inode), a folder only while it is that folder and empty; a
// temporary name goes also when the document itself was finished.
// Without --journal (the converter run by itself) the journal is an unnamed file in the
// temporary folder, which only the converter reads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quorlin::serve_protocol {

inline constexpr std::string_view kServeFlag = "--serve";
inline constexpr std::string_view kJournalFlag = "--journal";
inline constexpr char kJournalFolder = 'd';
inline constexpr char kJournalFile = 'f';
inline constexpr char kJournalTemporary = 't';
inline constexpr std::size_t kJournalIdDigits = 16;

// One identity field of a journal entry (a device or an inode): `value` as kJournalIdDigits
// lower-case hex digits. Both touch only the characters they are given, so a signal
// handler may call them. JournalIdFrom reads exactly kJournalIdDigits characters of `text`
// and is false when one of them is not such a digit.
inline std::array<char, kJournalIdDigits> JournalIdText(std::uint64_t value) {
  std::array<char, kJournalIdDigits> digits{};
  for (std::size_t i = kJournalIdDigits; i-- > 0; value >>= 4) digits[i] = "0123456789abcdef"[value & 0xF];
  return digits;
}

inline bool JournalIdFrom(const char* text, std::uint64_t& value) {
  value = 0;
  for (std::size_t i = 0; i < kJournalIdDigits; ++i) {
    const char c = text[i];
    int digit = 0;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else return false;
    value = value << 4 | static_cast<std::uint64_t>(digit);
  }
  return true;
}

inline constexpr std::size_t kMostFieldBytes = 64 * 1024;
inline constexpr std::size_t kMostNotices = 64;
inline constexpr std::size_t kMostUnreadBytes = 128 * 1024;

inline constexpr std::string_view kNameRequest = "name";
inline constexpr std::string_view kNoticeWord = "notice";
inline constexpr std::string_view kReplaceOption = "replace";
inline constexpr std::string_view kDescribeOption = "describe";
inline constexpr std::string_view kSubjectRecord = "subject";
inline constexpr std::string_view kSenderRecord = "sender";
inline constexpr std::string_view kSentRecord = "sent";
inline constexpr std::string_view kSavedRecord = "saved";
inline constexpr std::string_view kEmbeddedRecord = "embedded";
inline constexpr std::string_view kEmbeddedSubjectRecord = "embedded-subject";
inline constexpr std::string_view kEmbeddedSenderRecord = "embedded-sender";
inline constexpr std::string_view kEmbeddedSentRecord = "embedded-sent";
inline constexpr std::string_view kEmbeddedEndRecord = "embedded-end";
inline constexpr std::string_view kPaperRecord = "paper";
inline constexpr std::array<std::string_view, 10> kDescribeRecords{
    kSubjectRecord,         kSenderRecord,         kSentRecord,        kSavedRecord,       kEmbeddedRecord,
    kEmbeddedSubjectRecord, kEmbeddedSenderRecord, kEmbeddedSentRecord, kEmbeddedEndRecord, kPaperRecord};

// Whether an answer's record with this word describes the conversion (option "describe").
constexpr bool IsDescribeRecord(std::string_view word) {
  for (const std::string_view record : kDescribeRecords)
    if (record == word) return true;
  return false;
}
inline constexpr std::size_t kMostDescribeRecords = 1'000'000;
// Far below kMostUnreadBytes, so that a record always fits what the reading side accepts.
inline constexpr std::size_t kMostDescribeTextBytes = 16 * 1024;
inline constexpr std::string_view kAttachmentsItem = "attachments ";
inline constexpr std::string_view kMessagesItem = " messages ";
inline constexpr std::string_view kDocumentItem = "document ";

// What became of a request. The first group travels as result words; the second is what
// the main program says of a converter it had to end or never used, and never travels.
enum class Result {
  kOk,
  kNotAMessage,  // not a compound file, or a compound file that holds no message
  kDamaged,      // a broken structure, a body that cannot be decoded, a property unreadable
  kUnreadable,   // the message file cannot be read (no permission, not a regular file)
  kUnwritable,   // the document or what goes with it cannot be written
  kOutOfMemory,
  kInternal,     // another failure of the converter's own
  kUsage,        // a request the converter cannot take (an unknown option or name field)
  kTimedOut,     // past the run's time limit
  kCrashed,      // the converter died or broke off the exchange on this message
  kStopped,      // ended by a stop while under way
  kNotStarted,   // never begun: the run was stopped first, or no converter could start
  kPdfFailed,    // the document was made, but its PDF could not be
};

struct ResultRow {
  Result result;
  std::string_view word;
  bool travels;  // sent by the converter; false for the main program's own outcomes
};

inline constexpr std::array<ResultRow, 13> kResultTable{{
    {Result::kOk, "ok", true},
    {Result::kNotAMessage, "not-a-message", true},
    {Result::kDamaged, "damaged", true},
    {Result::kUnreadable, "unreadable", true},
    {Result::kUnwritable, "unwritable", true},
    {Result::kOutOfMemory, "out-of-memory", true},
    {Result::kInternal, "internal", true},
    {Result::kUsage, "usage", true},
    {Result::kTimedOut, "timed-out", false},
    {Result::kCrashed, "crashed", false},
    {Result::kStopped, "stopped", false},
    {Result::kNotStarted, "not-started", false},
    {Result::kPdfFailed, "pdf-failed", false},
}};

constexpr std::string_view WordFor(Result result) {
  for (const ResultRow& row : kResultTable)
    if (row.result == result) return row.word;
  return "internal";
}

// The result a converter's word stands for; nothing for a word no converter sends.
constexpr std::optional<Result> ResultForWord(std::string_view word) {
  for (const ResultRow& row : kResultTable)
    if (row.travels && row.word == word) return row.result;
  return std::nullopt;
}

}  // namespace quorlin::serve_protocol
