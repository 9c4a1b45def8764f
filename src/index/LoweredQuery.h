// A query in the forms the filter matches texts against.
#pragma once

#include <string_view>

#include "platform/DisplayText.h"

namespace sitefinch {

// The query cut to the query box's 99 characters, in its Windows-1252 and UTF-8 forms, both
// lower-cased: a query typed as UTF-8 must also find texts stored in Windows-1252, and the
// reverse. For an ASCII query both forms are the query itself.
struct CLoweredQuery {
    // Null is taken as "".
    explicit CLoweredQuery(const char* pszQuery);

    // True when a lower-cased text contains either form; the empty query is in every text.
    bool IsIn(std::string_view loweredText) const {
        return bMatchAll || loweredText.find(forms.sCp1252) != std::string_view::npos ||
               (bTwoForms && loweredText.find(forms.sUtf8) != std::string_view::npos);
    }

    CQueryForms forms;
    bool bMatchAll = false;  // the query is empty
    bool bTwoForms = false;  // the forms differ
};

}  // namespace sitefinch
