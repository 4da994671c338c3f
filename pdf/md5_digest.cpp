// The MD5 of libqpdf's default crypto provider behind a small class.
#include "pdf/md5_digest.h"

#include <qpdf/QPDFCryptoProvider.hh>

namespace lorvane_pdf {
namespace {

QPDFCryptoImpl& Crypto(const std::shared_ptr<void>& impl) { return *static_cast<QPDFCryptoImpl*>(impl.get()); }

}  // namespace

Md5::Md5() : impl_(QPDFCryptoProvider::getImpl()) { Crypto(impl_).MD5_init(); }

void Md5::Add(const void* data, std::size_t size) {
  Crypto(impl_).MD5_update(static_cast<const unsigned char*>(data), size);
}

std::string Md5::Finish() {
  Crypto(impl_).MD5_finalize();
  QPDFCryptoImpl::MD5_Digest digest;
  Crypto(impl_).MD5_digest(digest);
  return std::string(reinterpret_cast<const char*>(digest), sizeof digest);
}

std::string Md5Of(const std::string& bytes) {
  Md5 md5;
  md5.Add(bytes.data(), bytes.size());
  return md5.Finish();
}

}  // namespace lorvane_pdf
