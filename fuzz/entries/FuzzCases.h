#pragma once

// How the targets that take more than a plain text read their input. Each layout is
// decoded by its target and encoded by the seed writer from the same struct, so the
// seeds cannot drift from what the targets expect. Every field past the end of the
// input reads as zero.

#include <cstdint>
#include <span>
#include <vector>

#include "FuzzCommands.h"

namespace fuzzing {

// reply_rtu: [flags][command][4 params], then one frame per attempt, each
// [length u16][control][length bytes]. The fake line delivers a frame as one read (two
// with kSplit) followed by the silence that ends the reply; a missing frame is an
// attempt without an answer.
struct RtuReplyCase {
  static constexpr std::uint8_t kAppendCrc = 0x01;    // the right CRC behind the bytes
  static constexpr std::uint8_t kPrependUnit = 0x02;  // the right unit before them
  static constexpr std::uint8_t kOverrun = 0x04;      // line errors the driver counted
  static constexpr std::uint8_t kParity = 0x08;
  static constexpr std::uint8_t kFraming = 0x10;
  static constexpr std::uint8_t kSplit = 0x20;        // two reads with a short gap between
  static constexpr std::size_t kMaxFrame = 512;       // twice what a frame may be

  struct Frame {
    std::uint8_t control = 0;
    std::vector<std::uint8_t> bytes;
  };

  std::uint8_t flags = 0;  // bits 0-1 the retries, bits 2-7 the unit less one
  std::uint8_t command = 0;
  CommandParams params{};
  std::vector<Frame> frames;

  std::uint8_t Unit() const { return static_cast<std::uint8_t>(1 + (flags >> 2)); }
  std::uint32_t Retries() const { return flags & 3u; }

  static RtuReplyCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// reply_mbap: [flags][command][4 params][the reply as it comes off the socket: MBAP
// header, unit, PDU]. One attempt; a reply shorter than its header says ends in the
// peer closing (TCP), so no run waits for a time-out.
struct MbapReplyCase {
  static constexpr std::uint8_t kUdp = 0x01;
  static constexpr std::uint8_t kFixTransaction = 0x02;  // the request's transaction id
  static constexpr std::uint8_t kFixLength = 0x04;       // the header's length = the bytes behind it
  static constexpr std::uint8_t kFixUnit = 0x08;         // the request's unit
  static constexpr std::size_t kMaxReply = 4096;

  std::uint8_t flags = 0;  // bits 4-7: the unit
  std::uint8_t command = 0;
  CommandParams params{};
  std::vector<std::uint8_t> reply;

  std::uint8_t Unit() const { return flags >> 4; }

  static MbapReplyCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// device_reads: the replies to the identification, the device information read and the
// general information read, retries included, each [length u16][function and data].
struct DeviceReadsCase {
  std::vector<std::vector<std::uint8_t>> replies;

  static DeviceReadsCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// record_transfers: [operation][4 params][cancel at], then the replies as device_reads
// has them. The operations are the long reads of the recorder access layer: records in
// as few frames as fit, a record file block by block, and the AMX and mnemonic-scheme
// blobs chunk by chunk after the first chunk told their size.
struct RecordTransfersCase {
  enum Operation : std::uint8_t { Records, RecordFile, AMXBlob, MSBlob, OperationCount };

  std::uint8_t operation = 0;  // modulo OperationCount
  CommandParams params{};
  std::uint8_t cancelAt = 0;   // the progress call (from 1) that asks to cancel; 0 none
  std::vector<std::vector<std::uint8_t>> replies;

  static RecordTransfersCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// The case's operation on any transport (the target's takes the case's replies); true
// when it completed.
bool RunRecordTransfer(ModbusMaster::CBaseModbus& transport, const RecordTransfersCase& c);

// info_read: [cancel at], then the replies as device_reads has them: the device and
// general information records, then the channel information blocks, retries included.
struct InfoReadCase {
  std::uint8_t cancelAt = 0;  // the progress call (from 1) that asks to cancel; 0 no progress callback
  std::vector<std::vector<std::uint8_t>> replies;

  static InfoReadCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// The full information read of the case on any transport (the target's takes the
// case's replies); true when it completed or was cancelled as asked.
bool RunInfoRead(ModbusMaster::CBaseModbus& transport, const InfoReadCase& c);

// config_read: as info_read, the replies running on into those of the configuration
// read after the information read.
using ConfigReadCase = InfoReadCase;

// The information and configuration reads of the case on any transport; true when they
// completed or were cancelled as asked.
bool RunConfigRead(ModbusMaster::CBaseModbus& transport, const ConfigReadCase& c);

// login: [flags][line i8][model][serial u32], then the replies as device_reads has
// them: the protected and open levels (registers 75 and 76), then the two steps of the
// 0x6E exchange, retries included.
struct LoginCase {
  static constexpr std::uint8_t kRemember = 0x01;       // the user ticks "remember"
  static constexpr std::uint8_t kLevelTwo = 0x02;       // the upload asks for level 2, not 1
  static constexpr std::uint8_t kOtherLevel = 0x04;     // the user picks the other level
  static constexpr std::uint8_t kRemembered = 0x08;     // a password is remembered before
  static constexpr std::uint8_t kUserCancels = 0x10;

