// Saving attachments: hostile names reduced to one safe name inside the folder, files by
// value kept byte for byte and nothing else, packaged OLE files, embedded messages as
// documents nested as deep as the reader goes, existing files and planted links left
// alone, and a failure part way leaving nothing behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "converter/msg/attachment_object.h"
#include "converter/document/attachment_saver.h"
#include "converter/document/message_document.h"
#include "converter/text/code_page.h"
#include "converter/conversion.h"
#include "converter/output/file_names.h"
#include "converter/msg/message.h"
#include "converter/base/notice.h"
#include "msgwriter/lzfu_compressor.h"
#include "msgwriter/message_builder.h"
#include "support/temp_tree.h"

namespace quorlin {
namespace {

namespace fs = std::filesystem;
using msgwriter::MessageBuilder;
using msgwriter::StorageBuilder;

std::vector<std::uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

// Names as the system in use takes them: Windows refuses ":" (and "<>\"|?*") and takes "nul"
// followed by an extension for a device, so there the converter writes "_" instead of the
// character and after the word.
#ifdef _WIN32
constexpr bool kWindowsNames = true;
#else
constexpr bool kWindowsNames = false;
#endif

std::string Text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

std::vector<std::uint8_t> EveryByte() {
  std::vector<std::uint8_t> bytes;
  for (int round = 0; round < 3; ++round)
    for (int value = 0; value < 256; ++value) bytes.push_back(static_cast<std::uint8_t>(value));
  return bytes;
}

StorageBuilder& AddFile(StorageBuilder& message, std::u16string_view name, std::vector<std::uint8_t> data) {
  StorageBuilder& attachment = message.AddAttachment(1);
  attachment.AddUnicode(0x3707, name).AddBinary(0x3701, std::move(data));
  return attachment;
}

// ---------------------------------------------------------------------------------------
// File names

TEST(FileNamesTest, HostileNamesBecomeOneSafeNameOrNone) {
  const std::map<std::u16string, std::string> cases = {
      {u"../../x", "x"},
      {u"/etc/passwd", "passwd"},
      {u"a/../../b", "b"},
      {u"..", ""},
      {u".", ""},
      {u"...", ""},
      {u"/", ""},
      {u"dir\\sub\\evil.exe", "evil.exe"},
      {u"..\\..\\x.txt", "x.txt"},
      {u"dir/", "dir"},
      {u"a/..", "a"},
      {std::u16string(u"nul\0in.txt", 10), "nul in.txt"},
      {u"line\r\nbreak.txt", "line  break.txt"},
      {u"\u202Etxt.exe", "txt.exe"},
      {u"  spaced  .pdf . . ", "spaced  .pdf"},
      {u".profile", ".profile"},
      {u"\xD800lone.txt", "\xEF\xBF\xBDlone.txt"},
      {u"caf\u00e9 \U0001F600.txt", "caf\xC3\xA9 \xF0\x9F\x98\x80.txt"},
  };
  for (const auto& [name, safe] : cases)
    EXPECT_EQ(SafeFileName(name), safe) << EncodeUtf8(name);
  EXPECT_EQ(SafeFileStem(u"Re: a/b\\c", 243), kWindowsNames ? "Re_ a_b_c" : "Re: a_b_c");
  EXPECT_EQ(SafeFileStem(u"..", 243), "");
}

TEST(FileNamesTest, LongNamesAreCutAtACharacterKeepingTheExtension) {
  const std::string ascii = SafeFileName(std::u16string(1996, u'a') + u".pdf");
  EXPECT_EQ(ascii.size(), kMaxFileNameBytes);
  EXPECT_TRUE(ascii.ends_with("aaa.pdf"));
  // 2,000 bytes of two-byte letters: the cut falls between letters, never inside one.
  const std::string accented = SafeFileName(std::u16string(1000, u'\u00e9') + u".txt");
  EXPECT_LE(accented.size(), kMaxFileNameBytes);
  EXPECT_TRUE(accented.ends_with("\xC3\xA9.txt"));
  EXPECT_EQ((accented.size() - 4) % 2, 0u);
  const std::string emoji = SafeFileName(std::u16string(1000, u'x') + u"\U0001F600\U0001F600.txt", 10);
  EXPECT_EQ(emoji, "xxxxxx.txt");
  // An "extension" that is too long to be one is cut like the rest.
  EXPECT_EQ(SafeFileName(u"a." + std::u16string(300, u'b'), 20), "a." + std::string(18, 'b'));
  EXPECT_EQ(FileExtension(".bashrc"), "");
  EXPECT_EQ(FileExtension("archive.tar.gz"), ".gz");
  EXPECT_EQ(FileExtension("Re: v1.2 release notes"), "");
}

TEST(FileNamesTest, NumberedNamesStayWithinTheLimit) {
  EXPECT_EQ(NumberedFileName("a.txt", 2), "a (2).txt");
  EXPECT_EQ(NumberedFileName("noext", 13), "noext (13)");
  const std::string numbered = NumberedFileName(std::string(253, 'n') + ".pdf", 10000);
  EXPECT_EQ(numbered.size(), kMaxFileNameBytes);
  EXPECT_TRUE(numbered.ends_with("n (10000).pdf"));
  EXPECT_EQ(FileNameKey("Report.PDF"), FileNameKey("report.pdf"));
  EXPECT_EQ(RelativeLink("Re: a attachments/caf\xC3\xA9 #1.txt"), "Re%3A%20a%20attachments/caf%C3%A9%20%231.txt");
}

TEST(PackagedFileTest, ReadsTheFileAndRefusesEveryCutOrOverlongLength) {
  const std::vector<std::uint8_t> data = EveryByte();
  const std::vector<std::uint8_t> stream = msgwriter::PackagedFileStream("label.txt", "C:\\tmp\\report.txt", data);
  std::optional<PackagedFile> file = ReadPackagedFile(stream);
  ASSERT_TRUE(file);
  EXPECT_EQ(file->label, "label.txt");
  EXPECT_EQ(file->path, "C:\\tmp\\report.txt");
  EXPECT_TRUE(std::equal(file->data.begin(), file->data.end(), data.begin(), data.end()));
  for (std::size_t cut = 0; cut < stream.size(); ++cut)
    EXPECT_FALSE(ReadPackagedFile(std::span(stream).first(cut))) << "cut at " << cut;
  // The inner size stated larger than what follows it.
  std::vector<std::uint8_t> overlong = stream;
  overlong[overlong.size() - data.size() - 1] = 0x7F;
  EXPECT_FALSE(ReadPackagedFile(overlong));
  std::vector<std::uint8_t> link = stream;  // a package that only links to a file
  link[4 + 2 + 10 + 18 + 2] = 1;
  EXPECT_FALSE(ReadPackagedFile(link));
}

// ---------------------------------------------------------------------------------------
// Saving

class SaveAttachmentsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tree_.Folder("out");
    root_ = tree_.Root();
    dir_ = root_ / "out";
    SetNoticeSink([this](const std::string& text) { notices_.push_back(text); });
  }
  void TearDown() override { SetNoticeSink({}); }

