#pragma once

// The two layouts of the backup file, as whole images in memory. TRegConfig's
// SaveToStreamForVersion picks one by the target firmware and writes it in one piece.

#include <cstdint>
#include <vector>

#include "recorder/info/VersionPair.h"

class TRegConfig;

// "RLCF", firmware 1.3-1.6 and 1.8 (1.7 is refused as too old).
std::vector<std::uint8_t> OldLayoutImage(const TRegConfig& config, const TRegVersionPair& target);
// "RCF2", firmware 1.9-1.10.20, 2.0-2.1.160 and the 2.2 branch.
std::vector<std::uint8_t> SectionedImage(const TRegConfig& config, const TRegVersionPair& target);
