#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <span>
#include <string>
#include <tuple>
#include <vector>

#include "platform/Stream.h"
#include "recorder/config/StreamTransfer.h"
#include "recorder/info/ValueSource.h"

class TRegInfo;

// The external display boards the recorder drives, first format (feature bit 24, from
// 1.6 on): boards by a two-part address, each a sequence of screens, each screen a list
// of elements (a fixed text, an analog value or a discrete state of a channel). The set
// travels packed in one 250-byte record: format byte, 0, board count, 0, then the boards
// in address order, zeros after the last.
class TRegTIM2v1Config {
public:
  // Each part is one byte on the device, taken as 0-255.
  struct TDeviceAddress {
    std::int32_t First = 0;
    std::int32_t Second = 0;
  };
  // By the first part, then the second.
  struct DeviceAddressComparator {
    bool operator()(const TDeviceAddress& a, const TDeviceAddress& b) const
    {
      return std::tie(a.First, a.Second) < std::tie(b.First, b.Second);
    }
  };

  // One element of a screen: its type code byte, then its data. Texts are short strings
  // (a length byte and the raw code page 1251 bytes; at most 255 of them).
  class TRegTIM2ConfigElementBase {
  public:
    virtual ~TRegTIM2ConfigElementBase() = default;

    // The element's data without the type code byte, and its size.
    virtual void WriteData(TStream& stream) const = 0;
    virtual std::size_t DataSize() const = 0;
    virtual std::unique_ptr<TRegTIM2ConfigElementBase> Clone() const = 0;
    virtual void ReadData(TStream& stream) = 0;
    // The type code byte, then the data.
    void Write(TStream& stream) const;
    // The same class with equal fields; texts compare byte for byte.
    virtual bool IsEqual(const TRegTIM2ConfigElementBase& other) const = 0;
    // The element as a screen shows it, and a one-line description (UTF-8).
    virtual std::string DisplayText(const TRegInfo& info) const = 0;
    virtual std::string Description(const TRegInfo& info) const = 0;

    std::uint8_t TypeCode() const { return typeCode_; }

    // One type code byte: 1 text, 2 analog, 3 discrete, 4 a type the device knows and
    // this program does not. Any other code raises EVantorInvalid 12515.
    static std::uint8_t ReadElementType(TStream& stream);

  protected:
    explicit TRegTIM2ConfigElementBase(std::uint8_t typeCode) : typeCode_(typeCode) {}
    TRegTIM2ConfigElementBase(const TRegTIM2ConfigElementBase&) = default;
    TRegTIM2ConfigElementBase& operator=(const TRegTIM2ConfigElementBase&) = default;

  private:
    std::uint8_t typeCode_;
  };

  // What the three element classes share: their data is one transfer (Derived::Transfer)
  // that reads, writes and sizes it, and their fields compare as Derived::Fields.
  template <class Derived, std::uint8_t Code>
  class TypedElement : public TRegTIM2ConfigElementBase {
  public:
    static constexpr std::uint8_t kTypeCode = Code;

    void WriteData(TStream& stream) const override
    {
      StreamWriting io(stream);
      Derived::Transfer(io, static_cast<const Derived&>(*this));
    }
    std::size_t DataSize() const override
    {
      StreamSizing io;
      Derived::Transfer(io, static_cast<const Derived&>(*this));
      return io.Size();
    }
    std::unique_ptr<TRegTIM2ConfigElementBase> Clone() const override
    {
      return std::make_unique<Derived>(static_cast<const Derived&>(*this));
    }
    void ReadData(TStream& stream) override
    {
      StreamReading io(stream);
      Derived::Transfer(io, static_cast<Derived&>(*this));
    }
    bool IsEqual(const TRegTIM2ConfigElementBase& other) const override
    {
      const auto* same = dynamic_cast<const Derived*>(&other);
      return same && other.TypeCode() == TypeCode() && static_cast<const Derived&>(*this).Fields() == same->Fields();
    }

  protected:
    TypedElement() : TRegTIM2ConfigElementBase(Code) {}
  };

  class TRegTIM2ConfigElementText : public TypedElement<TRegTIM2ConfigElementText, 1> {
  public:
    std::string Text;

    template <class IO, class Self>
    static void Transfer(IO& io, Self& e)
    {
      io.shortString(e.Text);
    }
    auto Fields() const { return std::tie(Text); }
    std::string DisplayText(const TRegInfo& info) const override;
    std::string Description(const TRegInfo& info) const override;
  };

  class TRegTIM2ConfigElementAnalog : public TypedElement<TRegTIM2ConfigElementAnalog, 2> {
  public:
    ValueSource Source{ValueSource::AI, 0};  // the index is one byte on the device
    int Digits = 3;
    int Decimals = 1;
    std::string OverloadText;
    std::string BreakText;

