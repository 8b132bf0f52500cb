#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>

#include "recorder/info/VantorException.h"

// Version bands of a device record. A record's layout changes with the firmware, so each
// record keeps one table that maps every version word to either a record form or a
// refusal, and everything that depends on the version (the form a reader decodes, the
// length it accepts, the size a writer produces, RecordSize) reads that one table:
//
//   constexpr VersionBand<Form> kBands[] = {
//       RefusedAsOld(0, MakeVersion(1, 4, 255, 255)),
//       Served(MakeVersion(1, 5, 0), MakeVersion(1, 10, 20, 255), Form::First, LengthAtLeast(64, 10145)),
//       RefusedAsNew(MakeVersion(1, 10, 21), MakeVersion(1, 255, 255, 255), kFirstLineUpTo),
//       Served(MakeVersion(2, 0, 0), kSecondLineUpTo, Form::Second, LengthExactly(68, 10440)),
//       RefusedAsNew(MakeVersion(2, 1, 161), 0xFFFFFFFF, kSecondLineUpTo).Sized(68),
//   };
//   const auto& band = BandForReading<kBands>(version, record.size());
//
// The rows must cover every word from 0 to 0xFFFFFFFF in ascending order, each starting
// one above the last of the row before; every lookup checks that at compile time, so a
// gap, an overlap or a misordered row does not build.

enum class BandOutcome : std::uint8_t {
  Served,  // a form of this record exists for the band
  TooOld,  // EVantorUnsupportedOldVer
  TooNew,  // EVantorUnsupportedNewVer naming the newest supported version
};

// The lengths a reader accepts for a form, and the check it raises for any other.
struct LengthRule {
  enum class Kind : std::uint8_t { None, Exactly, AtLeast, ExactlyEither };

  Kind kind = Kind::None;
  std::size_t size = 0;       // the form's own size
  std::size_t otherSize = 0;  // ExactlyEither: the second size accepted
  unsigned check = 0;
  unsigned longerCheck = 0;   // Exactly: a longer record raises this one instead (0: check)

  constexpr bool Accepts(std::size_t length) const
  {
    switch (kind) {
    case Kind::None: return true;
    case Kind::Exactly: return length == size;
    case Kind::AtLeast: return length >= size;
    case Kind::ExactlyEither: return length == size || length == otherSize;
    }
    return false;
  }

  void Check(std::size_t length) const
  {
    if (Accepts(length)) return;
    throw EVantorInvalid(length > size && longerCheck != 0 ? longerCheck : check);
  }

  // Some readers number "too short" and "too long" apart.
  constexpr LengthRule LongerRaises(unsigned checkOfLonger) const
  {
    LengthRule rule = *this;
    rule.longerCheck = checkOfLonger;
    return rule;
  }
};

constexpr LengthRule LengthExactly(std::size_t size, unsigned check)
{
  return {.kind = LengthRule::Kind::Exactly, .size = size, .check = check};
}

constexpr LengthRule LengthAtLeast(std::size_t size, unsigned check)
{
  return {.kind = LengthRule::Kind::AtLeast, .size = size, .check = check};
}

// Either of two exact sizes; size is the one RecordSize reports.
constexpr LengthRule LengthEither(std::size_t size, std::size_t otherSize, unsigned check)
{
  return {.kind = LengthRule::Kind::ExactlyEither, .size = size, .otherSize = otherSize, .check = check};
}

// One row of a band table: the versions first..last (both inclusive) and what a record
// of those versions is. Build rows with Served, RefusedAsOld and RefusedAsNew.
template <typename Form>
struct VersionBand {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  BandOutcome outcome = BandOutcome::TooOld;
  Form form{};                // Served only
  LengthRule length{};        // Served only
  std::uint32_t size = 0;     // RecordSize of these versions; 0: the firmware has no such record
  std::uint32_t newest = 0;   // TooNew: the newest version the refusal names

