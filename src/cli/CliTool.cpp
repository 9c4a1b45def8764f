// The command-line tool: builds a site's index and lists the entries that match a query.
#include "cli/CliTool.h"

#include <cstdio>
#include <string_view>

#include "cli/CollectedResultList.h"
#include "cli/TerminalHost.h"
#include "index/IndexTexts.h"
#include "index/LinkIndex.h"
#include "platform/DisplayText.h"
#include "platform/PathParts.h"
#include "platform/Text.h"

#ifndef SITEFINCH_VERSION
#error "SITEFINCH_VERSION must be defined by the build"
#endif

namespace sitefinch {

namespace {

constexpr const char kProgramName[] = "sitefinch-cli";
constexpr const char kSaveFailedMessage[] = "Could not create index file.";
constexpr const char kLoadFailedMessage[] = "Could not load index file.";
constexpr std::string_view kIndexExtension = ".idx";
constexpr std::string_view kIndexOption = "--index";

// The usage text, in two parts around the path limit.
constexpr const char kUsage[] =
    "Usage: sitefinch-cli build START [--index FILE]\n"
    "       sitefinch-cli query START|INDEX [QUERY]\n"
    "       sitefinch-cli --help | --version\n"
    "\n"
    "  build  Crawls the local site that the page START (.htm or .html) links to and saves\n"
    "         its index of page titles and link texts beside START, under START's name with\n"
    "         the extension .idx, or as FILE. Progress goes to standard error.\n"
    "  query  Lists every entry of the index of START (or of the index file INDEX, a name\n"
    "         ending in .idx) whose text contains QUERY, ignoring case, in alphabetical\n"
    "         order: the text, a TAB and the target, one entry a line. Without QUERY, all.\n"
    "\n"
    "START, INDEX and FILE may be relative to the current directory; made absolute, each\n"
    "(and the index file name derived from START) must stay within ";
constexpr const char kUsageAfterLimit[] =
    " characters.\n"
    "\n"
    "Exit status: 0 done, 1 the index could not be saved or loaded, 2 wrong arguments,\n"
    "130 the build was stopped with Ctrl+C (nothing saved).\n";

void WriteUsage(std::ostream& out) {
    out << kUsage << kMaxPathLength << kUsageAfterLimit;
}

// Ends the run with a usage error.
int UsageError(std::ostream& err, const std::string& sReason) {
    err << kProgramName << ": " << sReason << '\n';
    WriteUsage(err);
    err.flush();
    return kExitUsage;
}

bool EndsWithIndexExtension(const std::string& sPath) {
    if (sPath.size() < kIndexExtension.size()) {
        return false;
    }
    std::string sTail = sPath.substr(sPath.size() - kIndexExtension.size());
    CharLowerA(sTail.data());
    return sTail == kIndexExtension;
}

// The index file of a start page, or "" when its name would not fit.
std::string IndexFileNameOf(const std::string& sStartPage) {
    char szIndex[kMaxPathCapacity];
    if (!MakeIndexFileName(sStartPage.c_str(), szIndex, sizeof szIndex)) {
        return {};
    }
    return szIndex;
}

std::string StatisticsOf(const CLinkIndex& index) {
    char szStatistics[kStatisticsCapacity];
    FormatStatistics(szStatistics, sizeof szStatistics, index.GetPageCount(), index.GetLinkCount());
    return szStatistics;
}

// The reason for refusing a path longer than kMaxPathLength.
std::string TooLong(const char* pszWhat) {
    return std::string("the ") + pszWhat + " longer than " + std::to_string(kMaxPathLength) +
           " characters";
}

int RunBuild(const std::vector<std::string>& args, std::ostream& err, CFileSystem& fileSystem,
             const std::string& sCurrentDir, bool bErrIsTerminal,
             const CCliEnvironment& environment) {
    std::string sStart;
    std::string sIndexArg;
    bool bHaveStart = false;
    bool bHaveIndex = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& sArg = args[i];
        if (sArg == kIndexOption) {
            if (i + 1 >= args.size()) {
                return UsageError(err, "--index needs a file name");
            }
            if (bHaveIndex) {
                return UsageError(err, "--index given twice");
            }
            sIndexArg = args[++i];
            bHaveIndex = true;
        } else if (sArg.size() > 2 && sArg.compare(0, 2, "--") == 0) {
            return UsageError(err, "unknown option " + sArg);
        } else if (bHaveStart) {
            return UsageError(err, "too many arguments");
        } else {
            sStart = sArg;
            bHaveStart = true;
        }
    }
    if (!bHaveStart || sStart.empty()) {
        return UsageError(err, "build needs a start page");
    }
    if (bHaveIndex && sIndexArg.empty()) {
        return UsageError(err, "--index needs a file name");
    }

