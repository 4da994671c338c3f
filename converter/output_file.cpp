// All-or-nothing writes with standard C++ only: the temporary file is
// opened with exclusive creation ("x"), so it never takes over someone else's file.
#include "converter/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <system_error>

#include "converter/errors.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

std::string Quote(const fs::path& path) { return "\"" + path.string() + "\""; }

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

std::string TemporaryName(const fs::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  // Kept well below the usual 255-byte name limit whatever the output's own name.
  std::string base = target.filename().string().substr(0, 100);
  return "." + base + "." + suffix + ".tmp";
}

// Creates a new file that did not exist before; returns its path and open handle.
std::FILE* CreateExclusive(const fs::path& folder, const fs::path& target, fs::path& created) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    created = folder / TemporaryName(target);
    errno = 0;
    if (std::FILE* file = std::fopen(created.string().c_str(), "wbx")) return file;
    if (errno != EEXIST) break;
  }
  int error = errno;
  throw IoError("cannot create output file " + Quote(target) + ": " +
                (error ? std::strerror(error) : "no free temporary name"));
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

}  // namespace

bool IsSameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  return !error && same;
}

void WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  WriteFileAtomically(path, [bytes](ByteSink& sink) { sink.Write(bytes); });
}

namespace {

// Writes what `produce` makes into a new temporary file in `folder`, named after `target`,
// and closes it; gives the permission bits of `keep` (a file being replaced) to it. On any
// failure the temporary file is removed and IoError names `target`.
fs::path WriteTemporaryFile(const fs::path& folder, const fs::path& target,
                            const std::function<void(ByteSink&)>& produce,
                            const fs::file_status* keep) {
  std::error_code error;
  fs::path temporary;
  std::unique_ptr<std::FILE, FileCloser> file(CreateExclusive(folder, target, temporary));
  FileSink sink(file.get());
  try {
    produce(sink);
  } catch (...) {
    file.reset();
    fs::remove(temporary, error);
    throw;
  }
  // The reason is taken right after the call that failed, before anything else can
  // change errno.
  int reason = sink.reason();
  errno = 0;
  if (!reason && std::fflush(file.get()) != 0) reason = errno ? errno : EIO;
  if (std::fclose(file.release()) != 0 && !reason) reason = errno ? errno : EIO;
  if (!reason && keep) {
    fs::permissions(temporary, keep->permissions() & fs::perms::all, error);
    if (error) reason = error.value();
  }
  if (reason) {
    fs::remove(temporary, error);
    throw IoError("cannot write output file " + Quote(target) + ": " + std::strerror(reason));
  }
  return temporary;
}

fs::path FolderOf(const fs::path& path) {
  if (!path.has_filename()) throw IoError("output path " + Quote(path) + " names no file");
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

}  // namespace

void WriteFileAtomically(const fs::path& path, const std::function<void(ByteSink&)>& produce) {
  const fs::path folder = FolderOf(path);

  // Only a regular file is replaced: renaming over a link would replace the link, not
  // the file it names, and a folder, device or pipe is not an output document.
  std::error_code error;
  fs::file_status existing = fs::symlink_status(path, error);
  if (fs::is_symlink(existing))
    throw IoError("cannot write output file " + Quote(path) + ": it is a symbolic link");
  if (fs::is_directory(existing))
    throw IoError("cannot write output file " + Quote(path) + ": it is a folder");
  if (fs::exists(existing) && !fs::is_regular_file(existing))
    throw IoError("cannot write output file " + Quote(path) + ": it is not a regular file");

  const fs::path temporary =
      WriteTemporaryFile(folder, path, produce, fs::is_regular_file(existing) ? &existing : nullptr);
  fs::rename(temporary, path, error);
  if (error) {
    std::error_code ignored;
    fs::remove(temporary, ignored);
    throw IoError("cannot write output file " + Quote(path) + ": " + error.message());
  }
}

bool WriteNewFile(const fs::path& path, const std::function<void(ByteSink&)>& produce) {
  const fs::path folder = FolderOf(path);
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) return false;
  const fs::path temporary = WriteTemporaryFile(folder, path, produce, nullptr);
  // A hard link is made only where the name is free, atomically, and never through a
  // link planted there. File systems without hard links get a rename after a last look.
  fs::create_hard_link(temporary, path, error);
  if (error && error != std::errc::file_exists) {
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(path, missing))) {
      error.clear();
      fs::rename(temporary, path, error);
      if (!error) return true;
    } else {
      error = std::make_error_code(std::errc::file_exists);
    }
  }
  std::error_code ignored;
  fs::remove(temporary, ignored);
  if (error == std::errc::file_exists) return false;
  if (error) throw IoError("cannot write output file " + Quote(path) + ": " + error.message());
  return true;
}

}  // namespace quorlin
