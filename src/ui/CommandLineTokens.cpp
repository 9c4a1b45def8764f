// Reading the start page and the query out of a command-line text.
#include "CommandLineTokens.h"

#include "platform/Text.h"

namespace sitefinch {

namespace {

const char* SkipBlanks(const char* p) {
    while (IsBlank(static_cast<unsigned char>(*p))) {
        ++p;
    }
    return p;
}

// Reads one token from p into sToken and returns where reading stopped.
const char* ReadToken(const char* p, std::string& sToken) {
    if (*p == '"') {
        ++p;
        const char* pStart = p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        sToken.assign(pStart, p);
        if (*p == '"') {
            ++p;  // the closing quote belongs to this token
        }
        return p;
    }
    const char* pStart = p;
    while (*p != '\0' && *p != '"') {
        ++p;
    }
    // An opening quote that ends an unquoted token starts the next one.
    sToken.assign(pStart, p);
    return p;
}

}  // namespace

CCommandLineTokens CCommandLineTokens::Parse(const char* pszText) {
    CCommandLineTokens tokens;
    const char* p = SkipBlanks(pszText != nullptr ? pszText : "");
    p = ReadToken(p, tokens.m_sStartPage);
    p = SkipBlanks(p);
    ReadToken(p, tokens.m_sQuery);
    return tokens;
}

}  // namespace sitefinch
