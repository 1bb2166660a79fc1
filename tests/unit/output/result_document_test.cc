#include "output/result_document.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "support/fake_host.h"

namespace tolvaran {
namespace {

const OutputFlavour kAllFlavours[] = {OutputFlavour::kExeXml, OutputFlavour::kMirvane,
                                      OutputFlavour::kQuillrax, OutputFlavour::kTembrel,
                                      OutputFlavour::kFandrok};

class ResultDocumentTest : public ::testing::Test {
 protected:
  std::unique_ptr<RunState> rs = std::make_unique<RunState>();

  // A document with the summary "Sum" and no channels.
  std::string Framed(OutputFlavour flavour, const std::string& parameters = "") {
    rs->outputFlavour = flavour;
    rs->params = ParseParameters(parameters);
    rs->resultBuffer.Set("left over");
    OpenDocument(*rs);
    OpenText(*rs);
    AppendDocumentText(*rs, "Sum");
    CloseText(*rs);
    CloseDocument(*rs);
    return rs->resultBuffer.str();
  }
};

TEST_F(ResultDocumentTest, FramingPerDialect) {
  EXPECT_EQ(Framed(OutputFlavour::kExeXml), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kMirvane), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kFandrok), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
  EXPECT_EQ(Framed(OutputFlavour::kQuillrax), "\n# Sum\n");
  EXPECT_EQ(Framed(OutputFlavour::kTembrel), "\n# Sum\n");
}

TEST_F(ResultDocumentTest, TembrelSelectorDropsTheSummary) {
  // Only the selected channel's value would remain; with no channel the
  // document is a single line feed.
  EXPECT_EQ(Framed(OutputFlavour::kTembrel, "CH=1"), "\n");
  // The other dialects do not look at the selector.
  EXPECT_EQ(Framed(OutputFlavour::kQuillrax, "CH=1"), "\n# Sum\n");
  EXPECT_EQ(Framed(OutputFlavour::kExeXml, "CH=1"), "\n<Prtg>\n\n<Text>Sum</Text>\n\n</Prtg>\n");
}

TEST_F(ResultDocumentTest, OpenDocumentReplacesEarlierText) {
  for (OutputFlavour flavour : kAllFlavours) {
    SCOPED_TRACE(FlavourName(flavour));
    rs->outputFlavour = flavour;
    rs->resultBuffer.Set("Error 1014: RFC-Failure raised !");
    OpenDocument(*rs);
    EXPECT_EQ(rs->resultBuffer.str(), IsXmlFlavour(flavour) ? "\n<Prtg>\n" : "");
  }
}

TEST_F(ResultDocumentTest, DocumentTextIsEscapedOnlyInXml) {
  rs->outputFlavour = OutputFlavour::kFandrok;
  AppendDocumentText(*rs, "(R&D) a<b >= c");
  EXPECT_EQ(rs->resultBuffer.str(), "(R&amp;D) a&lt;b >= c");

  rs->resultBuffer.Clear();
  rs->outputFlavour = OutputFlavour::kQuillrax;
  AppendDocumentText(*rs, "(R&D) a<b >= c");
  EXPECT_EQ(rs->resultBuffer.str(), "(R&D) a<b >= c");
}

TEST_F(ResultDocumentTest, ErrorDocumentIsTheSameInEveryDialect) {
  for (OutputFlavour flavour : kAllFlavours) {
    SCOPED_TRACE(FlavourName(flavour));
    rs->outputFlavour = flavour;
    rs->params = ParseParameters("CH=1");
    rs->resultBuffer.Set("earlier text");
    BuildErrorDocument(*rs, "Error 1001: Parameter for Profile-Name is missing !");
    EXPECT_EQ(rs->resultBuffer.str(),
              "<Prtg>\n<Error>1</Error>\n"
              "<Text>Error 1001: Parameter for Profile-Name is missing !</Text>\n</Prtg>\n");
  }

  BuildErrorDocument(*rs, "");
  EXPECT_EQ(rs->resultBuffer.str(), "<Prtg>\n<Error>1</Error>\n<Text></Text>\n</Prtg>\n");
}

TEST_F(ResultDocumentTest, ErrorMessageIsCutTo127CharactersBeforeEscaping) {
  // The 127th character is "&": it survives the cut and is escaped whole.
  BuildErrorDocument(*rs, std::string(126, 'a') + "&b");
  EXPECT_EQ(rs->resultBuffer.str(),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') + "&amp;</Text>\n</Prtg>\n");

  // The 128th character is cut, so nothing of it is escaped.
  BuildErrorDocument(*rs, std::string(127, 'a') + "<");
  EXPECT_EQ(rs->resultBuffer.str(),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(127, 'a') + "</Text>\n</Prtg>\n");

  BuildErrorDocument(*rs, "RFC-Open for R&D <test> failed !");
  EXPECT_EQ(rs->resultBuffer.str(),
            "<Prtg>\n<Error>1</Error>\n<Text>RFC-Open for R&amp;D &lt;test> failed !</Text>\n"
            "</Prtg>\n");

  // A character the cut would split is dropped whole; a byte that is no
  // UTF-8 stays and is written as its Windows-1252 character.
  BuildErrorDocument(*rs, std::string(126, 'a') + "\xc3\xa9");
  EXPECT_EQ(rs->resultBuffer.str(),
            "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') + "</Text>\n</Prtg>\n");
  BuildErrorDocument(*rs, std::string(126, 'a') + "\xff\xff");
  EXPECT_EQ(rs->resultBuffer.str(), "<Prtg>\n<Error>1</Error>\n<Text>" + std::string(126, 'a') +
                                        "\xc3\xbf</Text>\n</Prtg>\n");
}

TEST(WriteLabelledLineTest, PadsTheLabelToTheWidthWithoutCutting) {
  FakeHost host;
  WriteLabelledLine(host, "operation/code", 0, 15, "ItCreate USR_TABL");
  WriteLabelledLine(host, "internal status", 0, 15, "");
  WriteLabelledLine(host, "status", 0, 15, "OK");
  WriteLabelledLine(host, "a label longer than fifteen", 0, 15, "x");
  WriteLabelledLine(host, "key", 2, 5, "K");
  EXPECT_EQ(host.out,
            "operation/code  : ItCreate USR_TABL\n"
            "internal status : \n"
            "status          : OK\n"
            "a label longer than fifteen : x\n"
            "  key   : K\n");
}

}  // namespace
}  // namespace tolvaran
