#include <gtest/gtest.h>

#include <string>

#include "recorder/access/PasswordCache.h"

using namespace Registrator;

namespace {

// The cache is process-wide: every test starts and ends with it empty.
class PasswordCacheTest : public ::testing::Test {
protected:
  void SetUp() override { ClearPasswordCache(); }
  void TearDown() override { ClearPasswordCache(); }

  static std::string Fetched(const TAuthKey& key)
  {
    TPasswordText text("stale");
    if (!FetchPassword(key, text)) {
      EXPECT_TRUE(text.empty());
      return "<none>";
    }
    return std::string(text.View());
  }

  const TAuthKey device{1, 0, 21, 1234567};
};

}  // namespace

TEST_F(PasswordCacheTest, StoreFetchReplaceErase)
{
  EXPECT_EQ(Fetched(device), "<none>");
  StorePassword(device, "first");
  EXPECT_EQ(Fetched(device), "first");
  EXPECT_EQ(Fetched(device), "first");  // fetching does not consume

  StorePassword(device, "2nd");  // a shorter password leaves nothing of the longer one
  EXPECT_EQ(Fetched(device), "2nd");

  EXPECT_TRUE(HasPassword(device));
  ErasePassword(device);
  EXPECT_FALSE(HasPassword(device));
  EXPECT_EQ(Fetched(device), "<none>");
  ErasePassword(device);  // erasing an absent key is harmless
}

TEST_F(PasswordCacheTest, KeepsFifteenBytes)
{
  StorePassword(device, "123456789012345");
  EXPECT_EQ(Fetched(device), "123456789012345");
  StorePassword(device, "1234567890123456789");
  EXPECT_EQ(Fetched(device), "123456789012345");
  // 8-bit text (code page 1251) passes unchanged.
  StorePassword(device, "\xcf\xe0\xf0\xee\xeb\xfc");
  EXPECT_EQ(Fetched(device), "\xcf\xe0\xf0\xee\xeb\xfc");
}

// Each field of the key tells devices apart; a refusal of one forgets only that one.
TEST_F(PasswordCacheTest, KeysAreSeparate)
{
  const TAuthKey others[] = {
    {2, 0, 21, 1234567},   // another level
    {1, -1, 21, 1234567},  // another line
    {1, 0, 51, 1234567},   // another model
    {1, 0, 21, 1234568},   // another serial number
  };
  StorePassword(device, "device");
  for (const TAuthKey& other : others) StorePassword(other, "other");
  ErasePassword(device);
  EXPECT_EQ(Fetched(device), "<none>");
  for (const TAuthKey& other : others) EXPECT_EQ(Fetched(other), "other");
}

TEST(AuthKey, OrdersFieldByFieldWithASignedLine)
{
  EXPECT_LT((TAuthKey{1, -1, 0, 0}), (TAuthKey{1, 0, 0, 0}));
  EXPECT_LT((TAuthKey{1, 127, 255, 0xFFFFFFFF}), (TAuthKey{2, -128, 0, 0}));
  EXPECT_LT((TAuthKey{1, 0, 21, 0xFFFFFFFF}), (TAuthKey{1, 0, 51, 0}));
  EXPECT_LT((TAuthKey{1, 0, 21, 5}), (TAuthKey{1, 0, 21, 0x80000000}));
  EXPECT_EQ((TAuthKey{1, 0, 21, 5}), (TAuthKey{1, 0, 21, 5}));
}

TEST(PasswordText, TellsAcceptableLengths)
{
  struct Case {
    const char* name;
    std::string text;
    std::size_t size;
    bool acceptable;
  } cases[] = {
    {"empty", "", 0, false},
    {"one byte", "x", 1, true},
    {"15 bytes", std::string(15, 'p'), 15, true},
    {"16 bytes", std::string(16, 'p'), 16, false},
    {"200 bytes", std::string(200, 'p'), 16, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TPasswordText text(c.text);
    EXPECT_EQ(text.size(), c.size);
    EXPECT_EQ(text.IsAcceptable(), c.acceptable);
    EXPECT_EQ(text.View(), std::string_view(c.text).substr(0, c.size));
    text.Wipe();
    EXPECT_TRUE(text.empty());
  }
}

TEST(CryptProtectMemory, ProtectHidesAndUnprotectRestores)
{
  const std::array<std::uint8_t, 16> plain = {'s', 'e', 'c', 'r', 'e', 't'};
  std::array<std::uint8_t, 16> slot = plain;
  const TCryptProtectMemory& protect = TCryptProtectMemory::Instance();
  EXPECT_TRUE(protect.Protect(slot));
  EXPECT_NE(slot, plain);
  EXPECT_TRUE(protect.Unprotect(slot));
  EXPECT_EQ(slot, plain);
}
