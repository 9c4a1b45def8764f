// The command-line tool: builds a site's index, lists the entries that match a query and checks
// a site's links.
#include "cli/CliTool.h"

#include <cstdio>
#include <string_view>

#include "cli/JsonWriter.h"
#include "cli/LinkCheck.h"
#include "cli/TerminalHost.h"
#include "index/IndexTexts.h"
#include "index/LinkIndex.h"
#include "indexer/Crawl.h"
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
constexpr std::string_view kFormatOption = "--format";
constexpr std::string_view kOrphansOption = "--orphans";

// The usage text, in two parts around the path limit.
constexpr const char kUsage[] =
    "Usage: sitefinch-cli build START [--index FILE]\n"
    "       sitefinch-cli query START|INDEX [QUERY] [--format tsv|json]\n"
    "       sitefinch-cli check START [--orphans] [--format tsv|json]\n"
    "       sitefinch-cli --help | --version\n"
    "\n"
    "  build  Crawls the local site that the page START (.htm or .html) links to and saves\n"
    "         its index of page titles and link texts beside START, under START's name with\n"
    "         the extension .idx, or as FILE. Progress goes to standard error.\n"
    "  query  Lists every entry of the index of START (or of the index file INDEX, a name\n"
    "         ending in .idx) whose text contains QUERY, ignoring case, in alphabetical\n"
    "         order: the text, a TAB and the target, one entry a line. Without QUERY, all.\n"
    "  check  Crawls like build, saving nothing, and lists the broken local links in the\n"
    "         order met: \"missing\" TAB page TAB href TAB target for a page that could not\n"
    "         be opened, \"fragment\" with the same fields for an anchor the target page\n"
    "         lacks. --orphans then adds \"orphan\" TAB path for each .htm or .html file\n"
    "         below START's folder that the crawl never reached.\n"
    "\n"
    "--format json prints one JSON array of objects instead of TAB-separated lines.\n"
    "START, INDEX and FILE may be relative to the current directory; made absolute, each\n"
    "(and the index file name derived from START) must stay within ";
constexpr const char kUsageAfterLimit[] =
    " characters.\n"
    "\n"
    "Exit status: 0 done (check: nothing found), 1 the index could not be saved or loaded\n"
    "(check: something found), 2 wrong arguments, 130 the crawl was stopped with Ctrl+C\n"
    "(nothing saved or listed).\n";

enum class EFormat { kTsv, kJson };

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

// Takes "--format VALUE" at args[i], moving i to the value; false, with the usage error's exit
// code in nExit, when the value is missing or unknown.
bool TakeFormat(const std::vector<std::string>& args, std::size_t& i, EFormat& eFormat, int& nExit,
                std::ostream& err) {
    if (i + 1 >= args.size()) {
        nExit = UsageError(err, "--format needs tsv or json");
        return false;
    }
    const std::string& sValue = args[++i];
    if (sValue == "tsv") {
        eFormat = EFormat::kTsv;
    } else if (sValue == "json") {
        eFormat = EFormat::kJson;
    } else {
        nExit = UsageError(err, "unknown format " + sValue);
        return false;
    }
    return true;
}

