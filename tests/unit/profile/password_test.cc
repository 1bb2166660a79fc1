#include "profile/password.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace tolvaran {
namespace {

const KeyTable kKey = BuildKeyTable();

std::string RandomPrintable(std::mt19937& rng, std::size_t length) {
  std::uniform_int_distribution<int> pick(0x20, 0x7E);
  std::string text;
  for (std::size_t i = 0; i < length; ++i) text.push_back(static_cast<char>(pick(rng)));
  return text;
}

bool HoldsLineBreakingByte(const std::string& value) {
  for (char c : value) {
    if (c == '\0' || c == '\r' || c == '\n' || c == '\x1A') return true;
  }
  return false;
}

// Builds a stored value by hand from the documented steps, independently of
// ScramblePassword, so that both directions are tied to the format itself.
std::string StoreByHand(const std::string& unshuffled, char checkDigit, int offset,
                        const char lengthDigits[2]) {
  std::string masked(20, '\0');
  for (int i = 0; i < 10; ++i) {
    masked[static_cast<std::size_t>(i)] = unshuffled[static_cast<std::size_t>(2 * i)];
    masked[static_cast<std::size_t>(19 - i)] = unshuffled[static_cast<std::size_t>(2 * i + 1)];
  }
  const char header[4] = {checkDigit, static_cast<char>('0' + offset), lengthDigits[0],
                          lengthDigits[1]};
  std::string stored;
  for (std::size_t i = 0; i < 4; ++i) stored.push_back(static_cast<char>(header[i] ^ kKey[i]));
  for (std::size_t i = 0; i < 20; ++i) {
    stored.push_back(static_cast<char>(masked[i] ^ kKey[static_cast<std::size_t>(offset) + i]));
  }
  return stored;
}

char CheckDigitOf(const std::string& unshuffled) {
  int sum = 0;
  for (char c : unshuffled) {
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) sum += c;
  }
  return static_cast<char>('0' + sum % 10);
}

TEST(PasswordRoundTrip, EveryLengthAndOffsetComesBack) {
  std::mt19937 rng(20190712);
  for (std::size_t length = 1; length <= 20; ++length) {
    for (int offset = 0; offset <= 9; ++offset) {
      for (int round = 0; round < 20; ++round) {
        std::string password = RandomPrintable(rng, length);
        std::string filler = RandomPrintable(rng, 20 - length);
        std::string stored;
        ASSERT_TRUE(ScramblePassword(kKey, password, offset, filler, &stored));
        ASSERT_EQ(stored.size(), 24u);
        EXPECT_FALSE(HoldsLineBreakingByte(stored));
        std::string back;
        ASSERT_EQ(DescramblePassword(kKey, stored, &back), DescrambleResult::kOk)
            << "length " << length << " offset " << offset;
        EXPECT_EQ(back, password);
      }
    }
  }
}

TEST(PasswordRoundTrip, RandomChoicesComeBackAndStayPrintable) {
  std::mt19937 rng(4711);
  for (int round = 0; round < 2000; ++round) {
    std::size_t length = 1 + static_cast<std::size_t>(round % 20);
    std::string password = RandomPrintable(rng, length);
    std::string stored;
    ASSERT_TRUE(ScramblePasswordRandomly(kKey, password, rng, &stored));
    ASSERT_EQ(stored.size(), 24u);
    EXPECT_TRUE(IsPrintableText(stored)) << "password of " << length;
    std::string back;
    ASSERT_EQ(DescramblePassword(kKey, stored, &back), DescrambleResult::kOk);
    EXPECT_EQ(back, password);
  }
}

TEST(PasswordRoundTrip, RandomChoicesVaryFromCallToCall) {
  std::mt19937 rng(1);
  std::string first;
  std::string second;
  ASSERT_TRUE(ScramblePasswordRandomly(kKey, "secret", rng, &first));
  ASSERT_TRUE(ScramblePasswordRandomly(kKey, "secret", rng, &second));
  EXPECT_NE(first, second);
}

