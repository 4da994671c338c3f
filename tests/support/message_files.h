// Test support for the conversion tests and the run benchmark: writes small .msg files with
// a known RTF body (or a damaged one) and tells what document the converter makes of them.
#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <string>
#include <vector>

#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"

namespace run_testing {

// A small RTF body naming the message, so that each document shows where it came from.
inline std::string RtfFor(const QString& name) {
  return "{\\rtf1\\ansi\\deff0 {\\fonttbl{\\f0 Arial;}}\\f0 Message " + name.toStdString() + "\\par}";
}

// The document the converter writes for a body: the RTF text and one CR LF.
inline QByteArray DocumentFor(const std::string& rtf) {
  return QByteArray::fromStdString(rtf) + QByteArray("\r\n");
}

inline bool WriteBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return false;
  const auto size = static_cast<qint64>(bytes.size());
  return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

// A message whose compressed RTF body holds the text.
inline bool WriteMessage(const QString& path, const std::string& rtf) {
  msgwriter::MessageBuilder message;
  message.AddRtfBody(rtf);
  return WriteBytes(path, message.Build());
}

// A message whose compressed body fails its CRC, so the converter must give up on it.
inline bool WriteDamagedMessage(const QString& path) {
  std::vector<std::uint8_t> body = msgwriter::CompressRtf("{\\rtf1 damaged}");
  body.at(12) ^= 0xFF;  // the CRC field of the body's header
  msgwriter::MessageBuilder message;
  message.AddBinary(0x1009, body);
  return WriteBytes(path, message.Build());
}

inline QByteArray ReadAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace run_testing
