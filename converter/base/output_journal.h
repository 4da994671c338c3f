// The journal of one conversion: a small file beside the document that lists what the
// conversion creates besides the document itself (saved attachments, the documents of
// embedded messages, the folders made for them, named temporary files), each written
// before it is made. A conversion that fails, or is stopped by a signal, removes what the
// journal lists; the journal goes once the document is complete. A converter killed
// outright cannot, so the one who killed it reads the journal (the main program:
// run/converter_temporaries.h) and removes what it lists.
//
// The file is ".<document name, first 100 bytes>.<16 lower-case hex digits>.journal" in
// the folder of the document asked for, made only when the first entry is written. Each
// entry is one letter and an absolute path, ended by a NUL byte:
//   d  a folder about to be made: removed when it is empty again
//   t  a temporary file about to be named: removed
//   p  the last temporary file is about to be linked to this name: the name is removed
//      when it is still the same file as that temporary
//   f  a file that was made: removed
// A last entry without its NUL was cut off by a kill and is ignored.
#pragma once

#include <filesystem>

namespace quorlin {

// Begins the journal of the conversion whose document was asked for at `document`.
// Nothing is written until the first entry.
void BeginOutputJournal(const std::filesystem::path& document);

// The conversion is complete: the journal file goes and what it lists stays.
void EndOutputJournal() noexcept;

// Entries, each written before the step it names (JournalFile after it). They do nothing
// when no journal is begun. Throw IoError when the journal cannot be written, before the
// step is taken.
void JournalFolder(const std::filesystem::path& folder);
void JournalTemporary(const std::filesystem::path& temporary);
void JournalLink(const std::filesystem::path& name);
void JournalFile(const std::filesystem::path& file);

// Removes what the journal lists and the journal itself, and ends it. Safe in a signal
// handler: it calls nothing but open, read, close, lstat, unlink and rmdir.
void RemoveJournaledOutput() noexcept;

}  // namespace quorlin
