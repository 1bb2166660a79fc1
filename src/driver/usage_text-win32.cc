#include "driver/usage_text.h"

namespace tolvaran {

const char kUsageProfilePlaces[] =
    "  PROFILE      the system's profile file (.P00 is added when there is no\n"
    "               extension), looked up in the current directory, then in\n"
    "               \\Programme\\, \\Program Files\\ and \\Program Files (x86)\\\n"
    "               PRTG Network Monitor\\Custom Sensors\\ExeXml\\ where only\n"
    "               administrators could have written (--version names them);\n"
    "               with C:\\PRTG_Path.Txt only below the directory it names;\n";

const char kUsageRfcLibrary[] =
    "RFC library: the first that loads of librfc32.dll and sapnwrfc.dll,\n"
    "first beside the program, then in the system directories and PATH\n"
    "(never the current directory). The NetWeaver library (sapnwrfc) has no\n"
    "R/2 and writes no dev_rfc.trc. --version names the library on its\n"
    "second line, and each library file found that does not load, with the\n"
    "reason.\n"
    "\n";

}  // namespace tolvaran
