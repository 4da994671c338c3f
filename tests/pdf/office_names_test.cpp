// Names the PDF layer must get exactly right: the sockets LibreOffice makes (or a killed
// office's would stay in /tmp), the MIME types associated files are declared with, and the
// words the bridge answers with.
#include <gtest/gtest.h>
#include <unistd.h>

#include "pdf/bridge_script.h"
#include "pdf/bridge_words.h"
#include "pdf/mime_types.h"
#include "pdf/office_pipes.h"

namespace {

using lorvane_pdf::MimeTypeForName;

TEST(OfficeNames, SocketsAreNamedAsLibreOfficeNamesThem) {
  // The digest LibreOffice 7.4 gave the profile file:///tmp/pdfw/t2/profile.
  const std::string url = lorvane_pdf::ProfileUrl("/tmp/pdfw/t2/profile");
  EXPECT_EQ(url, "file:///tmp/pdfw/t2/profile");
  const std::string uid = std::to_string(::getuid());
  EXPECT_EQ(lorvane_pdf::OfficeSockets(url, "lorvane_pdf_1_1"),
            (std::vector<std::string>{"/tmp/OSL_PIPE_" + uid + "_lorvane_pdf_1_1",
                                      "/tmp/OSL_PIPE_" + uid + "_SingleOfficeIPC_c192a0d640803956d982262d5010f5ab",
                                      "/var/tmp/OSL_PIPE_" + uid + "_lorvane_pdf_1_1",
                                      "/var/tmp/OSL_PIPE_" + uid + "_SingleOfficeIPC_c192a0d640803956d982262d5010f5ab"}));
  // LibreOffice 7.4 named this profile's pipe after the digest 55da9f4414bd55c2074d42b5c0e69801
  // with its bytes 07 and 01 written as single digits.
  EXPECT_EQ(lorvane_pdf::OfficeSockets(lorvane_pdf::ProfileUrl("/tmp/lvmd5/p0/profile"), "p")[1],
            "/tmp/OSL_PIPE_" + uid + "_SingleOfficeIPC_55da9f4414bd55c274d42b5c0e6981");
  EXPECT_EQ(lorvane_pdf::ProfileUrl("/tmp/a b/\xC3\xA9%"), "file:///tmp/a%20b/%C3%A9%25");
}

TEST(OfficeNames, MimeTypesComeFromTheLastExtensionInAnyCase) {
  EXPECT_EQ(MimeTypeForName("Scan.PDF"), "application/pdf");
  EXPECT_EQ(MimeTypeForName("backup.tar.gz"), "application/gzip");
  EXPECT_EQ(MimeTypeForName("Forwarded.msg"), "application/vnd.ms-outlook");
  EXPECT_EQ(MimeTypeForName("README"), "application/octet-stream");
  EXPECT_EQ(MimeTypeForName("trailing."), "application/octet-stream");
  EXPECT_EQ(MimeTypeForName("odd.xyz"), "application/octet-stream");
}

// The bridge the program carries says each word as the renderer reads it, and nothing the
// build should have written in is left unwritten.
TEST(OfficeNames, TheCarriedBridgeAnswersInTheRenderersWords) {
  namespace word = lorvane_pdf::bridge_word;
  const std::string script(lorvane_pdf::BridgeScript());
  for (const auto& [name, spelled] : {std::pair{"READY", word::kReady}, std::pair{"OK", word::kOk},
                                      std::pair{"FAILED", word::kFailed}, std::pair{"ENDED", word::kEnded}}) {
    EXPECT_NE(script.find("\n" + std::string(name) + " = \"" + std::string(spelled) + "\"\n"), std::string::npos) << name;
    EXPECT_NE(script.find("answer(" + std::string(name)), std::string::npos) << name << " is answered";
  }
  EXPECT_EQ(script.find("@BRIDGE_"), std::string::npos);
}

}  // namespace
