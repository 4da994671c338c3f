// MD5 digests through libqpdf's crypto provider: of bytes (LibreOffice's socket names) and
// of a file read in pieces (an embedded file's /CheckSum).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace lorvane_pdf {

class Md5 {
 public:
  Md5();
  void Add(const void* data, std::size_t size);
  // The 16 bytes of the digest; the object is spent afterwards.
  std::string Finish();

 private:
  std::shared_ptr<void> impl_;  // libqpdf's QPDFCryptoImpl, kept out of this header
};

// The 16 bytes of the digest of `bytes`.
std::string Md5Of(const std::string& bytes);

}  // namespace lorvane_pdf