  ConversionResult Convert(const MessageBuilder& builder, bool header = true, bool attachments = true,
                           const std::string& document = "Report.doc") {
    const fs::path input = root_ / "in.msg";
    const std::vector<std::uint8_t> bytes = builder.Build();
    std::ofstream(input, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ConversionOptions options;
    options.header_block = header;
    options.attachments = attachments;
    options.replace = true;
    return ConvertFile(input, dir_ / document, options);
  }
  static std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // Every entry under `folder`, relative to it with "/" between folders, sorted.
  static std::vector<std::string> Listing(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
      names.push_back(fs::relative(entry.path(), folder).generic_string());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path Folder() const { return dir_ / "Report attachments"; }

  TempTree tree_;
  fs::path root_, dir_;
  std::vector<std::string> notices_;
};

TEST_F(SaveAttachmentsTest, KeepsWhatTheSenderAttachedByValueAndNothingElse) {
  MessageBuilder builder;
  builder.AddUnicode(0x1000, u"body");
  AddFile(builder, u"data.bin", EveryByte());
  AddFile(builder, u"hidden.ics", Bytes("calendar")).AddBoolean(0x7FFE, true);
  AddFile(builder, u"visible.txt", Bytes("seen")).AddBoolean(0x7FFE, false);
  builder.AddAttachment(2).AddUnicode(0x3707, u"\\\\server\\share\\plan.xlsx");
  builder.AddAttachment(1).AddUnicode(0x3707, u"empty-handed.txt");  // no data at all
  builder.AddAttachment(1).AddBinary(0x3701, Bytes("no name"));
  builder.AddAttachment(1).AddUnicode(0x3704, u"SHORT.TXT").AddUnicode(0x3001, u"Display").AddBinary(0x3701, {});
  const ConversionResult result = Convert(builder);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.attachment_files, 4);
  EXPECT_EQ(result.embedded_messages, 0);
  EXPECT_EQ(Listing(Folder()),
            (std::vector<std::string>{"Attachment 6", "SHORT.TXT", "data.bin", "visible.txt"}));
  EXPECT_EQ(Read(Folder() / "data.bin"), Text(EveryByte()));
  EXPECT_EQ(Read(Folder() / "SHORT.TXT"), "");
  ASSERT_EQ(notices_.size(), 1u);
  EXPECT_NE(notices_[0].find("\"empty-handed.txt\" holds no data"), std::string::npos);

  // The header names every attachment the sender added, links the saved ones, and leaves
  // the hidden one out; a by-reference one is named but not linked.
  const std::string document = Read(dir_ / "Report.doc");
  EXPECT_NE(document.find("{\\b Attachments:}\\tab {\\field{\\*\\fldinst HYPERLINK "
                          "\"Report%20attachments/data.bin\"}{\\fldrslt {\\ul\\cf1 data.bin}}}; "
                          "{\\field{\\*\\fldinst HYPERLINK \"Report%20attachments/visible.txt\"}{\\fldrslt {\\ul\\cf1 visible.txt}}}; "
                          "\\\\\\\\server\\\\share\\\\plan.xlsx; empty-handed.txt; "
                          "{\\field{\\*\\fldinst HYPERLINK \"Report%20attachments/Attachment%206\"}{\\fldrslt {\\ul\\cf1 Attachment 6}}}; "
                          "{\\field{\\*\\fldinst HYPERLINK \"Report%20attachments/SHORT.TXT\"}{\\fldrslt {\\ul\\cf1 SHORT.TXT}}}\\par"),
            std::string::npos) << document;
  EXPECT_EQ(document.find("hidden.ics"), std::string::npos);

  // Pictures the document shows are neither saved nor listed.
  const fs::path other = root_ / "shown";
  const std::vector<std::uint8_t> bytes = builder.Build();
  const SavedAttachments saved = SaveAttachments(*Message::Open(bytes), other, {}, {0, 1});
  EXPECT_EQ(saved.files, 3);
  EXPECT_FALSE(fs::exists(other / "data.bin"));
  EXPECT_EQ(std::count(saved.names.begin(), saved.names.end(), u"data.bin"), 0);
}

// A nameless attachment holding a whole MIME message (a signed message's content, by its
// type or its first header) is saved as one; other nameless data keeps the plain name.
TEST_F(SaveAttachmentsTest, NamelessMimeMessagesAreSavedAsEml) {
  MessageBuilder builder;
  builder.AddUnicode(0x1000, u"body");
  builder.AddAttachment(1).AddUnicode(0x370E, u"Multipart/Signed").AddBinary(0x3701, Bytes("Content-Type: x"));
  builder.AddAttachment(1).AddBinary(0x3701, Bytes("MIME-Version: 1.0\r\n"));
  builder.AddAttachment(1).AddUnicode(0x370E, u"message/rfc822").AddBinary(0x3701, Bytes("From: a"));
  builder.AddAttachment(1).AddUnicode(0x370E, u"text/plain").AddBinary(0x3701, Bytes("MIME"));
  builder.AddAttachment(1).AddUnicode(0x370E, u"multipart/signed").AddUnicode(0x3707, u"named.p7m")
      .AddBinary(0x3701, Bytes("x"));
  ASSERT_TRUE(Convert(builder).ok());
  EXPECT_EQ(Listing(Folder()), (std::vector<std::string>{"Attachment 1.eml", "Attachment 2.eml", "Attachment 3.eml",
                                                          "Attachment 4", "named.p7m"}));
  EXPECT_EQ(Read(Folder() / "Attachment 1.eml"), "Content-Type: x");
  EXPECT_NE(Read(dir_ / "Report.doc").find("{\\fldrslt {\\ul\\cf1 Attachment 1.eml}}"), std::string::npos);
}

TEST_F(SaveAttachmentsTest, HostileNamesNeverLeaveTheFolder) {
  const std::vector<std::u16string> hostile = {
      u"../../x", u"/etc/passwd", u"a/../../b", u"..", u".", u"dir\\..\\..\\c.txt",
      u"Report.PDF", u"report.pdf", u"a.txt", u"a (2).txt", u"a.txt",
      std::u16string(1996, u'L') + u".pdf", std::u16string(u"nul\0.txt", 8)};
  MessageBuilder builder;
  for (const std::u16string& name : hostile) AddFile(builder, name, Bytes("x"));
  const ConversionResult result = Convert(builder, false);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.attachment_files, static_cast<int>(hostile.size()));
  // Nothing outside the folder but the input and the document, nothing below it.
  for (const std::string& path : Listing(root_)) {
    const bool expected = path == "in.msg" || path == "out" || path == "out/Report.doc" ||
                          path == "out/Report attachments" ||
                          (path.starts_with("out/Report attachments/") &&
                           fs::relative(root_ / path, Folder()).generic_string().find('/') == std::string::npos &&
                           fs::is_regular_file(fs::symlink_status(root_ / path)));
    EXPECT_TRUE(expected) << path;
  }
  const std::vector<std::string> names = Listing(Folder());
  const std::set<std::string> expected = {
      "x", "passwd", "b", "Attachment 4", "Attachment 5", "c.txt", "Report.PDF", "report (2).pdf",
      "a.txt", "a (2).txt", "a (3).txt", std::string(251, 'L') + ".pdf", kWindowsNames ? "nul_ .txt" : "nul .txt"};
  EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), expected);
}