  constexpr bool Serves() const { return outcome == BandOutcome::Served; }

  // RecordSize differs from the form's size (or a refused band still reports one).
  constexpr VersionBand Sized(std::uint32_t bytes) const
  {
    VersionBand band = *this;
    band.size = bytes;
    return band;
  }

  // Raises the band's refusal for version; returns when the band serves.
  void RefuseUnlessServed(std::uint32_t version) const
  {
    if (outcome == BandOutcome::TooOld) throw EVantorUnsupportedOldVer(version);
    if (outcome == BandOutcome::TooNew) throw EVantorUnsupportedNewVer(version, newest);
  }
};

template <typename Form>
constexpr VersionBand<Form> Served(std::uint32_t first, std::uint32_t last, Form form, LengthRule length)
{
  return {.first = first,
          .last = last,
          .outcome = BandOutcome::Served,
          .form = form,
          .length = length,
          .size = static_cast<std::uint32_t>(length.size)};
}

// A refused row carries no form; it takes the form type of the table it stands in.
struct RefusedBand {
  std::uint32_t first = 0;
  std::uint32_t last = 0;
  BandOutcome outcome = BandOutcome::TooOld;
  std::uint32_t newest = 0;
  std::uint32_t size = 0;

  constexpr RefusedBand Sized(std::uint32_t bytes) const
  {
    RefusedBand band = *this;
    band.size = bytes;
    return band;
  }

  template <typename Form>
  constexpr operator VersionBand<Form>() const
  {
    return {.first = first, .last = last, .outcome = outcome, .size = size, .newest = newest};
  }
};

constexpr RefusedBand RefusedAsOld(std::uint32_t first, std::uint32_t last)
{
  return {.first = first, .last = last, .outcome = BandOutcome::TooOld};
}

constexpr RefusedBand RefusedAsNew(std::uint32_t first, std::uint32_t last, std::uint32_t newest)
{
  return {.first = first, .last = last, .outcome = BandOutcome::TooNew, .newest = newest};
}

// Every word from 0 to 0xFFFFFFFF falls in exactly one row, the rows in ascending order.
template <typename Form, std::size_t N>
constexpr bool BandsCoverEveryVersion(const VersionBand<Form> (&bands)[N])
{
  if (bands[0].first != 0 || bands[N - 1].last != 0xFFFFFFFFu) return false;
  for (std::size_t i = 0; i < N; ++i) {
    if (bands[i].last < bands[i].first) return false;
    if (i > 0 && (bands[i - 1].last == 0xFFFFFFFFu || bands[i].first != bands[i - 1].last + 1)) return false;
  }
  return true;
}

// The row of version. The table is a template argument so that its check runs where
// the table is used, at compile time.
template <const auto& Bands>
constexpr const auto& BandOf(std::uint32_t version)
{
  static_assert(BandsCoverEveryVersion(Bands),
                "version bands must run from 0 to 0xFFFFFFFF in ascending order, without gap or overlap");
  for (const auto& band : Bands)
    if (version <= band.last) return band;
  return Bands[std::size(Bands) - 1];  // not reached: the last row ends at 0xFFFFFFFF
}

// The row a reader decodes a record of version and length with: the row's refusal or
// the form's length check raise first.
template <const auto& Bands>
const auto& BandForReading(std::uint32_t version, std::size_t length)
{
  const auto& band = BandOf<Bands>(version);
  band.RefuseUnlessServed(version);
  band.length.Check(length);
  return band;
}

// The row a writer builds a record for the target version with; refusals raise.
template <const auto& Bands>
const auto& BandForWriting(std::uint32_t target)
{
  const auto& band = BandOf<Bands>(target);
  band.RefuseUnlessServed(target);
  return band;
}

template <const auto& Bands>
constexpr std::uint32_t RecordSizeOf(std::uint32_t version)
{
  return BandOf<Bands>(version).size;
}
