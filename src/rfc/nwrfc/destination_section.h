// The section of a SapRfc.ini text that describes one destination.
//
// The NetWeaver library takes its logon parameters from the caller, not
// from SapRfc.ini: the program reads the destination's entries itself and
// hands them over. A section runs from its "DEST=<destination>" line to the
// next "DEST=" line or the end of the text. Lines are "KEY=VALUE"; keys
// ignore case, blanks (spaces, tabs) around keys and values are dropped,
// lines end in LF or CR LF, a UTF-8 byte order mark at the start is passed
// over. The destination is compared ignoring ASCII case, as the classic
// library finds it. Lines without "=" and keys not listed below are passed
// over. A key given twice in the section keeps its first value, like the
// program's other lookups; an empty value counts as not given.
#ifndef TOLVARAN_RFC_NWRFC_DESTINATION_SECTION_H_
#define TOLVARAN_RFC_NWRFC_DESTINATION_SECTION_H_

#include <string>
#include <string_view>

namespace tolvaran {

struct DestinationSection {
  bool found = false;  // a "DEST=<destination>" line exists
  // Application server.
  std::string ashost;
  std::string sysnr;
  // Message server (load balancing).
  std::string mshost;
  std::string msserv;
  std::string r3name;
  std::string group;
  // Gateway, for either kind.
  std::string gwhost;
  std::string gwserv;
  // SNC (SNC_MODE, SNC_PARTNERNAME, SNC_QOP, SNC_MYNAME, SNC_LIB).
  std::string sncMode;
  std::string sncPartner;
  std::string sncQop;
  std::string sncMyname;
  std::string sncLib;
};

// The first section of `destination`; an empty destination is never found.
DestinationSection ReadDestinationSection(std::string_view iniText, std::string_view destination);

}  // namespace tolvaran

#endif  // TOLVARAN_RFC_NWRFC_DESTINATION_SECTION_H_