TEST_F(SaveAttachmentsTest, TenThousandAttachmentsOfOneNameGetNumbers) {
  MessageBuilder builder;
  for (int i = 0; i < 10000; ++i) AddFile(builder, u"../same.txt", Bytes(std::to_string(i)));
  const ConversionResult result = Convert(builder, false);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.attachment_files, 10000);
  EXPECT_EQ(Listing(root_).size(), 10000u + 4u);
  EXPECT_EQ(Read(Folder() / "same.txt"), "0");
  EXPECT_EQ(Read(Folder() / "same (10000).txt"), "9999");
}

TEST_F(SaveAttachmentsTest, ExistingFilesAndPlantedLinksAreLeftAlone) {
  fs::create_directories(Folder());
  std::ofstream(Folder() / "a.txt") << "mine";
  std::ofstream(root_ / "target") << "outside";
  // Windows makes symbolic links only with a privilege most users lack (and wine not at
  // all): the existing file is still tested there, the links where they can be made.
  std::error_code no_links;
  fs::create_symlink(root_ / "target", Folder() / "b.txt", no_links);
  if (!no_links) fs::create_symlink(root_ / "nowhere", Folder() / "c.txt");
  MessageBuilder builder;
  AddFile(builder, u"a.txt", Bytes("new a"));
  AddFile(builder, u"b.txt", Bytes("new b"));
  AddFile(builder, u"c.txt", Bytes("new c"));
  ASSERT_TRUE(Convert(builder).ok());
  EXPECT_EQ(Read(Folder() / "a.txt"), "mine");
  EXPECT_EQ(Read(Folder() / "a (2).txt"), "new a");
  EXPECT_NE(Read(dir_ / "Report.doc").find("Report%20attachments/a%20%282%29.txt"), std::string::npos);
  if (no_links) GTEST_SKIP() << "this system makes no symbolic links (" << no_links.message() << "): only the existing file tested";
  EXPECT_EQ(Read(root_ / "target"), "outside");
  EXPECT_FALSE(fs::exists(root_ / "nowhere"));
  EXPECT_EQ(Read(Folder() / "b (2).txt"), "new b");
  EXPECT_EQ(Read(Folder() / "c (2).txt"), "new c");

  // The folder itself a link (to a folder elsewhere) or a file: refused, nothing written.
  fs::create_directories(root_ / "elsewhere");
  fs::create_directory_symlink(root_ / "elsewhere", dir_ / "Linked attachments");
  ConversionResult linked = Convert(builder, true, true, "Linked.doc");
  EXPECT_EQ(linked.status, ConversionStatus::kIoError);
  EXPECT_NE(linked.message.find("symbolic link"), std::string::npos) << linked.message;
  EXPECT_TRUE(fs::is_empty(root_ / "elsewhere"));
  EXPECT_FALSE(fs::exists(dir_ / "Linked.doc"));
  std::ofstream(dir_ / "Plain attachments") << "a file";
  EXPECT_EQ(Convert(builder, true, true, "Plain.doc").status, ConversionStatus::kIoError);
  EXPECT_FALSE(fs::exists(dir_ / "Plain.doc"));
}

