// The renderer's handling of a renderer that hangs, crashes, is stopped or is missing,
// against a stand-in bridge (a shell script that speaks the bridge's exchange), so these
// run in a fraction of a second with or without LibreOffice.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "pdf/bridge_words.h"
#include "pdf/office_location.h"
#include "pdf/pdf_renderer.h"
#include "pdf/pdf_test_files.h"
#include "support/temp_tree.h"

namespace {

using lorvane_pdf::PdfRenderer;
using lorvane_pdf::RendererSettings;
using pdf_testing::ReadFile;
using ::testing::HasSubstr;
using namespace std::chrono_literals;
namespace fs = std::filesystem;
using namespace lorvane_pdf::bridge_word;

std::string Word(std::string_view word) { return std::string(word); }

// Counts its starts in "starts"; a document named *hang* never gets an answer, *crash*
// ends the bridge by SIGSEGV, *refuse* gets "failed", any other a small PDF.
class StandInTest : public ::testing::Test {
 protected:
  StandInTest() {
    tree.Folder("work");
    tree.File("bridge.sh",
              "echo start >> " + pdf_testing::Quote(tree.Path("starts")) +
                  "\n"
                  "printf '" + Word(kReady) + "\\0\\0'\n"
                  "while IFS= read -r -d '' doc && IFS= read -r -d '' pdf && IFS= read -r -d '' paper; do\n"
                  "  case \"$doc\" in\n"
                  "    *hang*) sleep 600 ;;\n"
                  "    *crash*) kill -SEGV $$ ;;\n"
                  "    *refuse*) printf '" + Word(kFailed) + "\\0no filter for this\\0' ;;\n"
                  "    *) printf '%%PDF-1.7 stand-in\\n' > \"$pdf\"; printf '" + Word(kOk) + "\\0\\0' ;;\n"
                  "  esac\n"
                  "done\n");
    for (const char* name : {"a.doc", "hang.doc", "crash.doc", "refuse.doc"}) tree.File(name, "{\\rtf1 x}");
    settings.office = "/bin/true";
    settings.bridge = {"/bin/bash", tree.Path("bridge.sh")};
    settings.temporaryParent = tree.Path("work");
  }

  int Starts() const {
    const std::string text = ReadFile(tree.Path("starts"));
    return static_cast<int>(std::count(text.begin(), text.end(), '\n'));
  }

  TempTree tree;
  RendererSettings settings;
};

TEST_F(StandInTest, ADocumentPastItsLimitFailsInTimeAndTheNextGetsAFreshRenderer) {
  PdfRenderer renderer(settings);
  std::string failure;
  ASSERT_TRUE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure)) << failure;
  tree.File("hang.pdf", "kept");
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_FALSE(renderer.Render(tree.Path("hang.doc"), tree.Path("hang.pdf"), 300ms, failure));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, 3s);
  EXPECT_EQ(failure, "LibreOffice took longer than 0.3 seconds to make the PDF");
  EXPECT_EQ(ReadFile(tree.Path("hang.pdf")), "kept");  // the caller's file stays as it was
  ASSERT_TRUE(renderer.Render(tree.Path("a.doc"), tree.Path("b.pdf"), 5s, failure)) << failure;
  EXPECT_EQ(Starts(), 2);
  EXPECT_EQ(ReadFile(tree.Path("b.pdf")), "%PDF-1.7 stand-in\n");
}

TEST_F(StandInTest, ACrashFailsThatDocumentAndARefusalKeepsTheRenderer) {
  PdfRenderer renderer(settings);
  std::string failure;
  EXPECT_FALSE(renderer.Render(tree.Path("crash.doc"), tree.Path("crash.pdf"), 5s, failure));
  EXPECT_THAT(failure, HasSubstr("LibreOffice ended while making the PDF"));
  EXPECT_THAT(failure, HasSubstr("signal 11"));
  EXPECT_FALSE(fs::exists(tree.Path("crash.pdf")));
  EXPECT_FALSE(renderer.Render(tree.Path("refuse.doc"), tree.Path("refuse.pdf"), 5s, failure));
  EXPECT_EQ(failure, "LibreOffice could not make a PDF of the document: no filter for this");
  EXPECT_TRUE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure)) << failure;
  EXPECT_EQ(Starts(), 2);  // one after the crash, none after the refusal
}

