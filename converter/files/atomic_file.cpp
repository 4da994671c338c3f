// The temporary file's life: made unnamed (O_TMPFILE) or named and exclusive, journaled when
// asked, completed with its permissions, then linked or renamed into place; and whatever
// exists of it removed on any failure.
#include "converter/files/atomic_file.h"

#include <cerrno>
#include <cstring>
#include <optional>
#include <random>
#include <string>

#include "converter/base/errors.h"
#include "converter/base/path_text.h"
#include "converter/base/unfinished_output.h"
#include "converter/files/file_steps.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quorlin {
namespace {

namespace fs = std::filesystem;

bool use_unnamed = true;

std::error_code ErrorOf(int error) { return {error ? error : EIO, std::generic_category()}; }

fs::path TemporaryName(const fs::path& folder, const fs::path& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  // Kept well below the usual 255-byte name limit whatever the target's own name.
  const std::string base = Utf8Of(target.filename()).substr(0, 100);
  return folder / PathFromUtf8("." + base + "." + suffix + ".tmp");
}

#if !defined(_WIN32)
// The process's umask, read where reading it changes nothing (Linux 4.7 on), since other
// threads may be making files meanwhile. Only an older kernel has it set and set back.
mode_t Umask() {
  if (std::FILE* status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned int mask = 0;
    bool found = false;
    while (!found && std::fgets(line, sizeof line, status)) found = std::sscanf(line, "Umask: %o", &mask) == 1;
    std::fclose(status);
    if (found) return static_cast<mode_t>(mask & 0777);
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return mask;
}

// A new file at `path` open to its owner only, or null with errno set.
std::FILE* CreatePrivateFile(const fs::path& path) {
  const int fd = ::open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = ::fdopen(fd, "wb");
  if (!file) {
    const int error = errno;
    ::close(fd);
    ::unlink(path.c_str());
    errno = error;
  }
  return file;
}
#endif

#if defined(__linux__)
std::string DescriptorPath(int fd) { return "/proc/self/fd/" + std::to_string(fd); }
#endif

}  // namespace

void UseUnnamedTemporaryFiles(bool use) { use_unnamed = use; }

AtomicFile::AtomicFile(fs::path target, AtomicFileWay way) : target_(std::move(target)), way_(way) {
  folder_ = target_.parent_path();
  if (folder_.empty()) folder_ = ".";
}

std::error_code AtomicFile::Fail(std::error_code error) {
  Discard();
  return error;
}

void AtomicFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!named_.empty()) {
    std::error_code ignored;
    fs::remove(named_, ignored);
    if (way_.journaled) ForgetUnfinishedOutput();
    named_.clear();
  }
  unnamed_ = false;
}

std::error_code AtomicFile::Open() {
  Discard();
#if defined(__linux__)
  if (use_unnamed && CreateUnnamed()) return {};
#endif
  return CreateNamed();
}

// A new named file that did not exist before, in the journal as soon as it is made.
std::error_code AtomicFile::CreateNamed() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path name = TemporaryName(folder_, target_);
    std::optional<JournalStep> step;
    if (way_.journaled) step.emplace();
    errno = 0;
#if !defined(_WIN32)
    file_ = way_.private_while_written ? CreatePrivateFile(name) : CreateNewFile(name);
#else
    file_ = CreateNewFile(name);
#endif
    if (file_) {
      named_ = name;
      if (way_.journaled) {
        RememberUnfinishedOutput(named_.c_str());
        try {
          identity_ = IdentityOfOpenFile(::fileno(file_));
          JournalTemporary(named_, identity_);
        } catch (...) {
          Discard();
          throw;
        }
      }
      return {};
    }
    if (errno != EEXIST) break;
  }
  return ErrorOf(errno);
}

#if defined(__linux__)
// An unnamed file in the folder that can be linked in later; false when the file system
// cannot make one (or /proc, through which it is linked, is not there).
bool AtomicFile::CreateUnnamed() {
  const int fd = ::open(folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, way_.private_while_written ? 0600 : 0666);
  if (fd < 0) return false;
  struct stat st {};
  if (::access(DescriptorPath(fd).c_str(), F_OK) != 0 || ::fstat(fd, &st) != 0 || !(file_ = ::fdopen(fd, "wb"))) {
    ::close(fd);
    return false;
  }
  unnamed_ = true;
  identity_ = {static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino)};
  return true;
}

