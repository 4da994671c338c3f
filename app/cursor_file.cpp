// The cursor-file reader: a directory of images, each with a hot spot, of which the first is
// used. The image is either PNG data or a device-independent bitmap (1, 4, 8, 24 or 32 bits a
// pixel) of twice the image's height: colour rows, then a 1-bit transparency mask, both
// stored bottom-up. Every offset and size is checked against the file before it is used.
#include "app/cursor_file.h"

#include <QFile>
#include <QImage>
#include <QPixmap>
#include <cstdint>

#include "platform/app_error.h"

namespace {
constexpr int kInvalidPicture = 481;
constexpr qint64 kMaxFileBytes = 4 * 1024 * 1024;

[[noreturn]] void Invalid() { throw AppError(QStringLiteral("Invalid picture"), kInvalidPicture); }

class Reader {
 public:
  explicit Reader(const QByteArray& bytes) : bytes_(bytes) {}
  uint32_t U8(qint64 at) const { return static_cast<uint8_t>(bytes_[Checked(at, 1)]); }
  uint32_t U16(qint64 at) const { return U8(at) | (U8(at + 1) << 8); }
  uint32_t U32(qint64 at) const { return U16(at) | (U16(at + 2) << 16); }
  int32_t S32(qint64 at) const { return static_cast<int32_t>(U32(at)); }
  qint64 Size() const { return bytes_.size(); }
  QByteArray Slice(qint64 at, qint64 length) const {
    return bytes_.mid(static_cast<qsizetype>(Checked(at, length)), static_cast<qsizetype>(length));
  }

 private:
  qsizetype Checked(qint64 at, qint64 length) const {
    if (at < 0 || length < 0 || at > Size() || length > Size() - at) Invalid();
    return static_cast<qsizetype>(at);
  }
  const QByteArray& bytes_;
};

// One row's byte length, padded to 4 bytes as bitmaps store it.
qint64 Stride(qint64 width, qint64 bits) { return ((width * bits + 31) / 32) * 4; }

QImage DecodeBitmap(const Reader& in, qint64 at, qint64 length) {
  const qint64 end = at + length;
  const qint64 headerSize = in.U32(at);
  if (headerSize < 40 || headerSize > length) Invalid();
  const int32_t width = in.S32(at + 4);
  const int32_t doubledHeight = in.S32(at + 8);
  const uint32_t planes = in.U16(at + 12);
  const uint32_t bits = in.U16(at + 14);
  const uint32_t compression = in.U32(at + 16);
  const uint32_t coloursUsed = in.U32(at + 32);
  if (width <= 0 || width > 256 || doubledHeight <= 0 || doubledHeight > 512 ||
      doubledHeight % 2 != 0 || planes != 1 || compression != 0)
    Invalid();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) Invalid();
  const int height = doubledHeight / 2;

  qint64 pos = at + headerSize;
  QList<QRgb> palette;
  if (bits <= 8) {
    const qint64 entries = coloursUsed == 0 ? (qint64{1} << bits) : coloursUsed;
    if (entries > (qint64{1} << bits)) Invalid();
    for (qint64 i = 0; i < entries; ++i, pos += 4)
      palette.append(qRgb(static_cast<int>(in.U8(pos + 2)), static_cast<int>(in.U8(pos + 1)),
                          static_cast<int>(in.U8(pos))));
  }
  const qint64 colourStride = Stride(width, bits);
  const qint64 maskStride = Stride(width, 1);
  const qint64 colourAt = pos;
  const qint64 maskAt = colourAt + colourStride * height;
  if (maskAt + maskStride * height > end) Invalid();

  bool anyAlpha = false;
  if (bits == 32)
    for (int y = 0; y < height && !anyAlpha; ++y)
      for (int x = 0; x < width && !anyAlpha; ++x)
        anyAlpha = in.U8(colourAt + y * colourStride + x * 4 + 3) != 0;

  QImage image(width, height, QImage::Format_ARGB32);
  for (int y = 0; y < height; ++y) {
    const qint64 row = colourAt + static_cast<qint64>(height - 1 - y) * colourStride;
    const qint64 maskRow = maskAt + static_cast<qint64>(height - 1 - y) * maskStride;
    for (int x = 0; x < width; ++x) {
      QRgb colour;
      int alpha = 255;
      if (bits == 32) {
        const qint64 p = row + x * 4;
        colour = qRgb(static_cast<int>(in.U8(p + 2)), static_cast<int>(in.U8(p + 1)),
                      static_cast<int>(in.U8(p)));
        if (anyAlpha) alpha = static_cast<int>(in.U8(p + 3));
      } else if (bits == 24) {
        const qint64 p = row + x * 3;
        colour = qRgb(static_cast<int>(in.U8(p + 2)), static_cast<int>(in.U8(p + 1)),
                      static_cast<int>(in.U8(p)));
      } else {
        const qint64 bitIndex = static_cast<qint64>(x) * bits;
        const uint32_t byte = in.U8(row + bitIndex / 8);
        const uint32_t shift = 8 - bits - static_cast<uint32_t>(bitIndex % 8);
        const uint32_t index = (byte >> shift) & ((1u << bits) - 1);
        if (index >= static_cast<uint32_t>(palette.size())) Invalid();
        colour = palette[static_cast<qsizetype>(index)];
      }
      const bool transparent = (in.U8(maskRow + x / 8) >> (7 - x % 8)) & 1;
      if (transparent && !anyAlpha) alpha = 0;
      image.setPixel(x, y, qRgba(qRed(colour), qGreen(colour), qBlue(colour), alpha));
    }
  }
  return image;
}
}  // namespace

QCursor CursorFromCurBytes(const QByteArray& bytes) {
  const Reader in(bytes);
  if (in.Size() < 6 + 16) Invalid();
  if (in.U16(0) != 0 || in.U16(2) != 2 || in.U16(4) == 0) Invalid();
  const uint32_t hotX = in.U16(6 + 4);
  const uint32_t hotY = in.U16(6 + 6);
  const qint64 length = in.U32(6 + 8);
  const qint64 offset = in.U32(6 + 12);
  if (length < 8 || offset > in.Size() || length > in.Size() - offset) Invalid();

  QImage image;
  static const QByteArray kPngSignature("\x89PNG\r\n\x1a\n", 8);
  const QByteArray data = in.Slice(offset, length);
  if (data.startsWith(kPngSignature)) {
    image = QImage::fromData(data, "PNG");
    if (image.isNull() || image.width() > 256 || image.height() > 256) Invalid();
  } else {
    image = DecodeBitmap(in, offset, length);
  }
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
