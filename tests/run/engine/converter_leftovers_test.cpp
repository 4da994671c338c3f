// What a converter leaves for the main program: the "ok" answer's reason read back, and
// what a converter killed in the middle of a document made, taken back through the
// journal it kept in the run's private folder: only what it made, only inside the place
// its job writes to, never through a link (the real converter, killed while it writes a
// slow document after saving attachments).
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "run/engine/converter_answer.h"
#include "run/engine/conversion_journal.h"
#include "converter/serve_protocol.h"
#include "support/qstring_printer.h"
#include "support/slow_message.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::string> Names(const fs::path& dir) {
  std::vector<std::string> names;
  for (const auto& entry : fs::recursive_directory_iterator(dir))
    names.push_back(entry.path().lexically_relative(dir).string());
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

// One journal entry as a converter writes it: the letter, the identity of what is at
// `identityOf` now, and `path`.
std::string Entry(char kind, const fs::path& path, const fs::path& identityOf) {
  struct stat st {};
  EXPECT_EQ(lstat(identityOf.c_str(), &st), 0) << identityOf;
  char ids[40];
  std::snprintf(ids, sizeof ids, "%016llx%016llx", static_cast<unsigned long long>(st.st_dev),
                static_cast<unsigned long long>(st.st_ino));
  return std::string(1, kind) + ids + path.string() + '\0';
}
std::string Entry(char kind, const fs::path& path) { return Entry(kind, path, path); }

void Append(const std::string& journal, const std::string& bytes) {
  std::ofstream(journal, std::ios::binary | std::ios::app) << bytes;
}

// What the journal lists goes while it is still what was made; a name someone else's file
// has taken since, a folder with someone else's file in it, anything outside the job's
// place (another folder, one not of attachments, a path with "..", a link on the way), an
// entry cut off by the kill and an entry that is not one stay. With the document finished
// only temporary names go.
TEST(ConversionLeftoversTest, AJournalTakesBackOnlyWhatWasMadeInsideTheJobsPlace) {
  namespace protocol = quorlin::serve_protocol;
  for (const bool finished : {false, true}) {
    const TempTree tree;
    const fs::path dir = tree.Root();
    const fs::path out = dir / "out";
    for (const char* name : {"out/Report attachments/a.txt", "out/Report attachments/inner attachments/b.txt",
                             "out/Report attachments/.c.txt.00ff.tmp", "out/shared/theirs.txt", "out/theirs.doc",
                             "out/cut.txt", "out/moved.txt", "out/elsewhere attachments/e.txt", "other/o.txt",
                             "out/swapped.txt", "out/Report.doc"})
      tree.File(name, "x");
    fs::create_hard_link(out / "Report attachments/.c.txt.00ff.tmp", out / "Report attachments/c.txt");
    tree.Folder("out/linked");
    tree.File("other/attachments/l.txt", "x");
    tree.Link(tree.Path("other/attachments"), "out/link attachments");
    const std::string journalPath = (dir / "journal").string();
    ConversionJournal journal;
    std::string failure;
    ASSERT_TRUE(journal.Open(journalPath, failure)) << failure;
    Append(journalPath, Entry(protocol::kJournalFolder, out / "Report attachments"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "Report attachments/a.txt"));
    Append(journalPath, Entry(protocol::kJournalFolder, out / "Report attachments/inner attachments"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "Report attachments/inner attachments/b.txt"));
    Append(journalPath, Entry(protocol::kJournalFolder, out / "shared"));
    Append(journalPath, Entry(protocol::kJournalTemporary, out / "Report attachments/.c.txt.00ff.tmp"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "Report attachments/c.txt"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "theirs.doc", out / "cut.txt"));  // not that file now
    Append(journalPath, Entry(protocol::kJournalFile, dir / "other/o.txt"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "linked/../moved.txt"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "shared/theirs.txt"));
    Append(journalPath, Entry(protocol::kJournalFile, out / "link attachments/l.txt", dir / "other/attachments/l.txt"));
    Append(journalPath, Entry('x', out / "swapped.txt"));
    Append(journalPath, "f0000000000000000" + (out / "Report.doc").string() + '\0');
    std::string cut = Entry(protocol::kJournalFile, out / "cut.txt");
    Append(journalPath, cut.substr(0, cut.size() - 1));  // no NUL: cut off by the kill

    journal.Undo((out / "Report.doc").string(), finished);
    const std::vector<std::string> kept{"link attachments", "linked", "moved.txt", "shared", "shared/theirs.txt",
                                        "swapped.txt", "theirs.doc", "cut.txt", "elsewhere attachments",
                                        "elsewhere attachments/e.txt", "Report.doc"};
    std::vector<std::string> expected = kept;
    if (finished) {
      for (const char* name : {"Report attachments", "Report attachments/a.txt", "Report attachments/c.txt",
                               "Report attachments/inner attachments", "Report attachments/inner attachments/b.txt"})
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Names(out), expected) << (finished ? "finished" : "not finished");
    EXPECT_TRUE(fs::exists(dir / "other/o.txt"));
    EXPECT_TRUE(fs::exists(dir / "other/attachments/l.txt"));
    EXPECT_EQ(fs::file_size(journalPath), 0u) << "emptied once read";
    journal.Close();
    EXPECT_FALSE(fs::exists(journalPath));
  }
}

