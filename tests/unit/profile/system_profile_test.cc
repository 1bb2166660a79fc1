#include "profile/system_profile.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "driver/invocation.h"
#include "driver/profile_location.h"
#include "profile/password.h"

namespace tolvaran {
namespace {

using Lines = std::vector<std::string>;

const KeyTable kKey = BuildKeyTable();

std::string Stored(const std::string& password, int offset = 3) {
  std::string stored;
  EXPECT_TRUE(ScramblePassword(kKey, password, offset, "fIlLeR-fIlLeR-fIlLeR", &stored));
  return stored;
}

Lines CompleteLines() {
  return {"* a comment line", "Extcompany.: Acme Corp", "Destination: PRD",
          "Client.....: 100", "User.......: sapmon",    "Password...: " + Stored("Geheim1"),
          "Language...: E",   "Mode.......: R/3",       "Hostname...: sapprd01",
          "Sysnr......: 00",  "Gwhost.....: sapprd01",  "Gwservice..: sapgw00"};
}

std::string Join(const Lines& lines, const std::string& lineEnd = "\n") {
  std::string text;
  for (const std::string& line : lines) text += line + lineEnd;
  return text;
}

Lines Without(Lines lines, const std::string& key) {
  Lines kept;
  for (std::string& line : lines) {
    if (line.compare(0, key.size(), key) != 0) kept.push_back(std::move(line));
  }
  return kept;
}

// Replaces the line of `key` by `line`.
Lines Replace(Lines lines, const std::string& key, const std::string& line) {
  for (std::string& l : lines) {
    if (l.compare(0, key.size(), key) == 0) l = line;
  }
  return lines;
}

std::vector<std::string> Fields(const SystemProfile& p) {
  return {p.extCompany.str(),   p.destination.str(), p.logonClient.str(),   p.user.str(),
          p.password.str(),     p.language.str(),    p.mode.str(),          p.hostname.str(),
          p.systemNumber.str(), p.gatewayHost.str(), p.gatewayService.str()};
}

class ProfileReaderTest : public ::testing::Test {
 protected:
  std::string ReadSingle(const std::string& bytes) {
    return ReadProfileChecked(key_, "SYS1.P00", bytes, &profile_);
  }

  // True when the listing reader marked the system failed.
  bool ReadListed(const std::string& bytes) {
    return !ReadListedProfile(key_, "SYS1.P00", bytes, &profile_).empty();
  }

  const SystemProfile& profile() const { return profile_; }

  const KeyTable key_ = BuildKeyTable();
  SystemProfile profile_;
};

const char kInvalid[] = "Error 1003: Invalid Parameter(s) at SYS1.P00 found...";
const char kBadPassword[] = "Error 1004: Invalid Password in Profile SYS1.P00 found...";
const char kWrongPassword[] = "Error 1005: Wrong Password in Profile SYS1.P00 found...";
const char kNoUser[] = "Error 1006: Username in Profile SYS1.P00 is missing...";
const char kNoPassword[] = "Error 1007: Password in Profile SYS1.P00 is missing...";

TEST_F(ProfileReaderTest, CompleteProfileFillsEveryField) {
  EXPECT_EQ(ReadSingle(Join(CompleteLines())), "");
  EXPECT_EQ(profile().extCompany, "Acme Corp");
  EXPECT_EQ(profile().destination, "PRD");
  EXPECT_EQ(profile().logonClient, "100");
  EXPECT_EQ(profile().user, "SAPMON");
  EXPECT_EQ(profile().password, "Geheim1");
  EXPECT_EQ(profile().language, "E");
  EXPECT_EQ(profile().mode, "R/3");
  EXPECT_EQ(profile().hostname, "sapprd01");
  EXPECT_EQ(profile().systemNumber, "00");
  EXPECT_EQ(profile().gatewayHost, "sapprd01");
  EXPECT_EQ(profile().gatewayService, "sapgw00");

  EXPECT_FALSE(ReadListed(Join(CompleteLines())));
}

TEST_F(ProfileReaderTest, MissingUserOrPassword) {
  EXPECT_EQ(ReadSingle(""), kNoUser);
  // The user test comes first, before the password and the lengths.
  EXPECT_EQ(ReadSingle("Client.....: 10\n"), kNoUser);
  EXPECT_EQ(ReadSingle(Join(Without(CompleteLines(), "Password...:"))), kNoPassword);
  // A key with nothing after it, or only the separator, is an empty value.
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...:"))),
            kNoPassword);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...: "))),
            kNoPassword);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "User.......:", "User.......:"))), kNoUser);

  EXPECT_TRUE(ReadListed(""));
}

