// Tests of the compressed-RTF decoder and its checksum: the published worked examples,
// every failure message, hostile bodies, and round trips through the test compressor; and
// of the scanner that reads the decoded RTF in the pieces the decoder hands on.
#include "converter/rtf/clzf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>

#include "converter/base/errors.h"
#include "converter/msg/message.h"
#include "converter/rtf/rtf_dictionary.h"
#include "converter/rtf/rtf_scanner.h"
#include "msgwriter/lzfu_compressor.h"
#include "support/converter_documents.h"
#include "support/sha256.h"

namespace quorlin {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Decodes into a sink, keeping each piece as handed over.
Bytes DecodeInPieces(std::span<const std::uint8_t> body, std::size_t* pieces = nullptr) {
  struct PieceSink : ByteSink {
    Bytes all;
    std::size_t pieces = 0;
    void Write(std::span<const std::uint8_t> bytes) override {
      all.insert(all.end(), bytes.begin(), bytes.end());
      ++pieces;
    }
  } sink;
  CLZF::decompressRTF(body, sink);
  if (pieces) *pieces = sink.pieces;
  return sink.all;
}

// Decodes both into memory and a piece at a time; the two must agree.
std::string Decode(const Bytes& body) {
  const Bytes out = CLZF::decompressRTF(body);
  EXPECT_EQ(DecodeInPieces(body), out);
  return std::string(out.begin(), out.end());
}

// The reason both ways of decoding give, which must be the same.
std::string ErrorOf(const Bytes& body) {
  std::string reasons[2] = {"(no error)", "(no error)"};
  try {
    CLZF::decompressRTF(body);
  } catch (const DecodeError& e) {
    reasons[0] = e.what();
  }
  try {
    DecodeInPieces(body);
  } catch (const DecodeError& e) {
    reasons[1] = e.what();
  }
  EXPECT_EQ(reasons[0], reasons[1]);
  return reasons[0];
}

void PutLe32(Bytes& b, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// A compressed body around hand-written contents, with a correct size and CRC.
Bytes LzfuBody(const Bytes& contents, std::uint32_t raw_size) {
  Bytes body(16 + contents.size());
  std::copy(contents.begin(), contents.end(), body.begin() + 16);
  PutLe32(body, 0, static_cast<std::uint32_t>(contents.size() + 12));
  PutLe32(body, 4, raw_size);
  PutLe32(body, 8, 0x75465A4C);
  PutLe32(body, 12, RtfCrc32(contents));
  return body;
}

// Keeps the first `keep` content bytes and repairs the size and CRC, so the decoder
// itself must notice the missing data.
Bytes TruncateContents(const Bytes& body, std::size_t keep) {
  const Bytes contents(body.begin() + 16, body.begin() + 16 + keep);
  Bytes out = LzfuBody(contents, 0);
  std::copy(body.begin() + 4, body.begin() + 8, out.begin() + 4);
  return out;
}

const Bytes kExample1 = {
    0x2d, 0x00, 0x00, 0x00, 0x2b, 0x00, 0x00, 0x00, 0x4c, 0x5a, 0x46, 0x75, 0xf1, 0xc5, 0xc7,
    0xa7, 0x03, 0x00, 0x0a, 0x00, 0x72, 0x63, 0x70, 0x67, 0x31, 0x32, 0x35, 0x42, 0x32, 0x0a,
    0xf3, 0x20, 0x68, 0x65, 0x6c, 0x09, 0x00, 0x20, 0x62, 0x77, 0x05, 0xb0, 0x6c, 0x64, 0x7d,
    0x0a, 0x80, 0x0f, 0xa0};
const Bytes kExample2 = {0x1a, 0x00, 0x00, 0x00, 0x1c, 0x00, 0x00, 0x00, 0x4c, 0x5a,
                         0x46, 0x75, 0xe2, 0xd4, 0x4b, 0x51, 0x41, 0x00, 0x04, 0x20,
                         0x57, 0x58, 0x59, 0x5a, 0x0d, 0x6e, 0x7d, 0x01, 0x0e, 0xb0};

TEST(RtfCrc32Test, MatchesTheFormatsCheckValues) {
  EXPECT_EQ(RtfCrc32(Bytes(kExample1.begin() + 16, kExample1.end())), 0xA7C7C5F1u);
  EXPECT_EQ(RtfCrc32(Bytes(kExample2.begin() + 16, kExample2.end())), 0x514BD4E2u);
  const std::string digits = "123456789";
  EXPECT_EQ(RtfCrc32(std::span(reinterpret_cast<const std::uint8_t*>(digits.data()), 9)),
            0x2DFD2D88u);  // initial value 0 and no final inversion
  EXPECT_EQ(RtfCrc32({}), 0u);
}

TEST(RtfCrc32Test, ContinuingOverPiecesEqualsOneCall) {
  std::mt19937 rng(7);
  Bytes data(1000);
  for (auto& b : data) b = static_cast<std::uint8_t>(rng());
  const std::uint32_t whole = RtfCrc32(data);
  for (std::size_t cut = 0; cut <= 40; ++cut) {
    const std::span<const std::uint8_t> all(data);
    EXPECT_EQ(RtfCrc32(all.subspan(cut), RtfCrc32(all.first(cut))), whole) << cut;
  }
}

TEST(DecompressRtfTest, DecodesTheWorkedExamples) {
  EXPECT_EQ(Decode(kExample1), "{\\rtf1\\ansi\\ansicpg1252\\pard hello world}\r\n");
  EXPECT_EQ(Decode(kExample2), "{\\rtf1 WXYZWXYZWXYZWXYZWXYZ}");
}

TEST(DecompressRtfTest, ReportsEachHeaderFailureInItsOwnWords) {
  EXPECT_EQ(ErrorOf(Bytes(15, 0)), "Invalid compressed-RTF header");
  EXPECT_EQ(ErrorOf({}), "Invalid compressed-RTF header");

  Bytes size_off = kExample1;
  PutLe32(size_off, 0, static_cast<std::uint32_t>(size_off.size() - 4 + 1));
  EXPECT_EQ(ErrorOf(size_off), "compressed-RTF data size mismatch");

  Bytes flipped = kExample1;
  flipped[30] ^= 0x01;
  EXPECT_EQ(ErrorOf(flipped), "compressed-RTF CRC32 failed");

  Bytes magic = kExample1;
  PutLe32(magic, 8, 0x12345678);
  EXPECT_EQ(ErrorOf(magic), "Unknown compression type (magic number 305419896)");
  PutLe32(magic, 8, 0xFFFFFFFE);
  EXPECT_EQ(ErrorOf(magic), "Unknown compression type (magic number -2)");
}

// A stored body is the document itself and must end where its stated size says: bytes
// past it, also after a stated size of 0, are damage as in a compressed body.
TEST(DecompressRtfTest, StoredBodyIsReturnedAsStoredAndEndsAtItsStatedSize) {
  const std::string text = "{\\rtf1 stored \xE9 as is}";
  const Bytes body = msgwriter::StoreRtfUncompressed(text);
  EXPECT_EQ(Decode(body), text);
  EXPECT_EQ(Decode(msgwriter::StoreRtfUncompressed("")), "");

  for (std::uint32_t stated : {std::uint32_t{0}, std::uint32_t{1}, static_cast<std::uint32_t>(text.size() - 1)}) {
    Bytes understated = body;
    PutLe32(understated, 4, stated);
    EXPECT_EQ(ErrorOf(understated), "compressed-RTF data continues past its stated size") << stated;
  }
  Bytes longer = body;
  longer.push_back('X');
  PutLe32(longer, 0, static_cast<std::uint32_t>(longer.size() - 4));
  EXPECT_EQ(ErrorOf(longer), "compressed-RTF data continues past its stated size");

  Bytes overstated = body;
  PutLe32(overstated, 4, static_cast<std::uint32_t>(text.size() + 1));
  EXPECT_EQ(ErrorOf(overstated), "compressed-RTF stored data shorter than its stated size");
}

TEST(DecompressRtfTest, ReferencesReachTheInitialDictionary) {
  // Offset 0, length 11: "{\rtf1\ansi"; then offset 170 ("\par"), length 4.
  const Bytes contents = {0x03, 0x00, 0x09, 0x0A, 0xA2};
  EXPECT_EQ(Decode(LzfuBody(contents, 15)), "{\\rtf1\\ansi\\par");
}

TEST(DecompressRtfTest, OverlappingReferenceRepeatsTheLastByte) {
  // Literal 'x' at write position 207, then offset 207 (one behind), length 17.
  const Bytes contents = {0x02, 'x', 0x0C, 0xFF};
  EXPECT_EQ(Decode(LzfuBody(contents, 18)), std::string(18, 'x'));
  // A period of three: "abc" then 15 bytes from three behind.
  const Bytes period = {0x08, 'a', 'b', 'c', 0x0C, 0xFD};
  EXPECT_EQ(Decode(LzfuBody(period, 18)), "abcabcabcabcabcabc");
}

TEST(DecompressRtfTest, RefusesHostileBodies) {
  // A reference ahead of the write position in the first window would read before the
  // start of the buffer.
  EXPECT_EQ(ErrorOf(LzfuBody({0x01, 0x0F, 0x00}, 2)),
            "compressed-RTF reference before the start of the data");
  // The end reference arrives before the stated size is reached.
  EXPECT_EQ(ErrorOf(LzfuBody({0x02, 'a', 0x0D, 0x00}, 5)),
            "compressed-RTF data ends before its stated size");
  // A reference longer than the room left.
  EXPECT_EQ(ErrorOf(LzfuBody({0x01, 0x00, 0x0F}, 5)),
            "compressed-RTF reference runs past its stated size");
  // A size no such short input could produce is refused before anything is allocated.
  EXPECT_EQ(ErrorOf(LzfuBody({0x01, 0x00, 0x0F}, 0xFFFFFFFF)),
            "compressed-RTF uncompressed size too large for its data");
  EXPECT_EQ(ErrorOf(LzfuBody({0x01, 0x00, 0x0F}, 18)),
            "compressed-RTF uncompressed size too large for its data");
  EXPECT_EQ(Decode(LzfuBody({0x01, 0x00, 0x0F}, 17)), "{\\rtf1\\ansi\\mac\\d");
  // No contents at all: only an empty result is possible.
  EXPECT_EQ(Decode(LzfuBody({}, 0)), "");
  EXPECT_EQ(ErrorOf(LzfuBody({}, 1)), "compressed-RTF uncompressed size too large for its data");
}

std::string RandomText(std::size_t size, unsigned alphabet, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(size, '\0');
  for (auto& c : s) c = static_cast<char>(rng() % alphabet);
  return s;
}

std::string RtfLikeText(std::size_t size) {
  std::string s = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}\r\n";
  std::mt19937 rng(3);
  const char* words[] = {"meeting", "\\par ", "report", "{\\b ", "}", "quarter", "\\tab ", "the "};
  while (s.size() < size) s += words[rng() % 8], s += ' ';
  s.resize(size);
  return s;
}

TEST(DecompressRtfTest, EveryTruncationFailsCleanly) {
  const std::string texts[] = {
      "{\\rtf1\\ansi\\ansicpg1252 Dear all,\\par the figures are in.\\par}",
      RtfLikeText(9000)};  // spans three 4096-byte windows
  for (const std::string& text : texts) {
    const Bytes body = msgwriter::CompressRtf(text);
    ASSERT_EQ(Decode(body), text);
    const std::size_t contents = body.size() - 16;
    // The decoder stops once the output is full, so it never needs the end reference (and
    // perhaps its control byte): every shorter cut must fail.
    for (std::size_t keep = 0; keep + 3 < contents; ++keep) {
      EXPECT_THROW(CLZF::decompressRTF(TruncateContents(body, keep)), DecodeError) << keep;
    }
    for (std::size_t cut = 0; cut < body.size(); ++cut) {
      EXPECT_THROW(CLZF::decompressRTF(std::span(body).first(cut)), DecodeError) << cut;
    }
  }
}

TEST(DecompressRtfTest, RoundTripsCompressedBodiesOverManyWindows) {
  const std::vector<std::string> texts = {
      "", "a", "{\\rtf1}", RandomText(20000, 256, 1), RandomText(30000, 4, 2),
      std::string(50000, 'z'), RtfLikeText(70000), std::string(kRtfInitialDictionary)};
  for (const std::string& text : texts) {
    const Bytes body = msgwriter::CompressRtf(text);
    EXPECT_EQ(Decode(body), text) << "size " << text.size();
  }
  // Decoded a piece at a time, references reach back across many pieces' edges and the
  // output never sits whole in the decoder.
  for (const std::string& text : {RandomText(400000, 16, 3), RtfLikeText(1 << 20)}) {
    const Bytes body = msgwriter::CompressRtf(text);
    std::size_t pieces = 0;
    EXPECT_EQ(DecodeInPieces(body, &pieces), Bytes(text.begin(), text.end()));
    EXPECT_GE(pieces, text.size() / (80 * 1024));
  }
  // Repetitive text really is compressed by back-references.
  EXPECT_LT(msgwriter::CompressRtf(RtfLikeText(70000)).size(), 70000u / 3);
  EXPECT_LT(msgwriter::CompressRtf(std::string(50000, 'z')).size(), 50000u / 6);
}

// A stated size shorter than the data would cut the document short: refused wherever the
// cut falls, in a short body or deep in a long one.
TEST(DecompressRtfTest, DataPastTheStatedSizeIsAnError) {
  std::string long_text = "{\\rtf1 ";
  for (int i = 0; i < 2000; ++i) long_text += "word" + std::to_string(i) + " ";
  for (const std::string& text : {std::string("{\\rtf1 some text}"), long_text + "}"}) {
    for (std::size_t keep : {std::size_t{0}, std::size_t{6}, text.size() / 2, text.size() - 1}) {
      Bytes body = msgwriter::CompressRtf(text);
      PutLe32(body, 4, static_cast<std::uint32_t>(keep));
      // Past the stated size either as data after it or as a reference reaching over it.
      EXPECT_NE(ErrorOf(body).find("past its stated size"), std::string::npos) << keep;
    }
  }
}

// The data may end right where the stated size is filled, with the end reference and
// padding after it, or with nothing more at all; a lone control byte is not an end.
TEST(DecompressRtfTest, TheDataEndsWithTheStatedSize) {
  EXPECT_EQ(Decode(LzfuBody({0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'}, 8)), "abcdefgh");
  EXPECT_EQ(Decode(LzfuBody({0x04, 'a', 'b', 0x0d, 0x10, 0, 0, 0}, 2)), "ab");  // end + padding
  EXPECT_EQ(Decode(LzfuBody({0x01, 0x0c, 0xf0}, 0)), "");
  EXPECT_EQ(Decode(LzfuBody({}, 0)), "");
  EXPECT_EQ(ErrorOf(LzfuBody({0x00, 'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 0x01}, 8)),
            "compressed-RTF data continues past its stated size");
  EXPECT_EQ(ErrorOf(LzfuBody({0x04, 'a', 'b', 0x0d, 0x20}, 2)),  // a reference, not the end
            "compressed-RTF data continues past its stated size");
}

// Every rich-text body of the real messages decodes to exactly the bytes the corpus lists.
TEST(DecompressRtfCorpusTest, RealBodiesDecodeToTheirListedDigests) {
  const std::filesystem::path corpus = LORVANE_CORPUS_DIR;
  std::ifstream table(corpus / "expected.tsv");
  if (!table) GTEST_SKIP() << "corpus not found at " << corpus;
  std::string line;
  std::getline(table, line);  // column names
  int checked = 0;
  while (std::getline(table, line)) {
    std::istringstream fields(line);
    std::string file, outcome, digest, size;
    std::getline(fields, file, '\t');
    std::getline(fields, outcome, '\t');
    std::getline(fields, digest, '\t');
    std::getline(fields, size, '\t');
    if (outcome != "rtf") continue;
    std::ifstream in(corpus / file, std::ios::binary);
    const Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto message = Message::Open(bytes);
    const auto body = testing::DecodedBody(*message);
    ASSERT_TRUE(body.has_value()) << file;
    EXPECT_EQ(std::to_string(body->size()), size) << file;
    EXPECT_EQ(testing::Sha256Hex(*body), digest) << file;
    const PropertyValue compressed = message->GetMapiProperty("1009");
    const auto* compressed_bytes = std::get_if<std::vector<std::uint8_t>>(&compressed);
    ASSERT_NE(compressed_bytes, nullptr) << file;
    EXPECT_EQ(DecodeInPieces(*compressed_bytes), *body) << file;
    ++checked;
  }
  EXPECT_GT(checked, 0);
}

// Writes down what the scanner meets: text as it is, "[word=N]" with ^ for a group's first
// word, * for a starred one, ! when it hides its group and h when the group is hidden,
// "[xHH]" for a \'hh byte, "[sC]" for a control symbol, "}h" for a hidden group's close;
// \bin data goes apart. A run of text split between pieces reads the same as one.
class ScanRecord : public RtfScanner::Handler {
 public:
  explicit ScanRecord(const RtfScanner& scanner) : scanner_(scanner) {}
  std::string log;
  std::string binary;

  void OpenGroup() override { log += '{'; }
  void CloseGroup() override { log += scanner_.hidden() ? "}h" : "}"; }
  void Text(std::span<const std::uint8_t> run) override { log.append(run.begin(), run.end()); }
  void HexByte(std::uint8_t byte) override {
    static constexpr char kDigits[] = "0123456789abcdef";
    log += std::string("[x") + kDigits[byte >> 4] + kDigits[byte & 15] + "]";
  }
  void Word(const RtfWord& word) override {
    log += "[" + std::string(word.name);
    if (word.has_parameter || word.negative) log += "=" + std::to_string(word.parameter);
    if (word.group_start) log += '^';
    if (word.starred) log += '*';
    if (word.hides) log += '!';
    if (scanner_.hidden()) log += 'h';
    log += ']';
  }
  void Symbol(std::uint8_t c) override { log += std::string("[s") + static_cast<char>(c) + "]"; }
  void Binary(std::span<const std::uint8_t> data) override { binary.append(data.begin(), data.end()); }

 private:
  const RtfScanner& scanner_;
};

// Whatever the pieces a body comes in, split inside a control word or its parameter,
// between \' and its hex digits, or inside \binN data (whose braces and backslashes are
// data, not RTF), the scanner meets the same items, and follows the hidden destinations
// (its list's words at a group's start, any starred word but \htmltag) to their close.
TEST(RtfScannerTest, PiecesOfAnySizeReadAsTheWholeBody) {
  const std::string rtf =
      "{\\rtf1 a\\'e9b\\bin5 {}\\'xz{\\*\\htmltag12 <p>}{\\fonttbl{\\f0 F;}}{\\*\\x y}{\\pict p}"
      "\\par\\~\\u-5 ?\\'4z{\r\n\\*\r\n\\colortbl c}{\\listtable\\abcdefghijklmnopqrstuvwxyzabcdefghij1 x}}";
  const std::string want =
      "{[rtf=1^]a[xe9]b[bin=5]z{[htmltag=12*]<p>}{[fonttbl^!h]{[f=0^h]F;}h}h{[x*!h]y}h{[pict^!h]p}h"
      "[par][s~][u=-5]?[x40]{[colortbl*!h]c}h{[listtable^]"
      "[abcdefghijklmnopqrstuvwxyzabcdef=1]x}}";
  static constexpr std::string_view kHidden[] = {"fonttbl", "pict"};
  for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{7}, rtf.size()}) {
    RtfScanner scanner(kHidden);
    ScanRecord record(scanner);
    for (std::size_t at = 0; at < rtf.size(); at += piece) {
      const std::string_view part = std::string_view(rtf).substr(at, piece);
      scanner.Feed({reinterpret_cast<const std::uint8_t*>(part.data()), part.size()}, record);
    }
    EXPECT_EQ(record.log, want) << "in pieces of " << piece;
    EXPECT_EQ(record.binary, "{}\\'x") << "in pieces of " << piece;
    EXPECT_EQ(scanner.depth(), 0u);
    EXPECT_FALSE(scanner.hidden());
  }
}

// Where each item ends in its piece, for a reader that writes something in after it: past
// a control word's delimiting space, past a closing brace.
TEST(RtfScannerTest, OffsetIsWhereTheItemEnds) {
  struct Ends : RtfScanner::Handler {
    const RtfScanner* scanner = nullptr;
    std::vector<std::size_t> words, closes;
    void Word(const RtfWord&) override { words.push_back(scanner->offset()); }
    void CloseGroup() override { closes.push_back(scanner->offset()); }
  } ends;
  static constexpr std::string_view kNone[] = {"none"};
  RtfScanner scanner(kNone);
  ends.scanner = &scanner;
  const std::string rtf = "{\\a x\\b12\\c}";
  scanner.Feed({reinterpret_cast<const std::uint8_t*>(rtf.data()), rtf.size()}, ends);
  EXPECT_EQ(ends.words, (std::vector<std::size_t>{4, 9, 11}));
  EXPECT_EQ(ends.closes, (std::vector<std::size_t>{12}));
}

}  // namespace
}  // namespace quorlin
