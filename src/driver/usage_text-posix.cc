#include "driver/usage_text.h"

namespace tolvaran {

// The monitor's Windows places, as this platform maps them: no drive
// letter, "/" for "\".
const char kUsageProfilePlaces[] =
    "  PROFILE      the system's profile file (.P00 is added when there is no\n"
    "               extension), looked up in the current directory, then in\n"
    "               /Programme/, /Program Files/ and /Program Files (x86)/\n"
    "               PRTG Network Monitor/Custom Sensors/ExeXml/ where only\n"
    "               root could have written (--version names them); with\n"
    "               /PRTG_Path.Txt only below the directory it names;\n";

const char kUsageRfcLibrary[] =
    "RFC library: the first that loads of librfccm.so, librfc32.so and\n"
    "libsapnwrfc.so, first beside the program, then by the dynamic loader's\n"
    "search (LD_LIBRARY_PATH, /etc/ld.so.conf). The NetWeaver library\n"
    "(sapnwrfc) has no R/2 and writes no dev_rfc.trc. --version names the\n"
    "library on its second line, and each library file found that does not\n"
    "load, with the reason.\n"
    "\n";

}  // namespace tolvaran
