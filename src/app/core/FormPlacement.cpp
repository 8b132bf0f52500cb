#include "app/core/FormPlacement.h"

#include "platform/Format.h"
#include "platform/Registry.h"

namespace {

std::optional<int> ReadNumber(const RegistryIniFile& store, std::string_view section, std::string_view name)
{
  // Missing, or there but not a number: each read gives its own default back, and the
  // window keeps what it has.
  const int value = store.ReadInteger(section, name, 0);
  if (value != store.ReadInteger(section, name, 1)) return std::nullopt;
  return value;
}

}  // namespace

std::string FormPlacementSection(std::string_view formName, unsigned screenWidth, unsigned screenHeight)
{
  return Format("%s\\Screen%ux%u", std::string(formName), screenWidth, screenHeight);
}

StoredPlacement ReadFormPlacement(const RegistryIniFile& store, std::string_view section, bool resizable)
{
  StoredPlacement stored;
  stored.left = ReadNumber(store, section, "Left");
  stored.top = ReadNumber(store, section, "Top");
  if (!resizable) return stored;
  stored.width = ReadNumber(store, section, "Width");
  stored.height = ReadNumber(store, section, "Height");
  stored.maximized = store.ReadBool(section, "Maximized", false);
  return stored;
}

void WriteFormPlacement(TRegistryIniFile& store, std::string_view section, const FormPlacement& placement,
                        bool resizable)
{
  store.WriteInteger(section, "Left", placement.left);
  store.WriteInteger(section, "Top", placement.top);
  if (!resizable) return;
  store.WriteInteger(section, "Width", placement.width);
  store.WriteInteger(section, "Height", placement.height);
  store.WriteBool(section, "Maximized", placement.maximized);
}
