// A folder of this program's own (mode 0700) made under the temporary folder, removed with
// everything in it when it goes: where a renderer keeps LibreOffice's profile, temporary
// files and the PDF being written, so none of them outlives the renderer.
#pragma once

#include <string>

namespace lorvane_pdf {

class PrivateFolder {
 public:
  PrivateFolder() = default;
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder() { Remove(); }

  // Makes a new folder "<prefix>XXXXXX" in `parent` (empty: $TMPDIR, else /tmp). Throws
  // std::runtime_error with the system's reason when it cannot.
  void Make(const std::string& parent, const std::string& prefix);
  const std::string& Path() const { return path_; }
  // Removes everything inside, keeping the folder.
  void Empty() const;
  void Remove();

 private:
  std::string path_;
};

// The temporary folder this program uses: $TMPDIR when set, else /tmp.
std::string TemporaryRoot();

}  // namespace lorvane_pdf
