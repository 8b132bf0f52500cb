#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <vector>

#include "modbus/MBErrors.h"
#include "recorder/access/RecordTransfers.h"
#include "recorder/access/RegErrors.h"
#include "recorder/info/VantorException.h"
#include "support/RecorderLink.h"

using namespace Registrator;
using Bytes = std::vector<std::uint8_t>;
using recsim::Fault;

namespace {

Bytes Pattern(std::size_t size, std::uint8_t seed)
{
  Bytes bytes(size);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
  return bytes;
}

TEST(RecordsPerFrame, FillsOneReplyAndNeverStalls)
{
  struct Case {
    std::uint32_t first, count, size, expected;
  };
  const Case cases[] = {
      {0, 10, 0, 1},     // size unknown: one per request
      {0, 100, 18, 12},  // 252 / 20
      {96, 100, 18, 4},  // what remains
      {0, 300, 1, 84},   // 252 / 3
      {0, 5, 250, 1},    // exactly one frame
      {0, 5, 124, 2},
      {0, 5, 251, 1},    // larger than a frame: still one, never 0
      {0, 5, 1000, 1},
      {5, 5, 18, 0},     // nothing left
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.first << ", " << c.count << ", " << c.size);
    EXPECT_EQ(RecordsPerFrame(c.first, c.count, c.size), c.expected);
  }
}

TEST(SectionCaption, NamesARecordByItsListEntryOrItsNumber)
{
  const TRegCaptions captions = {"A", "B"};
  EXPECT_EQ(SectionCaption(nullptr, 0), "1");
  EXPECT_EQ(SectionCaption(nullptr, 23), "24");
  EXPECT_EQ(SectionCaption(&captions, 1), "B");
  EXPECT_EQ(SectionCaption(&captions, 2), "3");
}

// Records 0x50... of function 0x65, 18 bytes each, on the simulated recorder.
class ReadRecordsTest : public testing::Test {
protected:
  static constexpr std::uint8_t kFunction = 0x65;
  static constexpr std::uint32_t kBase = 0x50;
  static constexpr std::uint32_t kSize = 18;

  void SetUp() override
  {
    link.Device([](recsim::Device& device) {
      for (std::uint32_t i = 0; i < 40; ++i)
        device.records.Set(kFunction, static_cast<std::uint8_t>(kBase + i), Pattern(kSize, static_cast<std::uint8_t>(i)));
    });
  }
  bool Read(std::uint32_t count, std::uint32_t indexOffset = 0, const TRegCaptions* captions = nullptr)
  {
    return ReadConfigRecords(*link.transport, RecorderLink::kUnit, kFunction, kBase, indexOffset, kSize, count, done,
                             total, progress, captions, store);
  }

  RecorderLink link{LinkKind::Tcp, 500};
  std::uint32_t done = 5, total = 77;
  TRegProgressEvent progress;
  std::vector<std::pair<std::uint32_t, Bytes>> stored;
  TRegRecordStoreEvent store = [this](std::uint32_t index, const std::uint8_t* data, std::uint32_t length) {
    stored.emplace_back(index, Bytes(data, data + length));
    return 0;
  };
};

TEST_F(ReadRecordsTest, CountZeroSendsNothing)
{
  EXPECT_TRUE(Read(0));
  EXPECT_TRUE(link.server.Log().empty());
  EXPECT_TRUE(stored.empty());
}

TEST_F(ReadRecordsTest, PacksFramesAndStoresInRequestOrder)
{
  std::vector<std::uint32_t> seen;
  progress = [&](std::uint32_t d, std::uint32_t t, bool&) {
    seen.push_back(d);
    EXPECT_EQ(t, 77u);
  };
  EXPECT_TRUE(Read(30, 100));
  auto requests = link.Requests(kFunction);
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0], Bytes({0x50, 0x51, 0x52, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x5B}));
  EXPECT_EQ(requests[2], Bytes({0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D}));
  EXPECT_EQ(seen, std::vector<std::uint32_t>({17, 29, 35}));
  EXPECT_EQ(total, 77u);
  ASSERT_EQ(stored.size(), 30u);
  for (std::uint32_t i = 0; i < 30; ++i) {
    EXPECT_EQ(stored[i].first, 100 + i);
    EXPECT_EQ(stored[i].second, Pattern(kSize, static_cast<std::uint8_t>(i)));
  }
}

TEST_F(ReadRecordsTest, WithoutProgressTheCountersStay)
{
  EXPECT_TRUE(Read(13));
  EXPECT_EQ(done, 5u);
  EXPECT_EQ(stored.size(), 13u);
}

