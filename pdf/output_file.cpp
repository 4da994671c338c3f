// O_TMPFILE, linkat through /proc/self/fd, the named fallback, and the permissions the
// file ends with.
#include "pdf/output_file.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <random>

namespace lorvane_pdf {
namespace {

namespace fs = std::filesystem;

std::string Folder(const std::string& target) {
  const fs::path parent = fs::path(target).parent_path();
  return parent.empty() ? std::string(".") : parent.string();
}

std::string TemporaryName(const std::string& target) {
  static thread_local std::mt19937_64 random{std::random_device{}()};
  char suffix[17];
  std::snprintf(suffix, sizeof suffix, "%016llx", static_cast<unsigned long long>(random()));
  const std::string base = fs::path(target).filename().string().substr(0, 100);
  return Folder(target) + "/." + base + "." + suffix + ".tmp";
}

std::string Reason(const std::string& target, int error) {
  return "cannot write " + target + ": " + std::strerror(error);
}

// What is at the name, not even a dangling link overlooked; false when nothing is.
bool Stat(const std::string& path, struct stat& about) { return ::lstat(path.c_str(), &about) == 0; }

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

}  // namespace

bool OutputFile::Fail(int error, std::string& failure) {
  error_ = error != 0 ? error : EIO;
  failure = error_ == EEXIST ? target_ + " exists already" : Reason(target_, error_);
  Discard();
  return false;
}

bool OutputFile::Open(const std::string& target, std::string& failure) {
  Discard();
  target_ = target;
  error_ = 0;
  // Only the owner may read the file while it is written; Commit gives it its permissions.
  const mode_t mode = 0600;
  int fd = ::open(Folder(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, mode);
  if (fd < 0) {
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      named_ = TemporaryName(target);
      fd = ::open(named_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, mode);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
      // No free temporary name is "cannot write", not the target's being there.
      error_ = errno;
      failure = Reason(target, error_);
      named_.clear();
      return false;
    }
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int error = errno;
    ::close(fd);
    return Fail(error, failure);
  }
  return true;
}

bool OutputFile::Write(std::string_view bytes, std::string& failure) {
  if (!file_) return Fail(EBADF, failure);
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return Fail(errno, failure);
  return true;
}

bool OutputFile::Commit(bool replace, std::string& failure) {
  if (!file_) {
    error_ = EBADF;
    failure = "cannot write " + target_ + ": the file is not open";
    return false;
  }
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) return Fail(errno, failure);
  struct stat existing {};
  const bool taken = Stat(target_, existing);
  if (taken && (!replace || !S_ISREG(existing.st_mode))) return Fail(EEXIST, failure);
  // The file replaced hands on its permissions, set-user-ID and sticky bits included.
  const mode_t mode = taken ? existing.st_mode & 07777 : 0666 & ~Umask();
  if (::fchmod(::fileno(file_), mode) != 0) return Fail(errno, failure);
  if (named_.empty()) {
    // Link the unnamed file in: directly where nothing may be replaced (a link never takes
    // the place of an existing name), else under a temporary name renamed over the target.
    const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file_));
    const std::string name = replace ? TemporaryName(target_) : target_;
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) return Fail(errno, failure);
    if (!replace) {
      Discard();
      return true;
    }
    named_ = name;
  }
  // A write the file system only reports on closing (a network file system's) fails here.
  const int closed = std::fclose(file_);
  file_ = nullptr;
  if (closed != 0) return Fail(errno, failure);
  int result;
  if (replace) {
    result = ::rename(named_.c_str(), target_.c_str());
  } else {
    result = ::renameat2(AT_FDCWD, named_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE);
    if (result != 0 && errno == EINVAL) {
      // A file system without RENAME_NOREPLACE: a hard link refuses an existing name too.
      result = ::link(named_.c_str(), target_.c_str());
    }
  }
  if (result != 0) return Fail(errno, failure);
  if (!replace) ::unlink(named_.c_str());  // the link's other name, or gone already
  named_.clear();
  return true;
}

void OutputFile::Discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!named_.empty()) ::unlink(named_.c_str());
  named_.clear();
}

bool MoveFile(const std::string& from, const std::string& target, std::string& failure) {
  if (::rename(from.c_str(), target.c_str()) == 0) return true;
  if (errno != EXDEV) {
    failure = Reason(target, errno);
    return false;
  }
  OutputFile output;
  if (!output.Open(target, failure)) return false;
  std::FILE* input = std::fopen(from.c_str(), "rb");
  if (!input) {
    failure = "cannot read " + from + ": " + std::strerror(errno);
    return false;
  }
  char buffer[65536];
  std::size_t n;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
    ok = std::fwrite(buffer, 1, n, output.Stream()) == n;
  }
  ok = ok && !std::ferror(input);
  std::fclose(input);
  if (!ok) {
    failure = Reason(target, errno);
    return false;
  }
  if (!output.Commit(true, failure)) return false;
  ::unlink(from.c_str());
  return true;
}

}  // namespace lorvane_pdf
