// All-or-nothing writes. The document goes into a temporary file in the output's folder,
// which is renamed over the output once it is complete. On Linux that file has no name
// while it is written (O_TMPFILE): a process killed part way, by a signal or the time
// limit, leaves nothing behind. Only once the document is complete is the file linked in
// (through /proc/self/fd, as linking a file needs no privilege that way): a new file
// straight to its name, which fails when anything has it; a file that replaces another
// under a temporary name, then renamed over it (a link cannot replace the output itself).
// Where unnamed files cannot be made, the temporary file is named from the start, created
// exclusively ("x") so it never takes over someone else's file, and remembered for the
// fault handler (unfinished_output.h). Every name given to a file made here is in the
// conversion's journal (output_journal.h) with that file's identity.
#include "converter/base/path_text.h"
#include "converter/output/output_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

#include "converter/base/errors.h"
#include "converter/output/file_names.h"
#include "converter/output/file_steps.h"
#include "converter/base/output_journal.h"
#include "converter/base/unfinished_output.h"

#if defined(__linux__)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorlin {
namespace {

namespace fs = std::filesystem;

bool use_unnamed = true;

std::string Quote(const fs::path& path) { return "\"" + Utf8Of(path) + "\""; }

[[noreturn]] void FailWriting(const fs::path& path, const std::string& reason) {
  throw IoError("cannot write output file " + Quote(path) + ": " + reason);
}

fs::path TemporaryName(const fs::path& folder, const fs::path& target) {
  static std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  // Kept well below the usual 255-byte name limit whatever the output's own name.
  std::string base = Utf8Of(target.filename()).substr(0, 100);
  return folder / PathFromUtf8("." + base + "." + suffix + ".tmp");
}

// The temporary file while it is written: open, named (`path`) unless it is unnamed, and
// which file it is (`identity`, for the journal).
struct Temporary {
  std::FILE* file = nullptr;
  fs::path path;
  bool unnamed = false;
  FileIdentity identity;

  // Closes and removes whatever exists of it.
  void Discard() {
    if (file) std::fclose(file);
    file = nullptr;
    if (!path.empty()) {
      std::error_code ignored;
      fs::remove(path, ignored);
      ForgetUnfinishedOutput();
    }
  }
};

// A new named file that did not exist before, in the journal as soon as it is made.
Temporary CreateNamed(const fs::path& folder, const fs::path& target) {
  Temporary temporary;
  for (int attempt = 0; attempt < 100; ++attempt) {
    temporary.path = TemporaryName(folder, target);
    const JournalStep step;
    errno = 0;
    if ((temporary.file = CreateNewFile(temporary.path))) {
      RememberUnfinishedOutput(temporary.path.c_str());
      try {
        temporary.identity = IdentityOfOpenFile(::fileno(temporary.file));
        JournalTemporary(temporary.path, temporary.identity);
      } catch (...) {
        temporary.Discard();
        throw;
      }
      return temporary;
    }
    if (errno != EEXIST) break;
  }
  int error = errno;
  throw IoError("cannot create output file " + Quote(target) + ": " +
                (error ? std::strerror(error) : "no free temporary name"));
}

#if defined(__linux__)
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }

// An unnamed file in `folder` that can be linked in later, or nothing when the file
// system cannot make one (or /proc, through which it is linked, is not there).
std::optional<Temporary> CreateUnnamed(const fs::path& folder) {
  const int fd = ::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
  if (fd < 0) return std::nullopt;
  Temporary temporary;
  temporary.unnamed = true;
  struct stat st {};
  if (::access(DescriptorPath(fd).c_str(), F_OK) != 0 || ::fstat(fd, &st) != 0 ||
      !(temporary.file = ::fdopen(fd, "wb"))) {
    ::close(fd);
    return std::nullopt;
  }
  temporary.identity = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return temporary;
}

