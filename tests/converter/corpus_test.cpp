// The real messages of the shared corpus: each one comes out as expected.tsv says. RTF
// bodies byte-exact (SHA-256 and length of the decoded body, then CR LF), messages
// that cannot load give no output, messages without an RTF body keep their text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "converter/conversion.h"
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
  std::pair<ConversionResult, std::string> Run(const std::string& name) {
    fs::path output = out_ / (name + ".doc");
    ConversionResult result = ConvertFile(corpus_ / name, output);
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

TEST_F(CorpusTest, EveryFileComesOutAsExpected) {
  EXPECT_EQ(rows_.size(), 41u);
  for (const Expected& row : rows_) {
    SCOPED_TRACE(row.file);
    auto [result, content] = Run(row.file);
    if (row.outcome == "rtf") {
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

// Messages without an RTF body: words from their plain-text or HTML bodies survive, in
// whatever code page the message used.
TEST_F(CorpusTest, MessagesWithoutRtfBodyKeepTheirText) {
  const std::string automatic =  // "автоматически" as RTF Unicode escapes
      "\\u1072?\\u1074?\\u1090?\\u1086?\\u1084?\\u1072?\\u1090?\\u1080?\\u1095?\\u1077?\\u1089?\\u1082?\\u1080?";
  const std::map<std::string, std::vector<std::string>> words = {
      {"ASCII_CP1251_LCID1049.msg", {"Body " + automatic + " Body"}},
      {"ASCII_UTF-8_CP1252_LCID1031.msg", {"Body \\u246?\\u228?\\u252? Body"}},
      {"ASCII_UTF-8_CP1252_LCID1031_HTML.msg", {"Body \\u246?\\u228?\\u252? Body"}},
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

}  // namespace
}  // namespace quorlin
