#include <gtest/gtest.h>

#include "app/core/AddressHistory.h"

using Entries = std::vector<std::string>;

// Vectors of the string list's comma text, written by hand from its rules: quotes around
// an entry with a blank, a comma or a quote, quotes inside doubled.
TEST(CommaText, Writing)
{
  struct Row {
    const char* name;
    Entries entries;
    const char* text;
  };
  const Row rows[] = {
      {"nothing", {}, ""},
      {"plain addresses", {"10.0.0.1", "mbtcp://host:502"}, "10.0.0.1,mbtcp://host:502"},
      {"a space", {"a b"}, "\"a b\""},
      {"a comma", {"a,b", "c"}, "\"a,b\",c"},
      {"a quote", {"q\"z"}, "\"q\"\"z\""},
      {"a tab", {"a\tb"}, "\"a\tb\""},
      {"one empty entry", {""}, "\"\""},
      {"an empty entry among others", {"a", "", "b"}, "a,,b"},
      {"Cyrillic needs no quotes", {"хост"}, "хост"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(ToCommaText(row.entries), row.text);
  }
}

TEST(CommaText, Reading)
{
  struct Row {
    const char* name;
    const char* text;
    Entries entries;
  };
  const Row rows[] = {
      {"nothing", "", {}},
      {"blanks only", "  ", {}},
      {"plain", "a,b,c", {"a", "b", "c"}},
      {"quoted with a comma and a doubled quote", "\"a,b\",\"q\"\"z\"", {"a,b", "q\"z"}},
      {"one empty entry", "\"\"", {""}},
      {"empty entry in the middle", "a,,b", {"a", "", "b"}},
      {"a trailing comma adds an empty entry", "a,", {"a", ""}},
      {"blanks around entries are dropped", " a , b ", {"a", "b"}},
      {"outside quotes a space ends an entry", "a b", {"a", "b"}},
      {"an unclosed quote runs to the end", "\"a,b", {"a,b"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(FromCommaText(row.text), row.entries);
  }
}

TEST(CommaText, RoundTrip)
{
  const Entries entries{"mbudp://10.1.2.3:1502", "host name", "a,b", "q\"z", "", "\"", "x y,\"z\""};
  EXPECT_EQ(FromCommaText(ToCommaText(entries)), entries);
}
