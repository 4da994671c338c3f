// A file that appears at its name complete or not at all: written into a temporary file in
// the target's folder, then put in place. A process killed part way leaves nothing, where
// the file system allows unnamed files (Linux's O_TMPFILE); elsewhere the temporary file is
// named ".<target's name>.<16 hex digits>.tmp", created exclusively, and removed on failure.
// The PDF documents and the run's report are both written this way.
//
// Permissions: a file that replaces another takes the permissions of the one it replaces; a
// new file gets those of any file the user makes (0666 less the umask). While it is written
// the temporary file is open to its owner only.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace lorvane_pdf {

class OutputFile {
 public:
  OutputFile() = default;
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;
  ~OutputFile() { Discard(); }

  // Opens the temporary file for `target`. Returns false with the reason when it cannot.
  bool Open(const std::string& target, std::string& failure);
  std::FILE* Stream() const { return file_; }
  // Writes `bytes` into the open file. On failure the file is discarded and the reason given.
  bool Write(std::string_view bytes, std::string& failure);

  // Flushes the file and puts it at the target. Without `replace`, a file, folder or link
  // already at the target makes it fail ("... exists already") and stays as it was; with
  // it, a regular file there is replaced. Anything else there is never replaced.
  bool Commit(bool replace, std::string& failure);
  // Closes and removes whatever exists of the temporary file.
  void Discard();

  // The errno of the last failure of Open, Write or Commit (EEXIST for "exists already"),
  // for a caller that words the reason its own way; 0 when none failed.
  int Error() const { return error_; }

 private:
  bool Fail(int error, std::string& failure);

  std::string target_;
  std::string named_;  // the temporary file's name, when it has one
  std::FILE* file_ = nullptr;
  int error_ = 0;
};

// Moves a complete file to `target`, replacing a regular file there: a rename, or a copy
// through an OutputFile when the two are on different file systems.
bool MoveFile(const std::string& from, const std::string& target, std::string& failure);

}  // namespace lorvane_pdf
