// The function modules' answers as both simulated libraries hand them
// over: RFC_READ_TABLE's evaluation of OPTIONS and its exceptions, work
// processes of another application server, lock entries, a row type's
// layout.
#include "sim_answers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "sim_unicode.h"

namespace rfcsim {
namespace {

// A landscape of PRD with two application servers and the rows of one.
SimConfig Landscape(const std::string& extra = "") {
  return ParseSimConfig(
      "[PRD]\nhost = prdhost\nsysnr = 0\nclient = 100\nuser = SAPMON\n"
      "snap = DATUM=20261209 UZEIT=235900 SEQNO=000 UNAME=MEIER FLIST=FC008TIME_OUT\n"
      "snap = DATUM=20261210 UZEIT=000400 SEQNO=000 UNAME=HUBER\n"
      "snap = DATUM=20261210 UZEIT=000400 SEQNO=001 UNAME=HUBER\n"
      "snap = DATUM=20261210 UZEIT=001000 SEQNO=000 UNAME=\"O'NEIL\"\n"
      "wp = WP_NO=0 WP_ITYPE=1 WP_TYP=DIA WP_ISTATUS=2 WP_STATUS=Waiting WP_STATUS@D=wartet\n"
      "enq = GNAME=VBAK GCLIENT=100 GUNAME=SAPMON GTDATE=20261209\n"
      "enq = GNAME=MARA GCLIENT=200 GUNAME=MEIER GTDATE=20261208\n" +
      extra +
      "[PRD/prdapp2_PRD_02]\nhost = prdapp2\nsysnr = 2\n"
      "wp = WP_NO=0 WP_TYP=BTC\nwp = WP_NO=1 WP_TYP=BTC\n"
      "[PRD/prdapp3_PRD_03]\nth_wpinfo = exception SEND_ERROR\n");
}

CallInput ReadTableInput(const std::string& table, const std::vector<std::string>& options,
                         const std::vector<std::string>& fields) {
  CallInput input;
  input.params["QUERY_TABLE"] = table;
  input.params["DELIMITER"] = ";";
  auto lines = std::make_shared<CellRows>(FindRowType("RFC_DB_OPT"));
  for (const std::string& line : options) lines->Set(lines->Append(), 0, Utf8ToUtf16(line));
  auto asked = std::make_shared<CellRows>(FindRowType("RFC_DB_FLD"));
  for (const std::string& field : fields) asked->Set(asked->Append(), 0, Utf8ToUtf16(field));
  input.tables["OPTIONS"] = lines;
  input.tables["FIELDS"] = asked;
  return input;
}

std::vector<std::string> Data(Answer& answer) {
  std::vector<std::string> rows;
  RowSet& data = *answer.tables.at("DATA");
  for (unsigned long r = 0; r < data.Count(); ++r) {
    rows.push_back(Utf16ToUtf8(data.Wide(r, 0)));
  }
  return rows;
}

std::string Exception(const SimConfig& config, const CallInput& input) {
  Answer answer = AnswerCall(*FindFunction("RFC_READ_TABLE"), config.systems[0], input);
  return answer.outcome.kind == OutcomeKind::kException ? answer.outcome.name : "";
}

TEST(SimAnswersTest, ReadTableEvaluatesTheOptionsAcrossLinesAndMidnight) {
  SimConfig config = Landscape();
  // A window from 23:55 to 00:05 across midnight, split over two lines.
  CallInput input =
      ReadTableInput("SNAP",
                     {"SEQNO = '000' AND ( ( DATUM = '20261209' AND UZEIT >= '235500' ) OR",
                      "( DATUM = '20261210' AND NOT UZEIT > '000500' ) )"},
                     {"UNAME", "UZEIT"});
  Answer answer = AnswerCall(*FindFunction("RFC_READ_TABLE"), config.systems[0], input);
  ASSERT_EQ(answer.outcome.kind, OutcomeKind::kOk);
  EXPECT_EQ(Data(answer), (std::vector<std::string>{"MEIER       ;235900", "HUBER       ;000400"}));
  CellRows& fields = dynamic_cast<CellRows&>(*answer.tables.at("FIELDS"));
  EXPECT_EQ(fields.Text(1, "FIELDNAME"), "UZEIT");
  EXPECT_EQ(fields.Text(1, "OFFSET"), "000013") << "12 characters and the delimiter";
  EXPECT_EQ(fields.Text(1, "LENGTH"), "000006");
  EXPECT_EQ(fields.Text(1, "TYPE"), "T");

  // A quote in a literal, ROWSKIPS and ROWCOUNT.
  input = ReadTableInput("SNAP", {"UNAME = 'O''NEIL' OR SEQNO = '000'"}, {"UNAME"});
  input.params["ROWSKIPS"] = "1";
  input.params["ROWCOUNT"] = "2";
  answer = AnswerCall(*FindFunction("RFC_READ_TABLE"), config.systems[0], input);
  EXPECT_EQ(Data(answer), (std::vector<std::string>{"HUBER       ", "O'NEIL      "}));
}

TEST(SimAnswersTest, ReadTableOrderKnobMovesFieldsAndTheirOffsets) {
  SimConfig config = Landscape("rfc_read_table_order = reverse\n");
  Answer answer = AnswerCall(*FindFunction("RFC_READ_TABLE"), config.systems[0],
                             ReadTableInput("SNAP", {"UNAME = 'MEIER'"}, {"UNAME", "UZEIT"}));
  CellRows& fields = dynamic_cast<CellRows&>(*answer.tables.at("FIELDS"));
  EXPECT_EQ(fields.Text(0, "FIELDNAME"), "UZEIT");
  EXPECT_EQ(fields.Text(1, "OFFSET"), "000007");
  EXPECT_EQ(Data(answer), (std::vector<std::string>{"235900;MEIER       "}));
}

TEST(SimAnswersTest, ReadTableRaisesItsExceptions) {
  SimConfig config = Landscape("no_authority = TBTCO\n");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {"UZEIT>'000000'"}, {})), "OPTION_NOT_VALID");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {"(SEQNO = '000')"}, {})), "OPTION_NOT_VALID");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {"SEQNO LIKE '0%'"}, {})), "OPTION_NOT_VALID");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {"SEQNO = '000"}, {})), "OPTION_NOT_VALID");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {}, {"NOSUCH"})), "FIELD_NOT_VALID");
  EXPECT_EQ(Exception(config, ReadTableInput("SNAP", {},
                                             {"FLIST", "AHOST", "AHOST", "AHOST", "AHOST", "AHOST",
                                              "AHOST", "AHOST", "AHOST", "AHOST", "AHOST"})),
            "DATA_BUFFER_EXCEEDED");
  EXPECT_EQ(Exception(config, ReadTableInput("TBTCO", {}, {})), "NOT_AUTHORIZED");
  EXPECT_EQ(Exception(config, ReadTableInput("NOSUCH", {}, {})), "TABLE_NOT_AVAILABLE");
  EXPECT_EQ(Exception(config, ReadTableInput("WPINFO", {}, {})), "TABLE_WITHOUT_DATA");
}

