#pragma once

#include <optional>
#include <string>
#include <string_view>

class RegistryIniFile;
class TRegistryIniFile;

// Where a window was left and how large it was, per screen size: the two scan dialogs
// reopen there. The values are the window's restored bounds (a maximised window keeps the
// bounds it returns to) and whether it was maximised.
struct FormPlacement {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  bool maximized = false;

  bool operator==(const FormPlacement&) const = default;
};

// "ScanEthDialog\Screen1920x1080": one section per screen size, so that a layout made on
// one monitor does not misplace the window on another. The callers keep values of their
// own in the same section (a list column's width).
std::string FormPlacementSection(std::string_view formName, unsigned screenWidth, unsigned screenHeight);

// What the section holds of a placement; a value it lacks is unset. Only a resizable
// window reads its size and maximised state.
struct StoredPlacement {
  std::optional<int> left;
  std::optional<int> top;
  std::optional<int> width;
  std::optional<int> height;
  bool maximized = false;
};
StoredPlacement ReadFormPlacement(const RegistryIniFile& store, std::string_view section, bool resizable);

// "Left" and "Top", and for a resizable window "Width", "Height" and "Maximized": the
// numbers as 32-bit values, the flag as "0" or "1".
void WriteFormPlacement(TRegistryIniFile& store, std::string_view section, const FormPlacement& placement,
                        bool resizable);