TEST_F(SaveAttachmentsTest, EmbeddedMessagesBecomeDocumentsAsDeepAsTheyNest) {
  MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1 outer}");
  StorageBuilder& first = builder.AddEmbeddedMessage();
  first.AddUnicode(0x0037, u"Re: plan/budget").AddUnicode(0x1000, u"first words");
  AddFile(first, u"inner.txt", Bytes("inner file"));
  StorageBuilder& second = first.AddEmbeddedMessage();
  second.AddUnicode(0x0037, u"Deeper").AddRtfBody("{\\rtf1 deeper words}");
  AddFile(second, u"deepest.txt", Bytes("deepest"));
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"Re: plan/budget").AddUnicode(0x1000, u"same subject");
  builder.LastAttachment().AddUnicode(0x3001, u"Shown as");
  builder.AddEmbeddedMessage().AddUnicode(0x1000, u"no subject");
  builder.LastAttachment().AddUnicode(0x3001, u"Forwarded.msg");
  builder.AddEmbeddedMessage().AddUnicode(0x1000, u"nothing to name it by");
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"hidden message");
  builder.LastAttachment().AddBoolean(0x7FFE, true);
  const ConversionResult result = Convert(builder);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.attachment_files, 2);
  EXPECT_EQ(result.embedded_messages, 5);
  // "Re: plan/budget" as a name, and as it is written in a link.
  const std::string re = kWindowsNames ? "Re_ plan_budget" : "Re: plan_budget";
  const std::string re_link = kWindowsNames ? "Re_%20plan_budget" : "Re%3A%20plan_budget";
  EXPECT_EQ(Listing(Folder()), (std::vector<std::string>{
                                   "Attachment 4.doc", "Forwarded.doc", re + " (2).doc", re + " attachments",
                                   re + " attachments/Deeper attachments",
                                   re + " attachments/Deeper attachments/deepest.txt",
                                   re + " attachments/Deeper.doc", re + " attachments/inner.txt", re + ".doc"}));
  const std::string inner = Read(Folder() / (re + ".doc"));
  EXPECT_NE(inner.find("first words"), std::string::npos);
  EXPECT_NE(inner.find("HYPERLINK \"" + re_link + "%20attachments/inner.txt\""), std::string::npos) << inner;
  EXPECT_NE(inner.find("HYPERLINK \"" + re_link + "%20attachments/Deeper.doc\""), std::string::npos);
  const std::string deeper = Read(Folder() / (re + " attachments") / "Deeper.doc");
  EXPECT_NE(deeper.find("deeper words"), std::string::npos);
  EXPECT_NE(deeper.find("HYPERLINK \"Deeper%20attachments/deepest.txt\""), std::string::npos);
  EXPECT_NE(Read(dir_ / "Report.doc").find("{\\fldrslt {\\ul\\cf1 Shown as}}"), std::string::npos);
  // The description (for a PDF of each document) puts every file and document under the
  // document it belongs to, in the order made.
  const DescribedDocument& own = result.described;
  EXPECT_EQ(own.path, dir_ / "Report.doc");
  EXPECT_TRUE(own.saved.empty());
  std::vector<fs::path> made;
  for (const DescribedDocument& document : own.embedded) made.push_back(document.path);
  EXPECT_EQ(made, (std::vector<fs::path>{Folder() / (re + ".doc"), Folder() / (re + " (2).doc"),
                                         Folder() / "Forwarded.doc", Folder() / "Attachment 4.doc"}));
  const DescribedDocument& plan = own.embedded.front();
  EXPECT_EQ(plan.facts.subject, "Re: plan/budget");
  EXPECT_EQ(plan.saved, std::vector<fs::path>{Folder() / (re + " attachments") / "inner.txt"});
  ASSERT_EQ(plan.embedded.size(), 1u);
  EXPECT_EQ(plan.embedded[0].path, Folder() / (re + " attachments") / "Deeper.doc");
  EXPECT_EQ(plan.embedded[0].facts.subject, "Deeper");
  EXPECT_EQ(plan.embedded[0].saved,
            std::vector<fs::path>{Folder() / (re + " attachments") / "Deeper attachments" / "deepest.txt"});
  EXPECT_TRUE(plan.embedded[0].embedded.empty());
  EXPECT_TRUE(own.embedded[1].saved.empty() && own.embedded[1].embedded.empty());

  // As deep as the reader allows: one document per level.
  MessageBuilder deep;
  StorageBuilder* level = &deep;
  for (int depth = 0; depth < Message::kMaxNesting; ++depth) {
    level = &level->AddEmbeddedMessage();
    level->AddUnicode(0x0037, u"L").AddUnicode(0x1000, u"level");
  }
  AddFile(*level, u"bottom.txt", Bytes("bottom"));
  const ConversionResult nested = Convert(deep, false, true, "Deep.doc");
  ASSERT_TRUE(nested.ok()) << nested.message;
  EXPECT_EQ(nested.embedded_messages, Message::kMaxNesting);
  fs::path bottom = dir_ / "Deep attachments";
  for (int depth = 0; depth < Message::kMaxNesting; ++depth) bottom /= "L attachments";
  EXPECT_EQ(Read(bottom / "bottom.txt"), "bottom");
  const DescribedDocument* described = &nested.described;
  for (int depth = 0; depth < Message::kMaxNesting; ++depth) {
    ASSERT_EQ(described->embedded.size(), 1u) << depth;
    EXPECT_TRUE(described->saved.empty()) << depth;
    described = &described->embedded.front();
  }
  EXPECT_EQ(described->saved, std::vector<fs::path>{bottom / "bottom.txt"});

  // A document whose name leaves no room for " attachments" keeps a shortened folder; its
  // files are still its own.
  MessageBuilder one;
  AddFile(one, u"kept.txt", Bytes("kept"));
  const ConversionResult longName = Convert(one, false, true, std::string(250, 'n') + ".doc");
  ASSERT_TRUE(longName.ok()) << longName.message;
  ASSERT_EQ(longName.described.saved.size(), 1u);
  EXPECT_EQ(Read(longName.described.saved[0]), "kept");
  EXPECT_NE(longName.described.saved[0].parent_path().filename().string(), std::string(250, 'n') + " attachments");
}