// The real converter, serving with its journal in a private folder, killed outright once
// it has saved the attachments: the program takes back everything it made with one call,
// and the document already there stays. A converter run by itself keeps its journal to
// itself: nothing of it appears beside the document.
TEST(ConversionLeftoversTest, WhatAKilledConverterMadeGoes) {
  const TempTree tree;
  const fs::path dir = tree.Root();
  tree.Folder("private");
  tree.Folder("out");
  const std::vector<std::uint8_t> msg = test_support::SlowMessage();
  std::ofstream(dir / "slow.msg", std::ios::binary)
      .write(reinterpret_cast<const char*>(msg.data()), static_cast<std::streamsize>(msg.size()));
  WriteText(dir / "out/slow.doc", "an older document");
  ConversionJournal journal;
  std::string failure;
  ASSERT_TRUE(journal.Open((dir / "private/journal-1").string(), failure)) << failure;
  int request[2];
  ASSERT_EQ(pipe(request), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    dup2(request[0], STDIN_FILENO);
    close(request[1]);
    execl(QUORLIN_EXE, QUORLIN_EXE, "--serve", "--journal", journal.Path().c_str(), nullptr);
    _exit(127);
  }
  close(request[0]);
  const std::string fields = std::string("pictures attachments") + '\0' + (dir / "slow.msg").string() + '\0' +
                             (dir / "out/slow.doc").string() + '\0';
  ASSERT_EQ(write(request[1], fields.data(), fields.size()), static_cast<ssize_t>(fields.size()));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(dir / "out/slow (2) attachments" / "kept4.txt") && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(child, SIGKILL);
  int status = 0;
  waitpid(child, &status, 0);
  close(request[1]);
  ASSERT_TRUE(WIFSIGNALED(status)) << "killed part way";
  ASSERT_TRUE(fs::exists(dir / "out/slow (2) attachments" / "kept4.txt"));
  EXPECT_EQ(Names(dir / "private"), std::vector<std::string>{"journal-1"});
  journal.Undo((dir / "out/slow.doc").string(), false);
  EXPECT_EQ(Names(dir / "out"), std::vector<std::string>{"slow.doc"});

  // By itself, killed the same way: the attachments stay (nobody is told what it made),
  // and nothing that looks like a journal is left beside them.
  const pid_t alone = fork();
  ASSERT_GE(alone, 0);
  if (alone == 0) {
    const std::string input = (dir / "slow.msg").string(), output = (dir / "out/slow.doc").string();
    execl(QUORLIN_EXE, QUORLIN_EXE, "--pictures", "--attachments", input.c_str(), output.c_str(), nullptr);
    _exit(127);
  }
  const auto second = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!fs::exists(dir / "out/slow (2) attachments" / "kept4.txt") && std::chrono::steady_clock::now() < second)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  kill(alone, SIGKILL);
  waitpid(alone, &status, 0);
  for (const std::string& name : Names(dir / "out")) EXPECT_NE(name[0], '.') << name;
}

}  // namespace
