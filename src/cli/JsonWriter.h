// Writing JSON arrays of flat objects whose values are texts, for scripts that read the tool.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace sitefinch {

// The text as a JSON string literal, quotes included. The text is decoded for display first,
// so any bytes give valid JSON; control characters (C0, DEL and C1) are escaped.
std::string JsonQuote(std::string_view text);

// One object: its fields' names and values, in the order they are written.
using CJsonObject = std::vector<std::pair<std::string_view, std::string_view>>;

// Writes one array, an object a line, as objects are added; End() closes it. The stream must
// outlive the writer.
class CJsonArrayWriter {
public:
    explicit CJsonArrayWriter(std::ostream& out) : m_out(out) {}
    void Add(const CJsonObject& object);
    void End();

private:
    std::ostream& m_out;
    bool m_bFirst = true;
};

}  // namespace sitefinch
