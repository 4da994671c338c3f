// Socket names as LibreOffice makes them (its IPC pipe is named after an MD5 digest of the
// profile's URL, taken over the URL's UTF-16 code units), and their removal.
#include "pdf/office_pipes.h"

#include <sys/stat.h>
#include <unistd.h>

#include "pdf/md5_digest.h"

namespace lorvane_pdf {
namespace {

// Each byte in lower-case hexadecimal without a leading zero (0x07 is "7"), as LibreOffice
// spells the digest in the pipe's name.
std::string UnpaddedHex(const std::string& bytes) {
  static const char kHex[] = "0123456789abcdef";
  std::string text;
  for (unsigned char c : bytes) {
    if (c >> 4) text += kHex[c >> 4];
    text += kHex[c & 15];
  }
  return text;
}

}  // namespace

std::string ProfileUrl(const std::string& folder) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string url = "file://";
  for (unsigned char c : folder) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '/' || c == '.' || c == '_' || c == '-' || c == '~';
    if (plain) {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += kHex[c >> 4];
      url += kHex[c & 15];
    }
  }
  return url;
}

std::vector<std::string> OfficeSockets(const std::string& profileUrl, const std::string& pipe) {
  // The URL is ASCII, so its UTF-16LE code units are each byte followed by a zero.
  std::string units;
  for (char c : profileUrl) {
    units += c;
    units += '\0';
  }
  const std::string digest = UnpaddedHex(Md5Of(units));
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_";
  std::vector<std::string> paths;
  for (const char* folder : {"/tmp/", "/var/tmp/"}) {
    paths.push_back(folder + prefix + pipe);
    paths.push_back(folder + prefix + "SingleOfficeIPC_" + digest);
  }
  return paths;
}

void RemoveSockets(const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    struct stat about {};
    if (::lstat(path.c_str(), &about) == 0 && S_ISSOCK(about.st_mode) && about.st_uid == ::getuid()) {
      ::unlink(path.c_str());
    }
  }
}

}  // namespace lorvane_pdf
