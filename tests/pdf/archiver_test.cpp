// The archiver over a plain PDF made with libqpdf: what the final file carries (associated
// files and their dictionaries, metadata in XMP and Info alike) and how it is written
// (never over a file unless told, nothing at all when an input fails).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <sys/stat.h>

#include <filesystem>

#include "pdf/pdf_archiver.h"
#include "pdf/pdf_test_files.h"
#include "support/temp_tree.h"

namespace {

using lorvane_pdf::Archive;
using lorvane_pdf::ArchiveInput;
using pdf_testing::Quote;
using pdf_testing::ReadFile;
using pdf_testing::Shell;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;
namespace fs = std::filesystem;

class ArchiverTest : public ::testing::Test {
 protected:
  ArchiverTest() {
    pdf_testing::WritePlainPdf(tree.Path("rendered.pdf"));
    std::string msg;
    for (int i = 0; i < 100000; ++i) msg += static_cast<char>((i * 7919) >> 3);
    tree.File("Report.msg", msg);
    tree.File("a.txt", "first attachment\n");
    tree.File("b/a.txt", "second attachment, same name\n");
    pdf_testing::WritePlainPdf(tree.Path("inner.pdf"));
    in.renderedPdf = tree.Path("rendered.pdf");
    in.target = tree.Path("Report.pdf");
    in.message = {tree.Path("Report.msg"), ""};
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(tree.Root())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  TempTree tree;
  ArchiveInput in;
  std::string failure;
};

TEST_F(ArchiverTest, CarriesEachFileByteForByteWithItsRelationshipAndType) {
  in.attachments = {{tree.Path("a.txt"), "a.txt"}, {tree.Path("b/a.txt"), "a.txt"}};
  in.embeddedPdfs = {{tree.Path("inner.pdf"), "Forwarded.pdf"}};
  ASSERT_TRUE(Archive(in, failure)) << failure;
  const std::string pdf = Quote(in.target);
  EXPECT_EQ(Shell("qpdf --show-attachment=Report.msg " + pdf), ReadFile(tree.Path("Report.msg")));
  EXPECT_EQ(Shell("qpdf --show-attachment=a.txt " + pdf), "first attachment\n");
  EXPECT_EQ(Shell("qpdf --show-attachment='a (2).txt' " + pdf), "second attachment, same name\n");
  EXPECT_EQ(Shell("qpdf --show-attachment=Forwarded.pdf " + pdf), ReadFile(tree.Path("inner.pdf")));

  QPDF result;
  result.processFile(in.target.c_str());
  QPDFObjectHandle af = result.getRoot().getKey("/AF");
  ASSERT_TRUE(af.isArray());
  std::vector<std::string> seen;
  for (QPDFObjectHandle spec : af.aitems()) {
    ASSERT_TRUE(spec.isIndirect());
    QPDFObjectHandle stream = spec.getKey("/EF").getKey("/F");
    QPDFObjectHandle params = stream.getDict().getKey("/Params");
    seen.push_back(spec.getKey("/UF").getUTF8Value() + " " + spec.getKey("/AFRelationship").getName() + " " +
                   stream.getDict().getKey("/Subtype").getName() + " " +
                   std::to_string(params.getKey("/Size").getIntValue()));
    EXPECT_TRUE(spec.getKey("/F").isString());
    EXPECT_TRUE(params.getKey("/ModDate").isString());
    EXPECT_EQ(params.getKey("/CheckSum").getStringValue().size(), 16u);
  }
  const auto inner = static_cast<long long>(fs::file_size(tree.Path("inner.pdf")));
  EXPECT_THAT(seen, ElementsAre("Report.msg /Source /application/vnd.ms-outlook 100000", "a.txt /Data /text/plain 17",
                                "a (2).txt /Data /text/plain 29",
                                "Forwarded.pdf /Data /application/pdf " + std::to_string(inner)));
}

TEST_F(ArchiverTest, StatesPdfA3bAndTheMessagesFactsAlikeInXmpAndInfo) {
  in.subject = "Q3 <budget> & \"plans\"";
  in.sender = "Zo\xC3\xAB Ruiz";
  in.sent = std::chrono::system_clock::from_time_t(1614834367);  // 2021-03-04 05:06:07 UTC
  ASSERT_TRUE(Archive(in, failure)) << failure;
  const std::string xmp = pdf_testing::XmpOf(in.target);
  EXPECT_THAT(xmp, HasSubstr("<pdfaid:part>3</pdfaid:part>"));
  EXPECT_THAT(xmp, HasSubstr("<pdfaid:conformance>B</pdfaid:conformance>"));
  EXPECT_THAT(xmp, HasSubstr("<rdf:li xml:lang=\"x-default\">Q3 &lt;budget&gt; &amp; &quot;plans&quot;</rdf:li>"));
  EXPECT_THAT(xmp, HasSubstr("<dc:creator><rdf:Seq><rdf:li>Zo\xC3\xAB Ruiz</rdf:li></rdf:Seq></dc:creator>"));
  EXPECT_THAT(xmp, HasSubstr("<xmp:CreateDate>2021-03-04T05:06:07Z</xmp:CreateDate>"));

  QPDF result;
  result.processFile(in.target.c_str());
  QPDFObjectHandle info = result.getTrailer().getKey("/Info");
  EXPECT_EQ(info.getKey("/Title").getUTF8Value(), in.subject);
  EXPECT_EQ(info.getKey("/Author").getUTF8Value(), in.sender);
  EXPECT_EQ(info.getKey("/CreationDate").getUTF8Value(), "D:20210304050607Z");
  // The packet stays readable to archive checkers: no filter on the metadata stream.
  EXPECT_FALSE(result.getRoot().getKey("/Metadata").getDict().hasKey("/Filter"));
  EXPECT_THAT(Shell("qpdf --check " + Quote(in.target) + " 2>&1"), HasSubstr("No syntax or stream encoding errors"));
}

TEST_F(ArchiverTest, ASendersTextCannotBreakTheMetadata) {
  in.subject = std::string("bell\x07 bad\xFF end\xEF\xBF\xBE") + "\x1B]0;title\x07";
  in.sender = std::string(10000, 'x');
  ASSERT_TRUE(Archive(in, failure)) << failure;
  const std::string xmp = pdf_testing::XmpOf(in.target);
  EXPECT_THAT(xmp, HasSubstr("bell bad\xEF\xBF\xBD end]0;title"));
  EXPECT_THAT(xmp, Not(HasSubstr("\x07")));
  EXPECT_THAT(xmp, Not(HasSubstr("\xEF\xBF\xBE")));
  EXPECT_THAT(xmp, HasSubstr("<rdf:li>" + std::string(4096, 'x') + "</rdf:li>"));
  QPDF result;
  result.processFile(in.target.c_str());
  EXPECT_EQ(result.getTrailer().getKey("/Info").getKey("/Title").getUTF8Value(), "bell bad\xEF\xBF\xBD end]0;title");
}

TEST_F(ArchiverTest, NeverReplacesAFileUnlessTold) {
  tree.File("Report.pdf", "someone's file");
  EXPECT_FALSE(Archive(in, failure));
  EXPECT_EQ(failure, in.target + " exists already");
  EXPECT_EQ(ReadFile(in.target), "someone's file");
  in.replace = true;
  ASSERT_TRUE(Archive(in, failure)) << failure;
  EXPECT_EQ(ReadFile(in.target).substr(0, 5), "%PDF-");
  EXPECT_THAT(Names(), ElementsAre("Report.msg", "Report.pdf", "a.txt", "b", "inner.pdf", "rendered.pdf"));
}

// A PDF over an older file keeps that file's permissions; a new one gets those of any file
// the user makes, the group's write permission included when the umask allows it.
TEST_F(ArchiverTest, AReplacedFilesPermissionsAreKeptAndANewFileTakesTheUmasks) {
  tree.File("Report.pdf", "someone's file");
  tree.Mode("Report.pdf", 0640);
  in.replace = true;
  const mode_t mask = ::umask(002);
  const bool replaced = Archive(in, failure);
  in.target = tree.Path("New.pdf");
  in.replace = false;
  const bool made = Archive(in, failure);
  ::umask(mask);
  ASSERT_TRUE(replaced && made) << failure;
  struct stat old {}, fresh {};
  ASSERT_EQ(::stat(tree.Path("Report.pdf").c_str(), &old), 0);
  ASSERT_EQ(::stat(tree.Path("New.pdf").c_str(), &fresh), 0);
  EXPECT_EQ(old.st_mode & 07777, 0640u);
  EXPECT_EQ(fresh.st_mode & 07777, 0664u);
  EXPECT_EQ(ReadFile(tree.Path("Report.pdf")).substr(0, 5), "%PDF-");
}

TEST_F(ArchiverTest, AnInputThatFailsWritesNothing) {
  in.attachments = {{tree.Path("gone.txt"), "gone.txt"}};
  EXPECT_FALSE(Archive(in, failure));
  EXPECT_THAT(failure, HasSubstr("cannot read " + tree.Path("gone.txt")));
  in.attachments.clear();
  tree.File("broken.pdf", "%PDF-1.7 and nothing else");
  in.renderedPdf = tree.Path("broken.pdf");
  EXPECT_FALSE(Archive(in, failure));
  EXPECT_THAT(failure, HasSubstr("cannot make the PDF " + in.target));
  EXPECT_THAT(Names(), ElementsAre("Report.msg", "a.txt", "b", "broken.pdf", "inner.pdf", "rendered.pdf"));
}

// The rendered PDF's links to files beside the document: one naming a carried file (an
// attachment, an embedded message's document) in the attachments folder opens it from
// inside the PDF, one naming nothing carried there is gone, a web link stays. Every stream has an end of line before its
// "endstream", as PDF/A-2 and -3 ask.
TEST_F(ArchiverTest, LinksToFilesBesideTheDocumentLeadToTheCarriedFiles) {
  {
    QPDF pdf;
    pdf.processFile(in.renderedPdf.c_str());
    QPDFObjectHandle annotations = QPDFObjectHandle::newArray();
    for (const std::string uri : {"file:///tmp/job/Report%20attachments/a.txt", "file:///tmp/job/Report%20attachments/Note.doc",
                                  "file:///tmp/job/Report%20attachments/gone.txt", "file:///home/ines/a.txt",
                                  "https://example.org/"}) {
      annotations.appendItem(pdf.makeIndirectObject(QPDFObjectHandle::parse(
          "<< /Type /Annot /Subtype /Link /Rect [10 10 60 20] /Border [0 0 0] /A << /S /URI /URI (" + uri + ") >> >>")));
    }
    QPDFPageDocumentHelper(pdf).getAllPages().at(0).getObjectHandle().replaceKey("/Annots", annotations);
    const std::string linked = tree.Path("linked.pdf");  // the writer keeps the name's pointer
    QPDFWriter writer(pdf, linked.c_str());
    writer.write();
  }
  in.renderedPdf = tree.Path("linked.pdf");
  in.attachments = {{tree.Path("a.txt"), "a.txt", {}}};
  in.embeddedPdfs = {{tree.Path("inner.pdf"), "Note.pdf", "Note.doc"}};
  ASSERT_TRUE(Archive(in, failure)) << failure;

  QPDF result;
  result.processFile(in.target.c_str());
  std::vector<std::string> seen;
  for (QPDFObjectHandle annotation :
       QPDFPageDocumentHelper(result).getAllPages().at(0).getObjectHandle().getKey("/Annots").aitems()) {
    const std::string subtype = annotation.getKey("/Subtype").getName();
    if (subtype == "/FileAttachment") {
      seen.push_back(subtype + " " + annotation.getKey("/FS").getKey("/UF").getUTF8Value());
      EXPECT_TRUE(annotation.getKey("/AP").getKey("/N").isStream());
      EXPECT_EQ(annotation.getKey("/F").getIntValue(), 4);
      EXPECT_FALSE(annotation.hasKey("/A"));
    } else {
      seen.push_back(subtype + " " + annotation.getKey("/A").getKey("/URI").getUTF8Value());
    }
  }
  EXPECT_THAT(seen, ElementsAre("/FileAttachment a.txt", "/FileAttachment Note.pdf", "/Link https://example.org/"));

  const std::string bytes = ReadFile(in.target);
  std::size_t streams = 0;
  for (std::size_t at = bytes.find("endstream"); at != std::string::npos; at = bytes.find("endstream", at + 1)) {
    ++streams;
    EXPECT_TRUE(bytes[at - 1] == '\n' || bytes[at - 1] == '\r') << "at " << at;
  }
  EXPECT_GE(streams, 4u);
}

}  // namespace
