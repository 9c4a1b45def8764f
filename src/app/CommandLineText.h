// Turning the arguments the system hands over into the one command-line text the window reads.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "platform/PathParts.h"

namespace sitefinch {

// What a start of the program is asked to do.
enum class EStartAction {
    Run,          // open or reach the window with sText
    ShowUsage,    // --help: print the usage text on standard output, exit 0
    ShowVersion,  // --version: print the version on standard output, exit 0
    Refuse,       // the arguments cannot be represented: print sMessage and the usage, exit 2
};

struct CStartRequest {
    EStartAction eAction = EStartAction::Run;
    // For Run: every argument in double quotes, separated by one blank; "" when there is none.
    // The first argument (the start page), unless empty, is absolute and lexically normal.
    std::string sText;
    // For Refuse: why, in one line without the program's name.
    std::string sMessage;
};

// Reads the arguments that follow the program's name. Options may stand anywhere before a "--",
// which is dropped; after it every argument is taken as it is, so a start page or a query may
// begin with a dash. "--help" (or "-h") and "--version" are answered instead of running; any
// other argument that begins with a dash before "--" is refused as an unknown option. The start
// page is made absolute against sCurrentDir (itself absolute; empty when unknown, and then only
// an absolute start page is accepted) unless it is empty. An argument
// holding a double quote, or a start page longer than kMaxPathLength once made absolute, is
// refused rather than cut, since the window would otherwise read a different file or query.
CStartRequest ReadArguments(const std::vector<std::string>& args, const std::string& sCurrentDir);

// Only the informational options of ReadArguments: ShowUsage or ShowVersion when one of them
// stands before any "--", else Run (with no text). Safe to call on arguments that still hold
// options meant for the toolkit, so it can answer before any window system is reached.
EStartAction FindInfoOption(const std::vector<std::string>& args);

// The usage text printed for --help and after a refusal, ending in a newline.
std::string UsageText(const char* pszProgram);

}  // namespace sitefinch
