// The renderer and archiver with the real LibreOffice: what a PDF shows (pdftotext,
// pdfimages), what it holds (qpdf), and a document that keeps Writer busy past its limit.
// Skipped, saying so, where LibreOffice is not installed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "msgwriter/message_builder.h"
#include "pdf/pdf_archiver.h"
#include "pdf/pdf_renderer.h"
#include "pdf/pdf_test_files.h"
#include "support/temp_tree.h"

namespace {

using lorvane_pdf::PdfRenderer;
using pdf_testing::Quote;
using pdf_testing::ReadFile;
using pdf_testing::Shell;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

// The sockets of this process's offices, which must never outlive their renderer.
std::vector<std::string> OwnSockets() {
  const std::string prefix = "OSL_PIPE_" + std::to_string(::getuid()) + "_lorvane_pdf_" + std::to_string(::getpid()) + "_";
  std::vector<std::string> found;
  for (const auto& entry : fs::directory_iterator("/tmp")) {
    if (entry.path().filename().string().rfind(prefix, 0) == 0) found.push_back(entry.path().string());
  }
  return found;
}

TEST(OfficeRender, ADocumentsWordsAndPicturesReachThePdf) {
  PDF_REQUIRE_OFFICE();
  TempTree tree;
  pdf_testing::WriteFile(tree.Path("words.doc"),
                         pdf_testing::TextDocument("Quarterly figures for Nordh\\u229?lm, page one"));
  pdf_testing::WriteFile(tree.Path("picture.doc"), pdf_testing::PictureDocument());
  PdfRenderer renderer;
  std::string failure;
  ASSERT_TRUE(renderer.Render(tree.Path("words.doc"), tree.Path("words.pdf"), 60s, failure)) << failure;
  ASSERT_TRUE(renderer.Render(tree.Path("picture.doc"), tree.Path("picture.pdf"), 60s, failure)) << failure;
  EXPECT_THAT(Shell("pdftotext " + Quote(tree.Path("words.pdf")) + " -"), HasSubstr("Quarterly figures for Nordhålm"));
  const std::string images = Shell("pdfimages -list " + Quote(tree.Path("picture.pdf")));
  EXPECT_EQ(std::count(images.begin(), images.end(), '\n'), 3) << images;  // two heading lines, one picture
  EXPECT_THAT(pdf_testing::XmpOf(tree.Path("words.pdf")), HasSubstr("<pdfaid:part>3</pdfaid:part>"));
  // Fonts are embedded, as PDF/A needs: pdffonts' "emb" column says yes for each.
  const std::string fonts = Shell("pdffonts " + Quote(tree.Path("words.pdf")));
  EXPECT_THAT(fonts, HasSubstr(" yes ")) << fonts;
  EXPECT_THAT(fonts, Not(HasSubstr(" no  "))) << fonts;
  // With a paper every page takes it, whatever the document states (Letter here).
  pdf_testing::WriteFile(tree.Path("letter.doc"), "{\\rtf1\\paperw12240\\paperh15840 on Letter\\page two}");
  ASSERT_TRUE(renderer.Render(tree.Path("letter.doc"), tree.Path("a4.pdf"), 60s, failure, lorvane_pdf::PaperMillimetres{21000, 29700}))
      << failure;
  const std::string info = Shell("pdfinfo -l 2 " + Quote(tree.Path("a4.pdf")));
  EXPECT_THAT(info, HasSubstr("Page    1 size:  595.304 x 841.89 pts (A4)")) << info;
  EXPECT_THAT(info, HasSubstr("Page    2 size:  595.304 x 841.89 pts (A4)")) << info;
  // Read only: no lock file beside the documents.
  for (const auto& entry : fs::directory_iterator(tree.Root())) {
    EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".~lock")));
  }
}