TEST_F(SaveAttachmentsTest, OleObjectsGiveThePackagedFileOrANote) {
  MessageBuilder builder;
  builder.AddObjectAttachment().AddRawStream(u"\x01Ole10Native",
                                             msgwriter::PackagedFileStream("Label", "C:\\Temp\\..\\sheet.xlsx", EveryByte()));
  builder.AddObjectAttachment().AddRawStream(u"\x01Ole10Native",
                                             msgwriter::PackagedFileStream("x", "y.txt", Bytes("named")));
  builder.LastAttachment().AddUnicode(0x3707, u"given.txt");
  builder.AddObjectAttachment().AddRawStream(u"CONTENTS", Bytes("a drawing"));
  builder.LastAttachment().AddUnicode(0x3001, u"Drawing");
  std::vector<std::uint8_t> cut = msgwriter::PackagedFileStream("l", "p", Bytes("data"));
  cut.resize(cut.size() - 1);
  builder.AddObjectAttachment().AddRawStream(u"\x01Ole10Native", cut);
  const ConversionResult result = Convert(builder);
  ASSERT_TRUE(result.ok()) << result.message;
  EXPECT_EQ(result.attachment_files, 2);
  EXPECT_EQ(Listing(Folder()), (std::vector<std::string>{"given.txt", "sheet.xlsx"}));
  EXPECT_EQ(Read(Folder() / "sheet.xlsx"), Text(EveryByte()));
  EXPECT_EQ(Read(Folder() / "given.txt"), "named");
  ASSERT_EQ(notices_.size(), 2u);
  EXPECT_NE(notices_[0].find("\"Drawing\" is an embedded object without a file"), std::string::npos);
  EXPECT_NE(notices_[1].find("\"Attachment 4\""), std::string::npos);
}

