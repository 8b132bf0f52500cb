#include <gtest/gtest.h>

#include "modbus/UrlParser.h"

using ModbusMaster::ParseUrl;
using ModbusMaster::TUrlParts;

struct UrlCase {
  const char* name;
  const char* url;
  TUrlParts expected;
};

// Names the row in test listings instead of dumping its bytes.
void PrintTo(const UrlCase& row, std::ostream* os) { *os << row.name; }


class UrlParserTest : public testing::TestWithParam<UrlCase> {};

TEST_P(UrlParserTest, Splits)
{
  const auto& c = GetParam();
  TUrlParts parts = ParseUrl(c.url);
  EXPECT_EQ(parts.Scheme, c.expected.Scheme);
  EXPECT_EQ(parts.User, c.expected.User);
  EXPECT_EQ(parts.Password, c.expected.Password);
  EXPECT_EQ(parts.Host, c.expected.Host);
  EXPECT_EQ(parts.Port, c.expected.Port);
  EXPECT_EQ(parts.Path, c.expected.Path);
  EXPECT_EQ(parts.Query, c.expected.Query);
  EXPECT_EQ(parts.FullPath, c.expected.FullPath);
}

// Rows: scheme, user, password, host, port, path, query, full path.
INSTANTIATE_TEST_SUITE_P(
    Cases, UrlParserTest,
    testing::Values(
        UrlCase{"Everything", "mbtcp://admin:secret@[fe80::1]:1502/a/b?x=1",
                {"mbtcp", "admin", "secret", "fe80::1", "1502", "/a/b", "x=1", "/a/b?x=1"}},
        UrlCase{"BareAddress", "192.168.0.10", {"", "", "", "192.168.0.10", "", "/", "", "/"}},
        UrlCase{"Empty", "", {"", "", "", "localhost", "", "/", "", "/"}},
        UrlCase{"OnlyFirstColonSplits", "host:1:2", {"", "", "", "host", "1:2", "/", "", "/"}},
        UrlCase{"AtAfterSlashIsNoUser", "/x@y", {"", "", "", "localhost", "", "/x@y", "", "/x@y"}},
        UrlCase{"UnclosedBracket", "[fe80::1", {"", "", "", "fe80::1", "", "/", "", "/"}},
        UrlCase{"UserWithoutPassword", "mbudp://op@host:7", {"mbudp", "op", "", "host", "7", "/", "", "/"}},
        UrlCase{"BracketWithoutPort", "[::1]/p", {"", "", "", "::1", "", "/p", "", "/p"}},
        UrlCase{"SchemeCaseKept", "MBTCP://10.0.0.5", {"MBTCP", "", "", "10.0.0.5", "", "/", "", "/"}}),
    [](const auto& info) { return std::string(info.param.name); });
