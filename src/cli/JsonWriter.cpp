// Writing JSON arrays of flat objects whose values are texts, for scripts that read the tool.
#include "cli/JsonWriter.h"

#include <cstdio>

#include "platform/DisplayText.h"

namespace sitefinch {

namespace {

void AppendEscape(std::string& sOut, unsigned nCodePoint) {
    char szEscape[8];
    std::snprintf(szEscape, sizeof szEscape, "\\u%04x", nCodePoint);
    sOut += szEscape;
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    const std::string sText = DecodeForDisplay(text);
    std::string sOut;
    sOut.reserve(sText.size() + 2);
    sOut += '"';
    for (std::size_t i = 0; i < sText.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(sText[i]);
        if (c == '"' || c == '\\') {
            sOut += '\\';
            sOut += static_cast<char>(c);
        } else if (c == '\n') {
            sOut += "\\n";
        } else if (c == '\t') {
            sOut += "\\t";
        } else if (c == '\r') {
            sOut += "\\r";
        } else if (c < 0x20 || c == 0x7F) {
            AppendEscape(sOut, c);
        } else if (c == 0xC2 && i + 1 < sText.size() &&
                   static_cast<unsigned char>(sText[i + 1]) >= 0x80 &&
                   static_cast<unsigned char>(sText[i + 1]) <= 0x9F) {
            // A C1 control: valid in JSON, but no reader should have to see it raw.
            AppendEscape(sOut, static_cast<unsigned char>(sText[++i]));
        } else {
            sOut += static_cast<char>(c);
        }
    }
    sOut += '"';
    return sOut;
}

void CJsonArrayWriter::Add(const CJsonObject& object) {
    m_out << (m_bFirst ? "[\n" : ",\n") << '{';
    m_bFirst = false;
    const char* pszComma = "";
    for (const auto& [name, value] : object) {
        m_out << pszComma << JsonQuote(name) << ": " << JsonQuote(value);
        pszComma = ", ";
    }
    m_out << '}';
}

void CJsonArrayWriter::End() {
    m_out << (m_bFirst ? "[]\n" : "\n]\n");
    m_bFirst = true;
}

}  // namespace sitefinch
