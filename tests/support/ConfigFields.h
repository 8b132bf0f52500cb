#pragma once

// A configuration's settings flattened to "Key=value" pairs, item by item, the way the
// independent vector scripts write their expectations (tests/recorder/config/vectors/
// blocks.py's flatten): integers in decimal, texts as they read, raw byte strings in
// hex, floats as "%.9g" of their single value, decimals of a stored precision as
// "mantissa/decimals", fixed-precision decimals as their mantissa, lists as "[i]",
// members as ".".

#include <array>
#include <cstdio>
#include <map>
#include <string>
#include <type_traits>

#include "recorder/config/RegConfig.h"

namespace config_fields {

using Fields = std::map<std::string, std::string>;

inline std::string HexOf(const void* data, std::size_t size)
{
  std::string out;
  char digits[3];
  for (std::size_t i = 0; i < size; ++i) {
    std::snprintf(digits, sizeof digits, "%02X", static_cast<const std::uint8_t*>(data)[i]);
    out += digits;
  }
  return out;
}

inline std::string At(const std::string& key, std::size_t i) { return key + "[" + std::to_string(i) + "]"; }

class Flat {
public:
  Fields fields;

  Flat& Int(const std::string& key, long long value)
  {
    fields[key] = std::to_string(value);
    return *this;
  }
  Flat& Text(const std::string& key, const std::string& value)
  {
    fields[key] = value;
    return *this;
  }
  Flat& Bytes(const std::string& key, const std::string& value) { return Text(key, HexOf(value.data(), value.size())); }
  Flat& Bytes(const std::string& key, const std::vector<std::uint8_t>& value)
  {
    return Text(key, HexOf(value.data(), value.size()));
  }
  template <std::size_t N>
  Flat& Bytes(const std::string& key, const std::array<std::uint8_t, N>& value)
  {
    return Text(key, HexOf(value.data(), N));
  }
  Flat& Single(const std::string& key, float value)
  {
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", static_cast<double>(value));
    return Text(key, text);
  }
  // A decimal with its own precision: "mantissa/decimals".
  Flat& Decimal(const std::string& key, const fixed::TValBase<int>& value)
  {
    return Text(key, std::to_string(value.GetMantissa()) + "/" + std::to_string(value.GetPrec()));
  }
  Flat& Source(const std::string& key, const ValueSource& source)
  {
    return Int(key + ".Kind", source.Kind).Int(key + ".Index", source.Index);
  }
  template <std::size_t N>
  Flat& Codes(const std::string& key, const std::array<std::uint16_t, N>& codes)
  {
    for (std::size_t i = 0; i < N; ++i) Int(At(key, i), codes[i]);
    return *this;
  }
  // Another item's fields under a prefix.
  Flat& Nested(const std::string& prefix, const Fields& inner)
  {
    for (const auto& [key, value] : inner) fields[prefix + "." + key] = value;
    return *this;
  }
};

inline Fields GeneralFieldsOf(const TRegConfig& config)
{
  Flat f;
  f.Int("Selector0", config.Selector0).Int("Selector1", config.Selector1).Int("Selector3", config.Selector3);
  f.Int("Selector32", config.Selector32).Int("Switch2", config.Switch2).Text("Name", config.Name);
  f.Int("TenthsA", config.TenthsA.GetMantissa()).Int("TenthsB", config.TenthsB.GetMantissa());
  f.Int("TenthsC", config.TenthsC.GetMantissa());
  return f.fields;
}

inline Fields FieldsOf(const TRegAIConfig& ai)
{
  Flat f;
  f.Text("Name", ai.Name).Int("SignalIndex", ai.SignalIndex).Int("SignalFlag", ai.SignalFlag);
  f.Int("Option1", ai.Option1).Int("Option2", ai.Option2).Decimal("InputLow", ai.InputLow);
  f.Decimal("InputHigh", ai.InputHigh).Int("TransferFunction", ai.TransferFunction).Text("Units", ai.Units);
  f.Decimal("ScaleLow", ai.ScaleLow).Decimal("ScaleHigh", ai.ScaleHigh).Int("ScaleDecimals", ai.ScaleDecimals);
  f.Int("FilterType", ai.FilterType).Int("FilterLength", ai.FilterLength).Bytes("Expression", ai.Expression);
  return f.fields;
}

inline Fields FieldsOf(const TRegAOConfig& ao)
{
  Flat f;
  f.Text("Name", ao.Name).Int("ControlTypeIndex", ao.ControlTypeIndex).Int("Option1", ao.Option1);
  f.Int("Option2", ao.Option2).Int("Option3", ao.Option3).Decimal("OutputValue", ao.OutputValue);
  f.Bytes("Expression", ao.Expression).Bytes("Event", ao.Event).Int("OutputFlag", ao.OutputFlag);
  f.Decimal("OutputLow", ao.OutputLow).Decimal("OutputHigh", ao.OutputHigh);
  f.Int("OutputDecimals", ao.OutputDecimals.GetMantissa()).Text("Units", ao.Units).Int("ExtKind", ao.ExtKind);
  return f.fields;
}

inline Fields FieldsOf(const TRegDIConfig& di)
{
  Flat f;
  f.Int("ModeIndex", di.ModeIndex).Text("Name", di.Name);
  f.Int("Param0", di.Param0.GetMantissa()).Int("ParamA", di.ParamA.GetMantissa()).Int("ParamB", di.ParamB.GetMantissa());
  f.Int("BusMode", di.BusMode).Int("BusByte", di.BusByte).Int("BusWord", di.BusWord).Int("FieldA2", di.FieldA2);
  f.Int("Number16", di.Number16).Int("FieldB6", di.FieldB6).Int("AltByte1", di.AltByte1).Int("AltByte2", di.AltByte2);
  f.Int("AltNibble1", di.AltNibble1).Int("AltNibble2", di.AltNibble2).Int("Alt2Byte", di.Alt2Byte);
  f.Int("Alt2Word", di.Alt2Word).Int("EthByte", di.EthByte).Int("EthIPv4", di.EthIPv4).Int("EthFieldA2", di.EthFieldA2);
  f.Int("EthNumber16", di.EthNumber16).Int("EthFieldB6", di.EthFieldB6).Int("CanByte1", di.CanByte1);
  f.Int("CanByte2", di.CanByte2).Int("CanFlag", di.CanFlag).Int("CanNumber16", di.CanNumber16);
  f.Int("ExternalByte", di.ExternalByte).Int("InputByte", di.InputByte).Bytes("Text", di.Text);
  for (std::size_t i = 0; i < di.Events.size(); ++i) {
    const auto& e = di.Events[i];
    const std::string key = At("Events", i);
    f.Int(key + ".Header", e.Header).Int(key + ".Params[0]", e.Params[0]).Int(key + ".Params[1]", e.Params[1]);
    f.Codes(key + ".Codes", e.Codes);
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegDOConfig& out)
{
  Flat f;
  f.Text("Name", out.Name).Int("ControlIndex", out.ControlIndex).Bytes("Text", out.Text).Int("Mode", out.Mode);
  f.Int("OptionA", out.OptionA).Int("OptionB", out.OptionB).Int("HasLevel", out.HasLevel);
  f.Int("Level", out.Level.GetMantissa()).Int("PwmOption", out.PwmOption).Int("PwmWordA", out.PwmWordA);
  f.Int("PwmWordB", out.PwmWordB).Int("ActuatorOption", out.ActuatorOption).Int("RegulatorIndex", out.RegulatorIndex);
  f.Int("ExtKind", out.ExtKind).Int("ExtByte", out.ExtByte).Int("ExtWord", out.ExtWord).Int("ExtA1", out.ExtA1);
  f.Int("ExtA2", out.ExtA2).Int("ExtA3", out.ExtA3).Int("ExtB1", out.ExtB1).Int("ExtB2", out.ExtB2);
  f.Int("ExtB3", out.ExtB3).Int("ExtC1", out.ExtC1).Int("ExtC2", out.ExtC2).Int("ExtC3", out.ExtC3);
  return f.fields;
}

inline Fields FieldsOf(const TRegIPConfig& ip)
{
  Flat f;
  f.Int("Event.Header", ip.Event.Header).Int("Event.Params[0]", ip.Event.Params[0]);
  f.Int("Event.Params[1]", ip.Event.Params[1]).Codes("Event.Codes", ip.Event.Codes).Int("Event.Spare", ip.Event.Spare);
  return f.fields;
}

inline Fields FieldsOf(const TRegDisplayPageConfig& page)
{
  Flat f;
  f.Int("Mode0", page.Mode0).Int("Mode1", page.Mode1).Int("Setting2", page.Setting2).Int("Setting3", page.Setting3);
  f.Int("Setting4", page.Setting4).Int("Setting8", page.Setting8).Int("Setting12", page.Setting12);
  f.Text("Name", page.Name).Int("Setting20", page.Setting20).Int("ChannelCount", static_cast<long long>(page.Channels.size()));
  for (std::size_t i = 0; i < page.Channels.size(); ++i) {
    const auto& s = page.Channels[i];
    const std::string key = At("Channels", i);
    f.Source(key + ".Source", s.Source).Int(key + ".Pen", s.Pen).Int(key + ".Group", s.Group);
    f.Single(key + ".ScaleMin", s.ScaleMin).Int(key + ".MinDecimals", s.MinDecimals);
    f.Single(key + ".ScaleMax", s.ScaleMax).Int(key + ".MaxDecimals", s.MaxDecimals);
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegDisplayPageTabloConfig& board)
{
  Flat f;
  f.Int("Mode", board.Mode).Text("Name", board.Name);
  for (std::size_t i = 0; i < board.Slots.size(); ++i) f.Source(At("Slots", i), board.Slots[i].Source);
  return f.fields;
}

template <typename Event>
void SumEvents(Flat& f, const std::array<Event, 2>& events)
{
  for (std::size_t i = 0; i < events.size(); ++i) {
    const auto& e = events[i];
    const std::string key = At("Events", i);
    if constexpr (std::is_floating_point_v<decltype(e.Value)>) f.Single(key + ".Value", e.Value);
    else f.Int(key + ".Value", e.Value);
    f.Int(key + ".Setting", e.Setting).Int(key + ".Setting2", e.Setting2).Codes(key + ".Codes", e.Codes);
    f.Bytes(key + ".Reserved", e.Reserved);
  }
}

inline Fields FieldsOf(const TRegSMConfig& sm)
{
  Flat f;
  f.Int("SmByte0", sm.SmByte0).Int("SmByte1", sm.SmByte1).Int("SmByte2", sm.SmByte2).Int("SmByte3", sm.SmByte3);
  f.Int("SmWord", sm.SmWord).Text("ShortText", sm.ShortText).Text("Name", sm.Name);
  SumEvents(f, sm.Events);
  return f.fields;
}

inline Fields FieldsOf(const TRegCTConfig& ct)
{
  Flat f;
  f.Int("CtByte0", ct.CtByte0).Int("CtByte1", ct.CtByte1).Single("CtValue", ct.CtValue).Single("CtFactor", ct.CtFactor);
  f.Text("ShortText", ct.ShortText).Text("Name", ct.Name);
  SumEvents(f, ct.Events);
  return f.fields;
}

inline Fields FieldsOf(const TRegTTLConfig& ttl)
{
  Flat f;
  f.Int("TtlByte", ttl.TtlByte).Int("TtlSelA", ttl.TtlSelA).Int("TtlSelB", ttl.TtlSelB).Int("TtlSelC", ttl.TtlSelC);
  f.Int("TtlSelD", ttl.TtlSelD).Int("TtlSelE", ttl.TtlSelE).Single("TtlFactor", ttl.TtlFactor);
  f.Text("ShortText", ttl.ShortText).Text("Name", ttl.Name).Bytes("Text", ttl.Text).Int("TtlMode", ttl.TtlMode);
  f.Int("ModeByte", ttl.ModeByte).Int("ModeFlag", ttl.ModeFlag).Int("ModeWord", ttl.ModeWord);
  f.Int("ModeSignedA", ttl.ModeSignedA).Int("ModeSignedB", ttl.ModeSignedB).Int("ModeLong", ttl.ModeLong);
  for (std::size_t i = 0; i < ttl.Events.size(); ++i) {
    const auto& e = ttl.Events[i];
    const std::string key = At("Events", i);
    f.Int(key + ".Header", e.Header).Int(key + ".Setting", e.Setting).Int(key + ".Value", e.Value);
    f.Codes(key + ".Codes", e.Codes);
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegTMRConfig& tmr)
{
  Flat f;
  f.Int("TmrByte", tmr.TmrByte).Int("TmrValue", tmr.TmrValue).Text("Name", tmr.Name);
  f.Int("ActionA", tmr.ActionA).Int("ActionB", tmr.ActionB).Codes("Codes", tmr.Codes);
  return f.fields;
}

inline Fields FieldsOf(const TRegCtlConfig& ctl)
{
  Flat f;
  f.Text("Name", ctl.Name).Int("Mode", ctl.Mode).Source("SourceA", ctl.SourceA).Int("ByteA", ctl.ByteA);
  f.Int("ByteB", ctl.ByteB).Int("WordA", ctl.WordA).Bytes("Text", ctl.Text);
  f.Decimal("ValueA", ctl.ValueA).Decimal("ValueB", ctl.ValueB).Decimal("ValueC", ctl.ValueC);
  f.Decimal("ValueD", ctl.ValueD).Decimal("ValueE", ctl.ValueE).Decimal("ValueF", ctl.ValueF);
  f.Decimal("ValueG", ctl.ValueG).Decimal("ValueH", ctl.ValueH).Decimal("ValueI", ctl.ValueI);
  f.Decimal("ValueL", ctl.ValueL).Decimal("ValueM", ctl.ValueM).Decimal("ValueN", ctl.ValueN);
  f.Int("FixedJ", ctl.FixedJ.GetMantissa()).Int("FixedK", ctl.FixedK.GetMantissa());
  f.Source("SourceB", ctl.SourceB).Int("FixedO", ctl.FixedO.GetMantissa()).Int("FixedP", ctl.FixedP.GetMantissa());
  f.Int("FixedQ", ctl.FixedQ.GetMantissa()).Int("FixedR", ctl.FixedR.GetMantissa()).Int("ByteC", ctl.ByteC);
  f.Int("ByteD", ctl.ByteD).Int("FixedS", ctl.FixedS.GetMantissa()).Int("FixedT", ctl.FixedT.GetMantissa());
  f.Int("FixedU", ctl.FixedU.GetMantissa()).Int("FixedV", ctl.FixedV.GetMantissa());
  f.Int("FixedW", ctl.FixedW.GetMantissa()).Source("SourceC", ctl.SourceC).Source("SourceD", ctl.SourceD);
  f.Int("ByteE", ctl.ByteE);
  return f.fields;
}

inline Fields FieldsOf(const TRegTagFieldConfig& tag)
{
  Flat f;
  f.Int("Type", tag.Type).Bytes("ShortArea", tag.ShortArea).Bytes("LongArea", tag.LongArea);
  return f.fields;
}

inline Fields FieldsOf(const TRegScheduleItemConfig& item)
{
  Flat f;
  f.Int("Enabled", item.Enabled).Int("ItemByte", item.ItemByte).Int("Time1", item.Time1).Int("Time2", item.Time2);
  f.Int("Time3", item.Time3).Int("Time4", item.Time4).Int("Time5", item.Time5).Int("Time6", item.Time6);
  f.Int("Time7", item.Time7).Codes("Codes", item.Codes);
  return f.fields;
}

inline Fields FieldsOf(const TRegCPConfig& cp)
{
  Flat f;
  f.Int("Format", cp.Format).Int("ItemCount", static_cast<long long>(cp.Items.size()));
  for (std::size_t i = 0; i < cp.Items.size(); ++i) {
    const auto& item = cp.Items[i];
    const std::string key = At("Items", i);
    f.Int(key + ".FirstCode", item.FirstCode).Int(key + ".SecondCode", item.SecondCode);
    f.Int(key + ".Kind", item.Kind).Bytes(key + ".Text", item.Text);
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegTIM2v1Config::TRegTIM2ConfigElementBase& element)
{
  using Config = TRegTIM2v1Config;
  Flat f;
  f.Int("Type", element.TypeCode());
  if (const auto* text = dynamic_cast<const Config::TRegTIM2ConfigElementText*>(&element)) {
    f.Bytes("Text", text->Text);
  } else if (const auto* analog = dynamic_cast<const Config::TRegTIM2ConfigElementAnalog*>(&element)) {
    f.Source("Source", analog->Source).Int("Digits", analog->Digits).Int("Decimals", analog->Decimals);
    f.Bytes("OverloadText", analog->OverloadText).Bytes("BreakText", analog->BreakText);
  } else if (const auto* discrete = dynamic_cast<const Config::TRegTIM2ConfigElementDiscrete*>(&element)) {
    f.Source("Source", discrete->Source).Bytes("OpenText", discrete->OpenText);
    f.Bytes("ClosedText", discrete->ClosedText).Bytes("BreakText", discrete->BreakText);
    f.Bytes("ShortText", discrete->ShortText);
  }
  return f.fields;
}

// Both board formats: the format word, then each board in address order under its
// address, its own fields by `board`.
template <typename Config, typename Board>
Fields BoardsFieldsOf(const Config& boards, Board board)
{
  Flat f;
  f.Int("Format", boards.Format).Int("BoardCount", static_cast<long long>(boards.Boards.size()));
  std::size_t i = 0;
  for (const auto& [address, items] : boards.Boards) {
    const std::string key = At("Boards", i++);
    f.Text(key + ".Address", std::to_string(address.First) + "." + std::to_string(address.Second));
    board(f, key + ".", items);
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegTIM2v1Config& boards)
{
  return BoardsFieldsOf(boards, [](Flat& f, const std::string& key, const TRegTIM2v1Config::TRegTIM2v1DeviceItem& b) {
    for (std::size_t s = 0; s < b.Screens.size(); ++s) {
      const std::string screenKey = key + At("Screens", s);
      f.Int(screenKey + ".ScreenCode", b.Screens[s].ScreenCode);
      for (std::size_t e = 0; e < b.Screens[s].Elements.size(); ++e)
        f.Nested(screenKey + "." + At("Elements", e), FieldsOf(*b.Screens[s].Elements[e]));
    }
  });
}

inline Fields FieldsOf(const TRegTIM2v2Config& boards)
{
  return BoardsFieldsOf(boards, [](Flat& f, const std::string& key, const TRegTIM2v2Config::TRegTIM2v2DeviceItem& b) {
    for (std::size_t k = 0; k < b.Items.size(); ++k) {
      const std::string itemKey = key + At("Items", k);
      f.Int(itemKey + ".ItemCode", b.Items[k].ItemCode).Bytes(itemKey + ".Text", b.Items[k].Text);
    }
  });
}

inline Fields FieldsOf(const TRegMSConfig& scheme)
{
  Flat f;
  f.Bytes("Header", scheme.Header).Int("PageCount", static_cast<long long>(scheme.Pages.size()));
  for (std::size_t i = 0; i < scheme.Pages.size(); ++i) {
    const auto& page = scheme.Pages[i];
    const std::string key = At("Pages", i);
    f.Bytes(key + ".Header", page.Header).Bytes(key + ".Data", page.Data);
    for (std::size_t w = 0; w < page.Widgets.size(); ++w) {
      const auto& widget = page.Widgets[w];
      const std::string widgetKey = key + "." + At("Widgets", w);
      f.Int(widgetKey + ".Type", widget.Type);
      f.Text(widgetKey + ".Data", HexOf(widget.Data.data(), TRegMSConfig::TRegMSWidgetItem::DataSizeOf(widget.Type)));
    }
  }
  return f.fields;
}

inline Fields FieldsOf(const TRegAMXConfig& amx)
{
  Flat f;
  f.Bytes("Header", amx.Header).Bytes("Code", amx.Code);
  return f.fields;
}

inline Fields FieldsOf(const TRegUserTableConfig& tables)
{
  Flat f;
  f.Int("TableCount", static_cast<long long>(tables.Tables.size()));
  for (std::size_t i = 0; i < tables.Tables.size(); ++i) {
    const auto& table = tables.Tables[i];
    const std::string key = At("Tables", i);
    f.Bytes(key + ".Header", table.Header);
    for (std::size_t p = 0; p < table.Points.size(); ++p) {
      const std::string pointKey = key + "." + At("Points", p);
      f.Int(pointKey + ".Value1", table.Points[p].Value1).Int(pointKey + ".Value2", table.Points[p].Value2);
    }
  }
  return f.fields;
}

template <typename Item>
void AddItems(std::map<std::string, Fields>& items, const std::string& block, const std::vector<Item>& list)
{
  for (std::size_t i = 0; i < list.size(); ++i) items[At(block, i)] = FieldsOf(list[i]);
}

// Every item of the configuration by its key: "General", "AO[0]", "Pages[2]", "CP", ...
inline std::map<std::string, Fields> ItemsOf(const TRegConfig& config)
{
  std::map<std::string, Fields> items;
  items["General"] = GeneralFieldsOf(config);
  AddItems(items, "AI", config.AI);
  AddItems(items, "AO", config.AO);
  AddItems(items, "DI", config.DI);
  AddItems(items, "DO", config.DO);
  AddItems(items, "IP", config.IP);
  AddItems(items, "Pages", config.Pages);
  items["TabloPage"] = FieldsOf(config.TabloPage);
  AddItems(items, "SM", config.SM);
  AddItems(items, "CT", config.CT);
  AddItems(items, "TTL", config.TTL);
  AddItems(items, "TMR", config.TMR);
  AddItems(items, "Ctl", config.Ctl);
  AddItems(items, "Schedule", config.Schedule);
  AddItems(items, "TagFields", config.TagFields);
  items["CP"] = FieldsOf(config.CP);
  items["TIM2v1"] = FieldsOf(config.TIM2v1);
  items["TIM2v2"] = FieldsOf(config.TIM2v2);
  items["MS"] = FieldsOf(config.MS);
  items["AMX"] = FieldsOf(config.AMX);
  items["UserTables"] = FieldsOf(config.UserTables);
  return items;
}

// The number of items of each list block.
inline std::map<std::string, std::size_t> CountsOf(const TRegConfig& config)
{
  return {{"AI", config.AI.size()},       {"AO", config.AO.size()},   {"DI", config.DI.size()},
          {"DO", config.DO.size()},       {"IP", config.IP.size()},   {"Pages", config.Pages.size()},
          {"SM", config.SM.size()},       {"CT", config.CT.size()},   {"TTL", config.TTL.size()},
          {"TMR", config.TMR.size()},     {"Ctl", config.Ctl.size()}, {"TagFields", config.TagFields.size()},
          {"Schedule", config.Schedule.size()}};
}

}  // namespace config_fields
