// Conversion: which document a message becomes (RTF body as is, else text-built RTF),
// and the file rules: output only on success, written whole, never over the input, an
// existing file left alone on failure, no temporary file left behind.
#include "converter/conversion.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "converter/compound_file.h"
#include "converter/errors.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "msgwriter/samples.h"
#include "converter/message.h"
#include "converter/text_to_rtf.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;
using msgwriter::MessageBuilder;

std::string Convert(const MessageBuilder& builder) {
  std::vector<std::uint8_t> bytes = builder.Build();
  std::vector<std::uint8_t> document = ConvertMessage(bytes);
  return std::string(document.begin(), document.end());
}

std::string TextDocument(std::u16string_view text) { return PlainTextToRtf(text) + "\r\n"; }

TEST(DocumentChoiceTest, RtfBodyIsWrittenByteForByteWithCrLf) {
  const std::string rtf = "{\\rtf1\\ansi \x80\x93\xe9\xff text}";
  MessageBuilder builder;
  builder.AddRtfBody(rtf).AddUnicode(0x1000, u"plain text loses to the RTF body");
  EXPECT_EQ(Convert(builder), rtf + "\r\n");
}

// The messages that ship in "Samples" must convert to exactly the RTF they were written
// with, and load their recipient and attachment; so must the same messages laid out in
// every other way a compound file may be (larger sectors, DIFAT sectors, no mini stream,
// degenerate directory trees).
TEST(DocumentChoiceTest, EverySampleMessageBecomesItsRtfBodyInEveryLayout) {
  std::vector<msgwriter::CfbOptions> layouts(5);
  layouts[1].version = 4;
  layouts[2].min_fat_sectors = 110;
  layouts[3].mini_cutoff = 0;
  layouts[4].degenerate_trees = true;
  for (std::size_t layout = 0; layout < layouts.size(); ++layout) {
    const std::vector<msgwriter::SampleMessage> samples = msgwriter::SampleMessages(layouts[layout]);
    ASSERT_EQ(samples.size(), 4u);
    std::size_t attachments = 0;
    for (const msgwriter::SampleMessage& sample : samples) {
      SCOPED_TRACE(sample.file_name + " in layout " + std::to_string(layout));
      std::vector<std::uint8_t> document = ConvertMessage(sample.bytes);
      EXPECT_EQ(std::string(document.begin(), document.end()), sample.rtf + "\r\n");
      std::unique_ptr<Message> message = Message::Open(sample.bytes);
      EXPECT_EQ(message->recipients().size(), 1u);
      attachments += message->attachments().size();
    }
    EXPECT_EQ(attachments, 1u);
  }
}

TEST(DocumentChoiceTest, PlainTextBodyBecomesAnRtfDocument) {
  MessageBuilder unicode;
  unicode.AddUnicode(0x1000, u"Hello \u0416\u00e9\nsecond line")
      .AddBinary(0x1013, {'<', 'b', '>', 'h', 't', 'm', 'l', '<', '/', 'b', '>'});
  EXPECT_EQ(Convert(unicode), TextDocument(u"Hello \u0416\u00e9\nsecond line"));
}

TEST(DocumentChoiceTest, EightBitTextUsesTheMessageCodePage) {
  const std::string cyrillic = "\xc0\xe1\xe2";  // in code page 1251
  MessageBuilder by_message_page;
  by_message_page.AddString8(0x1000, cyrillic).AddInt32(0x3FFD, 1251).AddInt32(0x3FDE, 1252);
  EXPECT_EQ(Convert(by_message_page), TextDocument(u"\u0410\u0431\u0432"));

  MessageBuilder by_internet_page;
  by_internet_page.AddString8(0x1000, cyrillic).AddInt32(0x3FDE, 1251);
  EXPECT_EQ(Convert(by_internet_page), TextDocument(u"\u0410\u0431\u0432"));

  MessageBuilder by_default;
  by_default.AddString8(0x1000, cyrillic);
  EXPECT_EQ(Convert(by_default), TextDocument(u"\u00c0\u00e1\u00e2"));

  MessageBuilder utf8;
  utf8.AddString8(0x1000, "caf\xc3\xa9").AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Convert(utf8), TextDocument(u"caf\u00e9"));
}

// A message that says UTF-8 but holds Windows-1252 text keeps its letters.
TEST(DocumentChoiceTest, TextThatIsNotUtf8IsReadInTheDefaultPage) {
  MessageBuilder builder;
  builder.AddString8(0x1000, "Body \xf6\xe4\xfc Body").AddInt32(0x3FDE, 65001);
  EXPECT_EQ(Convert(builder), TextDocument(u"Body \u00f6\u00e4\u00fc Body"));
}

