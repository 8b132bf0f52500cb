#pragma once

#include <string>

class QWidget;
class RegistryIniFile;
class TRegistryIniFile;

// The scan dialogs' placement in the settings store, per screen size (FormPlacement.h):
// the window's object name is its form name.

// "ScanEthDialog\Screen1920x1080": the form's name and the size in pixels of the screen
// it is on.
std::string FormPlacementSection(const QWidget& form);

// A window the user can resize (its minimum and maximum sizes differ) keeps its size and
// maximised state too; a fixed one only its position.
bool IsResizable(const QWidget& form);

// The Shift key is held down now.
bool IsShiftHeld();

// Restores the placement stored for the screen the form is on; nothing that the store
// lacks changes, so a first run keeps the designed placement (a dialog centred on its
// owner stays so). Holding Shift skips it. A window system that places windows itself
// still gets the size and the maximised state.
void LoadFormPlacement(QWidget& form, const RegistryIniFile& store);
void LoadFormPlacement(QWidget& form, const RegistryIniFile& store, bool skip);

// Stores the form's restored bounds (a maximised window's normal ones) and whether it is
// maximised. A form that was never shown has no placement yet: nothing is stored.
void SaveFormPlacement(const QWidget& form, TRegistryIniFile& store);
