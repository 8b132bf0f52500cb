#pragma once

#include <string>

// The current user's home folder: $HOME when set, else the one the user database gives;
// empty when neither tells.
std::string UserHomeFolder();
