#pragma once

#include <string>

class TRegInfo;

// "Corvane-Tovi-318K" and the like: brand and model (firmware 2.x), the brand alone
// below 2.0. EVantorInvalid 6108 for an unknown model on 2.x.
std::string GetDeviceShortName(const TRegInfo& info);

// The short name followed by the suffixes of the six module slots (2.x), or the brand
// with the input and relay counts below 2.0. EVantorInvalid 6177 for an unknown model.
std::string GetModelDesignation(const TRegInfo& info);