TEST(SimAnswersTest, WorkProcessesOfTheServerNamedInTheLogonLanguage) {
  SimConfig config = Landscape();
  const FunctionSpec& wpinfo = *FindFunction("TH_WPINFO");
  CallInput input;
  input.language = "d";
  Answer own = AnswerCall(wpinfo, config.systems[0], input);
  RowSet& rows = *own.tables.at("WPLIST");
  ASSERT_EQ(rows.Count(), 1u);
  EXPECT_EQ(Utf16ToUtf8(rows.Wide(0, 5)), "wartet") << "WP_STATUS in German";
  EXPECT_EQ(rows.Value(0, 4)->number, 2) << "WP_ISTATUS";

  input.params["SRVNAME"] = "PRDAPP2_PRD_02";
  EXPECT_EQ(AnswerCall(wpinfo, config.systems[0], input, &config).tables.at("WPLIST")->Count(), 2u);
  input.params["SRVNAME"] = "prdapp3_PRD_03";
  EXPECT_EQ(AnswerCall(wpinfo, config.systems[0], input, &config).outcome.name, "SEND_ERROR");
  input.params["SRVNAME"] = "nosuch";
  EXPECT_EQ(AnswerCall(wpinfo, config.systems[0], input, &config).outcome.name, "SEND_ERROR");
}

TEST(SimAnswersTest, LocksOfTheLogonUnlessAllAreAskedFor) {
  SimConfig config = Landscape();
  const FunctionSpec& enqueue = *FindFunction("ENQUEUE_READ");
  CallInput input;
  EXPECT_EQ(AnswerCall(enqueue, config.systems[0], input).tables.at("ENQ")->Count(), 1u);
  input.params["GCLIENT"] = "*";
  input.params["GUNAME"] = "";
  Answer all = AnswerCall(enqueue, config.systems[0], input);
  EXPECT_EQ(all.tables.at("ENQ")->Count(), 2u);
  EXPECT_EQ(all.values.at("NUMBER").number, 2);
}

TEST(SimAnswersTest, StructureDefinitionGivesTheNonUnicodeLayout) {
  SimConfig config = Landscape();
  CallInput input;
  input.params["TABNAME"] = "WPINFO";
  Answer answer =
      AnswerCall(*FindFunction("RFC_GET_STRUCTURE_DEFINITION_P"), config.systems[0], input);
  CellRows& fields = dynamic_cast<CellRows&>(*answer.tables.at("FIELDS"));
  ASSERT_EQ(fields.Count(), 25u);
  EXPECT_EQ(fields.Text(24, "FIELDNAME"), "WP_INDEX");
  EXPECT_EQ(fields.Text(24, "OFFSET"), "000232") << "an INT4 at a multiple of 4";
  EXPECT_EQ(fields.Text(24, "EXID"), "I");
  EXPECT_EQ(answer.values.at("TABLENGTH").Text(), "000236");
}

}  // namespace
}  // namespace rfcsim
