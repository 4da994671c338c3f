// The real messages of the shared corpus: each one comes out as expected.tsv says. RTF
// bodies byte-exact (SHA-256 and length of the decoded body, then CR LF; HTML mail whose
// carried table the RTF side lacks is made from that HTML instead), messages
// that cannot load give no output, messages without an RTF body keep their text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "converter/rtf/clzf.h"
#include "converter/conversion.h"
#include "converter/cfb/input_file.h"
#include "converter/msg/message.h"
#include "support/sha256.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

struct Expected {
  std::string file, outcome, sha256, bytes;
};

class CorpusTest : public ::testing::Test {
 protected:
  void SetUp() override {
    corpus_ = LORVANE_CORPUS_DIR;
    if (!fs::exists(corpus_ / "expected.tsv"))
      GTEST_SKIP() << "shared corpus not found at " << corpus_ << "; corpus tests skipped";
    std::ifstream table(corpus_ / "expected.tsv");
    std::string line;
    std::getline(table, line);  // header
    while (std::getline(table, line)) {
      std::istringstream fields(line);
      Expected row;
      std::getline(fields, row.file, '\t');
      std::getline(fields, row.outcome, '\t');
      std::getline(fields, row.sha256, '\t');
      std::getline(fields, row.bytes, '\t');
      if (!row.file.empty()) rows_.push_back(row);
    }
  }

  // Converts one corpus file; returns whether an output exists and its bytes.
  std::pair<ConversionResult, std::string> Run(const std::string& name, const ConversionOptions& options = {}) {
    fs::path output = out_ / (name + ".doc");
    ConversionOptions replacing = options;
    replacing.replace = true;  // each file is converted more than once into one document
    ConversionResult result = ConvertFile(corpus_ / name, output, replacing);
    std::string content;
    if (fs::exists(output)) {
      std::ifstream in(output, std::ios::binary);
      content.assign(std::istreambuf_iterator<char>(in), {});
    }
    return {result, content};
  }

  fs::path corpus_;
  TempTree tree_;
  const fs::path out_ = tree_.Root();
  std::vector<Expected> rows_;
};

// HTML mail kept as RTF whose HTML has a table its RTF side lacks.
const std::set<std::string> kMadeFromCarriedHtml = {
    "example_received_regular.msg", "example_received_unicode.msg", "example_sent_regular.msg",
    "example_sent_unicode.msg", "no_recipient_address.msg"};

TEST_F(CorpusTest, EveryFileComesOutAsExpected) {
  EXPECT_EQ(rows_.size(), 41u);
  for (const Expected& row : rows_) {
    SCOPED_TRACE(row.file);
    auto [result, content] = Run(row.file);
    if (row.outcome == "rtf" && kMadeFromCarriedHtml.count(row.file)) {
      // The body still decodes to the expected bytes; the document is made from the HTML
      // it carries, whose table grid its RTF side lacks.
      ASSERT_TRUE(result.ok()) << result.message;
      const InputFile in(corpus_ / row.file);
      std::optional<StreamBytes> compressed = Message::Open(in.bytes())->CompressedBodyRTF();
      ASSERT_TRUE(compressed);
      const std::vector<std::uint8_t> body = CLZF::decompressRTF(compressed->bytes());
      EXPECT_EQ(std::to_string(body.size()), row.bytes);
      EXPECT_EQ(testing::Sha256Hex(body), row.sha256);
      EXPECT_EQ(content.find("\\fromhtml"), std::string::npos);
      EXPECT_NE(content.find("\\trowd"), std::string::npos);
    } else if (row.outcome == "rtf") {
      ASSERT_TRUE(result.ok()) << result.message;
      ASSERT_GE(content.size(), 2u);
      EXPECT_EQ(content.substr(content.size() - 2), "\r\n");
      std::string body = content.substr(0, content.size() - 2);
      EXPECT_EQ(std::to_string(body.size()), row.bytes);
      EXPECT_EQ(testing::Sha256Hex({reinterpret_cast<const std::uint8_t*>(body.data()), body.size()}),
                row.sha256);
    } else if (row.outcome == "load-fails") {
      EXPECT_FALSE(result.ok());
      EXPECT_FALSE(fs::exists(out_ / (row.file + ".doc")));
    } else {
      ASSERT_EQ(row.outcome, "no-rtf");
      ASSERT_TRUE(result.ok()) << result.message;
      EXPECT_EQ(content.rfind("{\\rtf1", 0), 0u) << content;
      EXPECT_EQ(content.substr(content.size() - 3), "}\r\n");
    }
  }
}

