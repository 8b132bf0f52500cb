#pragma once

#include <string>

class QWidget;

// The program's standard error box: the message goes to standard error ("Kestrel: ..."),
// and into a modal box with the error icon and the application title when there is a
// screen to show it on. With no window system (the offscreen platform of the info mode
// and of the tests) nobody could answer a box, so standard error is all there is.
void ShowStandardErrorBox(const std::string& message, QWidget* owner = nullptr);

// False on the offscreen and minimal platforms (and before the application exists).
bool HasInteractiveDisplay();