TEST_F(ReadRecordsTest, CancelFromProgressKeepsTheFrameUnstored)
{
  struct Case {
    const char* name;
    int cancelOnCall;  // 1-based
    std::size_t stored;
  };
  const Case cases[] = {{"first frame", 1, 0}, {"second frame", 2, 12}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    stored.clear();
    link.server.ClearLog();
    int calls = 0;
    progress = [&](std::uint32_t, std::uint32_t, bool& cancel) { cancel = ++calls == c.cancelOnCall; };
    EXPECT_FALSE(Read(30));
    EXPECT_EQ(stored.size(), c.stored);
    EXPECT_EQ(link.Requests(kFunction).size(), std::size_t(c.cancelOnCall));
  }
}

TEST_F(ReadRecordsTest, FailureInsideAFrameArrivesAsPlainErrorWithTheFramesCaption)
{
  TRegCaptions captions;
  for (char c = 'A'; c <= 'Z'; ++c) captions.push_back(std::string("Канал ") + c);
  const std::string source = link.Source();
  struct Case {
    const char* name;
    std::function<void()> arrange;
    const TRegCaptions* captions;
    std::uint32_t indexOffset;
    std::string message;
  };
  const Case cases[] = {
      {"time-out in the third frame",
       [&] { link.server.AddFault(Fault::Of(Fault::Kind::Silence).OnFunction(kFunction).After(2)); }, &captions, 1,
       // A silent TCP peer is a failed receive wait, reported at once.
       "Конфигурация \"Канал Z\":\n" + ModbusMaster::EMBSysError(source, ModbusMaster::kTextReadError, ETIMEDOUT).Message()},
      {"record-format error while storing the second frame",
       [&] {
         store = [](std::uint32_t index, const std::uint8_t*, std::uint32_t) -> int {
           if (index == 15) throw EVantorInvalid(5202);
           return 0;
         };
       },
       &captions, 0, "Конфигурация \"Канал M\":\nОшибка {5202}"},
      {"no captions: the record's number",
       [&] {
         store = [](std::uint32_t index, const std::uint8_t*, std::uint32_t) -> int {
           if (index == 12) throw EVantorUnsupportedOldVer(0x01000000);
           return 0;
         };
       },
       nullptr, 0,
       "Конфигурация \"13\":\nНеподдерживаемая версия ПО 1.0.0\r\nДля работы с регистратором требуется обновление "
       "программы."},
      {"caption list shorter than the index", [&] { link.server.AddFault(Fault::Of(Fault::Kind::ExceptionReply).Code(2)); },
       &captions, 30, "Конфигурация \"31\":\n" + source + ": Server Exception 2 (Illegal data address)"},
      {"device-operation error from the store",
       [&] {
         store = [&](std::uint32_t, const std::uint8_t*, std::uint32_t) -> int {
           throw EMBInternalError(source, "rec size 1");
         };
       },
       &captions, 0, "Конфигурация \"Канал A\":\n" + source + ": Ошибка \"rec size 1\""},
      {"progress callback failing",
       [&] { progress = [](std::uint32_t, std::uint32_t, bool&) { throw Exception("stop"); }; }, &captions, 1,
       "Конфигурация \"Канал B\":\nstop"},
      // A cancel during a socket wait names the host.
      {"transport cancelled", [&] { link.transport->Cancel(); }, &captions, 0, "Конфигурация \"Канал A\":\n127.0.0.1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto keepStore = store;
    c.arrange();
    try {
      Read(30, c.indexOffset, c.captions);
      ADD_FAILURE() << "no error";
    } catch (const ModbusMaster::EMBError& e) {
      ADD_FAILURE() << "the Modbus error came through unwrapped: " << e.Message();
    } catch (const EVantorException& e) {
      ADD_FAILURE() << "the record error came through unwrapped: " << e.Message();
    } catch (const Exception& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
    store = keepStore;
    progress = nullptr;
    link.transport->ResetCancel();
    link.server.ClearFaults();
  }
}

// A byte-counted transfer into a memory stream on the simulated recorder.
class StreamReadTest : public testing::Test {
protected:
  const Bytes& Streamed() const { return stream.Data(); }

  RecorderLink link{LinkKind::Tcp};
  std::uint32_t done = 9, total = 9;
  TRegProgressEvent progress;
  TMemoryStream stream;
};

// Record file 2 and its blocks on the simulated recorder.
class ReadRecordFileTest : public StreamReadTest {
protected:
  static constexpr std::uint8_t kFile = 2;

  void SetFile(const Bytes& bytes)
  {
    link.Device([&](recsim::Device& device) { device.recordFiles[kFile] = bytes; });
  }
  void SetSizeReply(const Bytes& bytes)
  {
    link.Device([&](recsim::Device& device) { recsim::Recorder(device).fileSizeReply = bytes; });
  }
  bool Read() { return ReadRecordFile(kFile, *link.transport, RecorderLink::kUnit, done, total, progress, stream); }
};

TEST_F(ReadRecordFileTest, AsksTheSizeThenBlocksAtRisingPositions)
{
  struct Case {
    const char* name;
    std::size_t size;
    std::vector<Bytes> requests;
  };
  const Case cases[] = {
      {"empty file: the size query only", 0, {{kFile, 0, 0, 0}}},
      {"one block exactly", 248, {{kFile, 0, 0, 0}, {kFile, 248, 0, 0}}},
      {"three blocks exactly", 744, {{kFile, 0, 0, 0}, {kFile, 248, 0, 0}, {kFile, 248, 1, 0}, {kFile, 248, 2, 0}}},
      {"a short last block", 600, {{kFile, 0, 0, 0}, {kFile, 248, 0, 0}, {kFile, 248, 1, 0}, {kFile, 248, 2, 0}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    link.server.ClearLog();
    stream = TMemoryStream();
    Bytes file = Pattern(c.size, 3);
    SetFile(file);
    std::vector<std::uint32_t> seen;
    progress = [&](std::uint32_t d, std::uint32_t t, bool&) {
      seen.push_back(d);
      EXPECT_EQ(t, c.size);
    };
    EXPECT_TRUE(Read());
    EXPECT_EQ(link.Requests(0x69), c.requests);
    EXPECT_EQ(Streamed(), file);
    EXPECT_EQ(total, c.size);
    EXPECT_EQ(done, c.size);
    EXPECT_EQ(seen.front(), 0u);
  }
}

TEST_F(ReadRecordFileTest, ProgressCountsBytesAndCancelStops)
{
  SetFile(Pattern(600, 1));
  std::vector<std::uint32_t> seen;
  progress = [&](std::uint32_t d, std::uint32_t, bool& cancel) {
    seen.push_back(d);
    cancel = d == 496;
  };
  EXPECT_FALSE(Read());
  EXPECT_EQ(seen, std::vector<std::uint32_t>({0, 248, 496}));
  EXPECT_EQ(Streamed().size(), 496u);
}

TEST_F(ReadRecordFileTest, LastBlockBeyondTheAnnouncedSizeEndsTheFile)
{
  // The device announces 100 bytes but its first block brings 248.
  SetFile(Pattern(600, 1));
  SetSizeReply({100, 0, 0, 0});
  EXPECT_TRUE(Read());
  EXPECT_EQ(link.Requests(0x69).size(), 2u);
  EXPECT_EQ(Streamed(), Pattern(100, 1));
  EXPECT_EQ(done, 100u);
}

TEST_F(ReadRecordFileTest, SizeQueryIsChecked)
{
  SetFile(Pattern(10, 1));
  const std::string source = link.Source();
  SetSizeReply({1, 2, 3});
  EXPECT_THROW_MSG(Read(), EMBInternalError, source + ": Ошибка \"rec size 1\"");
  SetSizeReply({4, 0, 0, 0, 0});
  EXPECT_THROW_MSG(Read(), EMBInternalError, source + ": Ошибка \"rec size 1\"");
  SetSizeReply({0x09, 0xFF, 0xF7, 0x00});  // 16,252,681
  EXPECT_THROW_MSG(Read(), EMBInternalError, source + ": Ошибка \"rec size 2\"");
  EXPECT_EQ(link.Requests(0x69).size(), 3u);  // no block was asked for

  SetSizeReply({0x08, 0xFF, 0xF7, 0x00});  // 16,252,680: accepted (the read is cancelled at once)
  progress = [](std::uint32_t, std::uint32_t, bool& cancel) { cancel = true; };
  EXPECT_FALSE(Read());
  EXPECT_EQ(total, 16252680u);
}

// Blobs on the simulated recorder: the first chunk is read by the caller, the rest by
// the blob read.
class ReadBlobTest : public StreamReadTest {
protected:
  void SetBlob(std::uint8_t function, const Bytes& blob)
  {
    link.Device([&](recsim::Device& device) { recsim::Recorder(device).blobs[function] = blob; });
  }
  template <typename Command>
  void First(Command& command)
  {
    link.transport->Execute(RecorderLink::kUnit, command);
  }
  std::vector<std::uint32_t> Offsets(std::uint8_t function) const
  {
    std::vector<std::uint32_t> offsets;
    for (const auto& data : link.Requests(function)) offsets.push_back(ByteReader(data).u32(0));
    return offsets;
  }
};

TEST_F(ReadBlobTest, ReadsHeaderAndPayloadChunkByChunk)
{
  struct Case {
    const char* name;
    std::uint8_t function;
    std::size_t payload;
    std::uint32_t chunk;
    std::vector<std::uint32_t> offsets;
  };
  const Case cases[] = {
      {"mnemonic scheme", 0x69, 500, 246, {0, 246, 492}},
      {"AMX program, old function", 0x6B, 234, 246, {0}},  // 246 bytes: one chunk
      {"AMX program", 0x6F, 235, 246, {0, 246}},
      {"short chunks", 0x6F, 288, 100, {0, 100, 200}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    link.server.ClearLog();
    stream = TMemoryStream();
    Bytes blob = recsim::MakeBlob(1, Pattern(c.payload, 11));
    SetBlob(c.function, blob);
    link.Device([&](recsim::Device& device) { recsim::Recorder(device).blobChunkSize = c.chunk; });
    std::vector<std::uint32_t> seen;
    progress = [&](std::uint32_t d, std::uint32_t t, bool&) {
      seen.push_back(d);
      EXPECT_EQ(t, blob.size());
    };
    bool read;
    if (c.function == 0x69) {
      TRegReadMSConfigCommand command;
      First(command);
      read = ReadMSConfigBlob(command.Header(), command, *link.transport, RecorderLink::kUnit, done, total, progress,
                              stream);
    } else {
      TRegReadAMXConfigCommand command(c.function);
      First(command);
      read = ReadAMXConfigBlob(command.Header(), command, *link.transport, RecorderLink::kUnit, done, total, progress,
                               stream);
    }
    EXPECT_TRUE(read);
    EXPECT_EQ(Offsets(c.function), c.offsets);
    EXPECT_EQ(Streamed(), blob);
    EXPECT_EQ(total, blob.size());
    EXPECT_EQ(done, blob.size());
    EXPECT_EQ(seen.size(), c.offsets.size() + 1);
  }
}

TEST_F(ReadBlobTest, EmptyChunkBeforeTheEndIsAnError)
{
  SetBlob(0x69, recsim::MakeBlob(1, Pattern(600, 1)));
  link.Device([](recsim::Device& device) { recsim::Recorder(device).blobEmptyFrom = 246; });
  TRegReadMSConfigCommand command;
  First(command);
  EXPECT_THROW_MSG(ReadMSConfigBlob(command.Header(), command, *link.transport, RecorderLink::kUnit, done, total,
                                     progress, stream),
                    EMBInternalError, link.Source() + ": Ошибка \"ms 1\"");
  EXPECT_EQ(Offsets(0x69), std::vector<std::uint32_t>({0, 246}));
  EXPECT_EQ(Streamed().size(), 246u);  // grown as bytes came, never preset to the size
}

TEST_F(ReadBlobTest, SizeNearTwoToThe32IsRefusedBeforeReading)
{
  Bytes blob = recsim::MakeBlob(1, Pattern(300, 1));
  ByteWriter(blob).u32(8, 0xFFFFFFF8u);  // 32-bit arithmetic would make the total 4
  SetBlob(0x6F, blob);
  TRegReadAMXConfigCommand command(0x6F);
  First(command);
  TRegAMXConfigHeader header = command.Header();
  EXPECT_FALSE(header.Fits());
  EXPECT_THROW_MSG(
      ReadAMXConfigBlob(header, command, *link.transport, RecorderLink::kUnit, done, total, progress, stream),
      EMBInternalError, link.Source() + ": Ошибка \"amx 1\"");
  EXPECT_EQ(Offsets(0x6F).size(), 1u);
  EXPECT_TRUE(Streamed().empty());
}

TEST_F(ReadBlobTest, BytesBeyondTheAnnouncedSizeAreNotTheBlobs)
{
  Bytes blob = recsim::MakeBlob(1, Pattern(300, 1));
  ByteWriter(blob).u32(8, 10);  // the device holds more than it announces
  SetBlob(0x6F, blob);
  TRegReadAMXConfigCommand command(0x6F);
  First(command);
  EXPECT_TRUE(ReadAMXConfigBlob(command.Header(), command, *link.transport, RecorderLink::kUnit, done, total, progress,
                                stream));
  EXPECT_EQ(Streamed(), Bytes(blob.begin(), blob.begin() + 22));
  EXPECT_EQ(done, 22u);
}

TEST_F(ReadBlobTest, CancelReturnsFalseWithWhatArrived)
{
  SetBlob(0x69, recsim::MakeBlob(1, Pattern(600, 1)));
  TRegReadMSConfigCommand command;
  First(command);
  int calls = 0;
  progress = [&](std::uint32_t, std::uint32_t, bool& cancel) { cancel = ++calls == 2; };
  EXPECT_FALSE(ReadMSConfigBlob(command.Header(), command, *link.transport, RecorderLink::kUnit, done, total, progress,
                                stream));
  EXPECT_EQ(Offsets(0x69).size(), 1u);
  EXPECT_EQ(Streamed().size(), 246u);
}

}  // namespace
