// The two tokens of a command-line text: a start page and a query.
#pragma once

#include <cstddef>
#include <string>

namespace sitefinch {

// The start page's buffer: a start-page token holds at most 499 bytes. The query has no limit
// here; the query box keeps it whole and the filter reads at most 99 characters of it.
inline constexpr std::size_t kStartTokenCapacity = 500;

// Each token is either everything inside a pair of double quotes (a missing closing quote takes
// the rest of the text) or everything up to the next double quote, blanks included. Blanks
// (bytes 1 to 32) before each token are skipped; whatever follows the query is ignored.
class CCommandLineTokens {
public:
    // pszText may be null (no command line).
    static CCommandLineTokens Parse(const char* pszText);

    const std::string& GetStartPage() const { return m_sStartPage; }
    const std::string& GetQuery() const { return m_sQuery; }

    // True when the start-page token was longer than kStartTokenCapacity - 1 bytes. It is then
    // kept whole here, and the caller refuses it rather than open a path that was cut short.
    bool IsStartPageTooLong() const { return m_sStartPage.size() >= kStartTokenCapacity; }

private:
    std::string m_sStartPage;
    std::string m_sQuery;
};

}  // namespace sitefinch