// Links the complete unnamed file to `name`, which must be free; returns 0 or the errno.
int LinkUnnamed(const Temporary& temporary, const fs::path& name) {
  const std::string from = DescriptorPath(::fileno(temporary.file));
  return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// Gives the complete unnamed file a temporary name in `folder`; returns 0 or the errno.
int LinkIn(Temporary& temporary, const fs::path& folder, const fs::path& target) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path name = TemporaryName(folder, target);
    try {
      JournalTemporary(name, temporary.identity);
    } catch (const IoError&) {
      return EIO;
    }
    const int error = LinkUnnamed(temporary, name);
    if (error == 0) {
      temporary.path = name;
      RememberUnfinishedOutput(name.c_str());
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return EEXIST;
}
#endif

Temporary CreateTemporary(const fs::path& folder, const fs::path& target) {
#if defined(__linux__)
  if (use_unnamed) {
    if (std::optional<Temporary> unnamed = CreateUnnamed(folder)) return *unnamed;
  }
#endif
  return CreateNamed(folder, target);
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

void UseUnnamedTemporaryFiles(bool use) { use_unnamed = use; }

bool IsSameFile(const fs::path& a, const fs::path& b) {
  std::error_code error;
  bool same = fs::equivalent(a, b, error);
  return !error && same;
}

void WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  WriteFileAtomically(path, [bytes](ByteSink& sink) { sink.Write(bytes); });
}

namespace {

fs::path FolderOf(const fs::path& path) {
  if (!path.has_filename()) throw IoError("output path " + Quote(path) + " names no file");
  fs::path folder = path.parent_path();
  return folder.empty() ? fs::path(".") : folder;
}

// Writes what `produce` makes into a new temporary file in `folder`, named after `target`,
// gives an unnamed one `permissions` when it replaces a file (`keep`), and flushes it: the
// result is complete and still open. On any failure nothing is left and IoError names
// `target`.
Temporary FillTemporaryFile(const fs::path& folder, const fs::path& target,
                            const std::function<void(ByteSink&)>& produce, bool keep, fs::perms permissions) {
  Temporary temporary = CreateTemporary(folder, target);
  FileSink sink(temporary.file);
  try {
    produce(sink);
  } catch (...) {
    temporary.Discard();
    throw;
  }
  // The reason is taken right after the call that failed, before anything else can
  // change errno.
  int reason = sink.reason();
  errno = 0;
  if (!reason && std::fflush(temporary.file) != 0) reason = errno ? errno : EIO;
  if (!reason) reason = MakeDurable(temporary.file);
#if defined(__linux__)
  if (!reason && temporary.unnamed && keep &&
      ::fchmod(::fileno(temporary.file), static_cast<mode_t>(permissions)) != 0)
    reason = errno;
#else
  (void)keep;
  (void)permissions;
#endif
  if (reason) {
    temporary.Discard();
    FailWriting(target, std::strerror(reason));
  }
  return temporary;
}

// Gives the complete temporary file a name in `folder` when it has none, closes it, and
// gives a named one `permissions` when it replaces a file (`keep`). It stays remembered
// for the fault handler until it is renamed or discarded. On any failure nothing is left
// and IoError names `target`.
void NameTemporaryFile(Temporary& temporary, const fs::path& folder, const fs::path& target, bool keep,
                       fs::perms permissions) {
  int reason = 0;
#if defined(__linux__)
  if (temporary.unnamed) reason = LinkIn(temporary, folder, target);
#else
  (void)folder;
#endif
  errno = 0;
  if (std::fclose(temporary.file) != 0 && !reason) reason = errno ? errno : EIO;
  temporary.file = nullptr;
  if (!reason && !temporary.unnamed && keep) {
    std::error_code error;
    fs::permissions(temporary.path, permissions, error);
    if (error) reason = error.value();
  }
  if (reason) {
    temporary.Discard();
    FailWriting(target, std::strerror(reason));
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
  const fs::path folder = FolderOf(path);
  std::error_code error;
  const fs::file_status existing = CheckedOutput(path);
  const bool keep = fs::is_regular_file(existing);
  const fs::perms permissions = existing.permissions() & fs::perms::all;
  Temporary temporary = FillTemporaryFile(folder, path, produce, keep, permissions);
  NameTemporaryFile(temporary, folder, path, keep, permissions);
  MoveOver(temporary.path, path, error);
  if (error) {
    temporary.Discard();
    FailWriting(path, error.message());
  }
  ForgetUnfinishedOutput();
}

bool WriteNewFile(const fs::path& path, const std::function<void(ByteSink&)>& produce) {
  const fs::path folder = FolderOf(path);
  std::error_code error;
  if (fs::exists(fs::symlink_status(path, error))) return false;
  Temporary temporary = FillTemporaryFile(folder, path, produce, false, fs::perms::none);
  // In the journal before the name is linked to it: should the link fail, the entry names
  // a path that is not this file, and undoing it leaves that path alone.
  try {
    JournalFile(path, temporary.identity);
  } catch (...) {
    temporary.Discard();
    throw;
  }
#if defined(__linux__)
  // An unnamed file is linked straight to its name, which fails when anything has it.
  if (temporary.unnamed) {
    const int linked = LinkUnnamed(temporary, path);
    if (linked == 0) {
      errno = 0;
      const bool closed = std::fclose(temporary.file) == 0;
      const int reason = closed ? 0 : (errno ? errno : EIO);
      temporary.file = nullptr;
      if (closed) return true;
      fs::remove(path, error);
      FailWriting(path, std::strerror(reason));
    }
    if (linked == EEXIST) {
      temporary.Discard();
      return false;
    }
  }
#endif
  NameTemporaryFile(temporary, folder, path, false, fs::perms::none);
  // A hard link is made only where the name is free, atomically, and never through a
  // link planted there. File systems without hard links get a rename after a last look.
  fs::create_hard_link(temporary.path, path, error);
  if (error && error != std::errc::file_exists) {
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(path, missing))) {
      error.clear();
      fs::rename(temporary.path, path, error);
      if (!error) {
        ForgetUnfinishedOutput();
        return true;
      }
    } else {
      error = std::make_error_code(std::errc::file_exists);
    }
  }
  temporary.Discard();
  if (error == std::errc::file_exists) return false;
  if (error) FailWriting(path, error.message());
  return true;
}

}  // namespace quorlin
