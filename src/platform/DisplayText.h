// Turning stored 8-bit text into UTF-8 for a person to read, and queries into both encodings.
#pragma once

#include <string>
#include <string_view>

namespace sitefinch {

// True when the bytes form valid UTF-8 as a whole (no overlongs, no surrogates).
bool IsValidUtf8(std::string_view bytes);

// Text for display: valid UTF-8 stays as it is; anything else is read byte by byte as
// Windows-1252 (the five bytes 1252 leaves undefined become the C1 controls of the same number).
// The stored bytes are never changed; this returns a new string.
std::string DecodeForDisplay(std::string_view bytes);

// Windows-1252 byte to its Unicode code point.
char32_t Cp1252ToUnicode(unsigned char c);

// Unicode code point to its Windows-1252 byte; false when 1252 cannot represent it.
bool UnicodeToCp1252(char32_t cp, unsigned char& out);

// A query as typed, in both encodings the stored texts may use. When the query is valid UTF-8
// with non-ASCII characters that all exist in Windows-1252, sCp1252 holds its 1252 form; when it
// is not valid UTF-8, sUtf8 holds the UTF-8 form of its 1252 bytes. The other member is the
// query itself. For an ASCII query both are the query.
struct CQueryForms {
    std::string sCp1252;
    std::string sUtf8;
};
CQueryForms MakeQueryForms(std::string_view query);

}  // namespace sitefinch
