// The journal a long-lived converter keeps for the run (converter/serve_protocol.h, "The
// journal"): one file per converter slot in the run's private folder, which only this
// run can enter, so nobody else chooses what it lists. The run empties it before each
// request; after ending a converter part way it reads it back and takes back what that
// conversion made. Nothing found in an output or source folder is ever read or trusted,
// whatever its name.
#pragma once

#include <string>

class ConversionJournal {
 public:
  ConversionJournal() = default;
  ConversionJournal(const ConversionJournal&) = delete;
  ConversionJournal& operator=(const ConversionJournal&) = delete;
  ~ConversionJournal() { Close(); }

  // Makes the journal file at `path` (open to its owner only, never through a link) and
  // keeps it open. Returns false with the system's reason when it cannot be made.
  bool Open(const std::string& path, std::string& failure);
  const std::string& Path() const { return path_; }

  // Empties it, as before each request: what it lists from then on is the next job's.
  void Clear();

  // Takes back what the conversion of the document asked for at `document` made, as the
  // journal lists it, then empties it. Only inside the place that job writes to (the
  // document's folder, and the " attachments" folders in it at any depth), never through
  // a link, and only while a path is still the very file or folder the converter made
  // (same device and inode); a folder only once it is empty. With `documentFinished` (the
  // document was put in place before the converter was ended) only temporary names go:
  // the rest belongs to the finished document.
  void Undo(const std::string& document, bool documentFinished);

  // Closes and removes the file.
  void Close();

 private:
  std::string path_;
  int fd_ = -1;
};
