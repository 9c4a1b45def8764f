// Turning the program's 8-bit texts into what a Qt widget shows.
#pragma once

#include <string_view>

#include <QString>

namespace sitefinch {

// The bytes as DecodeForDisplay() reads them; a null text shows as empty.
QString ForDisplay(std::string_view bytes);
QString ForDisplay(const char* pszText);

}  // namespace sitefinch
