// File-system side of a conversion's output: written so that it appears complete or not
// at all, and never over the input.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "converter/base/byte_sink.h"

namespace quorlin {

// True when both paths name one existing file (also through links or other spellings).
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// Writes `bytes` to a new temporary file beside `path` and renames it over `path` once it
// is complete. A regular file already at `path` is replaced and its permission bits are
// kept; anything else there (a folder, a link, a device, a pipe) is refused before
// writing. On any failure the temporary file is removed, a file already at `path` is left
// as it was, and IoError says why.
//
// The temporary file is AtomicFile's (converter/files/atomic_file.h), journaled: every name
// it is given is in the conversion's journal (output_journal.h) with the file's identity,
// and a named one is remembered for the fault handler. A complete unnamed file bears a
// temporary name for the moment between being linked in and being renamed over `path`.
void WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// The same for a document made piece by piece: `produce` writes it into the sink it is
// given. Should `produce` throw, the temporary file is removed and the exception passes on.
void WriteFileAtomically(const std::filesystem::path& path,
                         const std::function<void(ByteSink&)>& produce);

// Writes a new file at `path` the same way, but never in place of anything: the complete
// temporary file is linked to `path` only while no file, folder or link has that name
// (an unnamed one straight, with no temporary name), and `path` is in the journal.
// Returns false, leaving nothing behind, when the name is taken; throws IoError on any
// other failure, and passes on what `produce` throws.
bool WriteNewFile(const std::filesystem::path& path, const std::function<void(ByteSink&)>& produce);

// Where a new document asked for at `path` goes without replacing anything: `path` when
// nothing has that name, else the first numbered name (NumberedDocumentName) nothing has.
// A link, folder or anything but a regular file at `path` is refused with IoError, as
// WriteFileAtomically refuses it.
std::filesystem::path FreeDocumentPath(const std::filesystem::path& path);

}  // namespace quorlin
