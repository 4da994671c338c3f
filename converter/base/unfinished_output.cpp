// The remembered path lives in a fixed buffer, written before the flag that says it is
// there, so a handler that runs at any moment sees either no path or a whole one.
#include "converter/base/unfinished_output.h"

#include <csignal>
#include <cstring>

#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#else
#include <windows.h>
#endif

namespace quorlin {
namespace {

using Char = std::filesystem::path::value_type;
Char remembered[4096];
volatile std::sig_atomic_t has_remembered = 0;

}  // namespace

void RememberUnfinishedOutput(const Char* path) {
  has_remembered = 0;
  const std::size_t length = std::char_traits<Char>::length(path);
  if (length >= sizeof remembered) return;
  std::memcpy(remembered, path, (length + 1) * sizeof(Char));
  has_remembered = 1;
}

void ForgetUnfinishedOutput() { has_remembered = 0; }

void RemoveUnfinishedOutput() {
  if (!has_remembered) return;
  has_remembered = 0;
#if !defined(_WIN32)
  ::unlink(remembered);
#else
  ::DeleteFileW(remembered);
#endif
}

}  // namespace quorlin
