// The journal of one conversion: what it makes besides the document's own name (saved
// attachments, the documents of embedded messages, the folders made for them, temporary
// names), each with the device and inode of what was made. A conversion that fails, or is
// stopped by a signal, removes what the journal lists that is still the very thing it
// made; the entries go once the document is complete. A converter killed outright cannot,
// so the program that killed it reads the journal (run/engine/conversion_journal.h) and does the
// same. The entries' shape is part of the serve protocol (serve_protocol.h, "The journal").
//
// The journal lives where nobody else can write, never beside the document: in the file
// the main program names (`--serve --journal PATH`, in its private folder), kept for the
// process's life and emptied as each conversion ends; or, for the converter run by itself,
// in an unnamed file of the temporary folder that goes with the process.
#pragma once

#include <cstdint>
#include <filesystem>

namespace quorlin {

// Which file something is, whatever name it has now.
struct FileIdentity {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
};

// The identity of the file open at `fd`. Throws IoError when it cannot be read.
FileIdentity IdentityOfOpenFile(int fd);

// Keeps the journal of this process's conversions in the file at `path`: made when
// missing (open to its owner only), never through a link, emptied now. Throws IoError
// when it cannot be opened.
void KeepOutputJournalAt(const std::filesystem::path& path);

// Begins the journal of one conversion; nothing is written until the first entry. With no
// file given, an unnamed one is made in the temporary folder the first time; throws
// IoError when none can be made.
void BeginOutputJournal();

// The conversion is complete: the entries go and what they list stays.
void EndOutputJournal() noexcept;

// Entries. They do nothing when no journal is begun, and throw IoError when the journal
// cannot be written. A folder is entered right after it is made (its identity read then);
// a file and a temporary name before the name is linked to the file, which is `made`.
void JournalFolder(const std::filesystem::path& folder);
void JournalFile(const std::filesystem::path& file, const FileIdentity& made);
void JournalTemporary(const std::filesystem::path& name, const FileIdentity& made);

// Holds off the stop signals (SIGTERM, SIGINT, SIGHUP) for its lifetime: around making
// something and entering it in the journal, so that a stop finds it either not made or
// in the journal. (A kill cannot be held off; the moment between the two is what one may
// leave behind.)
class JournalStep {
 public:
  JournalStep();
  ~JournalStep();
  JournalStep(const JournalStep&) = delete;
  JournalStep& operator=(const JournalStep&) = delete;

 private:
  unsigned char previous_[128];  // the signal mask before, as the system keeps it
};

// Removes what the journal lists while it is still what was made (files and temporary
// names first, then folders once empty, innermost first), empties the journal and ends
// it. Safe in a signal handler: it calls nothing but pread, lstat, unlink, rmdir and
// ftruncate.
void RemoveJournaledOutput() noexcept;

}  // namespace quorlin
