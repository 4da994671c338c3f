// The cursor-file reader. The picture is read by Qt's own image reader (its "ico" format
// reads cursor files too: PNG images and device-independent bitmaps). Read here: the
// directory, for the hot spot of the first image, which Qt's reader does not give; the
// bitmap's header, whose fields Qt's reader takes on trust (it reads a compressed or
// mis-sized bitmap as if it were neither); and the 1-bit transparency mask of 24- and
// 32-bit bitmaps, which Qt's reader leaves out. Every offset and size is checked against
// the file before it is used.
#include "app/cursor_file.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QPixmap>
#include <cstdint>

#include "platform/app_error.h"

namespace {
constexpr int kInvalidPicture = 481;
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;
constexpr int kMaxSide = 256;

[[noreturn]] void Invalid() { throw AppError(QStringLiteral("Invalid picture"), kInvalidPicture); }

uint32_t U16(const QByteArray& bytes, qsizetype at) {
  return static_cast<uint8_t>(bytes[at]) | static_cast<uint32_t>(static_cast<uint8_t>(bytes[at + 1])) << 8;
}
uint32_t U32(const QByteArray& bytes, qsizetype at) { return U16(bytes, at) | U16(bytes, at + 2) << 16; }

// One row's byte length, padded to 4 bytes as bitmaps store it.
qint64 Stride(qint64 width, qint64 bits) { return ((width * bits + 31) / 32) * 4; }

// Checks the bitmap header at `at` against the picture Qt read, and clears the pixels the
// mask marks transparent where Qt's reader left the mask out: in a 24-bit bitmap, and in a
// 32-bit one whose alpha bytes are all 0 (it relies on the mask alone).
void CheckHeaderAndApplyMask(const QByteArray& bytes, qint64 at, qint64 length, QImage& image) {
  if (length < 40) Invalid();
  const qint64 headerSize = U32(bytes, at);
  const qint64 width = static_cast<int32_t>(U32(bytes, at + 4));
  const qint64 doubledHeight = static_cast<int32_t>(U32(bytes, at + 8));
  const uint32_t planes = U16(bytes, at + 12);
  const uint32_t bits = U16(bytes, at + 14);
  const uint32_t compression = U32(bytes, at + 16);
  if (headerSize < 40 || headerSize > length || width != image.width() || doubledHeight != 2 * image.height() ||
      planes != 1 || compression != 0)
    Invalid();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Invalid();
  if (bits < 24) return;
  const qint64 height = image.height();
  const qint64 maskAt = at + headerSize + Stride(width, bits) * height;
  const qint64 maskStride = Stride(width, 1);
  if (maskAt + maskStride * height > at + length) Invalid();
  image = image.convertToFormat(QImage::Format_ARGB32);
  bool anyAlpha = false;
  for (int y = 0; y < height && !anyAlpha; ++y)
    for (int x = 0; x < width && !anyAlpha; ++x) anyAlpha = qAlpha(image.pixel(x, y)) != 0;
  if (bits == 32 && anyAlpha) return;
  // Qt's reader made the pixels of a 32-bit bitmap without alpha fully transparent, so
  // their colours are taken from the file (blue, green, red, unused).
  const qint64 colourAt = at + headerSize;
  for (int y = 0; y < height; ++y) {
    const qint64 row = maskAt + (height - 1 - y) * maskStride;  // stored bottom-up
    const qint64 colourRow = colourAt + (height - 1 - y) * Stride(width, bits);
    for (int x = 0; x < width; ++x) {
      const qsizetype p = static_cast<qsizetype>(colourRow + x * 4);
      const QRgb pixel = bits == 32 ? qRgb(static_cast<uint8_t>(bytes[p + 2]), static_cast<uint8_t>(bytes[p + 1]),
                                           static_cast<uint8_t>(bytes[p]))
                                    : image.pixel(x, y);
      const bool transparent = (static_cast<uint8_t>(bytes[row + x / 8]) >> (7 - x % 8)) & 1;
      image.setPixel(x, y, qRgba(qRed(pixel), qGreen(pixel), qBlue(pixel), transparent ? 0 : 255));
    }
  }
}

}  // namespace

QCursor CursorFromCurBytes(const QByteArray& bytes) {
  // The directory: reserved 0, type 2 (a cursor), the image count, then the first image's
  // entry, whose two 16-bit fields at +4 and +6 hold the hot spot.
  constexpr qsizetype kEntry = 6;
  if (bytes.size() < kEntry + 16) Invalid();
  if (U16(bytes, 0) != 0 || U16(bytes, 2) != 2 || U16(bytes, 4) == 0) Invalid();
  const uint32_t hotX = U16(bytes, kEntry + 4);
  const uint32_t hotY = U16(bytes, kEntry + 6);
  const qint64 length = U32(bytes, kEntry + 8);
  const qint64 offset = U32(bytes, kEntry + 12);
  if (length < 8 || offset > bytes.size() || length > bytes.size() - offset) Invalid();

  QBuffer buffer;
  buffer.setData(bytes);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  QImage image = reader.read();
  if (image.isNull() || image.width() > kMaxSide || image.height() > kMaxSide) Invalid();
  static const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
  if (!bytes.mid(static_cast<qsizetype>(offset)).startsWith(kPngSignature))
    CheckHeaderAndApplyMask(bytes, offset, length, image);
  const int x = static_cast<int>(qMin<uint32_t>(hotX, static_cast<uint32_t>(image.width() - 1)));
  const int y = static_cast<int>(qMin<uint32_t>(hotY, static_cast<uint32_t>(image.height() - 1)));
  return QCursor(QPixmap::fromImage(image), x, y);
}

QCursor LoadCursorFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileBytes) Invalid();
  const QByteArray bytes = file.readAll();
  if (file.error() != QFileDevice::NoError) Invalid();
  return CursorFromCurBytes(bytes);
}
