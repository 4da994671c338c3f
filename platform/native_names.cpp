// The byte-preserving conversion between file names and QString.
#include "platform/native_names.h"

#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include "platform/wide_path.h"
#else
#include <sys/stat.h>
#endif

namespace {

constexpr char16_t kRawByteBase = 0xDC00;

bool IsRawByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF; }

// The length of the valid UTF-8 sequence at `at`, 0 when it is not one (overlong forms,
// encoded surrogates and values past U+10FFFF included).
int SequenceLength(const unsigned char* at, qsizetype left) {
  const unsigned char lead = at[0];
  if (lead < 0x80) return 1;
  int length = 0;
  char32_t value = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    value = lead & 0x07;
  } else {
    return 0;
  }
  if (left < length) return 0;
  for (int i = 1; i < length; ++i) {
    if ((at[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (at[i] & 0x3F);
  }
  if ((length == 3 && value < 0x800) || (length == 4 && (value < 0x10000 || value > 0x10FFFF))) return 0;
  if (value >= 0xD800 && value <= 0xDFFF) return 0;
  return length;
}

#ifndef _WIN32
bool Stat(const QString& path, struct stat& st) {
  return !path.isEmpty() && ::stat(NativeName(path).constData(), &st) == 0;
}
#endif

}  // namespace

bool HoldsRawBytes(const QString& path) {
  const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (!IsRawByte(units[i])) continue;
    // A low surrogate after a high one is half of a character, not a byte.
    if (i > 0 && QChar::isHighSurrogate(units[i - 1])) continue;
    return true;
  }
  return false;
}

QByteArray NativeName(const QString& path) {
  if (!HoldsRawBytes(path)) return path.toUtf8();
  QByteArray bytes;
  bytes.reserve(path.size() * 3);
  const char16_t* units = reinterpret_cast<const char16_t*>(path.utf16());
  qsizetype runStart = 0;
  auto flush = [&](qsizetype end) {
    if (end > runStart) bytes += QStringView(path).mid(runStart, end - runStart).toUtf8();
  };
  for (qsizetype i = 0; i < path.size(); ++i) {
    if (!IsRawByte(units[i]) || (i > 0 && QChar::isHighSurrogate(units[i - 1]))) continue;
    flush(i);
    bytes.append(static_cast<char>(units[i] - kRawByteBase));
    runStart = i + 1;
  }
  flush(path.size());
  return bytes;
}

QString NameFromNative(const QByteArray& bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.constData());
  const qsizetype size = bytes.size();
  // Most names are valid UTF-8 from end to end.
  qsizetype at = 0;
  while (at < size) {
    const int length = SequenceLength(data + at, size - at);
    if (length == 0) break;
    at += length;
  }
  if (at == size) return QString::fromUtf8(bytes);
  QString name = QString::fromUtf8(bytes.constData(), at);
  while (at < size) {
    const int length = SequenceLength(data + at, size - at);
    if (length == 0) {
      name.append(QChar(static_cast<char16_t>(kRawByteBase + data[at])));
      ++at;
    } else {
      name.append(QString::fromUtf8(bytes.constData() + at, length));
      at += length;
    }
  }
  return name;
}

QString NameFromNative(const char* bytes) {
  return NameFromNative(QByteArray::fromRawData(bytes, static_cast<qsizetype>(std::strlen(bytes))));
}

#ifdef _WIN32
// Windows keeps names as UTF-16: the program's text is the name, and the bytes above are
// the UTF-8 the converter reads.
bool NativeExists(const QString& path) {
  return !path.isEmpty() && ::GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool NativeIsFolder(const QString& path) {
  if (path.isEmpty()) return false;
  const DWORD attributes = ::GetFileAttributesW(WidePath(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::optional<std::pair<std::uint64_t, std::uint64_t>> NativeFileIdentity(const QString& path) {
  if (path.isEmpty()) return std::nullopt;
  return FileIdentity(WidePath(path));
}
#else
std::optional<std::pair<std::uint64_t, std::uint64_t>> NativeFileIdentity(const QString& path) {
  struct stat st;
  if (!Stat(path, st)) return std::nullopt;
  return std::make_pair(static_cast<std::uint64_t>(st.st_dev), static_cast<std::uint64_t>(st.st_ino));
}

bool NativeExists(const QString& path) {
  struct stat st;
  return Stat(path, st);
}

bool NativeIsFolder(const QString& path) {
  struct stat st;
  return Stat(path, st) && S_ISDIR(st.st_mode);
}
#endif
