#pragma once

#include <string>

// The running program's full file name; empty when the system does not tell it.
std::string ExecutablePath();