// What LibreOffice lacks a font for or misreads in a kept RTF body reaches the PDF: a Korean
// line drawn from a font for it that the PDF embeds, Outlook's code page 1252 escapes in a
// document that says UTF-8, and a Word 6 Symbol bullet in a Traditional Chinese document.
TEST(OfficeRender, CharactersWithoutAFontOrMisreadShowInThePdf) {
  PDF_REQUIRE_OFFICE();
  const std::string korean = Shell("fc-list :lang=ko family");
  if (korean.empty()) GTEST_SKIP() << "skipped, no font for Korean is installed (tools/deps.sh installs fonts-wqy-microhei)";
  TempTree tree;
  pdf_testing::WriteFile(tree.Path("korean.doc"),
                         "{\\rtf1\\ansi\\ansicpg65001\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0 "
                         "Greeting: \\u54620?\\u44397?\\u50612?\\par Regards\\line {\\*\\htmltag84 &nbsp;}"
                         "\\htmlrtf \\'a0\\'a0\\htmlrtf0 Alec\\par}");
  pdf_testing::WriteFile(tree.Path("bullets.doc"),
                         "{\\rtf1\\ansi\\ansicpg950\\deff0{\\fonttbl{\\f0\\fnil\\fcharset136 MingLiU;}"
                         "{\\f6\\fnil\\fcharset2 Symbol;}}\\f0 {\\pntext\\f6\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf6"
                         "\\pnindent0{\\pntxtb\\'B7}}\\fi-200\\li200 First point\\par}");
  PdfRenderer renderer;
  std::string failure;
  ASSERT_TRUE(renderer.Render(tree.Path("korean.doc"), tree.Path("korean.pdf"), 60s, failure)) << failure;
  ASSERT_TRUE(renderer.Render(tree.Path("bullets.doc"), tree.Path("bullets.pdf"), 60s, failure)) << failure;
  const std::string words = Shell("pdftotext " + Quote(tree.Path("korean.pdf")) + " -");
  EXPECT_THAT(words, HasSubstr("Greeting: \xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"));  // 한국어
  EXPECT_THAT(words, HasSubstr("Alec"));
  EXPECT_THAT(words, Not(HasSubstr("\xEF\xBF\xBD")));  // U+FFFD, no character read
  // The Korean words come from one of the fonts for Korean, embedded (not boxes of a font
  // without them).
  const std::string fonts = Shell("pdffonts " + Quote(tree.Path("korean.pdf")));
  bool embedded = false;
  std::size_t line = 0;
  while (line < korean.size()) {
    const std::size_t end = std::min(korean.find('\n', line), korean.size());
    std::string family = korean.substr(line, std::min(korean.find(',', line), end) - line);
    family.erase(std::remove(family.begin(), family.end(), ' '), family.end());
    if (!family.empty() && fonts.find("+" + family) != std::string::npos) embedded = true;
    line = end + 1;
  }
  EXPECT_TRUE(embedded) << fonts << "\nfonts for Korean:\n" << korean;
  const std::string bullets = Shell("pdftotext " + Quote(tree.Path("bullets.pdf")) + " -");
  EXPECT_THAT(bullets, HasSubstr("\xE2\x80\xA2 First point"));  // •
  EXPECT_THAT(bullets, Not(HasSubstr("\xEF\xBF\xBD")));
}

TEST(OfficeRender, AHugeTableFailsWithinItsLimitLeavingNothingAndTheNextDocumentRenders) {
  PDF_REQUIRE_OFFICE();
  TempTree tree;
  tree.Folder("work");
  pdf_testing::WriteFile(tree.Path("huge.doc"), pdf_testing::TableDocument(20000));
  pdf_testing::WriteFile(tree.Path("small.doc"), pdf_testing::TextDocument("After the table"));
  lorvane_pdf::RendererSettings settings;
  settings.temporaryParent = tree.Path("work");
  {
    PdfRenderer renderer(settings);
    std::string failure;
    ASSERT_TRUE(renderer.Start(failure)) << failure;
    const auto begun = std::chrono::steady_clock::now();
    EXPECT_FALSE(renderer.Render(tree.Path("huge.doc"), tree.Path("huge.pdf"), 2s, failure));
    EXPECT_LT(std::chrono::steady_clock::now() - begun, 8s);
    EXPECT_EQ(failure, "LibreOffice took longer than 2 seconds to make the PDF");
    EXPECT_FALSE(fs::exists(tree.Path("huge.pdf")));
    ASSERT_TRUE(renderer.Render(tree.Path("small.doc"), tree.Path("small.pdf"), 60s, failure)) << failure;
    EXPECT_THAT(Shell("pdftotext " + Quote(tree.Path("small.pdf")) + " -"), HasSubstr("After the table"));
  }
  EXPECT_TRUE(fs::is_empty(tree.Path("work")));
  EXPECT_THAT(OwnSockets(), ::testing::IsEmpty());
}

