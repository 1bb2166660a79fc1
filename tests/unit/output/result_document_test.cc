#include "output/result_document.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

// A document with the summary "Sum" and no channels.
std::string Framed(OutputFlavour flavour, ChannelSelector selector = {}) {
  ResultDocument document(flavour, selector);
  document.SetText("Sum");
  return document.Render();
}

TEST(ResultDocumentTest, FramingPerDialect) {
  EXPECT_EQ(Framed(OutputFlavour::kExeXml), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kMirvane), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kFandrok), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kQuillrax), "\n# Sum\n");
  EXPECT_EQ(Framed(OutputFlavour::kTembrel), "\n# Sum\n");
}

TEST(ResultDocumentTest, TembrelSelectorDropsTheSummary) {
  // Only the selected channel's value would remain; with no channel the
  // document is a single line feed.
  EXPECT_EQ(Framed(OutputFlavour::kTembrel, {true, 1}), "\n");
  // The other dialects do not look at the selector.
  EXPECT_EQ(Framed(OutputFlavour::kQuillrax, {true, 1}), "\n# Sum\n");
  EXPECT_EQ(Framed(OutputFlavour::kExeXml, {true, 1}), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
}

TEST(ResultDocumentTest, DocumentTextIsEscapedOnlyInXml) {
  EXPECT_EQ(DocumentText(OutputFlavour::kFandrok, "(R&D) a<b >= c"), "(R&amp;D) a&lt;b >= c");
  EXPECT_EQ(DocumentText(OutputFlavour::kQuillrax, "(R&D) a<b >= c"), "(R&D) a<b >= c");
}

TEST(ResultDocumentTest, ListingDocumentIsItsPiecesInOrder) {
  ResultDocument document(OutputFlavour::kExeXml, {}, ResultDocument::Layout::kListing);
  std::string written = document.Opening();
  written += document.AddChannel(Channel{"", "PRD", "3", ""});
  document.SetLeadingText("Error 1012: Exception.: A&B");
  document.SetText("(***) Session(s): NoSystems=1");
  written += document.Closing();
  EXPECT_EQ(written,
            "\n<Prtg>\n\n\n<Result><Channel>PRD</Channel>\n<Value>3</Value></Result>\n"
            "Error 1012: Exception.: A&amp;B\n\n<Text>(***) Session(s): NoSystems=1</Text>\n"
            "\n</Prtg>\n\n");
  EXPECT_EQ(document.Render(), written);

  // With the Tembrel selector the selected value stands alone.
  ResultDocument selected(OutputFlavour::kTembrel, {true, 1}, ResultDocument::Layout::kListing);
  selected.AddChannel(Channel{"", "PRD", "3", ""});
  selected.SetLeadingText("left over");
  EXPECT_EQ(selected.Render(), "\n3\n\n");
}

TEST(ResultDocumentTest, ErrorDocumentIsTheSameWhateverTheMessage) {
  EXPECT_EQ(ErrorDocumentText("Error 1001: Parameter for Profile-Name is missing !"),
            "<Prtg>\n<Error>1</Error>\n"
            "<Text>Error 1001: Parameter for Profile-Name is missing !</Text>\n</Prtg>\n");
  EXPECT_EQ(ErrorDocumentText(""), "<Prtg>\n<Error>1</Error>\n<Text></Text>\n</Prtg>\n");
}

TEST(ResultDocumentTest, ErrorMessageIsCutTo127CharactersBeforeEscaping) {
  // The 127th character is "&": it survives the cut and is escaped whole.
  EXPECT_EQ(ErrorDocumentText(std::string(126, 'a') + "&b"),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') + "&amp;</Text>\n</Prtg>\n");

  // The 128th character is cut, so nothing of it is escaped.
  EXPECT_EQ(ErrorDocumentText(std::string(127, 'a') + "<"),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(127, 'a') + "</Text>\n</Prtg>\n");

  EXPECT_EQ(ErrorDocumentText("RFC-Open for R&D <test> failed !"),
            "<Prtg>\n<Error>1</Error>\n<Text>RFC-Open for R&amp;D &lt;test> failed !</Text>\n"
            "</Prtg>\n");

  // A character the cut would split is dropped whole; a byte that is no
  // UTF-8 stays and is written as its Windows-1252 character.
  EXPECT_EQ(ErrorDocumentText(std::string(126, 'a') + "\xc3\xa9"),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') + "</Text>\n</Prtg>\n");
  EXPECT_EQ(
      ErrorDocumentText(std::string(126, 'a') + "\xff\xff"),
      "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') + "\xc3\xbf</Text>\n</Prtg>\n");
}

}  // namespace
}  // namespace tolvaran
