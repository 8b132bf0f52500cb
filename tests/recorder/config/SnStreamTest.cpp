#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <numeric>
#include <optional>
#include <stdexcept>

#include "platform/SysFault.h"
#include "recorder/config/SnStream.h"
#include "support/ExpectThrowMsg.h"
#include "support/TempDir.h"

using SnStream::TFixedMemoryStream;
using SnStream::TSnBufferedStream;
using SnStream::TTempFileStream;

namespace {

std::vector<std::uint8_t> Ramp(std::size_t count, std::uint8_t first = 0)
{
  std::vector<std::uint8_t> bytes(count);
  std::iota(bytes.begin(), bytes.end(), first);
  return bytes;
}

// A memory stream that also notes the size of every write it receives, to show the
// blocks a buffered stream hands on.
class BlockLog : public TMemoryStream {
public:
  std::size_t Write(const void* buffer, std::size_t count) override
  {
    blocks.push_back(count);
    return TMemoryStream::Write(buffer, count);
  }
  std::vector<std::size_t> blocks;
};

}  // namespace

TEST(SnBufferedStreamTest, PassesDataOnInWholeBlocksOfItsCapacity)
{
  struct Case {
    const char* name;
    std::uint32_t capacity;
    std::vector<std::size_t> writes;
    std::vector<std::size_t> blocksBeforeFlush;
    std::uint32_t fillBeforeFlush;
  };
  const Case cases[] = {
      {"a small write waits", 8, {5}, {}, 5},
      {"the buffer fills, the rest waits", 8, {5, 10}, {8}, 7},
      {"a large write into an empty buffer goes on at once", 8, {20}, {16}, 4},
      {"exactly the capacity", 8, {8}, {8}, 0},
      {"the buffer fills, then whole blocks go directly", 8, {3, 29}, {8, 24}, 0},
      {"many small writes", 4, {1, 1, 1, 1, 1, 1}, {4}, 2},
      {"capacity 0 acts as 1", 0, {3, 2}, {3, 2}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BlockLog target;
    std::vector<std::uint8_t> expected;
    {
      TSnBufferedStream stream(c.capacity, &target);
      for (std::size_t count : c.writes) {
        auto data = Ramp(count, static_cast<std::uint8_t>(expected.size()));
        EXPECT_EQ(stream.Write(data.data(), data.size()), count);
        expected.insert(expected.end(), data.begin(), data.end());
      }
      EXPECT_EQ(target.blocks, c.blocksBeforeFlush);
      EXPECT_EQ(stream.Fill(), c.fillBeforeFlush);
      EXPECT_EQ(stream.GetSize(), static_cast<std::int64_t>(expected.size() - c.fillBeforeFlush))
          << "bytes still waiting are not counted";
      stream.Flush();
      EXPECT_EQ(stream.Fill(), 0u);
    }
    EXPECT_EQ(target.Data(), expected);
  }
}

TEST(SnBufferedStreamTest, OnlyWritesAndAsksForTheTargetsSize)
{
  BlockLog target;
  TSnBufferedStream stream(8, &target);
  char byte = 0;
  EXPECT_THROW_MSG(stream.Read(&byte, 1), EStreamError, "TSnBufferedStream.Read");
  EXPECT_THROW_MSG(stream.Seek(0, SeekOrigin::Begin), EStreamError, "TSnBufferedStream.Seek");
  stream.SetSize(3);
  EXPECT_EQ(target.GetSize(), 3);

  // Without a target nothing is buffered for nobody: every transfer says so.
  TSnBufferedStream nowhere(8, nullptr);
  EXPECT_THROW_MSG(nowhere.GetSize(), EStreamError, "TSnBufferedStream.GetSize");
  EXPECT_THROW_MSG(nowhere.SetSize(0), EStreamError, "TSnBufferedStream.GetSize");
  EXPECT_THROW_MSG(nowhere.Write("abc", 3), EStreamError, "TSnBufferedStream.Write");
  EXPECT_EQ(nowhere.Fill(), 0u);
  nowhere.Flush();  // nothing waits
}

TEST(SnBufferedStreamTest, TheDestructorNeverRaisesAndWritesNothingWhileAnErrorUnwinds)
{
  {
    SCOPED_TRACE("a forgotten flush still reaches the target");
    BlockLog target;
    { TSnBufferedStream(8, &target).WriteBuffer("abc", 3); }
    EXPECT_EQ(target.Data(), (std::vector<std::uint8_t>{'a', 'b', 'c'}));
  }
  {
    SCOPED_TRACE("an owned target receives the rest before it is freed");
    auto owned = std::make_unique<BlockLog>();
    BlockLog* seen = owned.get();
    auto stream = std::make_unique<TSnBufferedStream>(8, std::move(owned));
    stream->WriteBuffer("ab", 2);
    stream->Flush();
    EXPECT_EQ(seen->Data(), (std::vector<std::uint8_t>{'a', 'b'}));
    stream.reset();  // frees the target: the leak checker of the sanitized run watches
  }
  {
    SCOPED_TRACE("a target that refuses the last block");
    std::array<std::uint8_t, 4> block{};
    TFixedMemoryStream tooSmall(block.data(), block.size());
    EXPECT_NO_THROW({ TSnBufferedStream(8, &tooSmall).WriteBuffer("abcdef", 6); });
  }
  {
    SCOPED_TRACE("an error on its way up");
    BlockLog target;
    try {
      TSnBufferedStream stream(8, &target);
      stream.WriteBuffer("abc", 3);
      throw std::runtime_error("the data is incomplete");
    } catch (const std::runtime_error&) {
    }
    EXPECT_TRUE(target.Data().empty());
  }
}

TEST(SnBufferedStreamTest, AFailedFlushRaisesAndDropsTheBlock)
{
  std::array<std::uint8_t, 4> block{};
  TFixedMemoryStream tooSmall(block.data(), block.size());
  TSnBufferedStream stream(8, &tooSmall);
  stream.WriteBuffer("abcdef", 6);
  EXPECT_THROW_MSG(stream.Flush(), EWriteError, "Stream write error");
  EXPECT_EQ(stream.Fill(), 0u) << "the block is not offered again";
  stream.Flush();
}

TEST(FixedMemoryStreamTest, TransfersStopAtTheEndsOfTheBlock)
{
  // The block is the middle of a larger buffer whose guard bytes no transfer may touch.
  constexpr std::uint8_t kGuard = 0xEE;
  struct Case {
    const char* name;
    std::int64_t seek;
    SeekOrigin origin;
    std::int64_t position;  // after the seek
    std::size_t count;
    std::size_t transferred;
  };
  const Case cases[] = {
      {"a read or write past the end is cut", 0, SeekOrigin::Begin, 0, 10, 4},
      {"from the middle", 2, SeekOrigin::Begin, 2, 5, 2},
      {"from the end backwards", -1, SeekOrigin::End, 3, 10, 1},
      {"at the end", 0, SeekOrigin::End, 4, 1, 0},
      {"past the end", 7, SeekOrigin::Current, 7, 1, 0},
      {"before the start", -1, SeekOrigin::Begin, -1, 3, 0},
      {"far before the start", -0x80000000LL, SeekOrigin::Begin, -0x80000000LL, 0x80000004u, 0},
      {"a position beyond 32 bits", 0x100000001LL, SeekOrigin::Begin, 0x100000001LL, 2, 0},
      {"a position and count that overflow 32 bits", 0x7FFFFFFF, SeekOrigin::Begin, 0x7FFFFFFF, 0x80000002u, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool writing : {false, true}) {
      SCOPED_TRACE(writing ? "write" : "read");
      std::array<std::uint8_t, 12> memory;
      memory.fill(kGuard);
      std::uint8_t* block = memory.data() + 4;
      for (int i = 0; i < 4; ++i) block[i] = static_cast<std::uint8_t>(0x10 + i);
      TFixedMemoryStream stream(block, 4);
      EXPECT_EQ(stream.Seek(c.seek, c.origin), c.position);
      std::vector<std::uint8_t> other(std::min<std::size_t>(c.count, 16), 0x55);
      const std::size_t count = std::min<std::size_t>(c.count, other.size());
      // The huge counts are only there to overflow a 32-bit sum; a transfer that
      // honoured them would already have failed the guard test with 16 bytes.
      std::size_t n = writing ? stream.Write(other.data(), c.transferred == 0 ? c.count : count)
                              : stream.Read(other.data(), c.transferred == 0 ? c.count : count);
      EXPECT_EQ(n, c.transferred);
      EXPECT_EQ(stream.Position(), c.position + static_cast<std::int64_t>(n));
      EXPECT_EQ(std::count(memory.begin(), memory.begin() + 4, kGuard), 4);
      EXPECT_EQ(std::count(memory.begin() + 8, memory.end(), kGuard), 4);
      EXPECT_EQ(stream.GetSize(), 4);
    }
  }
}

TEST(FixedMemoryStreamTest, ReadsAndWritesItsOwnBytes)
{
  std::array<std::uint8_t, 4> block{1, 2, 3, 4};
  TFixedMemoryStream stream(block.data(), block.size());
  std::uint8_t got[4] = {};
  EXPECT_EQ(stream.Read(got, 10), 4u);
  EXPECT_EQ(std::vector<std::uint8_t>(got, got + 4), (std::vector<std::uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(stream.Read(got, 1), 0u);
  EXPECT_THROW_MSG(stream.ReadBuffer(got, 1), EReadError, "Stream read error");

  stream.Seek(2, SeekOrigin::Begin);
  EXPECT_EQ(stream.Write("abcde", 5), 2u);
  EXPECT_EQ(block, (std::array<std::uint8_t, 4>{1, 2, 'a', 'b'}));
  EXPECT_THROW_MSG(stream.WriteBuffer("x", 1), EWriteError, "Stream write error");
  stream.SetSize(100);
  EXPECT_EQ(stream.GetSize(), 4) << "the block never grows";

  const std::array<std::uint8_t, 2> fixed{7, 8};
  TFixedMemoryStream readOnly(fixed.data(), fixed.size());
  EXPECT_EQ(readOnly.Write("z", 1), 0u);
  EXPECT_EQ(readOnly.Read(got, 2), 2u);
  EXPECT_EQ(got[1], 8);
}

class TempFileStreamTest : public ::testing::Test {
protected:
  ~TempFileStreamTest() override { ClearSysFaults(); }

  TempDir dir;
  std::string target = dir / "backup.cfg";
};

TEST_F(TempFileStreamTest, CommitReplacesTheTargetAndKeepsTheBackupWhenAsked)
{
  struct Case {
    const char* name;
    bool targetExists;
    bool keepBackup;
    std::vector<std::string> files;
    const char* backup;  // nullptr: no backup file afterwards
  };
  const Case cases[] = {
      {"no target: moved to its name, no backup", false, true, {"backup.cfg"}, nullptr},
      {"target and older backup: the backup is the old target", true, true, {"backup.cfg", "backup.cfg.bak"}, "old"},
      {"no backup asked: the older backup stays", true, false, {"backup.cfg", "backup.cfg.bak"}, "older"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::filesystem::remove(target);
    std::filesystem::remove(target + ".bak");
    if (c.targetExists) {
      WriteFileBytes(target, "old");
      WriteFileBytes(target + ".bak", "older");
    }
    {
      TTempFileStream file(target, c.keepBackup);
      file.WriteBuffer("new", 3);
      file.Commit();
      file.Commit();  // a second commit does nothing
    }
    EXPECT_EQ(ReadFileBytes(target), "new") << "destroying a committed stream deletes nothing";
    EXPECT_EQ(dir.Listing(), c.files);
    if (c.backup) {
      EXPECT_EQ(ReadFileBytes(target + ".bak"), c.backup);
    }
  }
}

// The way the backup file is saved: the data through a buffer into the temporary file,
// flushed, then committed. A full disk at any step reaches the caller, leaves the old
// backup file where it was and no temporary file beside it.
TEST_F(TempFileStreamTest, ADiskFullAtAnyStepReachesTheCallerAndLeavesTheOldFile)
{
  const std::string message = "Cannot write \"" + target + "\". No space left on device";
  const auto data = Ramp(250);  // 2 whole blocks of 100 and 50 bytes waiting
  struct Case {
    const char* name;
    SysCallId call;
    int skip;  // calls that pass before the fault
  };
  const Case cases[] = {
      {"the first block", SysCallId::Write, 0},
      {"a later block", SysCallId::Write, 1},
      {"the final flush", SysCallId::Write, 2},
      {"the sync at the commit", SysCallId::Fsync, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFileBytes(target, "old");
    std::filesystem::remove(target + ".bak");
    std::optional<EFileReplaceError> error;
    try {
      TTempFileStream file(target, true);
      TSnBufferedStream buffer(100, &file);
      InjectSysFault(c.call, ENOSPC, 1, c.skip);
      for (std::size_t at = 0; at < data.size(); at += 25) buffer.WriteBuffer(data.data() + at, 25);
      buffer.Flush();
      file.Commit();
    } catch (const EFileReplaceError& e) {
      error = e;
    }
    ClearSysFaults();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->Message(), message);
    EXPECT_EQ(error->Code(), ENOSPC);
    EXPECT_EQ(ReadFileBytes(target), "old");
    EXPECT_EQ(dir.Listing(), std::vector<std::string>{"backup.cfg"});
  }
}

// A caller that lets the destructor write the last block cannot hear of its failure
// there; the temporary file remembers it, and the commit refuses.
TEST_F(TempFileStreamTest, ABlockLostInTheDestructorStopsTheCommit)
{
  WriteFileBytes(target, "old");
  TTempFileStream file(target, true);
  {
    TSnBufferedStream buffer(100, &file);
    buffer.WriteBuffer("tail", 4);
    InjectSysFault(SysCallId::Write, ENOSPC);
  }
  ClearSysFaults();
  EXPECT_THROW_MSG(file.Commit(), EFileReplaceError, "Cannot write \"" + target + "\". No space left on device");
  EXPECT_EQ(ReadFileBytes(target), "old");
  EXPECT_EQ(dir.Listing(), std::vector<std::string>{"backup.cfg"});
}

TEST_F(TempFileStreamTest, BufferedIntoTheTemporaryFileAndCommitted)
{
  WriteFileBytes(target, "old");
  const auto data = Ramp(250);
  {
    TTempFileStream file(target, true);
    TSnBufferedStream buffer(10240, &file);
    for (std::size_t at = 0; at < data.size(); at += 10) buffer.WriteBuffer(data.data() + at, 10);
    buffer.Flush();
    file.Commit();
  }
  EXPECT_EQ(ReadFileBytes(target), std::string(data.begin(), data.end()));
  EXPECT_EQ(ReadFileBytes(target + ".bak"), "old");
}
