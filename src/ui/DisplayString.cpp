// Turning the program's 8-bit texts into what a Qt widget shows.
#include "DisplayString.h"

#include <string>

#include "platform/DisplayText.h"

namespace sitefinch {

QString ForDisplay(std::string_view bytes) {
    const std::string display = DecodeForDisplay(bytes);
    return QString::fromUtf8(display.data(), static_cast<qsizetype>(display.size()));
}

QString ForDisplay(const char* pszText) {
    return ForDisplay(std::string_view(pszText != nullptr ? pszText : ""));
}

}  // namespace sitefinch