TEST(PasswordRoundTrip, AvoidsDelWhereSomeOffsetAllowsIt) {
  // '~' (0x7E) masked with 0x01 becomes DEL; a password of tildes therefore
  // rules out the offsets that put 0x01 under one of them, but not all.
  std::mt19937 rng(99);
  for (int round = 0; round < 200; ++round) {
    std::string stored;
    ASSERT_TRUE(ScramblePasswordRandomly(kKey, std::string(20, '~'), rng, &stored));
    EXPECT_TRUE(IsPrintableText(stored));
  }
}

TEST(PasswordRoundTrip, KeepsDelWhenNoOffsetAvoidsIt) {
  // Masked character j meets key byte 2j under offset j and becomes DEL
  // there, so every offset gives one DEL; the value must still come back.
  std::string masked(20, 'a');
  for (std::size_t j = 0; j < 10; ++j) masked[j] = static_cast<char>(0x7F ^ kKey[2 * j]);
  std::string password(20, '\0');
  for (std::size_t i = 0; i < 10; ++i) {
    password[2 * i] = masked[i];
    password[2 * i + 1] = masked[19 - i];
  }
  std::mt19937 rng(5);
  std::string stored;
  ASSERT_TRUE(ScramblePasswordRandomly(kKey, password, rng, &stored));
  EXPECT_EQ(stored.size(), 24u);
  EXPECT_NE(stored.find('\x7F'), std::string::npos);
  std::string back;
  ASSERT_EQ(DescramblePassword(kKey, stored, &back), DescrambleResult::kOk);
  EXPECT_EQ(back, password);
}

TEST(PasswordDescramble, MatchesTheFormatBuiltByHand) {
  std::string unshuffled = "Pa55word!" + std::string("xyzXYZ01234");
  const char length[2] = {'0', '9'};
  std::string stored = StoreByHand(unshuffled, CheckDigitOf(unshuffled), 7, length);
  std::string password;
  ASSERT_EQ(DescramblePassword(kKey, stored, &password), DescrambleResult::kOk);
  EXPECT_EQ(password, "Pa55word!");

  // And ScramblePassword writes exactly that value.
  std::string scrambled;
  ASSERT_TRUE(ScramblePassword(kKey, "Pa55word!", 7, "xyzXYZ01234", &scrambled));
  EXPECT_EQ(scrambled, stored);
}

TEST(PasswordDescramble, LengthOfTwentyOrMoreGivesAllCharacters) {
  std::string unshuffled = "abcdefghij0123456789";
  const char length[2] = {'4', '2'};
  std::string password;
  ASSERT_EQ(DescramblePassword(kKey, StoreByHand(unshuffled, CheckDigitOf(unshuffled), 0, length),
                               &password),
            DescrambleResult::kOk);
  EXPECT_EQ(password, unshuffled);
}

TEST(PasswordDescramble, LengthDigitsZeroGiveEmptyPassword) {
  std::string unshuffled = "abcdefghij0123456789";
  const char length[2] = {'0', '0'};
  std::string password = "before";
  ASSERT_EQ(DescramblePassword(kKey, StoreByHand(unshuffled, CheckDigitOf(unshuffled), 3, length),
                               &password),
            DescrambleResult::kOk);
  EXPECT_EQ(password, "");
}

TEST(PasswordDescramble, CheckDigitCountsOnlyAsciiLettersAndDigits) {
  // Blanks and punctuation add nothing; "A" (65) and "1" (49) give 114.
  std::string unshuffled = "A!1 .,;:-_+*#~/()[]{";
  const char length[2] = {'2', '0'};
  std::string password;
  EXPECT_EQ(DescramblePassword(kKey, StoreByHand(unshuffled, '4', 2, length), &password),
            DescrambleResult::kOk);
  EXPECT_EQ(DescramblePassword(kKey, StoreByHand(unshuffled, '5', 2, length), &password),
            DescrambleResult::kCheckFailed);
}

