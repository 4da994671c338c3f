// Placing a PDF layer's file, its failures in words, and the move of a rendered PDF.
#include "pdf/output_file.h"

#include <stdio.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace lorvane_pdf {

std::string WriteFailure(const std::string& target, std::error_code error, bool opening) {
  if (error == std::errc::file_exists && !opening) return target + " exists already";
  return "cannot write " + target + ": " + std::strerror(error.value());
}

void MoveFile(const std::string& from, const std::string& target) {
  if (::rename(from.c_str(), target.c_str()) == 0) return;
  if (errno != EXDEV) throw std::runtime_error("cannot write " + target + ": " + std::strerror(errno));
  quorlin::AtomicFile output(target, kOutputFileWay);
  if (const std::error_code error = output.Open()) throw std::runtime_error(WriteFailure(target, error, true));
  std::FILE* input = std::fopen(from.c_str(), "rb");
  if (!input) throw std::runtime_error("cannot read " + from + ": " + std::strerror(errno));
  char buffer[65536];
  std::size_t n;
  bool ok = true;
  while (ok && (n = std::fread(buffer, 1, sizeof buffer, input)) > 0) {
    ok = std::fwrite(buffer, 1, n, output.Stream()) == n;
  }
  ok = ok && !std::ferror(input);
  std::fclose(input);
  if (!ok) throw std::runtime_error("cannot write " + target + ": " + std::strerror(errno));
  if (const std::error_code error = output.Replace()) throw std::runtime_error(WriteFailure(target, error));
  ::unlink(from.c_str());
}

}  // namespace lorvane_pdf
