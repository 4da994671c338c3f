// The converter's side of an all-or-nothing write (converter/files/atomic_file.h, journaled):
// what may stand at the output, the numbered name a document takes when it may not replace
// one, and the failures said as the converter says them.
#include "converter/base/path_text.h"
#include "converter/output/output_file.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>

#include "converter/base/errors.h"
#include "converter/files/atomic_file.h"
#include "converter/output/file_names.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

constexpr AtomicFileWay kConverterWay{.journaled = true, .private_while_written = false};

std::string Quote(const fs::path& path) { return "\"" + Utf8Of(path) + "\""; }

[[noreturn]] void FailWriting(const fs::path& path, const std::string& reason) {
  throw IoError("cannot write output file " + Quote(path) + ": " + reason);
}

// Writes into the temporary file. The first failure is kept with its errno and later
// writes are skipped; the caller reports it once the file is closed and removed.
class FileSink : public ByteSink {
 public:
  explicit FileSink(std::FILE* file) : file_(file) {}
  void Write(std::span<const std::uint8_t> bytes) override {
    if (reason_ || bytes.empty()) return;
    errno = 0;
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) reason_ = errno ? errno : EIO;
  }
  int reason() const { return reason_; }

 private:
  std::FILE* file_;
  int reason_ = 0;
};

fs::path FolderOf(const fs::path& path) {
  if (!path.has_filename()) throw IoError("output path " + Quote(path) + " names no file");
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// Opens `file`'s temporary file and writes what `produce` makes into it: complete and still
// open. On any failure nothing is left and IoError names `target`.
void Fill(AtomicFile& file, const fs::path& target, const std::function<void(ByteSink&)>& produce) {
  if (const std::error_code error = file.Open())
    throw IoError("cannot create output file " + Quote(target) + ": " + error.message());
  FileSink sink(file.Stream());
  try {
    produce(sink);
  } catch (...) {
    file.Discard();
    throw;
  }
  if (sink.reason()) {
    file.Discard();
    FailWriting(target, std::strerror(sink.reason()));
  }
}

// What is at `path`: nothing or a regular file. Only a regular file is replaced: renaming
// over a link would replace the link, not the file it names, and a folder, device or pipe
// is not an output document.
fs::file_status CheckedOutput(const fs::path& path) {
  std::error_code error;
  fs::file_status existing = fs::symlink_status(path, error);
  if (fs::is_symlink(existing)) FailWriting(path, "it is a symbolic link");
  if (fs::is_directory(existing)) FailWriting(path, "it is a folder");
  if (fs::exists(existing) && !fs::is_regular_file(existing)) FailWriting(path, "it is not a regular file");
  return existing;
}

}  // namespace

bool IsSameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  return !error && same;
}

void WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  WriteFileAtomically(path, [bytes](ByteSink& sink) { sink.Write(bytes); });
}

fs::path FreeDocumentPath(const fs::path& path) {
  FolderOf(path);
  if (!fs::exists(CheckedOutput(path))) return path;
  const std::string name = Utf8Of(path.filename());
  for (int number = 2; number < 100'000; ++number) {
    fs::path candidate = path.parent_path() / PathFromUtf8(NumberedDocumentName(name, number));
    std::error_code error;
    if (!fs::exists(fs::symlink_status(candidate, error))) return candidate;
  }
  FailWriting(path, "no free numbered name is left");
}

void WriteFileAtomically(const fs::path& path, const std::function<void(ByteSink&)>& produce) {
  FolderOf(path);
  CheckedOutput(path);
  AtomicFile file(path, kConverterWay);
  Fill(file, path, produce);
  if (const std::error_code error = file.Replace()) FailWriting(path, error.message());
}

bool WriteNewFile(const fs::path& path, const std::function<void(ByteSink&)>& produce) {
  FolderOf(path);
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) return false;
  AtomicFile file(path, kConverterWay);
  Fill(file, path, produce);
  error = file.PlaceNew();
  if (error == std::errc::file_exists) return false;
  if (error) FailWriting(path, error.message());
  return true;
}

}  // namespace quorlin