// Takes sArg, which is not one of the command's options, as its start page; false, with the usage
// error's exit code in nExit, when it looks like another option or a start page was given before.
bool TakeStartPage(const std::string& sArg, std::string& sStart, bool& bHaveStart, int& nExit,
                   std::ostream& err) {
    if (sArg.size() > 2 && sArg.compare(0, 2, "--") == 0) {
        nExit = UsageError(err, "unknown option " + sArg);
        return false;
    }
    if (bHaveStart) {
        nExit = UsageError(err, "too many arguments");
        return false;
    }
    sStart = sArg;
    bHaveStart = true;
    return true;
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

struct CCrawlResult {
    int nResult;        // BuildIndex()'s
    bool bInterrupted;  // Ctrl+C stopped it
};

// The crawl of a build, its progress on err and then its statistics. An empty index path saves
// nothing (and gives a result of 0). pObserver, if given, watches the crawl.
CCrawlResult Crawl(const std::string& sStartPath, const std::string& sIndexPath, std::ostream& err,
                   CFileSystem& fileSystem, bool bErrIsTerminal, const CCliEnvironment& environment,
                   CCrawlObserver* pObserver) {
    CTerminalHost host(err, bErrIsTerminal, environment.nTerminalColumns, environment.pInterrupt,
                       environment.pumpHook);
    CLinkIndex index(fileSystem, host);
    const int nResult =
        CCrawl::BuildIndex(index, sStartPath.c_str(), sIndexPath.c_str(), pObserver);
    err << StatisticsOf(index) << '\n';
    err.flush();
    return {nResult, host.WasStoppedByInterrupt()};
}

int RunBuild(const std::vector<std::string>& args, std::ostream& err, CFileSystem& fileSystem,
             const std::string& sCurrentDir, bool bErrIsTerminal,
             const CCliEnvironment& environment) {
    std::string sStart;
    std::string sIndexArg;
    bool bHaveStart = false;
    bool bHaveIndex = false;
    int nExit = kExitSuccess;
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
        } else if (!TakeStartPage(sArg, sStart, bHaveStart, nExit, err)) {
            return nExit;
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

    const CCrawlResult crawl =
        Crawl(sStartPath, sIndexPath, err, fileSystem, bErrIsTerminal, environment, nullptr);
    if (crawl.bInterrupted) {
        nExit = kExitInterrupted;
    } else if (crawl.nResult == 0) {
        err << kSaveFailedMessage << '\n';
        nExit = kExitFailure;
    }
    err.flush();
    return nExit;
}

int RunQuery(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             CFileSystem& fileSystem, const std::string& sCurrentDir,
             const CCliEnvironment& environment) {
    // A query may start with "--": only --format is an option here.
    std::vector<std::string> positional;
    EFormat eFormat = EFormat::kTsv;
    for (std::size_t i = 1; i < args.size(); ++i) {
        int nExit;
        if (args[i] == kFormatOption) {
            if (!TakeFormat(args, i, eFormat, nExit, err)) {
                return nExit;
            }
        } else {
            positional.push_back(args[i]);
        }
    }
    if (positional.empty() || positional[0].empty()) {
        return UsageError(err, "query needs a start page or an index file");
    }
    if (positional.size() > 2) {
        return UsageError(err, "too many arguments");
    }
    const std::string sPath = MakeAbsoluteNormalPath(positional[0], sCurrentDir);
    const std::string sIndexPath =
        EndsWithIndexExtension(positional[0]) ? sPath : IndexFileNameOf(sPath);
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
    // Entry by entry: the filter's blocks would hold as much again as the entries, for one query.
    CJsonArrayWriter json(out);
    index.VisitMatches(positional.size() > 1 ? positional[1].c_str() : "",
                       [&](const CIndexEntry& entry) {
                           if (eFormat == EFormat::kJson) {
                               json.Add({{"text", entry.GetText()}, {"target", entry.GetTarget()}});
                           } else {
                               out << DecodeForDisplay(entry.GetText()) << '\t'
                                   << DecodeForDisplay(entry.GetTarget()) << '\n';
                           }
                       });
    if (eFormat == EFormat::kJson) {
        json.End();
    }
    out.flush();
    return kExitSuccess;
}

void PrintCheckLines(const std::vector<CCheckLine>& lines, EFormat eFormat, std::ostream& out) {
    CJsonArrayWriter json(out);
    for (const CCheckLine& line : lines) {
        const std::string_view kind = CheckKindName(line.eKind);
        const bool bOrphan = line.eKind == CCheckLine::EKind::kOrphan;
        if (eFormat == EFormat::kJson) {
            if (bOrphan) {
                json.Add({{"kind", kind}, {"page", line.sPage}});
            } else {
                json.Add({{"kind", kind},
                          {"page", line.sPage},
                          {"href", line.sHref},
                          {"target", line.sTarget}});
            }
        } else if (bOrphan) {
            out << kind << '\t' << DecodeForDisplay(line.sPage) << '\n';
        } else {
            out << kind << '\t' << DecodeForDisplay(line.sPage) << '\t'
                << DecodeForDisplay(line.sHref) << '\t' << DecodeForDisplay(line.sTarget) << '\n';
        }
    }
    if (eFormat == EFormat::kJson) {
        json.End();
    }
    out.flush();
}

int RunCheck(const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
             CFileSystem& fileSystem, const std::string& sCurrentDir, bool bErrIsTerminal,
             const CCliEnvironment& environment) {
    std::string sStart;
    bool bHaveStart = false;
    bool bOrphans = false;
    EFormat eFormat = EFormat::kTsv;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& sArg = args[i];
        int nExit;
        if (sArg == kOrphansOption) {
            bOrphans = true;
        } else if (sArg == kFormatOption) {
            if (!TakeFormat(args, i, eFormat, nExit, err)) {
                return nExit;
            }
        } else if (!TakeStartPage(sArg, sStart, bHaveStart, nExit, err)) {
            return nExit;
        }
    }
    if (!bHaveStart || sStart.empty()) {
        return UsageError(err, "check needs a start page");
    }
    const std::string sStartPath = MakeAbsoluteNormalPath(sStart, sCurrentDir);
    if (sStartPath.size() > kMaxPathLength) {
        return UsageError(err, TooLong("start page's path is"));
    }

    // No index path: the build then saves nothing.
    CLinkChecker checker;
    const CCrawlResult crawl =
        Crawl(sStartPath, std::string(), err, fileSystem, bErrIsTerminal, environment, &checker);
    if (crawl.bInterrupted) {
        return kExitInterrupted;
    }

    std::vector<CCheckLine> lines = checker.FindProblems(fileSystem);
    if (bOrphans) {
        const std::string sFolder = sStartPath.substr(0, sStartPath.rfind(kPathSeparator) + 1);
        for (std::string& sOrphan : FindOrphans(sFolder, [&checker](const std::string& sPath) {
                 return checker.WasVisited(sPath);
             })) {
            lines.push_back(CCheckLine{.eKind = CCheckLine::EKind::kOrphan,
                                       .sPage = std::move(sOrphan),
                                       .sHref = {},
                                       .sTarget = {}});
        }
    }
    // Reading the anchors and the folders takes a while on a large site: a Ctrl+C meanwhile
    // still means the list is not wanted.
    if (environment.pInterrupt && *environment.pInterrupt) {
        return kExitInterrupted;
    }
    PrintCheckLines(lines, eFormat, out);
    return lines.empty() ? kExitSuccess : kExitFailure;
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
    if (sCommand == "check") {
        return RunCheck(args, out, err, fileSystem, sCurrentDir, bErrIsTerminal, environment);
    }
    return UsageError(err, "unknown command " + sCommand);
}

}  // namespace sitefinch
