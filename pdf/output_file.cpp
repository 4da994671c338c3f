// Placing a PDF layer's file, its failures in words, and the move of a rendered PDF.
#include "pdf/output_file.h"

#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace lorvane_pdf {

std::string WriteFailure(const std::string& target, std::error_code error, bool opening) {
  if (error == std::errc::file_exists && !opening) return target + " exists already";
  return "cannot write " + target + ": " + std::strerror(error.value());
}

bool MoveFile(const std::string& from, const std::string& target, std::string& failure) {
  if (::rename(from.c_str(), target.c_str()) == 0) return true;
  if (errno != EXDEV) {
    failure = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  quorlin::AtomicFile output(target, kOutputFileWay);
  if (const std::error_code error = output.Open()) {
    failure = WriteFailure(target, error, true);
    return false;
  }
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
    failure = "cannot write " + target + ": " + std::strerror(errno);
    return false;
  }
  if (const std::error_code error = output.Replace()) {
    failure = WriteFailure(target, error);
    return false;
  }
  ::unlink(from.c_str());
  return true;
}

}  // namespace lorvane_pdf