TEST_F(StandInTest, CancelEndsTheRenderUnderWayAtOnceAndEveryLaterOne) {
  PdfRenderer renderer(settings);
  std::string failure;
  ASSERT_TRUE(renderer.Start(failure)) << failure;
  std::thread stopper([&renderer] {
    std::this_thread::sleep_for(200ms);
    renderer.Cancel();
  });
  const auto begun = std::chrono::steady_clock::now();
  EXPECT_FALSE(renderer.Render(tree.Path("hang.doc"), tree.Path("hang.pdf"), 60s, failure));
  EXPECT_LT(std::chrono::steady_clock::now() - begun, 5s);
  stopper.join();
  EXPECT_EQ(failure, "the run was stopped");
  EXPECT_FALSE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure));
  EXPECT_EQ(failure, "the run was stopped");
  EXPECT_EQ(Starts(), 1);
}

TEST_F(StandInTest, NothingIsLeftInThePrivateFolderOrBesideTheDocuments) {
  std::string folder;
  {
    PdfRenderer renderer(settings);
    std::string failure;
    ASSERT_TRUE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure)) << failure;
    folder = renderer.Folder();
    EXPECT_TRUE(fs::is_directory(folder + "/tmp"));
    EXPECT_FALSE(renderer.Render(tree.Path("hang.doc"), tree.Path("hang.pdf"), 200ms, failure));
  }
  EXPECT_FALSE(fs::exists(folder));
  EXPECT_TRUE(fs::is_empty(tree.Path("work")));
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(tree.Root())) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_THAT(names, ::testing::ElementsAre("a.doc", "a.pdf", "bridge.sh", "crash.doc", "hang.doc", "refuse.doc",
                                            "starts", "work"));
}

TEST_F(StandInTest, WhatCannotStartFailsWithOneSentence) {
  std::string failure;
  {
    ::setenv("LORVANE_SOFFICE", tree.Path("no-such-office").c_str(), 1);
    EXPECT_EQ(lorvane_pdf::FindLibreOffice(), "");
    EXPECT_EQ(lorvane_pdf::OfficeMissingReason(), lorvane_pdf::MissingLibreOfficeReason());
    RendererSettings missing = settings;
    missing.office.clear();
    PdfRenderer renderer(missing);
    EXPECT_FALSE(renderer.Start(failure));
    EXPECT_EQ(failure, "PDF documents need LibreOffice Writer: install the package libreoffice-writer-nogui.");
    EXPECT_FALSE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure));
    EXPECT_EQ(failure, lorvane_pdf::MissingLibreOfficeReason());
    ::unsetenv("LORVANE_SOFFICE");
  }
  RendererSettings broken = settings;
  broken.bridge = {tree.Path("no-such-bridge")};
  PdfRenderer renderer(broken);
  EXPECT_FALSE(renderer.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure));
  EXPECT_EQ(failure, "LibreOffice could not start: No such file or directory");
  EXPECT_FALSE(renderer.Render(tree.Path("missing.doc"), tree.Path("a.pdf"), 5s, failure));
  EXPECT_THAT(failure, HasSubstr("cannot read " + tree.Path("missing.doc")));

  // No private folder can be made: nothing starts. A PDF made but not movable to its
  // target: that document fails and the renderer stays.
  RendererSettings homeless = settings;
  homeless.temporaryParent = tree.Path("no-such-folder");
  PdfRenderer nowhere(homeless);
  EXPECT_FALSE(nowhere.Start(failure));
  EXPECT_EQ(failure, "cannot make a temporary folder in " + tree.Path("no-such-folder") + ": No such file or directory");
  PdfRenderer working(settings);
  EXPECT_FALSE(working.Render(tree.Path("a.doc"), tree.Path("gone/a.pdf"), 5s, failure));
  EXPECT_EQ(failure, "cannot write " + tree.Path("gone/a.pdf") + ": No such file or directory");
  ASSERT_TRUE(working.Render(tree.Path("a.doc"), tree.Path("a.pdf"), 5s, failure)) << failure;
  EXPECT_EQ(Starts(), 1);
}

}  // namespace
