// Rebuilding the command-line text from separate arguments, and the usage text.
#include "app/CommandLineText.h"

#include <string_view>

#include "platform/PathParts.h"

namespace sitefinch {

namespace {

constexpr std::string_view kEndOfOptions = "--";

bool IsUsageOption(std::string_view arg) {
    return arg == "--help" || arg == "-h";
}
bool IsVersionOption(std::string_view arg) {
    return arg == "--version";
}

// A lone "-" is refused too: it would name a file called "-" in the current directory, which is
// more likely a slip than a start page.
bool LooksLikeOption(std::string_view arg) {
    return !arg.empty() && arg.front() == '-';
}

CStartRequest Refusal(std::string sMessage) {
    CStartRequest request;
    request.eAction = EStartAction::Refuse;
    request.sMessage = std::move(sMessage);
    return request;
}

}  // namespace

EStartAction FindInfoOption(const std::vector<std::string>& args) {
    for (const std::string& arg : args) {
        if (arg == kEndOfOptions) {
            break;
        }
        if (IsUsageOption(arg)) {
            return EStartAction::ShowUsage;
        }
        if (IsVersionOption(arg)) {
            return EStartAction::ShowVersion;
        }
    }
    return EStartAction::Run;
}

CStartRequest ReadArguments(const std::vector<std::string>& args, const std::string& sCurrentDir) {
    // Informational options win over everything else, wherever they stand before "--", so that
    // "sitefinch page.htm --help" helps instead of complaining about the page.
    const EStartAction eInfo = FindInfoOption(args);
    if (eInfo != EStartAction::Run) {
        CStartRequest request;
        request.eAction = eInfo;
        return request;
    }

    std::vector<std::string> operands;
    bool bOptionsEnded = false;
    for (const std::string& arg : args) {
        if (!bOptionsEnded && arg == kEndOfOptions) {
            bOptionsEnded = true;
            continue;
        }
        if (!bOptionsEnded && LooksLikeOption(arg)) {
            return Refusal("unknown option " + arg);
        }
        operands.push_back(arg);
    }

    CStartRequest request;
    for (std::size_t i = 0; i < operands.size(); ++i) {
        std::string sArg = operands[i];
        // The window's tokenizer ends a token at a double quote and has no escape for one.
        if (sArg.find('"') != std::string::npos) {
            return Refusal("an argument cannot contain a double quote: " + sArg);
        }
        if (i == 0 && !sArg.empty()) {
            if (sCurrentDir.empty() && sArg.front() != '/' && sArg.front() != '\\') {
                return Refusal(
                    "the current directory cannot be determined, so the start page "
                    "must be given as an absolute path: " +
                    sArg);
            }
            sArg = MakeAbsoluteNormalPath(sArg, sCurrentDir);
            if (sArg.size() > kMaxPathLength) {
                return Refusal("the start page path is longer than " +
                               std::to_string(kMaxPathLength) + " characters: " + sArg);
            }
        }
        if (i > 0) {
            request.sText += ' ';
        }
        request.sText += '"';
        request.sText += sArg;
        request.sText += '"';
    }
    return request;
}

std::string UsageText(const char* pszProgram) {
    const std::string sProgram = (pszProgram && *pszProgram) ? pszProgram : "sitefinch";
    return "Usage: " + sProgram + " [--] [START-PAGE [QUERY]]\n" +
           "Search a local HTML site by its page titles and link texts.\n"
           "\n"
           "  START-PAGE  the .htm or .html page the site is indexed from; its index is kept\n"
           "              beside it in a file of the same name ending in .idx\n"
           "  QUERY       text to look for; an empty START-PAGE (\"\") gives a query alone\n"
           "\n"
           "If the program is already running, the start page and query go to its window.\n"
           "\n"
           "  -h, --help  show this text and exit\n"
           "  --version   show the version and exit\n"
           "  --          take every following argument as START-PAGE or QUERY\n";
}

}  // namespace sitefinch