TEST_F(ProfileReaderTest, KeysMatchOnlyInTheirOwnCase) {
  Lines lines = Replace(CompleteLines(), "User.......:", "user.......: abc");
  EXPECT_EQ(ReadSingle(Join(lines)), kNoUser);
  lines = Replace(CompleteLines(), "Client.....:", "CLIENT.....: 100");
  lines = Replace(lines, "Destination:", "Destination 200");  // the colon is part of the key
  profile_.Clear();
  EXPECT_EQ(ReadSingle(Join(lines)), kInvalid);
  EXPECT_TRUE(profile().logonClient.empty());
  EXPECT_TRUE(profile().destination.empty());
}

TEST_F(ProfileReaderTest, FieldsShorterThanTheirLeastLength) {
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Client.....:", "Client.....: 10"))),
            kInvalid);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Language...:", "Language...:"))), kInvalid);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Extcompany.:", "Extcompany.: A"))), kInvalid);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Gwservice..:", "Gwservice..: x"))), kInvalid);
  // A one-character password passes the missing-password test but not the
  // least length.
  EXPECT_EQ(
      ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...: " + Stored("x")))),
      kInvalid);
  // The least lengths themselves are accepted.
  Lines least = Replace(CompleteLines(), "Client.....:", "Client.....: 001");
  least = Replace(least, "Extcompany.:", "Extcompany.: AB");
  least = Replace(least, "User.......:", "User.......: ab");
  EXPECT_EQ(ReadSingle(Join(least)), "");

  EXPECT_TRUE(ReadListed(Join(Replace(CompleteLines(), "Client.....:", "Client.....: 10"))));
}

TEST_F(ProfileReaderTest, ValuesTooLongForTheirFieldAreInvalidAndCut) {
  const std::string twenty = "ABCDEFGHIJKLMNOPQRST";
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Destination:", "Destination: " + twenty))),
            kInvalid);
  EXPECT_EQ(profile().destination, twenty.substr(0, 11));
  // The longest value a field holds is fine.
  EXPECT_EQ(ReadSingle(Join(
                Replace(CompleteLines(), "Destination:", "Destination: " + twenty.substr(0, 11)))),
            "");
  EXPECT_EQ(ReadSingle(Join(
                Replace(CompleteLines(), "Sysnr......:", "Sysnr......: " + std::string(32, '0')))),
            kInvalid);

  // A value is at most 60 characters; beyond that the line is not looked
  // at, so a long company text fits its field.
  EXPECT_EQ(ReadSingle(Join(
                Replace(CompleteLines(), "Extcompany.:", "Extcompany.: " + std::string(70, 'c')))),
            "");
  EXPECT_EQ(profile().extCompany, std::string(60, 'c'));
}

TEST_F(ProfileReaderTest, CutFieldStaysInvalidWhileALaterListedProfileKeepsIt) {
  const std::string tooLong = "Destination: ABCDEFGHIJKLMNOPQRST";
  EXPECT_TRUE(ReadListed(Join(Replace(CompleteLines(), "Destination:", tooLong))));
  EXPECT_TRUE(ReadListed(Join(Without(CompleteLines(), "Destination:"))));
  EXPECT_FALSE(ReadListed(Join(CompleteLines())));
  EXPECT_FALSE(ReadListed(Join(Without(CompleteLines(), "Destination:"))));
  EXPECT_EQ(profile().destination, "PRD");
}

TEST_F(ProfileReaderTest, ValuesAreTakenUnchangedFromTheFourteenthCharacter) {
  Lines lines = Replace(CompleteLines(), "Sysnr......:", "Sysnr......: 00  ");
  lines = Replace(lines, "Client.....:", "Client.....:X100");  // the separator is not examined
  lines = Replace(lines, "Hostname...:", "Hostname...:   sap 01 ");
  EXPECT_EQ(ReadSingle(Join(lines)), "");
  EXPECT_EQ(profile().systemNumber, "00  ");
  EXPECT_EQ(profile().logonClient, "100");
  EXPECT_EQ(profile().hostname, "  sap 01 ");
}

TEST_F(ProfileReaderTest, UserIsUpperCasedLettersOnly) {
  EXPECT_EQ(
      ReadSingle(Join(Replace(CompleteLines(), "User.......:", "User.......: sap-mon_1z\xC3\xA4"))),
      "");
  EXPECT_EQ(profile().user, "SAP-MON_1Z\xC3\xA4");
}

