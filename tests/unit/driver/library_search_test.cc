#include "driver/library_search.h"

#include <gtest/gtest.h>

#include <string>

namespace tolvaran {
namespace {

TEST(LibraryLoadFailureTest, NamesTheFileAndWhyWithinTheMessagesRoom) {
  RfcLibrarySearch search;
  search.names = {"librfccm.so", "librfc32.so", "libsapnwrfc.so"};
  EXPECT_EQ(LibraryLoadFailure(search),
            "Error 1010: RFC library librfc32 could not be loaded: no librfccm.so, librfc32.so or "
            "libsapnwrfc.so found !");

  search.refused.push_back(
      {"/opt/mon/librfc32.so", "librfc32.so", false, "wrong ELF class (32-bit)"});
  search.refused.push_back({"/opt/mon/libsapnwrfc.so", "libsapnwrfc.so", true, "file too short"});
  EXPECT_EQ(LibraryLoadFailure(search),
            "Error 1010: RFC library librfc32.so could not be loaded: wrong ELF class (32-bit) !");

  // A long loader message is cut; the message keeps its end.
  search.refused.front().reason =
      "libicuuc.so.50: cannot open shared object file: " + std::string(200, 'x');
  std::string message = LibraryLoadFailure(search);
  EXPECT_EQ(message.size(), 127u);
  EXPECT_EQ(message.substr(0, 57), "Error 1010: RFC library librfc32.so could not be loaded: ");
  EXPECT_EQ(message.substr(125), " !");
}

TEST(LibraryVersionLinesTest, SaysWhichFileWasFoundButNotLoadable) {
  RfcLibrarySearch search;
  search.names = {"librfc32.dll", "sapnwrfc.dll"};
  EXPECT_EQ(LibraryVersionLines(search),
            "RFC library: none found (librfc32.dll or sapnwrfc.dll)\n");
  search.refused.push_back(
      {"C:\\Mon\\librfc32.dll", "librfc32.dll", false, "Bad EXE format for librfc32.dll"});
  EXPECT_EQ(LibraryVersionLines(search),
            "RFC library: C:\\Mon\\librfc32.dll found but not loadable: Bad EXE format for "
            "librfc32.dll\n");
}

}  // namespace
}  // namespace tolvaran