TEST(DocumentChoiceTest, HtmlBodyIsUsedWhenThereIsNoPlainText) {
  const std::string html = "<html><body><p>Caf\xc3\xa9</p><script>x()</script></body></html>";
  MessageBuilder binary;
  binary.AddBinary(0x1013, std::vector<std::uint8_t>(html.begin(), html.end())).AddInt32(0x3FDE, 65001);
  std::u16string text = HtmlToText(u"<html><body><p>Caf\u00e9</p><script>x()</script></body></html>");
  EXPECT_EQ(Convert(binary), TextDocument(text));

  MessageBuilder unicode;
  unicode.AddUnicode(0x1013, u"<p>Caf\u00e9</p>").AddUnicode(0x1000, u"");  // empty plain text
  EXPECT_EQ(Convert(unicode), TextDocument(HtmlToText(u"<p>Caf\u00e9</p>")));
}

TEST(DocumentChoiceTest, NoBodyGivesAnEmptyRtfDocument) {
  MessageBuilder builder;
  builder.AddUnicode(0x0037, u"subject only");
  EXPECT_EQ(Convert(builder), TextDocument(u""));
  EXPECT_EQ(Convert(builder).rfind("{\\rtf", 0), 0u);
}

TEST(DocumentChoiceTest, FailuresAreConvertErrors) {
  std::vector<std::uint8_t> damaged = msgwriter::CompressRtf("{\\rtf1 body}");
  damaged[20] ^= 0x40;
  MessageBuilder bad_body;
  bad_body.AddBinary(0x1009, damaged);
  EXPECT_THROW(Convert(bad_body), DecodeError);
  std::vector<std::uint8_t> text(100, 'a');
  EXPECT_THROW(ConvertMessage(text), FormatError);
}

class ConvertFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("quorlin-conversion-" + std::to_string(random()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    fs::path path = dir_ / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static std::vector<std::uint8_t> GoodMessage() {
    MessageBuilder builder;
    builder.AddRtfBody("{\\rtf1 converted}");
    return builder.Build();
  }

  fs::path dir_;
};

TEST_F(ConvertFileTest, WritesTheDocumentReplacingAnOlderFile) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::path output = Write("out.doc", std::vector<std::uint8_t>(5000, 'x'));
  ConversionResult result = ConvertFile(input, output);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(Read(output), "{\\rtf1 converted}\r\n");
  EXPECT_EQ(Names(), (std::vector<std::string>{"in.msg", "out.doc"}));
}

TEST_F(ConvertFileTest, FailuresWriteNothingAndKeepAnExistingOutput) {
  MessageBuilder no_method;
  no_method.AddRtfBody("{\\rtf1 x}").AddAttachment(std::nullopt);
  std::vector<std::uint8_t> damaged_body = msgwriter::CompressRtf("{\\rtf1 body}");
  damaged_body[17] ^= 1;
  MessageBuilder bad_body;
  bad_body.AddBinary(0x1009, damaged_body);
  const struct {
    std::vector<std::uint8_t> input;
    ConversionStatus status;
  } cases[] = {
      {{'p', 'l', 'a', 'i', 'n'}, ConversionStatus::kFormatError},
      {no_method.Build(), ConversionStatus::kPropertyError},
      {bad_body.Build(), ConversionStatus::kDecodeError},
  };
  for (const auto& c : cases) {
    fs::path input = Write("in.msg", c.input);
    ConversionResult fresh = ConvertFile(input, dir_ / "new.doc");
    EXPECT_EQ(fresh.status, c.status) << fresh.message;
    EXPECT_FALSE(fresh.message.empty());
    EXPECT_EQ(fresh.message.find('\n'), std::string::npos) << "one line";
    EXPECT_FALSE(fs::exists(dir_ / "new.doc"));

    fs::path existing = Write("old.doc", {'k', 'e', 'e', 'p'});
    EXPECT_FALSE(ConvertFile(input, existing).ok());
    EXPECT_EQ(Read(existing), "keep");
    EXPECT_EQ(Names(), (std::vector<std::string>{"in.msg", "old.doc"})) << "no temporary file left";
  }
}