// Links the complete unnamed file to `name`, which must be free; returns 0 or the errno.
int AtomicFile::LinkUnnamed(const fs::path& name) const {
  const std::string from = DescriptorPath(::fileno(file_));
  return ::linkat(AT_FDCWD, from.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
}

// Gives the complete unnamed file a temporary name in its folder; returns 0 or the errno.
int AtomicFile::LinkIn() {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const fs::path name = TemporaryName(folder_, target_);
    if (way_.journaled) {
      try {
        JournalTemporary(name, identity_);
      } catch (const IoError&) {
        return EIO;
      }
    }
    const int error = LinkUnnamed(name);
    if (error == 0) {
      named_ = name;
      if (way_.journaled) RememberUnfinishedOutput(named_.c_str());
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return EEXIST;
}
#endif

// Flushes the complete file, makes it durable and gives it the permissions it may have
// while it is still open. The reason is taken right after the call that failed, before
// anything else can change errno.
std::error_code AtomicFile::Complete(bool replacing, fs::perms kept) {
  if (!file_) return ErrorOf(EBADF);
  errno = 0;
  int reason = std::fflush(file_) != 0 ? (errno ? errno : EIO) : 0;
  if (!reason) reason = MakeDurable(file_);
#if !defined(_WIN32)
  if (way_.private_while_written) {
    const mode_t mode = replacing ? static_cast<mode_t>(kept) : 0666 & ~Umask();
    if (!reason && (::fsync(::fileno(file_)) != 0 || ::fchmod(::fileno(file_), mode) != 0)) reason = errno;
  }
#endif
#if defined(__linux__)
  if (!reason && !way_.private_while_written && unnamed_ && replacing &&
      ::fchmod(::fileno(file_), static_cast<mode_t>(kept)) != 0)
    reason = errno;
#endif
  (void)replacing;
  (void)kept;
  return reason ? Fail(ErrorOf(reason)) : std::error_code{};
}

// Gives the complete file a temporary name when it has none, closes it, and gives a named
// one the permissions it takes from a replaced file. It stays remembered for the fault
// handler until it is renamed or discarded.
std::error_code AtomicFile::Name(bool replacing, fs::perms kept) {
  int reason = 0;
#if defined(__linux__)
  if (unnamed_) reason = LinkIn();
#endif
  errno = 0;
  // A write the file system only reports on closing (a network file system's) fails here.
  if (std::fclose(file_) != 0 && !reason) reason = errno ? errno : EIO;
  file_ = nullptr;
  if (reason) return Fail(ErrorOf(reason));
  if (!unnamed_ && replacing && !way_.private_while_written) {
    std::error_code error;
    fs::permissions(named_, kept, error);
    if (error) return Fail(error);
  }
  return {};
}

std::error_code AtomicFile::Replace() {
  std::error_code error;
  const fs::file_status existing = fs::symlink_status(target_, error);
  // Renaming over a link would replace the link, not the file it names, and a folder,
  // device or pipe is no document.
  if (fs::exists(existing) && !fs::is_regular_file(existing))
    return Fail(std::make_error_code(std::errc::file_exists));
  const bool replacing = fs::is_regular_file(existing);
  // The converter's documents keep the read, write and execute bits; the main program's
  // files the set-user-ID, set-group-ID and sticky bits as well.
  const fs::perms kept = existing.permissions() & (way_.private_while_written ? fs::perms::mask : fs::perms::all);
  if ((error = Complete(replacing, kept)) || (error = Name(replacing, kept))) return error;
  MoveOver(named_, target_, error);
  if (error) return Fail(error);
  if (way_.journaled) ForgetUnfinishedOutput();
  named_.clear();
  return {};
}

std::error_code AtomicFile::PlaceNew() {
  std::error_code error = Complete(false, fs::perms::none);
  if (error) return error;
  // In the journal before the name is linked to it: should the link fail, the entry names
  // a path that is not this file, and undoing it leaves that path alone.
  if (way_.journaled) {
    try {
      JournalFile(target_, identity_);
    } catch (...) {
      Discard();
      throw;
    }
  }
#if defined(__linux__)
  // An unnamed file is linked straight to its name, which fails when anything has it.
  if (unnamed_) {
    const int linked = LinkUnnamed(target_);
    if (linked == 0) {
      errno = 0;
      const bool closed = std::fclose(file_) == 0;
      const int reason = closed ? 0 : (errno ? errno : EIO);
      file_ = nullptr;
      unnamed_ = false;
      if (closed) return {};
      fs::remove(target_, error);
      return ErrorOf(reason);
    }
    if (linked == EEXIST) return Fail(std::make_error_code(std::errc::file_exists));
  }
#endif
  if ((error = Name(false, fs::perms::none))) return error;
  // A hard link is made only where the name is free, atomically, and never through a link
  // planted there. File systems without hard links get a rename after a last look.
  fs::create_hard_link(named_, target_, error);
  if (error && error != std::errc::file_exists) {
    std::error_code missing;
    if (!fs::exists(fs::symlink_status(target_, missing))) {
      error.clear();
      fs::rename(named_, target_, error);
      if (!error) {
        if (way_.journaled) ForgetUnfinishedOutput();
        named_.clear();
        return {};
      }
    } else {
      error = std::make_error_code(std::errc::file_exists);
    }
  }
  // Linked: the temporary name goes, the file stays at the target.
  Discard();
  return error;
}

}  // namespace quorlin
