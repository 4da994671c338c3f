// What a converter leaves for the main program: the "ok" answer's reason read back, and
// what a converter killed in the middle of a document left, removed by its journal
// (the real converter, killed while it writes a slow document after saving attachments).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "run/converter_answer.h"
#include "run/converter_temporaries.h"
#include "support/qstring_printer.h"
#include "support/slow_message.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    names.push_back(fs::relative(entry.path(), dir).string());
  std::sort(names.begin(), names.end());
  return names;
}

void WriteText(const fs::path& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

TEST(ConverterAnswerTest, KeptCountsAndTheDocumentsPath) {
  auto read = [](const char* text, std::size_t size) { return ReadConverterOkAnswer(QByteArray(text, static_cast<qsizetype>(size))); };
  std::optional<ConverterOkAnswer> answer = ReadConverterOkAnswer(QByteArray());
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->attachments, -1);
  EXPECT_TRUE(answer->documentPath.isEmpty());
  answer = ReadConverterOkAnswer("attachments 12 messages 3");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->attachments, 12);
  EXPECT_EQ(answer->messages, 3);
  EXPECT_TRUE(answer->documentPath.isEmpty());
  // The path runs to the end of the field, whatever it holds: spaces, line breaks, the
  // words of the answer itself.
  const char odd[] = "attachments 1 messages 0 document /out/a messages 2 document x\n (2).doc";
  answer = read(odd, sizeof odd - 1);
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->attachments, 1);
  EXPECT_EQ(answer->documentPath, QStringLiteral("/out/a messages 2 document x\n (2).doc"));
  answer = ReadConverterOkAnswer("document /out/R\xC3\xA9port (2).doc");
  ASSERT_TRUE(answer);
  EXPECT_EQ(answer->attachments, -1);
  EXPECT_EQ(answer->documentPath, QStringLiteral("/out/R\u00e9port (2).doc"));
  for (const char* bad : {"attachments", "attachments x messages 0", "attachments 1 messages", "attachments 1 messages 0 ",
                          "attachments 1 messages 0document a", "document ", "documents a", "attachments 1234567890 messages 0",
                          "the converter said something else"})
    EXPECT_FALSE(ReadConverterOkAnswer(bad)) << bad;
}

// A journal names what to remove; a name taken over by someone else since (not the
// converter's file any more), a folder with someone else's file in it and a cut-off last
// entry stay.
TEST(ConversionLeftoversTest, AJournalsEntriesGoAndNothingElse) {
  const TempTree tree;
  const fs::path dir = tree.Root();
  const std::string document = (dir / "Report.doc").string();
  fs::create_directories(dir / "Report attachments" / "inner attachments");
  fs::create_directory(dir / "shared");
  for (const char* name : {"Report attachments/a.txt", "Report attachments/inner attachments/b.txt",
                           "Report attachments/.c.txt.00ff.tmp", "shared/theirs.txt", "theirs.doc", "cut.txt"})
    WriteText(dir / name, "x");
  fs::create_hard_link(dir / "Report attachments/.c.txt.00ff.tmp", dir / "Report attachments/c.txt");
  WriteText(dir / ".Report.doc.0123abcd.tmp", "temporary");
  std::string journal;
  auto entry = [&](char kind, const fs::path& path) { journal += kind + path.string() + '\0'; };
  entry('d', dir / "Report attachments");
  entry('f', dir / "Report attachments/a.txt");
  entry('d', dir / "Report attachments/inner attachments");
  entry('f', dir / "Report attachments/inner attachments/b.txt");
  entry('d', dir / "shared");
  entry('t', dir / "Report attachments/.c.txt.00ff.tmp");
  entry('p', dir / "Report attachments/c.txt");
  entry('t', dir / "gone.tmp");
  entry('p', dir / "theirs.doc");
  journal += 'f' + (dir / "cut.txt").string();  // no NUL: cut off by the kill
  WriteText(dir / ".Report.doc.89abcdef01234567.journal", journal);
  WriteText(dir / ".Other.doc.89abcdef01234567.journal", std::string("f") + (dir / "theirs.doc").string() + '\0');

  EXPECT_TRUE(IsConverterJournal(document, ".Report.doc.89abcdef01234567.journal"));
  EXPECT_FALSE(IsConverterJournal(document, ".Report.doc.89abcdef01234567.tmp"));
  EXPECT_FALSE(IsConverterJournal(document, ".Report.docx.0a.journal"));
  RemoveConversionLeftovers(document);
  EXPECT_EQ(Names(dir), (std::vector<std::string>{".Other.doc.89abcdef01234567.journal", "cut.txt", "shared",
                                                  "shared/theirs.txt", "theirs.doc"}));
}

// The real converter, killed outright once it has saved the attachments: the program
// removes everything it made with one call.
TEST(ConversionLeftoversTest, WhatAKilledConverterMadeGoes) {
  const TempTree tree;
  const fs::path dir = tree.Root();
  const std::vector<std::uint8_t> msg = test_support::SlowMessage();
  std::ofstream(dir / "slow.msg", std::ios::binary)
      .write(reinterpret_cast<const char*>(msg.data()), static_cast<std::streamsize>(msg.size()));
  WriteText(dir / "slow.doc", "an older document");
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const std::string input = (dir / "slow.msg").string(), output = (dir / "slow.doc").string();
    execl(QUORLIN_EXE, QUORLIN_EXE, "--pictures", "--attachments", input.c_str(), output.c_str(), nullptr);
    _exit(127);
  }
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(dir / "slow (2) attachments" / "kept4.txt") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status)) << "killed part way";
  ASSERT_TRUE(fs::exists(dir / "slow (2) attachments" / "kept4.txt"));
  RemoveConversionLeftovers((dir / "slow.doc").string());
  EXPECT_EQ(Names(dir), (std::vector<std::string>{"slow.doc", "slow.msg"}));
}

}  // namespace
