// The converter's Windows side, under wine or Windows: file names in full Unicode from the
// command line to the document, all-or-nothing documents that replace or keep what is
// there, the journal's clean-up, dates before 1970 and the system's code pages.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "converter/base/output_journal.h"
#include "converter/base/path_text.h"
#include "converter/conversion.h"
#include "converter/options/paper_size.h"
#include "converter/output/file_names.h"
#include "converter/output/file_time.h"
#include "converter/text/system_code_page.h"
#include "msgwriter/message_builder.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;

// "Отчёт 📎": Cyrillic and a character beyond the Basic Multilingual Plane.
const std::string kUnicodeStem = "\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82 \xF0\x9F\x93\x8E";

std::string Read(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void Write(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> PlainMessage(std::u16string_view text) {
  msgwriter::MessageBuilder builder;
  builder.AddUnicode(0x1000, text);
  return builder.Build();
}

// The names in a folder, as UTF-8.
std::vector<std::string> Names(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(Utf8Of(entry.path().filename()));
  std::sort(names.begin(), names.end());
  return names;
}

class WindowsFilesTest : public ::testing::Test {
 protected:
  TempTree tree_;
  fs::path dir_ = PathFromUtf8(tree_.Root());
};

TEST_F(WindowsFilesTest, UnicodeNamesConvertInProcessAndThroughTheProgram) {
  const std::vector<std::uint8_t> message = PlainMessage(u"\u041F\u0440\u0438\u0432\u0435\u0442");
  const fs::path input = dir_ / PathFromUtf8(kUnicodeStem + ".msg");
  Write(input, message);
  const std::vector<std::uint8_t> expected = ConvertMessage(message);

  const fs::path document = dir_ / PathFromUtf8(kUnicodeStem + ".doc");
  ASSERT_TRUE(ConvertFile(input, document).ok());
  EXPECT_EQ(Read(document), std::string(expected.begin(), expected.end()));

  // The program reads its words from the wide command line.
  const fs::path second = dir_ / PathFromUtf8(kUnicodeStem + " 2.doc");
  fs::path program = fs::absolute(PathFromUtf8(QUORLIN_EXE));
  std::wstring line = L"\"" + program.wstring() + L"\" \"" + input.wstring() + L"\" \"" + second.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process));
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  EXPECT_EQ(status, 0u);
  // The program lays its documents out on the paper of the user's regional format.
  ConversionOptions users;
  users.paper = UsersPaperSize();
  const std::vector<std::uint8_t> on_users_paper = ConvertMessage(message, users);
  EXPECT_EQ(Read(second), std::string(on_users_paper.begin(), on_users_paper.end()));
}

TEST_F(WindowsFilesTest, DocumentsReplaceOnlyWhenAskedAndFailuresLeaveNothing) {
  const fs::path input = dir_ / "a.msg";
  Write(input, PlainMessage(u"new"));
  const fs::path document = dir_ / PathFromUtf8(kUnicodeStem + ".doc");
  { std::ofstream(document, std::ios::binary) << "old"; }

  const ConversionResult kept = ConvertFile(input, document);
  ASSERT_TRUE(kept.ok()) << kept.message;
  EXPECT_EQ(Read(document), "old");
  EXPECT_EQ(Utf8Of(kept.document.filename()), kUnicodeStem + " (2).doc");

  ConversionOptions replace;
  replace.replace = true;
  ASSERT_TRUE(ConvertFile(input, document, replace).ok());
  EXPECT_NE(Read(document).find("new"), std::string::npos);

  // Not a message: the file there stays as it was, and no temporary file or journal is left.
  const fs::path bad = dir_ / "bad.msg";
  { std::ofstream(bad, std::ios::binary) << std::string(2048, 'x'); }
  const std::string before = Read(document);
  EXPECT_FALSE(ConvertFile(bad, document, replace).ok());
  EXPECT_EQ(Read(document), before);
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"a.msg", "bad.msg", kUnicodeStem + " (2).doc", kUnicodeStem + ".doc"}));
}

