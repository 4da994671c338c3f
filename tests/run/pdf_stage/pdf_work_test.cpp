// Reading a converter's description into the PDF stage's tree of documents: each document
// with its own files and the documents embedded in it, each made after those inside it.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "run/pdf_stage/pdf_work.h"

namespace {

using Records = std::vector<std::pair<std::string, std::string>>;

TEST(PdfWorkTest, TheDescriptionGivesEachDocumentWhatBelongsToIt) {
  // The message holds a.txt, then "Inner" (holding b.txt and "Deepest", which holds c.txt),
  // then "Second"; the files' folders do not matter.
  const Records records = {
      {"subject", "Outer"},       {"sender", "Ann"},         {"sent", "1700000000"},
      {"saved", "/s/x/a.txt"},    {"embedded", "/s/x/Inner.doc"},
      {"embedded-subject", "In"}, {"embedded-sender", "Bo"}, {"embedded-sent", "-5"},
      {"saved", "/s/elsewhere/b.txt"}, {"embedded", "/s/y/Deepest.doc"},
      {"embedded-subject", "Deep"}, {"saved", "/s/y/c.txt"}, {"embedded-end", ""},
      {"embedded-end", ""},       {"embedded", "/s/x/Second.doc"}, {"embedded-sent", "soon"},
      {"embedded-end", ""},       {"paper", "11906 16838"}};
  PdfWork work;
  ReadDescription(records, "/s/Outer.doc", work);
  ASSERT_EQ(work.documents.size(), 4u);
  const std::vector<PdfDocument>& made = work.documents;
  EXPECT_EQ(made[0].document, "/s/y/Deepest.doc");
  EXPECT_EQ(made[0].facts.subject, "Deep");
  EXPECT_EQ(made[0].saved, std::vector<std::string>{"/s/y/c.txt"});
  EXPECT_EQ(made[1].document, "/s/x/Inner.doc");
  EXPECT_EQ(made[1].facts.sender, "Bo");
  EXPECT_EQ(made[1].facts.sent, -5);
  EXPECT_EQ(made[1].saved, std::vector<std::string>{"/s/elsewhere/b.txt"});
  EXPECT_EQ(made[1].embedded, std::vector<std::size_t>{0});
  EXPECT_EQ(made[2].document, "/s/x/Second.doc");
  EXPECT_FALSE(made[2].facts.sent) << "a time that is no number is none";
  EXPECT_EQ(made[3].document, "/s/Outer.doc");
  EXPECT_EQ(made[3].facts.subject, "Outer");
  EXPECT_EQ(made[3].facts.sent, 1700000000);
  EXPECT_EQ(made[3].saved, std::vector<std::string>{"/s/x/a.txt"});
  EXPECT_EQ(made[3].embedded, (std::vector<std::size_t>{1, 2}));
  ASSERT_TRUE(work.paper);
  EXPECT_EQ(work.paper->width, 21000);  // hundredths of a millimetre
  EXPECT_EQ(work.paper->height, 29700);
}

TEST(PdfWorkTest, ADescriptionOutOfShapeStillGivesEveryDocumentOnce) {
  // An end with nothing open is passed over, facts of no embedded document go nowhere, and
  // a document left open is closed into the one that holds it.
  const Records records = {{"embedded-end", ""},           {"embedded-subject", "stray"},
                           {"embedded", "/s/Open.doc"},    {"saved", "/s/o.txt"},
                           {"embedded", "/s/Deeper.doc"},  {"paper", "a4"}};
  PdfWork work;
  ReadDescription(records, "/s/Own.doc", work);
  ASSERT_EQ(work.documents.size(), 3u);
  EXPECT_EQ(work.documents[0].document, "/s/Deeper.doc");
  EXPECT_EQ(work.documents[1].document, "/s/Open.doc");
  EXPECT_EQ(work.documents[1].saved, std::vector<std::string>{"/s/o.txt"});
  EXPECT_EQ(work.documents[1].embedded, std::vector<std::size_t>{0});
  EXPECT_EQ(work.documents[2].facts.subject, "");
  EXPECT_EQ(work.documents[2].embedded, std::vector<std::size_t>{1});
  EXPECT_FALSE(work.paper);
}

}  // namespace
