#pragma once

#include <string>

// Text of the numbered string table (resources/strings); an unknown number gives an
// empty text, as the resource loader of the original platform does.
std::string LoadStr(int id);
