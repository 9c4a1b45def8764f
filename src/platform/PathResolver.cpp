// Component-by-component case-insensitive path resolution.
#include "platform/PathResolver.h"

namespace sitefinch {

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

}  // namespace

std::string UnifySeparators(std::string_view sPath, char cSeparator) {
    std::string sOut(sPath);
    for (char& c : sOut) {
        if (IsSeparator(c)) {
            c = cSeparator;
        }
    }
    return sOut;
}

std::string ResolvePath(std::string_view sPath, char cSeparator,
                        const ListDirectoryFn& listDirectory) {
    std::string sResolved;
    sResolved.reserve(sPath.size());
    // Once a component is missing nothing below it can exist, so the rest is kept as written.
    bool bMissing = false;
    std::size_t nStart = 0;
    for (;;) {
        std::size_t nEnd = nStart;
        while (nEnd < sPath.size() && !IsSeparator(sPath[nEnd])) {
            ++nEnd;
        }
        const std::string sComponent(sPath.substr(nStart, nEnd - nStart));
        if (bMissing || sComponent.empty() || sComponent == "." || sComponent == "..") {
            sResolved += sComponent;
        } else {
            const CDirectoryListing* pListing = listDirectory(sResolved);
            const std::string* pMatch = pListing ? pListing->Match(sComponent) : nullptr;
            if (pMatch != nullptr) {
                sResolved += *pMatch;
            } else {
                sResolved += sComponent;
                bMissing = true;
            }
        }
        if (nEnd >= sPath.size()) {
            break;
        }
        sResolved += cSeparator;
        nStart = nEnd + 1;
    }
    return sResolved;
}

}  // namespace sitefinch
