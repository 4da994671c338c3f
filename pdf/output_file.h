// A file that appears at its name complete or not at all: written into a temporary file in
// the target's folder, then put in place. A process killed part way leaves nothing, where
// the file system allows unnamed files (Linux's O_TMPFILE); elsewhere the temporary file is
// named ".<target's name>.<16 hex digits>.tmp", created exclusively, and removed on failure.
#pragma once

#include <cstdio>
#include <string>

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

  // Flushes the file and puts it at the target. Without `replace`, a file, folder or link
  // already at the target makes it fail ("... exists already") and stays as it was; with
  // it, a regular file there is replaced. Anything else there is never replaced.
  bool Commit(bool replace, std::string& failure);
  // Closes and removes whatever exists of the temporary file.
  void Discard();

 private:
  std::string target_;
  std::string named_;  // the temporary file's name, when it has one
  std::FILE* file_ = nullptr;
};

// Moves a complete file to `target`, replacing a regular file there: a rename, or a copy
// through an OutputFile when the two are on different file systems.
bool MoveFile(const std::string& from, const std::string& target, std::string& failure);

}  // namespace lorvane_pdf