TEST_F(ConvertFileTest, RefusesToWriteOverTheInputByAnyName) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::create_directories(dir_ / "sub");
  fs::create_hard_link(input, dir_ / "hard.msg");
  fs::create_symlink(input, dir_ / "soft.msg");
  for (const fs::path& output : {input, dir_ / "sub" / ".." / "in.msg", dir_ / "." / "in.msg",
                                 dir_ / "hard.msg", dir_ / "soft.msg"}) {
    ConversionResult result = ConvertFile(input, output);
    EXPECT_EQ(result.status, ConversionStatus::kIoError) << output;
    EXPECT_NE(result.message.find("is the input file"), std::string::npos) << result.message;
  }
  EXPECT_EQ(Read(input), Read(dir_ / "hard.msg"));
  EXPECT_TRUE(ConvertFile(input, dir_ / "copy.doc").ok());
  EXPECT_EQ(Read(dir_ / "copy.doc"), "{\\rtf1 converted}\r\n");
}

TEST_F(ConvertFileTest, FileSystemFailuresAreReported) {
  fs::path input = Write("in.msg", GoodMessage());
  EXPECT_EQ(ConvertFile(dir_ / "missing.msg", dir_ / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile(dir_, dir_ / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile(input, dir_ / "no-such-folder" / "a.doc").status, ConversionStatus::kIoError);
  EXPECT_EQ(ConvertFile("/dev/zero", dir_ / "a.doc").status, ConversionStatus::kIoError) << "endless input";
  std::string long_name(240, 'n');
  EXPECT_TRUE(ConvertFile(input, dir_ / (long_name + ".doc")).ok()) << "temporary name fits";
  fs::remove(dir_ / (long_name + ".doc"));
  fs::create_directories(dir_ / "folder.doc");
  EXPECT_EQ(ConvertFile(input, dir_ / "folder.doc").status, ConversionStatus::kIoError);
  EXPECT_TRUE(fs::is_directory(dir_ / "folder.doc"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"folder.doc", "in.msg"}));
}

TEST_F(ConvertFileTest, OnlyARegularOutputFileIsReplaced) {
  fs::path input = Write("in.msg", GoodMessage());
  fs::path target = Write("target.doc", {'k', 'e', 'e', 'p'});
  fs::create_symlink(target, dir_ / "link.doc");
  fs::create_directories(dir_ / "folder.doc");
  ASSERT_EQ(mkfifo((dir_ / "pipe.doc").c_str(), 0600), 0);
  const std::vector<std::string> before = Names();
  for (const auto& [name, reason] : {std::pair{"link.doc", "it is a symbolic link"},
                                     std::pair{"folder.doc", "it is a folder"},
                                     std::pair{"pipe.doc", "it is not a regular file"}}) {
    ConversionResult result = ConvertFile(input, dir_ / name);
    EXPECT_EQ(result.status, ConversionStatus::kIoError) << name;
    EXPECT_NE(result.message.find(reason), std::string::npos) << result.message;
  }
  EXPECT_EQ(Names(), before) << "nothing written, no temporary file left";
  EXPECT_TRUE(fs::is_symlink(dir_ / "link.doc"));
  EXPECT_EQ(Read(target), "keep");
  EXPECT_EQ(ConvertFile(input, "/dev/null").status, ConversionStatus::kIoError);
}

TEST_F(ConvertFileTest, ReplacedOutputKeepsItsPermissionBits) {
  fs::path input = Write("in.msg", GoodMessage());
  for (fs::perms mode : {fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read,
                         fs::perms::owner_all | fs::perms::others_read}) {
    fs::path output = Write("out.doc", {'o', 'l', 'd'});
    fs::permissions(output, mode);
    ASSERT_TRUE(ConvertFile(input, output).ok());
    EXPECT_EQ(Read(output), "{\\rtf1 converted}\r\n");
    EXPECT_EQ(fs::status(output).permissions() & fs::perms::all, mode);
  }
}

// The signature is checked on the first bytes: a huge file that is no compound file is
// refused without being read (this sparse one could not be held in memory).
TEST_F(ConvertFileTest, InputWithoutTheSignatureIsRefusedBeforeReadingIt) {
  fs::path input = Write("huge.msg", {'p', 'l', 'a', 'i', 'n', ' ', 't', 'e', 'x', 't'});
  std::error_code error;
  fs::resize_file(input, std::uintmax_t{1} << 42, error);
  if (error) GTEST_SKIP() << "no sparse file here: " << error.message();
  ConversionResult result = ConvertFile(input, dir_ / "out.doc");
  EXPECT_EQ(result.status, ConversionStatus::kFormatError);
  EXPECT_EQ(result.message, CompoundFile::kNoSignatureMessage);
  EXPECT_FALSE(fs::exists(dir_ / "out.doc"));
  result = ConvertFile(Write("short.msg", {0xD0, 0xCF}), dir_ / "out.doc");
  EXPECT_EQ(result.message, CompoundFile::kNoSignatureMessage);
}

}  // namespace
}  // namespace quorlin