// A message as the run treats it: converted by Quorlin, rendered, then archived with the
// message itself, two attachments and an embedded message's own PDF.
TEST(OfficeRender, AMessageBecomesOneArchivalFileHoldingItsFilesByteForByte) {
  PDF_REQUIRE_OFFICE();
  TempTree tree;
  msgwriter::MessageBuilder message;
  message.AddRtfBody("{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Liberation Sans;}}\\f0 Minutes of the harbour meeting\\par}");
  const std::vector<std::uint8_t> bytes = message.Build();
  pdf_testing::WriteFile(tree.Path("Meeting.msg"), std::string(bytes.begin(), bytes.end()));
  int status = -1;
  Shell(std::string(QUORLIN_EXE) + " " + Quote(tree.Path("Meeting.msg")) + " " + Quote(tree.Path("Meeting.doc")), &status);
  ASSERT_EQ(status, 0);
  tree.Folder("Meeting attachments");
  std::string binary;
  for (int i = 0; i < 70000; ++i) binary += static_cast<char>((i * 131) & 0xFF);
  pdf_testing::WriteFile(tree.Path("Meeting attachments/agenda.txt"), "1. Harbour\r\n2. Dues\r\n");
  pdf_testing::WriteFile(tree.Path("Meeting attachments/chart.bin"), binary);
  pdf_testing::WriteFile(tree.Path("inner.doc"), pdf_testing::TextDocument("The forwarded note"));

  PdfRenderer renderer;
  std::string failure;
  ASSERT_TRUE(renderer.Render(tree.Path("inner.doc"), tree.Path("inner.rendered.pdf"), 60s, failure)) << failure;
  lorvane_pdf::ArchiveInput inner;
  inner.renderedPdf = tree.Path("inner.rendered.pdf");
  inner.target = tree.Path("Meeting attachments/Forwarded note.pdf");
  inner.message = {tree.Path("Meeting.msg"), "Forwarded note.msg"};
  ASSERT_TRUE(lorvane_pdf::Archive(inner, failure)) << failure;

  ASSERT_TRUE(renderer.Render(tree.Path("Meeting.doc"), tree.Path("Meeting.rendered.pdf"), 60s, failure)) << failure;
  lorvane_pdf::ArchiveInput in;
  in.renderedPdf = tree.Path("Meeting.rendered.pdf");
  in.target = tree.Path("Meeting.pdf");
  in.subject = "Harbour meeting";
  in.sender = "Ines Valk";
  in.message = {tree.Path("Meeting.msg"), ""};
  in.attachments = {{tree.Path("Meeting attachments/agenda.txt"), "agenda.txt"},
                    {tree.Path("Meeting attachments/chart.bin"), "chart.bin"}};
  in.embeddedPdfs = {{tree.Path("Meeting attachments/Forwarded note.pdf"), "Forwarded note.pdf"}};
  ASSERT_TRUE(lorvane_pdf::Archive(in, failure)) << failure;

  const std::string pdf = Quote(tree.Path("Meeting.pdf"));
  EXPECT_THAT(Shell("pdftotext " + pdf + " -"), HasSubstr("Minutes of the harbour meeting"));
  const std::string listed = Shell("qpdf --list-attachments " + pdf);
  for (const char* name : {"Meeting.msg", "agenda.txt", "chart.bin", "Forwarded note.pdf"}) {
    EXPECT_THAT(listed, HasSubstr(std::string(name) + " ->")) << listed;
  }
  EXPECT_EQ(Shell("qpdf --show-attachment=Meeting.msg " + pdf), ReadFile(tree.Path("Meeting.msg")));
  EXPECT_EQ(Shell("qpdf --show-attachment=chart.bin " + pdf), binary);
  EXPECT_EQ(Shell("qpdf --show-attachment=agenda.txt " + pdf), "1. Harbour\r\n2. Dues\r\n");
  EXPECT_EQ(Shell("qpdf --show-attachment='Forwarded note.pdf' " + pdf),
            ReadFile(tree.Path("Meeting attachments/Forwarded note.pdf")));
  const std::string xmp = pdf_testing::XmpOf(tree.Path("Meeting.pdf"));
  EXPECT_THAT(xmp, HasSubstr("<pdfaid:part>3</pdfaid:part>"));
  EXPECT_THAT(xmp, HasSubstr("<pdfaid:conformance>B</pdfaid:conformance>"));
  EXPECT_THAT(xmp, HasSubstr("Harbour meeting"));
  EXPECT_EQ(Shell("qpdf --check " + pdf + " >/dev/null 2>&1; echo $?"), "0\n");
}

}  // namespace