TEST_F(ProfileReaderTest, LaterLineOfTheSameKeyWins) {
  Lines lines = CompleteLines();
  lines.push_back("Destination: QAS");
  lines.push_back("Password...: " + Stored("Second2", 9));
  EXPECT_EQ(ReadSingle(Join(lines)), "");
  EXPECT_EQ(profile().destination, "QAS");
  EXPECT_EQ(profile().password, "Second2");
}

TEST_F(ProfileReaderTest, LineEndsCrLfAndLfReadTheSame) {
  ASSERT_EQ(ReadSingle(Join(CompleteLines(), "\r\n")), "");
  const std::vector<std::string> crlf = Fields(profile());
  profile_.Clear();
  std::string lf = Join(CompleteLines());
  lf.pop_back();  // the last line without its line end
  ASSERT_EQ(ReadSingle(lf), "");
  EXPECT_EQ(Fields(profile()), crlf);
  EXPECT_EQ(profile().gatewayService, "sapgw00");

  // A lone CR before the end of the file is removed too.
  profile_.Clear();
  ASSERT_EQ(ReadSingle(Join(CompleteLines(), "\r\n") + "Language...: D\r"), "");
  EXPECT_EQ(profile().language, "D");
}

TEST_F(ProfileReaderTest, LongLineIsReadInPiecesBySingleRunOnly) {
  // 99 characters, then a second piece that starts with a key.
  std::string longLine = "Extcompany.: " + std::string(86, 'x') + "Destination: QAS";
  Lines lines = CompleteLines();
  lines.push_back(longLine);

  EXPECT_EQ(ReadSingle(Join(lines)), "");
  EXPECT_EQ(profile().destination, "QAS");
  EXPECT_EQ(profile().extCompany, std::string(60, 'x'));

  profile_.Clear();
  EXPECT_FALSE(ReadListed(Join(lines)));
  EXPECT_EQ(profile().destination, "PRD");

  // The listing reads 199 characters at a time.
  lines.back() = "Extcompany.: " + std::string(186, 'x') + "Destination: QAS";
  EXPECT_FALSE(ReadListed(Join(lines)));
  EXPECT_EQ(profile().destination, "QAS");
}

TEST_F(ProfileReaderTest, StoredPasswordOfWrongLength) {
  const std::string stored = Stored("Geheim1");
  EXPECT_EQ(ReadSingle(Join(
                Replace(CompleteLines(), "Password...:", "Password...: " + stored.substr(0, 23)))),
            kBadPassword);
  EXPECT_EQ(
      ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...: " + stored + "x"))),
      kBadPassword);
  // Trailing blanks belong to the value as well.
  EXPECT_EQ(
      ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...: " + stored + " "))),
      kBadPassword);
}

TEST_F(ProfileReaderTest, PasswordFaultsComeAtOnceBeforeLaterLines) {
  std::string stored = Stored("Geheim1");
  std::string wrong = stored;
  wrong[5] = static_cast<char>(wrong[5] ^ 0x02);
  for (const auto& [value, message] :
       {std::pair<std::string, const char*>{stored.substr(1), kBadPassword},
        std::pair<std::string, const char*>{wrong, kWrongPassword}}) {
    profile_.Clear();
    // No user yet, and the user line comes only after the password line.
    Lines lines = {"Client.....: 100", "Password...: " + value, "User.......: sapmon",
                   "Language...: E"};
    EXPECT_EQ(ReadSingle(Join(lines)), message);
    EXPECT_EQ(profile().logonClient, "100");
    EXPECT_TRUE(profile().user.empty());
    EXPECT_TRUE(profile().language.empty());
  }
}

TEST_F(ProfileReaderTest, LengthDigitsZeroGiveMissingPassword) {
  std::string stored = Stored(std::string("ABCDEFGHIJKLMNOPQRST"));
  stored[2] = static_cast<char>('0' ^ kKey[2]);
  stored[3] = static_cast<char>('0' ^ kKey[3]);
  EXPECT_EQ(ReadSingle(Join(Replace(CompleteLines(), "Password...:", "Password...: " + stored))),
            kNoPassword);
}

