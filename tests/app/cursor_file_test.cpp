// The cursor-file reader: the built hand pointer, cursors built here in several depths, and
// damaged or hostile files, which must fail cleanly as "Invalid picture".
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

#include "app/cursor_file.h"
#include "platform/app_error.h"

namespace {
void Put16(QByteArray& out, int v) {
  out.append(char(v & 0xFF));
  out.append(char((v >> 8) & 0xFF));
}
void Put32(QByteArray& out, qint64 v) {
  Put16(out, int(v & 0xFFFF));
  Put16(out, int((v >> 16) & 0xFFFF));
}

// A one-image cursor: width x height pixels at the given depth, every pixel palette index 1
// (or colour 0x336699), the left half transparent by the mask.
QByteArray MakeCursor(int width, int height, int bits, int hotX, int hotY) {
  const int colourStride = ((width * bits + 31) / 32) * 4;
  const int maskStride = ((width + 31) / 32) * 4;
  const int paletteEntries = bits <= 8 ? (1 << bits) : 0;
  QByteArray image;
  Put32(image, 40);
  Put32(image, width);
  Put32(image, height * 2);
  Put16(image, 1);
  Put16(image, bits);
  for (int i = 0; i < 6; ++i) Put32(image, 0);
  for (int i = 0; i < paletteEntries; ++i) Put32(image, i == 1 ? 0x336699 : 0);
  for (int y = 0; y < height; ++y) {
    QByteArray row(colourStride, '\0');
    for (int x = 0; x < width; ++x) {
      if (bits == 32) {
        row[x * 4] = char(0x99); row[x * 4 + 1] = 0x66; row[x * 4 + 2] = 0x33; row[x * 4 + 3] = 0;
      } else if (bits == 24) {
        row[x * 3] = char(0x99); row[x * 3 + 1] = 0x66; row[x * 3 + 2] = 0x33;
      } else {
        const int bit = x * bits;
        row[bit / 8] = char(row[bit / 8] | (1 << (8 - bits - bit % 8)));
      }
    }
    image.append(row);
  }
  for (int y = 0; y < height; ++y) {
    QByteArray row(maskStride, '\0');
    for (int x = 0; x < width / 2; ++x) row[x / 8] = char(row[x / 8] | (0x80 >> (x % 8)));
    image.append(row);
  }
  QByteArray file;
  Put16(file, 0);
  Put16(file, 2);
  Put16(file, 1);
  file.append(char(width));
  file.append(char(height));
  file.append('\0');
  file.append('\0');
  Put16(file, hotX);
  Put16(file, hotY);
  Put32(file, image.size());
  Put32(file, 22);
  return file + image;
}

TEST(CursorFile, DecodesEveryDepthWithItsHotSpotAndMask) {
  for (int bits : {1, 4, 8, 24, 32}) {
    const QCursor cursor = CursorFromCurBytes(MakeCursor(16, 16, bits, 3, 12));
    EXPECT_EQ(cursor.hotSpot(), QPoint(3, 12)) << bits;
    const QImage image = cursor.pixmap().toImage();
    ASSERT_EQ(image.size(), QSize(16, 16)) << bits;
    EXPECT_EQ(qAlpha(image.pixel(2, 5)), 0) << bits;
    EXPECT_EQ(image.pixel(12, 5), qRgba(0x33, 0x66, 0x99, 0xFF)) << bits;
  }
}

TEST(CursorFile, TheBuiltHandPointerLoads) {
  const QString path = QStringLiteral(LORVANE_BINARY_DIR "/app/HAND-M.CUR");
  if (!QFile::exists(path)) GTEST_SKIP() << "the hand pointer has not been built at " << path.toStdString();
  const QCursor hand = LoadCursorFile(path);
  EXPECT_EQ(hand.hotSpot(), QPoint(6, 1));
  const QImage image = hand.pixmap().toImage();
  EXPECT_EQ(image.size(), QSize(32, 32));
  EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);
  EXPECT_EQ(qAlpha(image.pixel(6, 1)), 255);
}

TEST(CursorFile, HotSpotOutsideTheImageIsKeptInside) {
  EXPECT_EQ(CursorFromCurBytes(MakeCursor(8, 8, 32, 500, 9)).hotSpot(), QPoint(7, 7));
}

TEST(CursorFile, DamagedFilesFailAsInvalidPicture) {
  const QByteArray good = MakeCursor(16, 16, 8, 0, 0);
  std::vector<QByteArray> bad;
  bad.push_back(QByteArray());
  bad.push_back(good.left(21));
  bad.push_back(good.left(good.size() - 1));  // mask cut short
  QByteArray icon = good;
  icon[2] = 1;  // an icon, not a cursor
  bad.push_back(icon);
  QByteArray offset = good;
  offset[18] = char(0xFF);  // image offset far past the end
  offset[19] = char(0x7F);
  bad.push_back(offset);
  QByteArray length = good;
  length[17] = char(0x7F);  // image length past the end
  bad.push_back(length);
  QByteArray hugeWidth = good;
  hugeWidth[22 + 4] = char(0xFF);
  hugeWidth[22 + 5] = char(0xFF);
  bad.push_back(hugeWidth);
  QByteArray oddDepth = good;
  oddDepth[22 + 14] = 7;
  bad.push_back(oddDepth);
  QByteArray compressed = good;
  compressed[22 + 16] = 1;
  bad.push_back(compressed);
  for (size_t i = 0; i < bad.size(); ++i) {
    try {
      CursorFromCurBytes(bad[i]);
      ADD_FAILURE() << "case " << i << " was accepted";
    } catch (const AppError& error) {
      EXPECT_EQ(error.description(), QStringLiteral("Invalid picture")) << i;
    }
  }
  EXPECT_THROW(LoadCursorFile(QStringLiteral("/no/such/HAND-M.CUR")), AppError);
}

// Every prefix and every single-byte change of a valid cursor either decodes or fails
// cleanly; none reads out of bounds (run under the sanitizers to see it).
TEST(CursorFile, NoMutationReadsOutOfBounds) {
  const QByteArray good = MakeCursor(8, 8, 4, 1, 1);
  for (int size = 0; size < good.size(); ++size) {
    try { CursorFromCurBytes(good.left(size)); } catch (const AppError&) {}
  }
  for (int at = 0; at < 80; ++at)
    for (int value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
      QByteArray changed = good;
      changed[at] = char(value);
      try { CursorFromCurBytes(changed); } catch (const AppError&) {}
    }
  SUCCEED();
}
}  // namespace
