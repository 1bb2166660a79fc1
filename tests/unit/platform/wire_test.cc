#include "platform/wire.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace tolvaran {
namespace {

std::string SampleMessage() {
  WireWriter w;
  EXPECT_TRUE(w.Add("outcome", "ok"));
  EXPECT_TRUE(w.AddNumber("sessions", 1234));
  EXPECT_TRUE(w.Add("failure", std::string("line 1\nline 2\0\r\n.\n", 18)));
  EXPECT_TRUE(w.Add("empty", ""));
  EXPECT_TRUE(w.Add("outcome", "second"));
  return w.Finish();
}

TEST(WireTest, FieldsComeBackInOrderWithAnyBytes) {
  std::string bytes = SampleMessage();
  WireMessage m;
  ASSERT_TRUE(m.Parse(bytes));
  ASSERT_EQ(5u, m.fields().size());
  EXPECT_EQ("outcome", m.fields()[0].key);
  EXPECT_EQ(std::string("line 1\nline 2\0\r\n.\n", 18), *m.Find("failure"));
  EXPECT_EQ("", *m.Find("empty"));
  EXPECT_EQ("ok", *m.Find("outcome"));  // the first of two
  EXPECT_EQ(nullptr, m.Find("missing"));
  std::int64_t n = 0;
  EXPECT_TRUE(m.FindNumber("sessions", &n));
  EXPECT_EQ(1234, n);
  EXPECT_FALSE(m.FindNumber("outcome", &n));
  EXPECT_FALSE(m.FindNumber("missing", &n));

  WireMessage none;
  EXPECT_TRUE(none.Parse(WireWriter().Finish()));
  EXPECT_TRUE(none.fields().empty());
}

TEST(WireTest, EveryCutOfAMessageIsRefused) {
  // A worker that dies half-way leaves a prefix: never a shorter message.
  std::string bytes = SampleMessage();
  WireMessage m;
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    EXPECT_FALSE(m.Parse(bytes.substr(0, size))) << size;
    EXPECT_TRUE(m.fields().empty());
  }
  EXPECT_FALSE(m.Parse(bytes + "x"));  // nothing may follow the end
  EXPECT_FALSE(m.Parse(bytes + bytes));
}

TEST(WireTest, MalformedFramingIsRefused) {
  const std::string head = "TOLVARAN-WIRE 1\n";
  WireMessage m;
  EXPECT_TRUE(m.Parse(head + "k 1\nv\n.\n"));
  EXPECT_FALSE(m.Parse("TOLVARAN-WIRE 2\n.\n"));
  EXPECT_FALSE(m.Parse(head + "k 2\nv\n.\n"));   // length beyond the value
  EXPECT_FALSE(m.Parse(head + "k 0\nv\n.\n"));   // value longer than its length
  EXPECT_FALSE(m.Parse(head + "k 01\nv\n.\n"));  // leading zero
  EXPECT_FALSE(m.Parse(head + "k -1\nv\n.\n"));
  EXPECT_FALSE(m.Parse(head + "k +1\nv\n.\n"));
  EXPECT_FALSE(m.Parse(head + "k 1 \nv\n.\n"));
  EXPECT_FALSE(m.Parse(head + "k\n.\n"));
  EXPECT_FALSE(m.Parse(head + " 1\nv\n.\n"));     // no key
  EXPECT_FALSE(m.Parse(head + "k.y 1\nv\n.\n"));  // not a key character
  EXPECT_FALSE(m.Parse(head + std::string(33, 'k') + " 1\nv\n.\n"));
  EXPECT_TRUE(m.Parse(head + std::string(32, 'k') + " 1\nv\n.\n"));
  EXPECT_FALSE(m.Parse(head + "k 16777217\n"));  // over the bound, before any allocation
  EXPECT_FALSE(m.Parse(head + "k 99999999999999999999999\n"));
  EXPECT_FALSE(m.Parse(head + ".\r\n"));
}

TEST(WireTest, TheWriterRefusesWhatTheReaderWould) {
  WireWriter w;
  EXPECT_FALSE(w.Add("", "v"));
  EXPECT_FALSE(w.Add("two words", "v"));
  EXPECT_FALSE(w.Add(std::string(33, 'k'), "v"));
  EXPECT_FALSE(w.Add("big", std::string(kMaxWireValue + 1, 'x')));
  EXPECT_TRUE(w.Add("big", std::string(kMaxWireValue, 'x')));
  WireMessage m;
  ASSERT_TRUE(m.Parse(w.Finish()));
  ASSERT_EQ(1u, m.fields().size());
  EXPECT_EQ(kMaxWireValue, m.fields()[0].value.size());
}

TEST(WireTest, NumbersAreWrittenAndReadAtTheirLimits) {
  WireWriter w;
  w.AddNumber("min", std::numeric_limits<std::int64_t>::min());
  w.AddNumber("max", std::numeric_limits<std::int64_t>::max());
  w.AddNumber("zero", 0);
  w.AddNumber("neg", -5);
  w.Add("over", "9223372036854775808");
  w.Add("under", "-9223372036854775809");
  w.Add("minus-zero", "-0");
  w.Add("lead", "007");
  w.Add("sign", "+5");
  w.Add("blank", "");
  WireMessage m;
  ASSERT_TRUE(m.Parse(w.Finish()));
  std::int64_t v = 1;
  EXPECT_TRUE(m.FindNumber("min", &v));
  EXPECT_EQ(std::numeric_limits<std::int64_t>::min(), v);
  EXPECT_TRUE(m.FindNumber("max", &v));
  EXPECT_EQ(std::numeric_limits<std::int64_t>::max(), v);
  EXPECT_TRUE(m.FindNumber("zero", &v));
  EXPECT_EQ(0, v);
  EXPECT_TRUE(m.FindNumber("neg", &v));
  EXPECT_EQ(-5, v);
  for (const char* bad : {"over", "under", "minus-zero", "lead", "sign", "blank"}) {
    v = 42;
    EXPECT_FALSE(m.FindNumber(bad, &v)) << bad;
    EXPECT_EQ(42, v) << bad;
  }
}

}  // namespace
}  // namespace tolvaran
