// Making file names out of texts that come with a message (an attachment's name, a
// subject). Such texts are chosen by whoever sent the mail, so each is reduced to one
// harmless name: a single path component, no control characters, not "." or "..", within
// the file system's name limit, in UTF-8.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quorlin {

// The longest file name the usual file systems take, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;

// `name` as one safe file name, or empty when nothing usable is left. Only its last
// non-empty path component counts ("/" and "\" both separate); control characters (C0,
// DEL, C1) and the invisible marks that reorder text become spaces or go; outer spaces
// and trailing dots go; "." and ".." are no names. The result is shortened to `limit`
// bytes keeping its extension (ShortenFileName).
std::string SafeFileName(std::u16string_view name, std::size_t limit = kMaxFileNameBytes);

// The same rules for a subject that names a document, except that "/" and "\" become
// "_" instead of cutting the subject ("Re: a/b" gives "Re: a_b").
std::string SafeFileStem(std::u16string_view subject, std::size_t limit);

// The extension of `name`: from its last dot to the end, when that dot is not the first
// character and what follows is short (at most 32 bytes) and holds no space; else empty.
std::string_view FileExtension(std::string_view name);

// `name` (UTF-8) cut to at most `limit` bytes: the part before the extension is cut at a
// character boundary and the extension kept; spaces and dots left at the cut go.
std::string ShortenFileName(std::string_view name, std::size_t limit);

// `name` with " (number)" before its extension ("a.txt", 2 -> "a (2).txt"), shortened
// before the number so the whole stays within `limit`.
std::string NumberedFileName(std::string_view name, int number,
                             std::size_t limit = kMaxFileNameBytes);

// A document's name with a number, by the rule the main program numbers its documents
// with: " (number)" before a last ".doc" (else at the end), the name before it cut at a
// character boundary so the whole fits kMaxFileNameBytes ("Report.doc", 2 ->
// "Report (2).doc"). Nothing is trimmed, so both programs make the same name.
std::string NumberedDocumentName(std::string_view name, int number);

// The form under which two names count as the same file: ASCII letters in lower case,
// since many file systems ignore case.
std::string FileNameKey(std::string_view name);

}  // namespace quorlin