TEST_F(WindowsFilesTest, TheJournalTakesBackWhatItListsAndEndingItKeepsIt) {
  const fs::path folder = dir_ / PathFromUtf8(kUnicodeStem + " attachments");
  const fs::path file = folder / PathFromUtf8("caf\xC3\xA9.txt");
  const fs::path theirs = folder / PathFromUtf8("theirs.txt");
  BeginOutputJournal();
  fs::create_directory(folder);
  JournalFolder(folder);
  std::FILE* made = _wfopen(file.c_str(), L"wb");
  ASSERT_NE(made, nullptr);
  JournalFile(file, IdentityOfOpenFile(_fileno(made)));
  std::fclose(made);
  // A name listed that is not the file made there stays.
  { std::ofstream(theirs) << "theirs"; }
  made = _wfopen((dir_ / "other.txt").c_str(), L"wb");
  ASSERT_NE(made, nullptr);
  JournalFile(theirs, IdentityOfOpenFile(_fileno(made)));
  std::fclose(made);
  RemoveJournaledOutput();
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"other.txt", kUnicodeStem + " attachments"}));
  fs::remove(theirs);
  fs::remove(folder);

  BeginOutputJournal();
  fs::create_directory(folder);
  JournalFolder(folder);
  EndOutputJournal();
  EXPECT_EQ(Names(dir_), (std::vector<std::string>{"other.txt", kUnicodeStem + " attachments"}));
}

TEST_F(WindowsFilesTest, DatesBeforeTheUnixEpochAreSet) {
  const fs::path file = dir_ / "dated.doc";
  std::ofstream(file) << "x";
  SetModificationTime(file, -86400 * 365);  // 1969
  HANDLE handle = ::CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  FILETIME written{};
  ::GetFileTime(handle, nullptr, nullptr, &written);
  ::CloseHandle(handle);
  const std::uint64_t ticks = (std::uint64_t{written.dwHighDateTime} << 32) | written.dwLowDateTime;
  EXPECT_EQ(static_cast<std::int64_t>(ticks / 10000000) - 11644473600, -86400 * 365);
}

TEST(WindowsFileNamesTest, CharactersWindowsRefusesAndDeviceWordsAreMadeHarmless) {
  EXPECT_EQ(SafeFileName(u"Re: a?b*<c>|\"d\".txt"), "Re_ a_b__c___d_.txt");
  EXPECT_EQ(SafeFileName(u"nul .txt"), "nul_ .txt");
  EXPECT_EQ(SafeFileName(u"Com7.tar.gz"), "Com7_.tar.gz");
  EXPECT_EQ(SafeFileStem(u"AUX", 100), "AUX_");
  EXPECT_EQ(SafeFileName(u"console.txt"), "console.txt");
  EXPECT_EQ(SafeFileName(u"com10.txt"), "com10.txt");
}

std::u16string Decoded(std::string_view bytes, std::uint32_t code_page) {
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
  return DecodeWithSystem(std::span(data, bytes.size()), code_page).value_or(u"(none)");
}

TEST(WindowsCodePagesTest, TheSystemsPagesAndTheUnitsItLacks) {
  EXPECT_EQ(Decoded("\xCF\xF0\xE8", 1251), u"\u041F\u0440\u0438");
  EXPECT_EQ(Decoded("\x82\xA0", 932), u"\u3042");
  EXPECT_EQ(Decoded(std::string_view("A\0\x3D\xD8\x0E\xDC", 6), 1200), u"A\U0001F40E");
  EXPECT_EQ(Decoded(std::string_view("\0A\xD8\x3D", 4), 1201), u"A\uFFFD");
  EXPECT_EQ(Decoded(std::string_view("\x0E\xF4\x01\0\0\0\x11\0", 8), 12000), u"\U0001F40E\uFFFD");
  EXPECT_EQ(Decoded("x", 4242), u"(none)");
}

}  // namespace
}  // namespace quorlin