TEST_F(ProfileReaderTest, ReadProfileEndsTheRunWithTheErrorDocument) {
  try {
    ReadProfile(key_, "SYS1.P00", Join(Without(CompleteLines(), "User.......:")));
    FAIL() << "the run goes on after a profile error";
  } catch (const RunEnd& end) {
    EXPECT_EQ(end.status, 2);
    EXPECT_NE(end.output.find(kNoUser), std::string::npos);
  }

  SystemProfile read;
  EXPECT_NO_THROW(read = ReadProfile(key_, "SYS1.P00", Join(CompleteLines())));
  EXPECT_EQ(read.user, "SAPMON");
}

TEST_F(ProfileReaderTest, ListingKeepsValuesAProfileLacks) {
  ASSERT_FALSE(ReadListed(Join(CompleteLines())));
  Lines second = Without(CompleteLines(), "Gwservice..:");
  second = Replace(second, "Destination:", "Destination: QAS");
  EXPECT_FALSE(ReadListed(Join(second)));
  EXPECT_EQ(profile().destination, "QAS");
  EXPECT_EQ(profile().gatewayService, "sapgw00");
}

TEST_F(ProfileReaderTest, ListingMarksABadPasswordAndReadsOn) {
  ASSERT_FALSE(ReadListed(Join(CompleteLines())));
  std::string wrong = Stored("Other99");
  wrong[6] = static_cast<char>(wrong[6] ^ 0x04);
  Lines lines = {"Password...: " + wrong, "User.......: second", "Destination: QAS"};
  EXPECT_TRUE(ReadListed(Join(lines)));
  EXPECT_EQ(profile().user, "SECOND");
  EXPECT_EQ(profile().destination, "QAS");
  EXPECT_TRUE(profile().password.empty());  // the check failed: no password

  // A malformed value whose check digit matches still gives its password.
  lines[0] = "Password...: " + Stored("Other99") + "  ";
  EXPECT_TRUE(ReadListed(Join(lines)));
  EXPECT_EQ(profile().password, "Other99");
}

TEST_F(ProfileReaderTest, ListingNeverCarriesAPasswordOver) {
  // The previous system's password must not reach this system's host.
  ASSERT_FALSE(ReadListed(Join(CompleteLines())));
  EXPECT_TRUE(ReadListed(Join(Without(CompleteLines(), "Password...:"))));
  EXPECT_TRUE(profile().password.empty());
  EXPECT_EQ(profile().user, "SAPMON");
}

TEST_F(ProfileReaderTest, SncKeysAreCheckedAndBelongToTheirOwnProfile) {
  Lines snc = CompleteLines();
  snc.push_back("Snc-Mode...: 1");
  snc.push_back("Snc-Partner: p:CN=PRD, O=Example");
  snc.push_back("Snc-Qop....: 9");
  snc.push_back("Snc-Library: /opt/sap/libsapcrypto.so");
  EXPECT_EQ(ReadSingle(Join(snc)), "");
  EXPECT_EQ(profile().sncPartner, "p:CN=PRD, O=Example");
  EXPECT_EQ(profile().sncLibrary, "/opt/sap/libsapcrypto.so");

  // Mode 1 without a partner, modes and qualities of protection that do
  // not exist: error 1003, and the reason names the key.
  const std::pair<std::string, std::string> faults[] = {
      {"Snc-Partner:", "Snc-Partner: missing or empty, required with Snc-Mode...: 1"},
      {"Snc-Mode...:", "Snc-Mode...: \"2\", not 0 or 1"},
      {"Snc-Qop....:", "Snc-Qop....: \"4\", not 1, 2, 3, 8 or 9"}};
  for (const auto& [key, reason] : faults) {
    Lines bad = key == "Snc-Partner:"   ? Without(snc, key)
                : key == "Snc-Mode...:" ? Replace(snc, key, "Snc-Mode...: 2")
                                        : Replace(snc, key, "Snc-Qop....: 4");
    profile_.Clear();
    EXPECT_EQ(ReadSingle(Join(bad)), kInvalid) << key;
    EXPECT_EQ(SncFault(profile()), reason);
  }

  // A listed profile without SNC keys does not take the previous one's.
  ASSERT_FALSE(ReadListed(Join(snc)));
  EXPECT_FALSE(ReadListed(Join(CompleteLines())));
  EXPECT_TRUE(profile().sncMode.empty());
  EXPECT_TRUE(profile().sncPartner.empty());
}

TEST_F(ProfileReaderTest, ListingEmptyPasswordClearsIt) {
  ASSERT_FALSE(ReadListed(Join(CompleteLines())));
  EXPECT_TRUE(ReadListed(Join({"Password...:"})));
  EXPECT_TRUE(profile().password.empty());
}

}  // namespace
}  // namespace tolvaran