TEST(PasswordDescramble, MalformedValues) {
  std::string stored;
  ASSERT_TRUE(ScramblePassword(kKey, "secret", 4, "ABCDEFGHIJKLMN", &stored));
  std::string password = "unchanged";
  EXPECT_EQ(DescramblePassword(kKey, stored.substr(0, 23), &password),
            DescrambleResult::kMalformed);
  EXPECT_EQ(DescramblePassword(kKey, stored + "x", &password), DescrambleResult::kMalformed);
  EXPECT_EQ(DescramblePassword(kKey, "", &password), DescrambleResult::kMalformed);
  for (std::size_t i = 0; i < 4; ++i) {
    std::string broken = stored;
    broken[i] = static_cast<char>('A' ^ kKey[i]);  // reads as a letter, not a digit
    EXPECT_EQ(DescramblePassword(kKey, broken, &password), DescrambleResult::kMalformed)
        << "header character " << i;
  }
  EXPECT_EQ(password, "unchanged");
}

TEST(PasswordDescramble, WrongCheckDigit) {
  std::string stored;
  ASSERT_TRUE(ScramblePassword(kKey, "secret", 4, "ABCDEFGHIJKLMN", &stored));
  char digit = static_cast<char>(stored[0] ^ kKey[0]);
  stored[0] = static_cast<char>((digit == '9' ? '0' : digit + 1) ^ kKey[0]);
  std::string password = "unchanged";
  EXPECT_EQ(DescramblePassword(kKey, stored, &password), DescrambleResult::kCheckFailed);
  EXPECT_EQ(password, "unchanged");

  // A changed password character breaks the check as well.
  ASSERT_TRUE(ScramblePassword(kKey, "secret", 4, "ABCDEFGHIJKLMN", &stored));
  stored[4] = static_cast<char>(stored[4] ^ 0x01);
  EXPECT_EQ(DescramblePassword(kKey, stored, &password), DescrambleResult::kCheckFailed);
}

TEST(PasswordDescramble, StepsRunOnForAMalformedValue) {
  std::string stored;
  ASSERT_TRUE(ScramblePassword(kKey, "secret", 4, "ABCDEFGHIJKLMN", &stored));
  // One character too many: malformed, but the first 24 still carry a
  // matching check digit and the password.
  DescrambleSteps steps = RunDescrambleSteps(kKey, stored + "!");
  EXPECT_FALSE(steps.wellFormed);
  EXPECT_TRUE(steps.checkMatches);
  EXPECT_EQ(steps.password, "secret");

  steps = RunDescrambleSteps(kKey, stored.substr(0, 10));
  EXPECT_FALSE(steps.wellFormed);
  EXPECT_FALSE(steps.checkMatches);
}

TEST(PasswordScramble, RefusesWhatCannotBeStored) {
  std::string stored = "unchanged";
  const std::string filler(20, 'x');
  EXPECT_FALSE(ScramblePassword(kKey, "", 0, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, std::string(21, 'a'), 0, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "tab\there", 0, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "del\x7F", 0, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "caf\xC3\xA9", 0, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "secret", -1, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "secret", 10, filler, &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "secret", 0, "short", &stored));
  EXPECT_FALSE(ScramblePassword(kKey, "secret", 0, std::string(14, '\n'), &stored));
  EXPECT_EQ(stored, "unchanged");
  std::mt19937 rng(3);
  EXPECT_FALSE(ScramblePasswordRandomly(kKey, std::string(21, 'a'), rng, &stored));
  EXPECT_FALSE(ScramblePasswordRandomly(kKey, "", rng, &stored));

  // The longest password needs no filler at all.
  EXPECT_TRUE(ScramblePassword(kKey, std::string(20, 'a'), 9, "", &stored));
}

}  // namespace
}  // namespace tolvaran
