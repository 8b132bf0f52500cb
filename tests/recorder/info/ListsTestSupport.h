#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "recorder/info/RegAIChannelInfo.h"
#include "recorder/info/RegChannelInfo.h"
#include "recorder/info/RegInfo.h"
#include "recorder/info/VersionWord.h"

// The texts and the object slots of a list, to compare with literal lists.
inline std::vector<std::string> Texts(const TStringList& list)
{
  std::vector<std::string> texts;
  for (const auto& item : list.Items()) texts.push_back(item.Text);
  return texts;
}

inline std::vector<long> Objects(const TStringList& list)
{
  std::vector<long> objects;
  for (const auto& item : list.Items()) objects.push_back(static_cast<long>(item.Object));
  return objects;
}

// An entry of the signal-support list as a read record leaves it.
inline TRegInfo::TRegAIChannelSignalSupportInfo SupportedSignal(std::uint8_t code, float range1High, int decimals = 0)
{
  TRegInfo::TRegAIChannelSignalSupportInfo entry;
  entry.SignalCode = code;
  entry.Decimals = decimals;
  entry.SetRanges(0.0f, range1High, 0.0f, 100.0f);
  entry.Valid = 1;
  return entry;
}

inline TRegInfo::TRegAIChannelInfo AIChannel(std::uint8_t kind, std::uint8_t number)
{
  TRegInfo::TRegAIChannelInfo channel;
  channel.Kind = kind;
  channel.Number = number;
  return channel;
}

inline TRegInfo::TRegDIChannelInfo DIChannel(std::uint8_t caps2)
{
  TRegInfo::TRegDIChannelInfo channel;
  channel.Caps2 = caps2;
  channel.RecordByte = caps2;
  return channel;
}

// A recorder of the given firmware with what every list needs and nothing more: a
// 100 ms time base, filter parameter 50, two ports, 12 channels per page, one current
// signal, two measuring AI channels and two discrete inputs.
inline void SetUpRecorder(TRegInfo& info, std::uint32_t sw)
{
  info.SwVersion = sw;
  info.GenSwVersion = sw;
  info.GenTimeBase = 100;
  info.DevFilterParam = 50;
  info.RS485Count = 2;
  info.PageCount = 4;
  info.PageChannelCount = 12;
  info.AISignalSupport = {SupportedSignal(1, 20.0f, 2)};
  info.AIChannels = {AIChannel(0, 0), AIChannel(0, 1)};
  info.PhysAICount = 2;
  info.DIChannels = {DIChannel(0x03), DIChannel(0x03)};
}

// That recorder with the feature bits, its lists built.
inline TRegInfo& Built(TRegInfo& info, std::uint32_t sw, std::uint32_t features = 0)
{
  SetUpRecorder(info, sw);
  info.Features = features;
  info.BuildLists();
  return info;
}
