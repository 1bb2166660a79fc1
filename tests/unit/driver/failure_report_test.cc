#include "driver/failure_report.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(FailureReportTextTest, PrintsTheLabelledBlockAndTheAbortLines) {
  FailureReport report{"RfcOpen", "RFC_ERROR_COMMUNICATION", "CONNECT to SAP gateway failed",
                       "partner 'prdhost:sapgw00' not reached", "rc=-1 (partner not reached)"};
  EXPECT_EQ(FailureReportText(report),
            "RFC error\n"
            "operation/code  : RfcOpen\n"
            "key             : RFC_ERROR_COMMUNICATION\n"
            "status          : CONNECT to SAP gateway failed\n"
            "message         : partner 'prdhost:sapgw00' not reached\n"
            "internal status : rc=-1 (partner not reached)\n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");
}

TEST(FailureReportTextTest, EmptyAndLongTextsArePrintedAsTheyAre) {
  EXPECT_EQ(FailureReportText(FailureReport{"ItCreate USR_TABL", "", "", "", ""}),
            "RFC error\n"
            "operation/code  : ItCreate USR_TABL\n"
            "key             : \n"
            "status          : \n"
            "message         : \n"
            "internal status : \n"
            "\n"
            "* Programm aborted...\n"
            "* Error at EoXput-File...\n");

  const std::string operation(200, 'o');
  const std::string message(255, 'm');
  EXPECT_EQ(FailureReportText(FailureReport{operation, "k", "s", message, "i"}),
            "RFC error\noperation/code  : " + operation +
                "\nkey             : k\nstatus          : s\nmessage         : " + message +
                "\ninternal status : i\n\n* Programm aborted...\n"
                "* Error at EoXput-File...\n");
}

TEST(LabelledLineTest, PadsTheLabelToTheWidthWithoutCutting) {
  std::string text = LabelledLine("operation/code", 0, 15, "ItCreate USR_TABL");
  text += LabelledLine("internal status", 0, 15, "");
  text += LabelledLine("status", 0, 15, "OK");
  text += LabelledLine("a label longer than fifteen", 0, 15, "x");
  text += LabelledLine("key", 2, 5, "K");
  EXPECT_EQ(text,
            "operation/code  : ItCreate USR_TABL\n"
            "internal status : \n"
            "status          : OK\n"
            "a label longer than fifteen : x\n"
            "  key   : K\n");
}

}  // namespace
}  // namespace tolvaran