TEST_F(SaveAttachmentsTest, AFailurePartWayLeavesNothingThatLooksDone) {
  const std::string old_document = "an older document";
  std::ofstream(dir_ / "Report.doc") << old_document;
  // The second embedded message's body is damaged: found only while its document is
  // written, after a file and a whole embedded document were saved.
  MessageBuilder builder;
  AddFile(builder, u"first.txt", Bytes("first"));
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"Fine").AddUnicode(0x1000, u"fine");
  StorageBuilder& damaged = builder.AddEmbeddedMessage();
  std::vector<std::uint8_t> body = msgwriter::CompressRtf("{\\rtf1 damaged}");
  body.back() ^= 0xFF;
  damaged.AddUnicode(0x0037, u"Damaged").AddBinary(0x1009, body);
  AddFile(damaged, u"inside.txt", Bytes("inside"));
  ConversionResult result = Convert(builder);
  EXPECT_EQ(result.status, ConversionStatus::kDecodeError) << result.message;
  EXPECT_EQ(Listing(dir_), std::vector<std::string>{"Report.doc"});
  EXPECT_EQ(Read(dir_ / "Report.doc"), old_document);

  // In a folder that was there before, only this run's files go.
  fs::create_directories(Folder());
  std::ofstream(Folder() / "keep.txt") << "keep";
  EXPECT_FALSE(Convert(builder).ok());
  EXPECT_EQ(Listing(Folder()), std::vector<std::string>{"keep.txt"});

  // The document itself cannot be written (a folder has its name): the saved attachments go.
  MessageBuilder fine;
  AddFile(fine, u"first.txt", Bytes("first"));
  fs::create_directories(dir_ / "Taken.doc");
  result = Convert(fine, true, true, "Taken.doc");
  EXPECT_EQ(result.status, ConversionStatus::kIoError);
  EXPECT_FALSE(fs::exists(dir_ / "Taken attachments"));
}