  std::uint8_t flags = 0;
  std::int8_t line = 0;
  std::uint8_t model = 0;
  std::uint32_t serial = 0;
  std::vector<std::vector<std::uint8_t>> replies;

  std::int32_t Level() const { return (flags & kLevelTwo) ? 2 : 1; }
  static LoginCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// The password the fuzzed user types, and the secret exponent every login of the
// target draws: a small one, so that the exchange's arithmetic costs a fraction of a
// real login's and the runs go to the replies.
inline constexpr const char* kFuzzPassword = "fuzz-password";
void FuzzLoginSecret(std::span<std::uint8_t, 128> secret);

// The case's login on any transport (the target's takes the case's replies): true
// when no login was needed or it succeeded.
bool RunLogin(ModbusMaster::CBaseModbus& transport, const LoginCase& c);

// info_records: [band][version u32 when band names none], then the device information
// record and the general information record, each [length u8][bytes], then channel
// records, each [kind u8][index u8][length u8][bytes].
struct InfoRecordsCase {
  enum Kind : std::uint8_t { SignalSupport, AIChannel, DIChannel, DOChannel, KindCount };
  struct ChannelRecord {
    std::uint8_t kind = 0;  // modulo KindCount
    std::uint8_t index = 0;
    std::vector<std::uint8_t> bytes;
  };

  std::uint8_t band = 0;
  std::uint32_t version = 0;  // read only when band is past the table of band versions
  std::vector<std::uint8_t> device;
  std::vector<std::uint8_t> general;
  std::vector<ChannelRecord> channels;

  // A version of every firmware band the records know, and of the gaps and edges
  // around them, picked by `band`; past the table, `version` itself.
  static std::span<const std::uint32_t> BandVersions();
  std::uint32_t Version() const;

  static InfoRecordsCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// config_general and config_ai_ao: [version u32][general version u32][block][channel]
// [flags], then the record. The configuration's device is of the version (its general
// part of the general version, the same when 0) and describes its channels the way the
// record tests' device does; the record is read into item `channel` of `block`.
struct ConfigRecordCase {
  enum Block : std::uint8_t { AnalogInput, AnalogOutput, BlockCount };
  static constexpr std::uint8_t kFeatureSelector3 = 0x01;  // feature bit 22 (general record)

  std::uint32_t version = 0;
  std::uint32_t genVersion = 0;
  std::uint8_t block = 0;    // modulo BlockCount
  std::uint8_t channel = 0;  // modulo the block's items
  std::uint8_t flags = 0;
  std::vector<std::uint8_t> record;

  static ConfigRecordCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// config_blocks: [block][band][version u32 when band names none][flags], the channel 0's
// DI mode codes and the device's DO control type codes, each [count u8][codes], then
// the record: one device record of a configuration block (the schedule: one item) at
// the band's firmware, on a device with 8 AI, 4 AO, 8 DI, 8 DO, 4 TTL and 4 regulator
// channels, one totalizer and one counter.
struct ConfigBlocksCase {
  enum Block : std::uint8_t { DI, DO, IP, Page, Board, SM, CT, TTL, TMR, Ctl, Tag, Schedule, BlockCount };
  static constexpr std::uint8_t kTwentyChannelsPerPage = 0x01;  // else 16
  static constexpr std::uint8_t kRelayExtension = 0x02;         // relay 0's information has type 2

  std::uint8_t block = 0;  // modulo BlockCount
  std::uint8_t band = 0;
  std::uint32_t version = 0;  // read only when band is past the table of band versions
  std::uint8_t flags = 0;
  std::vector<std::uint8_t> diModes;
  std::vector<std::uint8_t> doControlTypes;
  std::vector<std::uint8_t> record;

  // A version of every band the blocks' records know, and of the edges around them.
  static std::span<const std::uint32_t> BandVersions();
  std::uint32_t Version() const;

  static ConfigBlocksCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// config_streams: [block][band][version u32 when band names none][pages u8][limit u8]
// [tables u8][limit1 u16][limit2 u16], then the record or stream of the block. The
// device offers every block; its information gives the scheme's pages and limit byte
// and the user tables' number and limits.
struct ConfigStreamsCase {
  enum Block : std::uint8_t { CP, BoardsV1, BoardsV2, Scheme, Program, UserTables, BlockCount };

  std::uint8_t block = 0;  // modulo BlockCount
  std::uint8_t band = 0;
  std::uint32_t version = 0;  // read only when band is past the table of band versions
  std::uint8_t pages = 0;
  std::uint8_t limit = 0;
  std::uint8_t tables = 0;
  std::uint16_t limit1 = 0;
  std::uint16_t limit2 = 0;
  std::vector<std::uint8_t> bytes;

  // The firmware edges of the blocks, picked by `band`; past the table, `version`.
  static std::span<const std::uint32_t> BandVersions();
  std::uint32_t Version() const;

  static ConfigStreamsCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

// image_store: [count], then that many resources (1 to 4), each [name u8][length u16]
// [bytes]. Names are "FW_<i>" (type "FW"), or when the name byte's high bit is set a
// name without the prefix, which the store must pass over.
struct ImageStoreCase {
  struct Image {
    std::uint8_t name = 0;
    std::vector<std::uint8_t> bytes;
  };
  std::vector<Image> images;

  static ImageStoreCase Decode(std::span<const std::uint8_t> input);
  std::vector<std::uint8_t> Encode() const;
};

}  // namespace fuzzing