// Messages without an RTF body: words from their HTML bodies, else their plain-text
// bodies, survive, in whatever code page the message used. (The first and third carry
// both: "Body ... Body" as plain text, "HTML ..." as HTML, which is chosen.)
TEST_F(CorpusTest, MessagesWithoutRtfBodyKeepTheirText) {
  const std::string automatic =  // "автоматически" as RTF Unicode escapes
      "\\u1072?\\u1074?\\u1090?\\u1086?\\u1084?\\u1072?\\u1090?\\u1080?\\u1095?\\u1077?\\u1089?\\u1082?\\u1080?";
  const std::map<std::string, std::vector<std::string>> words = {
      {"ASCII_CP1251_LCID1049.msg", {"HTML " + automatic}},
      {"ASCII_UTF-8_CP1252_LCID1031.msg", {"Body \\u246?\\u228?\\u252? Body"}},
      {"ASCII_UTF-8_CP1252_LCID1031_HTML.msg", {"HTML \\u246?\\u228?\\u252?"}},
      {"HTMLBodyBinary_CP1251.msg", {"HTML " + automatic}},
      {"HTMLBodyBinary_UTF-8.msg", {"HTML \\u246?\\u228?\\u252?"}},
      {"lots-of-recipients.msg", {"Vishwajit Mankar", "Software Engineer", "HotJobs"}},
      {"simple_test_msg.msg", {"This is a test message."}},
  };
  for (const auto& [file, expected] : words) {
    auto [result, content] = Run(file);
    ASSERT_TRUE(result.ok()) << file << ": " << result.message;
    for (const std::string& word : expected)
      EXPECT_NE(content.find(word), std::string::npos) << file << " lacks \"" << word << "\":\n" << content;
    for (const char* mark : {"\\u65533?", "\\u-3?"})  // U+FFFD, unsigned or signed
      EXPECT_EQ(content.find(mark), std::string::npos) << file << " has replacement marks";
  }
}

// Every inline picture of the real messages is shown with pictures on: PNG and JPEG
// screenshots, a BMP named ".gif", pictures named by content id and by content location.
// Every other message with a rich-text body stays as it was, but for web pictures' alt text.
TEST_F(CorpusTest, PicturesOnShowEveryInlinePicture) {
  const std::map<std::string, std::vector<std::string>> pictures = {
      {"attachment_msg_inlineImg.msg", {"\\pngblip\\picw619\\pich157", "\\pngblip\\picw84", "\\pngblip\\picw201",
                                        "\\jpegblip\\picw647\\pich404\\picwgoal9360"}},
      {"example_received_regular.msg", {"\\dibitmap0\\picw202\\pich74"}},
      {"example_received_unicode.msg", {"\\dibitmap0\\picw202\\pich74"}},
      {"example_sent_regular.msg", {"\\dibitmap0\\picw202\\pich74"}},
      {"example_sent_unicode.msg", {"\\dibitmap0\\picw202\\pich74"}},
      {"no_recipient_address.msg", std::vector<std::string>(11, "\\jpegblip\\picw32\\pich32")},
  };
  ConversionOptions options;
  options.pictures = true;
  for (const Expected& row : rows_) {
    if (row.outcome != "rtf") continue;
    SCOPED_TRACE(row.file);
    auto [result, content] = Run(row.file, options);
    ASSERT_TRUE(result.ok()) << result.message;
    const std::string original = Run(row.file).second;
    const auto pictures_in = [](const std::string& document) {
      std::size_t count = 0;
      for (std::size_t at = 0; (at = document.find("{\\pict", at)) != std::string::npos; ++at) ++count;
      return count;
    };
    const auto shown = pictures.find(row.file);
    EXPECT_EQ(pictures_in(content) - pictures_in(original), shown == pictures.end() ? 0 : shown->second.size());
    if (shown != pictures.end()) {
      for (const std::string& picture : shown->second) EXPECT_NE(content.find(picture), std::string::npos) << picture;
    } else if (row.file != "bug66335.msg") {  // its web pictures' alt text is added
      EXPECT_EQ(content, original);
    }
  }
}

// Saving attachments: every file a message carries by value (and is not hidden), its
// embedded messages' included, is under its folder with the same bytes.
void ExpectKeptByteForByte(const Message& message, const std::multiset<std::string>& saved,
                           const std::string& trace) {
  for (const Attachment& attachment : message.attachments()) {
    std::optional<std::vector<std::uint8_t>> data = attachment.GetBytes("3701");
    if (attachment.FindInt32("3705") != 1 || !data || attachment.FindBoolean("7FFE").value_or(false)) continue;
    EXPECT_GE(saved.count(testing::Sha256Hex(*data)), 1u) << trace << ": an attachment of " << data->size() << " bytes";
  }
  for (const auto& inner : message.messages()) ExpectKeptByteForByte(*inner, saved, trace);
}

TEST_F(CorpusTest, SavedAttachmentsKeepTheirBytes) {
  int files = 0, messages = 0;
  for (const auto& entry : fs::directory_iterator(corpus_)) {
    if (entry.path().extension() != ".msg") continue;
    const std::string name = entry.path().filename().string();
    const fs::path output = out_ / (entry.path().stem().string() + ".doc");
    ConversionOptions options;
    options.attachments = true;
    options.header_block = true;
    options.replace = true;
    const ConversionResult result = ConvertFile(entry.path(), output, options);
    if (!result.ok()) continue;  // messages that cannot load fail as they always did
    files += result.attachment_files;
    messages += result.embedded_messages;
    std::multiset<std::string> saved;
    const fs::path folder = out_ / (entry.path().stem().string() + " attachments");
    if (fs::exists(folder))
      for (const auto& file : fs::recursive_directory_iterator(folder))
        if (file.is_regular_file()) {
          std::ifstream in(file.path(), std::ios::binary);
          saved.insert(testing::Sha256Hex(std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {})));
        }
    InputFile input(entry.path());
    ExpectKeptByteForByte(*Message::Open(input.bytes()), saved, name);
  }
  EXPECT_GT(files, 0);
  EXPECT_GT(messages, 0);
}

}  // namespace
}  // namespace quorlin