TEST_F(SaveAttachmentsTest, OptionOffWritesNoFolderAndTheSameDocument) {
  MessageBuilder builder;
  builder.AddRtfBody("{\\rtf1\\ansi \x80 body}");
  AddFile(builder, u"a.txt", Bytes("a"));
  builder.AddEmbeddedMessage().AddUnicode(0x0037, u"inner");
  for (bool header : {false, true}) {
    ASSERT_TRUE(Convert(builder, header, false).ok());
    EXPECT_FALSE(fs::exists(Folder()));
    const std::vector<std::uint8_t> bytes = builder.Build();
    const std::vector<std::uint8_t> expected = ConvertMessage(bytes, {header});
    EXPECT_EQ(Read(dir_ / "Report.doc"), std::string(expected.begin(), expected.end()));
  }
  // Without the header block the document is the same whether attachments are saved or not.
  ASSERT_TRUE(Convert(builder, false, true).ok());
  EXPECT_EQ(Read(dir_ / "Report.doc"), "{\\rtf1\\ansi \x80 body}\r\n");
  // Nothing to save: no folder.
  MessageBuilder none;
  none.AddUnicode(0x1000, u"text");
  none.AddAttachment(2).AddUnicode(0x3707, u"by reference");
  ASSERT_TRUE(Convert(none, true, true, "None.doc").ok());
  EXPECT_FALSE(fs::exists(dir_ / "None attachments"));
}

}  // namespace
}  // namespace quorlin
