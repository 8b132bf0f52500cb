#pragma once

#include <string>
#include <vector>

namespace ModbusMaster {

// Appends the device paths of this computer's real serial ports (USB and ACM
// adapters, on-board UARTs that exist), sorted naturally (/dev/ttyS2 before
// /dev/ttyS10). The list is not cleared first. False with no list or when the
// device tree cannot be read.
bool EnumSerialPorts(std::vector<std::string>* list);

// The same over another sysfs tty folder and device folder (tests lay out their own).
bool EnumSerialPorts(std::vector<std::string>* list, const std::string& sysClassTty, const std::string& devDir);

// Orders names with their digit runs compared as numbers.
bool NaturalLess(const std::string& a, const std::string& b);

}  // namespace ModbusMaster
