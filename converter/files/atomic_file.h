// The one all-or-nothing file writer, for the converter's documents and attachments and for
// the main program's PDFs and reports: a file appears at its name complete or not at all.
//
// It is written into a temporary file in the target's folder. On Linux that file has no name
// while it is written (O_TMPFILE), so a process killed part way leaves nothing; only once it
// is complete is it linked in (through /proc/self/fd, as linking needs no privilege that
// way): straight to the target where nothing may be replaced, else under a temporary name
// renamed over the target. Where unnamed files cannot be made, the temporary file is named
// ".<target's name, at most 100 bytes>.<16 lower-case hex digits>.tmp" from the start
// (".Report.doc.0123456789abcdef.tmp"), created exclusively so that it never takes over
// someone else's file. Standard C++ and the system's own calls (file_steps.h), no Qt.
#pragma once

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "converter/base/output_journal.h"

namespace quorlin {

// How a writer treats its file besides putting it in place all or nothing.
struct AtomicFileWay {
  // Every name the file is given is entered in this process's conversion journal
  // (output_journal.h) with the file's identity before it is given, and a named temporary
  // file is remembered for the fault handler (unfinished_output.h): the converter's way,
  // which its run's undo relies on. The main program keeps no such journal, and its threads
  // write at once, so it leaves this off.
  bool journaled = false;
  // The file is open to its owner only (0600) while it is written and is synced to the disk
  // before it is put in place, where it then gets its permissions: a replaced file's, all
  // twelve bits, or 0666 less the umask for a new one (the main program's PDFs and
  // reports, which may be read as they are written by nobody else). Off, the file is made
  // as any file the user makes (0666 less the umask) and takes a replaced file's read,
  // write and execute bits (the converter's documents). POSIX only; Windows has neither.
  bool private_while_written = false;
};

class AtomicFile {
 public:
  AtomicFile(std::filesystem::path target, AtomicFileWay way);
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;
  ~AtomicFile() { Discard(); }

  // Makes the temporary file in the target's folder. An error leaves nothing; a journaled
  // file's journal that cannot be written throws IoError, leaving nothing too.
  std::error_code Open();
  // The open file to write into, until it is put in place or discarded.
  std::FILE* Stream() const { return file_; }

  // Completes the file and renames it over the target, taking the permissions of the
  // regular file there. Anything else at the target (a folder, a link, a device, a pipe) is
  // never replaced: errc::file_exists. On any error nothing is left and the target is as
  // it was.
  std::error_code Replace();
  // Completes the file and gives it the target's name only while nothing has that name (a
  // journaled one is entered as a file first, which may throw IoError): errc::file_exists,
  // leaving nothing, when something has it.
  std::error_code PlaceNew();
  // Closes and removes whatever exists of the temporary file.
  void Discard();

 private:
  std::error_code CreateNamed();
  std::error_code Complete(bool replacing, std::filesystem::perms kept);
  std::error_code Name(bool replacing, std::filesystem::perms kept);
  std::error_code Fail(std::error_code error);
#if defined(__linux__)
  bool CreateUnnamed();
  int LinkUnnamed(const std::filesystem::path& name) const;
  int LinkIn();
#endif

  std::filesystem::path target_;
  std::filesystem::path folder_;
  AtomicFileWay way_;
  std::FILE* file_ = nullptr;
  std::filesystem::path named_;  // the temporary file's name, once it has one
  bool unnamed_ = false;
  FileIdentity identity_;
};

// Whether unnamed temporary files are used where the file system allows them (the default).
// Off, every temporary file is named: tests use it to reach that way too.
void UseUnnamedTemporaryFiles(bool use);

}  // namespace quorlin