    const std::string sStartPath = MakeAbsoluteNormalPath(sStart, sCurrentDir);
    if (sStartPath.size() > kMaxPathLength) {
        return UsageError(err, TooLong("start page's path is"));
    }
    const std::string sIndexPath =
        bHaveIndex ? MakeAbsoluteNormalPath(sIndexArg, sCurrentDir) : IndexFileNameOf(sStartPath);
    if (sIndexPath.empty() || sIndexPath.size() > kMaxPathLength) {
        return UsageError(err, TooLong("index file's path would be"));
    }

    CTerminalHost host(err, bErrIsTerminal, environment.nTerminalColumns, environment.pInterrupt,
                       environment.pumpHook);
    CLinkIndex index(fileSystem, host);
    const int nResult = index.BuildIndex(sStartPath.c_str(), sIndexPath.c_str());

    err << StatisticsOf(index) << '\n';
    int nExit = kExitSuccess;
    if (host.WasStoppedByInterrupt()) {
        nExit = kExitInterrupted;
    } else if (nResult == 0) {
        err << kSaveFailedMessage << '\n';
        nExit = kExitFailure;
    }
    err.flush();
    return nExit;
}

int RunQuery(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             CFileSystem& fileSystem, const std::string& sCurrentDir,
             const CCliEnvironment& environment) {
    if (args.size() < 2 || args[1].empty()) {
        return UsageError(err, "query needs a start page or an index file");
    }
    if (args.size() > 3) {
        return UsageError(err, "too many arguments");
    }
    const std::string sPath = MakeAbsoluteNormalPath(args[1], sCurrentDir);
    const std::string sIndexPath = EndsWithIndexExtension(args[1]) ? sPath : IndexFileNameOf(sPath);
    if (sIndexPath.empty() || sIndexPath.size() > kMaxPathLength) {
        return UsageError(err, TooLong("index file's path would be"));
    }

    CTerminalHost host(err, false, environment.nTerminalColumns, environment.pInterrupt,
                       environment.pumpHook);
    CLinkIndex index(fileSystem, host);
    if (!index.LoadIndex(sIndexPath.c_str())) {
        err << kLoadFailedMessage << '\n';
        err.flush();
        return kExitFailure;
    }

    char szQuery[kQueryCapacity];
    CopyBounded(szQuery, sizeof szQuery, args.size() > 2 ? args[2].c_str() : "");
    CCollectedResultList results;
    index.FilterEntries(results, szQuery);
    const std::vector<std::string>& lines = results.GetLines();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const char* pszTarget = index.GetTargetAt(static_cast<std::int64_t>(i));
        out << DecodeForDisplay(lines[i]) << '\t' << DecodeForDisplay(pszTarget ? pszTarget : "")
            << '\n';
    }
    out.flush();
    return kExitSuccess;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
           CFileSystem& fileSystem, const std::string& sCurrentDir, bool bErrIsTerminal,
           const CCliEnvironment& environment) {
    if (args.empty()) {
        return UsageError(err, "no command given");
    }
    const std::string& sCommand = args[0];
    if (sCommand == "--help" || sCommand == "-h") {
        WriteUsage(out);
        out.flush();
        return kExitSuccess;
    }
    if (sCommand == "--version") {
        out << kProgramName << ' ' << SITEFINCH_VERSION << '\n';
        out.flush();
        return kExitSuccess;
    }
    if (sCommand == "build") {
        return RunBuild(args, err, fileSystem, sCurrentDir, bErrIsTerminal, environment);
    }
    if (sCommand == "query") {
        return RunQuery(args, out, err, fileSystem, sCurrentDir, environment);
    }
    return UsageError(err, "unknown command " + sCommand);
}

}  // namespace sitefinch
