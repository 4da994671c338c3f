// Opening the input: POSIX open, fstat, pread and mmap. Where mapping is not possible the
// file is read in one go instead. Windows has input_file_windows.cpp.
#include "converter/base/path_text.h"
#include "converter/cfb/input_file.h"

#include <cerrno>
#include <cstring>
#include <string>

#include "converter/cfb/compound_file.h"
#include "converter/base/errors.h"
#include "converter/base/output_journal.h"
#include "converter/base/unfinished_output.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorlin {
namespace {

std::string Quote(const std::filesystem::path& path) { return "\"" + Utf8Of(path) + "\""; }

[[noreturn]] void Fail(const char* what, const std::filesystem::path& path, int error) {
  throw UnreadableError(std::string(what) + " " + Quote(path) + ": " +
                (error ? std::strerror(error) : "unknown error"));
}

// A mapped file that another program cuts short while it is read would end the process
// with a bus error. While a mapping is open, that signal instead says so in one line and
// ends the process with the status of an input that cannot be read. A rich-text body is
// decoded from the mapping into the output's temporary file: a named one is removed first
// (an unnamed one vanishes with the process).
constexpr int kExitInputUnreadable = 5;
constexpr char kShrankMessage[] = "cannot read input file: it was cut short while being read\n";
struct sigaction previous_bus_action {};
int open_mappings = 0;

extern "C" void OnBusError(int) {
  RemoveJournaledOutput();
  RemoveUnfinishedOutput();
  const ssize_t ignored = ::write(STDERR_FILENO, kShrankMessage, sizeof kShrankMessage - 1);
  (void)ignored;
  ::_exit(kExitInputUnreadable);
}

void GuardMapping() {
  if (open_mappings++ > 0) return;
  struct sigaction action {};
  action.sa_handler = OnBusError;
  sigemptyset(&action.sa_mask);
  ::sigaction(SIGBUS, &action, &previous_bus_action);
}

void UnguardMapping() {
  if (--open_mappings == 0) ::sigaction(SIGBUS, &previous_bus_action, nullptr);
}

// Closes the descriptor when the constructor leaves, by return or by exception.
struct Descriptor {
  int fd;
  ~Descriptor() {
    if (fd >= 0) ::close(fd);
  }
};

// Reads up to `size` bytes from `offset`, retrying short reads; returns how many came.
std::size_t ReadAt(int fd, std::uint8_t* into, std::size_t size, off_t offset,
                   const std::filesystem::path& path) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, into + done, size - done, offset + static_cast<off_t>(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) Fail("cannot read input file", path, errno);
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

}  // namespace


InputFile::InputFile(const std::filesystem::path& path) {
  // Opened without blocking: opening a named pipe with no writer, or some devices, would
  // otherwise wait for ever before fstat could refuse them. Nothing is read from them.
  Descriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK)};
  if (file.fd < 0) {
    const int error = errno;
    struct stat named {};
    // A socket cannot be opened at all; it is no more a message than a pipe.
    if (::stat(path.c_str(), &named) == 0 && !S_ISREG(named.st_mode) && !S_ISDIR(named.st_mode))
      throw UnreadableError("cannot read input file " + Quote(path) + ": it is not a regular file");
    Fail("cannot open input file", path, error);
  }
  struct stat status {};
  if (::fstat(file.fd, &status) != 0) Fail("cannot read input file", path, errno);
  // Only regular files: a device or a pipe could be endless.
  if (S_ISDIR(status.st_mode)) throw UnreadableError("cannot read input file " + Quote(path) + ": it is a folder");
  if (!S_ISREG(status.st_mode))
    throw UnreadableError("cannot read input file " + Quote(path) + ": it is not a regular file");
  // Reads of a regular file never block; the flag is cleared all the same.
  ::fcntl(file.fd, F_SETFL, ::fcntl(file.fd, F_GETFL) & ~O_NONBLOCK);

  std::uint8_t header[CompoundFile::kHeaderSize];
  const std::size_t got = ReadAt(file.fd, header, sizeof header, 0, path);
  CompoundFile::CheckHeader(std::span<const std::uint8_t>(header, got));

  const auto size = static_cast<std::size_t>(status.st_size);
  void* mapped = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, file.fd, 0);
  if (mapped != MAP_FAILED) {
    GuardMapping();
    mapping_ = mapped;
    bytes_ = std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(mapped), size);
    return;
  }
  copy_.resize(size);
  copy_.resize(ReadAt(file.fd, copy_.data(), size, 0, path));
  bytes_ = copy_;
}

void InputFile::ReleasePages() const {
  // Advice only: a system that ignores it keeps the pages, as before the call.
  if (mapping_ != nullptr) ::madvise(mapping_, bytes_.size(), MADV_DONTNEED);
}

InputFile::~InputFile() {
  if (mapping_ == nullptr) return;
  ::munmap(mapping_, bytes_.size());
  UnguardMapping();
}


}  // namespace quorlin