    // Source, digits and decimals are taken as they come, without range checks.
    template <class IO, class Self>
    static void Transfer(IO& io, Self& e)
    {
      io.u8(e.Source.Kind);
      io.u8(e.Source.Index);
      io.u8(e.Digits);
      io.u8(e.Decimals);
      io.shortString(e.OverloadText);
      io.shortString(e.BreakText);
    }
    auto Fields() const { return std::tie(Source, Digits, Decimals, OverloadText, BreakText); }
    std::string DisplayText(const TRegInfo& info) const override;
    std::string Description(const TRegInfo& info) const override;
  };

  class TRegTIM2ConfigElementDiscrete : public TypedElement<TRegTIM2ConfigElementDiscrete, 3> {
  public:
    ValueSource Source{ValueSource::DI, 0};
    std::string OpenText;
    std::string ClosedText;
    std::string BreakText;
    std::string ShortText;

    template <class IO, class Self>
    static void Transfer(IO& io, Self& e)
    {
      io.u8(e.Source.Kind);
      io.u8(e.Source.Index);
      io.shortString(e.OpenText);
      io.shortString(e.ClosedText);
      io.shortString(e.BreakText);
      io.shortString(e.ShortText);
    }
    auto Fields() const { return std::tie(Source, OpenText, ClosedText, BreakText, ShortText); }
    std::string DisplayText(const TRegInfo& info) const override;
    std::string Description(const TRegInfo& info) const override;
  };

  // One screen: a code carried unchanged and its elements, owned (a copy clones them).
  class TRegTIM2v1DisplayItem {
  public:
    int ScreenCode = 0;  // one byte on the device
    std::vector<std::unique_ptr<TRegTIM2ConfigElementBase>> Elements;

    TRegTIM2v1DisplayItem() = default;
    TRegTIM2v1DisplayItem(const TRegTIM2v1DisplayItem& other);
    TRegTIM2v1DisplayItem& operator=(const TRegTIM2v1DisplayItem& other);
    TRegTIM2v1DisplayItem(TRegTIM2v1DisplayItem&&) noexcept = default;
    TRegTIM2v1DisplayItem& operator=(TRegTIM2v1DisplayItem&&) noexcept = default;

    // Screen code, element count, then each element with its type code. A type code 4
    // raises EVantorInvalid 12871.
    void ReadStream(std::uint32_t version, TStream& stream);
    void WriteStream(std::uint32_t version, TStream& stream) const;
  };

  // One board: its screens, after the address bytes.
  class TRegTIM2v1DeviceItem {
  public:
    std::vector<TRegTIM2v1DisplayItem> Screens;

    // The screen count, then the screens.
    void ReadStream(std::uint32_t version, TStream& stream);
    void WriteStream(std::uint32_t version, TStream& stream) const;
  };

  using TBoards = std::map<TDeviceAddress, TRegTIM2v1DeviceItem, DeviceAddressComparator>;

  // Boards as both formats pack them: the two address bytes, then the board. A later
  // board at an address already read replaces the earlier one.
  template <class Boards>
  static void ReadBoards(TStream& stream, unsigned count, std::uint32_t version, Boards& boards)
  {
    StreamReading io(stream);
    for (; count > 0; --count) {
      TDeviceAddress address;
      io.u8(address.First);
      io.u8(address.Second);
      typename Boards::mapped_type board;
      board.ReadStream(version, stream);
      boards[address] = std::move(board);
    }
  }
  template <class Boards>
  static void WriteBoards(TStream& stream, std::uint32_t version, const Boards& boards)
  {
    StreamWriting io(stream);
    for (const auto& [address, board] : boards) {
      io.u8(address.First);
      io.u8(address.Second);
      board.WriteStream(version, stream);
    }
  }

  static constexpr std::size_t kRecordSize = 250;

  std::uint32_t Format = 1;  // 1 after every read
  TBoards Boards;            // at most one board per address

  // Removes every board; the format word stays.
  void SetDefaults() { Boards.clear(); }

  // 250 from 1.6 on (the 2.2 branch included), 0 for 1.5, which has no record.
  static std::uint32_t RecordSize(std::uint32_t version);
  // version: the device's firmware; below 1.6 nothing is read. A record whose format
  // byte is not 1 holds no boards. A later board with an address already read replaces
  // the earlier one's screens. Contents that run past the record (or past its 250 bytes,
  // in a longer one) raise the stream's read error; a failure leaves the boards read
  // before it.
  void ReadRecord(std::uint32_t version, std::span<const std::uint8_t> record);
  // Appends the record for the target firmware and returns 250; 0 (nothing) for 1.5.
  // Boards that do not fit the 246 bytes raise the stream's write error.
  std::size_t WriteRecord(std::uint32_t targetVersion, std::vector<std::uint8_t>& output) const;
};
