// O_TMPFILE, linkat through /proc/self/fd, and the named fallback.
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

// Nothing at the name, not even a dangling link.
bool Taken(const std::string& path) {
  struct stat about {};
  return ::lstat(path.c_str(), &about) == 0;
}

bool IsRegularFile(const std::string& path) {
  struct stat about {};
  return ::lstat(path.c_str(), &about) == 0 && S_ISREG(about.st_mode);
}

}  // namespace

bool OutputFile::Open(const std::string& target, std::string& failure) {
  Discard();
  target_ = target;
  int fd = ::open(Folder(target).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
  if (fd < 0) {
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
      named_ = TemporaryName(target);
      fd = ::open(named_.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0644);
      if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
      failure = Reason(target, errno);
      named_.clear();
      return false;
    }
  }
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    failure = Reason(target, errno);
    ::close(fd);
    Discard();
    return false;
  }
  return true;
}

bool OutputFile::Commit(bool replace, std::string& failure) {
  if (!file_) {
    failure = "cannot write " + target_ + ": the file is not open";
    return false;
  }
  if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) {
    failure = Reason(target_, errno);
    Discard();
    return false;
  }
  if (Taken(target_) && (!replace || !IsRegularFile(target_))) {
    failure = target_ + " exists already";
    Discard();
    return false;
  }
  if (named_.empty()) {
    // Link the unnamed file in: directly where nothing may be replaced (a link never takes
    // the place of an existing name), else under a temporary name renamed over the target.
    const std::string self = "/proc/self/fd/" + std::to_string(::fileno(file_));
    const std::string name = replace ? TemporaryName(target_) : target_;
    if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) != 0) {
      const int error = errno;
      failure = error == EEXIST ? target_ + " exists already" : Reason(target_, error);
      Discard();
      return false;
    }
    if (!replace) {
      Discard();
      return true;
    }
    named_ = name;
  }
  std::fclose(file_);
  file_ = nullptr;
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
  if (result != 0) {
    const int error = errno;
    failure = error == EEXIST ? target_ + " exists already" : Reason(target_, error);
    Discard();
    return false;
  }
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
