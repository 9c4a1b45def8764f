// The main window's result list over --entries=N generated texts (100,000 unless told) or the
// entries of --index=FILE: a change of the query box to the refilled model, against a
// QSortFilterProxyModel filtering a QStringListModel of the same texts. The windows of
// a build and of a load, against the same work with windows that show nothing; and the time from
// start to a shown window with a 1,000,000-entry index file, against loading that file alone.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTimer>
#include <QWindow>

#include "CountingList.h"
#include "GeneratedSite.h"
#include "RatioReporter.h"
#include "index/LinkIndex.h"
#include "platform/DisplayText.h"
#include "platform/FileSystem.h"
#include "support/QuietHost.h"
#include "ui/BuildIndexDlg.h"
#include "ui/QtIndexHost.h"
#include "ui/ResultListModel.h"
#include "ui/SearchDlg.h"
#include "ui/UiHooks.h"
#include "ui/WebEngineSetup.h"

namespace {

using namespace sitefinch;

constexpr int kEntries = 100000;
constexpr double kFilterRatioLimit = 1.0 / 3.0;
constexpr double kFrameBudgetMs = 16.0;

constexpr int kWindowBuildPages = 20000;
constexpr int kLoadEntries = 1000000;
constexpr double kWindowBuildLimit = 1.3;
constexpr double kWindowLoadLimit = 1.2;
constexpr double kStartUpLimit = 1.3;
constexpr int kWindowRepetitions = 5;

struct CQuery {
    const char* pszLabel;
    const char* pszQuery;
};
const CQuery kQueries[] = {{"empty", ""}, {"ion", "ion"}, {"zzz", "zzz"}, {"e", "e"}};
// Set between two timed runs so that every timed run is a real change of the query.
constexpr const char* kOtherQuery = "#";

// Titles and link texts of a documentation site: a few words each, some holding "ion".
std::vector<std::string> MakeTexts(int nEntries = kEntries) {
    static const char* const kWords[] = {"Printer",  "Setup",   "Installation",  "Guide",
                                         "Network",  "Options", "Configuration", "Index",
                                         "Backup",   "Restore", "Permissions",   "Overview",
                                         "Advanced", "Status",  "Download",      "Help"};
    std::vector<std::string> texts;
    std::uint32_t nSeed = 12345;
    for (int i = 0; i < nEntries; ++i) {
        std::string sText;
        for (int w = 0; w < 3; ++w) {
            nSeed = nSeed * 1103515245u + 12345u;
            sText += kWords[(nSeed >> 16) % 16];
            sText += ' ';
        }
        texts.push_back(sText + std::to_string(i));
    }
    return texts;
}

// Where the filter benchmarks take their entries from: --index=FILE, else --entries=N generated
// texts (written to an index file in $TMPDIR first, since the window loads its entries from one).
struct CFilterSource {
    int nEntries = kEntries;
    std::string sIndexFile;
};
CFilterSource g_filterSource;

// The main window with the entries loaded and shown, and the proxy with its source model and
// view over the same texts in the same order.
struct CFilterFixture {
    std::filesystem::path generated;  // the generated index's folder, if any
    std::unique_ptr<CSearchDlg> pDlg;
    QLineEdit* pQueryBox = nullptr;
    QStringListModel sourceModel;
    QSortFilterProxyModel proxyModel;
    QListView proxyView;

    CFilterFixture() {
        std::string sIndexFile = g_filterSource.sIndexFile;
        if (sIndexFile.empty()) {
            generated =
                std::filesystem::temp_directory_path() /
                ("sitefinch-bench-filter-" + std::to_string(QCoreApplication::applicationPid()));
            std::filesystem::create_directories(generated);
            sIndexFile = (generated / "start.idx").string();
            test::CQuietHost host;
            CLinkIndex source(NativeFileSystem(), host);
            for (const std::string& sText : MakeTexts(g_filterSource.nEntries)) {
                source.AddLinkEntry("/site/page.htm", sText.c_str());
            }
            source.RebuildOrder();
            source.SaveIndex(sIndexFile.c_str());
        }
        // The start page whose index file this is, as a person would name it.
        const std::filesystem::path startPage =
            std::filesystem::path(sIndexFile).replace_extension(".htm");
        pDlg =
            std::make_unique<CSearchDlg>('"' + QByteArray::fromStdString(startPage.string()) + '"');
        pDlg->OnInitDialog();
        pDlg->show();
        while (pDlg->windowHandle() == nullptr || !pDlg->windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        pQueryBox = pDlg->findChild<QLineEdit*>(QStringLiteral("queryBox"));
        if (pDlg->GetResultModel().rowCount() == 0) {
            std::fprintf(stderr, "no entries loaded from %s\n", sIndexFile.c_str());
        }

        QStringList texts;
        pDlg->GetIndex().GetTree().ForEachEntry([&texts](const CIndexEntry& entry) {
            texts << QString::fromStdString(DecodeForDisplay(entry.GetText()));
        });
        sourceModel.setStringList(texts);
        proxyModel.setSourceModel(&sourceModel);
        proxyModel.setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxyView.setUniformItemSizes(true);
        proxyView.setModel(&proxyModel);
        proxyView.show();
    }
    ~CFilterFixture() {
        pDlg.reset();
        if (!generated.empty()) {
            std::error_code error;
            std::filesystem::remove_all(generated, error);
        }
    }
};

CFilterFixture* g_pFilterFixture = nullptr;

CFilterFixture& FilterFixture() {
    if (g_pFilterFixture == nullptr) {
        g_pFilterFixture = new CFilterFixture;
    }
    return *g_pFilterFixture;
}

// From setting the query box's text until the model is refilled and its view has taken the
// reset (both happen inside setText), in wall time. With bWithEvents, also one pass over the
// events that follow: the list's layout of its first batch of lines and the paint of the lines
// shown, which a person waits for as well.
void BM_OurFilter(benchmark::State& state, const char* pszQuery, bool bWithEvents) {
    CFilterFixture& f = FilterFixture();
    const QString query = QString::fromUtf8(pszQuery);
    const QString other = QString::fromUtf8(kOtherQuery);
    QElapsedTimer timer;
    for (auto _ : state) {
        f.pQueryBox->setText(other);
        if (bWithEvents) {
            QCoreApplication::processEvents();
        }
        timer.start();
        f.pQueryBox->setText(query);
        if (bWithEvents) {
            QCoreApplication::processEvents();
        }
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["rows"] = f.pDlg->GetResultModel().rowCount();
}

// The parts of our time: the core's walk alone (a list that keeps nothing), and the model
// without a view attached.
using bench::CCountingList;

void BM_CoreFilterOnly(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    CCountingList list;
    for (auto _ : state) {
        f.pDlg->GetIndex().FilterEntries(list, pszQuery);
    }
    state.counters["rows"] = static_cast<double>(list.m_nLines);
}

void BM_ModelWithoutView(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    CResultListModel model;
    for (auto _ : state) {
        f.pDlg->GetIndex().FilterEntries(model, pszQuery);
    }
    state.counters["rows"] = model.rowCount();
}

void BM_ProxyFilter(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    const QString query = QString::fromUtf8(pszQuery);
    const QString other = QString::fromUtf8(kOtherQuery);
    QElapsedTimer timer;
    for (auto _ : state) {
        f.proxyModel.setFilterFixedString(other);
        timer.start();
        f.proxyModel.setFilterFixedString(query);
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["rows"] = f.proxyModel.rowCount();
}

// --- The windows of a build and a load -------------------------------------------------------

// The desktop's host, whose finished build windows are acknowledged at once: the build's wait
// for Ok finds a zero timer that presses it. With bNullWindow the build window shows nothing
// and no load window is made, so the same pump runs without windows.
class CBenchHost : public CQtIndexHost {
public:
    explicit CBenchHost(bool bNullWindow) : CQtIndexHost(nullptr), m_bNullWindow(bNullWindow) {}

    CBuildProgressWnd* NewBuildWindow() override {
        m_pWindow = m_bNullWindow ? new test::CQuietBuildWnd : CQtIndexHost::NewBuildWindow();
        return m_pWindow;
    }
    std::unique_ptr<CLoadingWnd> NewLoadingWindow() override {
        return m_bNullWindow ? nullptr : CQtIndexHost::NewLoadingWindow();
    }
    void WaitMessage() override {
        if (CBuildProgressWnd* pWindow = std::exchange(m_pWindow, nullptr)) {
            QTimer::singleShot(0, [pWindow] { pWindow->OnOK(); });
        }
        CQtIndexHost::WaitMessage();
    }

private:
    bool m_bNullWindow;
    CBuildProgressWnd* m_pWindow = nullptr;
};

// In $TMPDIR, each made when a benchmark first asks for it: a generated site, and a
// 1,000,000-entry index file beside a start page.
struct CWindowFixture {
    std::filesystem::path base;
    std::unique_ptr<bench::CGeneratedSite> pSite;
    std::string sStartPage;
    std::string sIndexFile;
    QByteArray startCommandLine;

    CWindowFixture()
        : base(std::filesystem::temp_directory_path() /
               ("sitefinch-bench-ui-" + std::to_string(QCoreApplication::applicationPid()))) {
        std::filesystem::remove_all(base);
        std::filesystem::create_directories(base);
        sStartPage = (base / "start.htm").string();
        sIndexFile = (base / "start.idx").string();
        startCommandLine = '"' + QByteArray::fromStdString(sStartPage) + '"';
    }
    const bench::CGeneratedSite& Site() {
        if (pSite == nullptr) {
            pSite = std::make_unique<bench::CGeneratedSite>(base, kWindowBuildPages);
        }
        return *pSite;
    }
    const std::string& IndexFile() {
        if (!std::filesystem::exists(sIndexFile)) {
            WriteIndexFile();
        }
        return sIndexFile;
    }
    ~CWindowFixture() {
        std::error_code error;
        std::filesystem::remove_all(base, error);
    }

private:
    void WriteIndexFile() {
        test::CQuietHost host;
        CLinkIndex index(NativeFileSystem(), host);
        for (const std::string& sText : MakeTexts(kLoadEntries)) {
            index.AddLinkEntry(sStartPage.c_str(), sText.c_str());
        }
        index.RebuildOrder();
        if (!index.SaveIndex(sIndexFile.c_str())) {
            std::fprintf(stderr, "could not write %s\n", sIndexFile.c_str());
        }
    }
};

CWindowFixture* g_pWindowFixture = nullptr;

CWindowFixture& WindowFixture() {
    if (g_pWindowFixture == nullptr) {
        g_pWindowFixture = new CWindowFixture;
    }
    return *g_pWindowFixture;
}

void DeleteLaterNow() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void BM_WindowBuild(benchmark::State& state, bool bNullWindow) {
    CWindowFixture& f = WindowFixture();
    const std::string sIndex = (f.Site().root / "index.idx").string();
    CBenchHost host(bNullWindow);
    CLinkIndex index(NativeFileSystem(), host);
    for (auto _ : state) {
        if (index.BuildIndex(f.Site().pages.front().c_str(), sIndex.c_str()) != 1 ||
            index.GetPageCount() != kWindowBuildPages) {
            state.SkipWithError("the build did not reach every page");
            break;
        }
        state.PauseTiming();
        DeleteLaterNow();
        state.ResumeTiming();
    }
}

void BM_WindowLoad(benchmark::State& state, bool bQuiet) {
    CWindowFixture& f = WindowFixture();
    CBenchHost windowHost(false);
    test::CQuietHost quietHost;
    CLinkIndex index(NativeFileSystem(), bQuiet ? static_cast<CIndexHost&>(quietHost)
                                                : static_cast<CIndexHost&>(windowHost));
    for (auto _ : state) {
        if (!index.LoadIndex(f.IndexFile().c_str()) || index.GetTree().GetCount() == 0) {
            state.SkipWithError("the index was not loaded");
            break;
        }
    }
}

// Construct the main window, initialise it with the command line, show it, wait until exposed.
void BM_StartUp(benchmark::State& state, bool bWithIndex) {
    if (bWithIndex) {
        WindowFixture().IndexFile();
    }
    const QByteArray commandLine =
        bWithIndex ? WindowFixture().startCommandLine : QByteArray("\"\" \"x\"");
    for (auto _ : state) {
        auto pDlg = std::make_unique<CSearchDlg>(commandLine);
        pDlg->OnInitDialog();
        pDlg->show();
        while (pDlg->windowHandle() == nullptr || !pDlg->windowHandle()->isExposed()) {
            QCoreApplication::processEvents();
        }
        QCoreApplication::processEvents();
        if (bWithIndex && pDlg->GetResultModel().rowCount() == 0) {
            state.SkipWithError("the index was not loaded");
        }
        state.PauseTiming();
        pDlg.reset();
        DeleteLaterNow();
        state.ResumeTiming();
    }
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("SITEFINCH_PANE")) {
        qputenv("SITEFINCH_PANE", "text");
    }
    PrepareWebEngine();
    QApplication app(argc, argv);
    // No person answers here; a message box would only wait.
    SetMessageBoxFn([](QWidget*, const QString&, const QString&, unsigned) { return false; });

    for (const CQuery& q : kQueries) {
        benchmark::RegisterBenchmark((std::string("filter/ours/") + q.pszLabel).c_str(),
                                     BM_OurFilter, q.pszQuery, false)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        benchmark::RegisterBenchmark((std::string("filter/proxy/") + q.pszLabel).c_str(),
                                     BM_ProxyFilter, q.pszQuery)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        benchmark::RegisterBenchmark((std::string("filter/shown/") + q.pszLabel).c_str(),
                                     BM_OurFilter, q.pszQuery, true)
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
        benchmark::RegisterBenchmark((std::string("parts/core-only/") + q.pszLabel).c_str(),
                                     BM_CoreFilterOnly, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("parts/model-no-view/") + q.pszLabel).c_str(),
                                     BM_ModelWithoutView, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
    }
    // The window benchmarks wait on the display as a person does: wall time, several runs each.
    const auto windowBenchmark = [](const std::string& sName, auto function, bool bArgument) {
        benchmark::RegisterBenchmark(sName.c_str(), function, bArgument)
            ->Unit(benchmark::kMillisecond)
            ->UseRealTime()
            ->Iterations(1)
            ->Repetitions(kWindowRepetitions)
            ->ComputeStatistics("min", [](const std::vector<double>& values) {
                return values.empty() ? 0.0 : *std::min_element(values.begin(), values.end());
            });
    };
    windowBenchmark("window/build/real-window", BM_WindowBuild, false);
    windowBenchmark("window/build/null-window", BM_WindowBuild, true);
    windowBenchmark("window/load/real-window", BM_WindowLoad, false);
    windowBenchmark("window/load/quiet-host", BM_WindowLoad, true);
    windowBenchmark("startup/1000000-entries", BM_StartUp, true);
    windowBenchmark("startup/empty", BM_StartUp, false);

    benchmark::Initialize(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg.starts_with("--entries=")) {
            g_filterSource.nEntries = std::atoi(argv[i] + std::strlen("--entries="));
        } else if (arg.starts_with("--index=")) {
            g_filterSource.sIndexFile = argv[i] + std::strlen("--index=");
        } else {
            std::fprintf(stderr, "unknown argument %s (--entries=N, --index=FILE)\n", argv[i]);
            return 1;
        }
    }
    sitefinch::bench::CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nbrowser pane: %s\n",
                qgetenv("SITEFINCH_PANE") == "text" ? "QTextBrowser" : "WebEngine");
    using Clock = bench::CRatioReporter::Clock;
    if (g_pFilterFixture != nullptr) {
        std::printf("entries: %d\n",
                    g_pFilterFixture->pDlg->GetIndex().GetTree().GetCount() > 0
                        ? static_cast<int>(g_pFilterFixture->pDlg->GetIndex().GetTree().GetCount())
                        : 0);
    }
    for (const CQuery& q : kQueries) {
        const std::string sOurs = std::string("filter/ours/") + q.pszLabel;
        const double dOursMs = reporter.Time(sOurs, "", Clock::kWall);  // in the benchmark's unit
        if (dOursMs <= 0.0) {
            continue;
        }
        std::printf("query \"%s\": %.2f ms, %.0f rows\n", q.pszQuery, dOursMs,
                    reporter.Counter(sOurs, "rows"));
        std::printf("query \"%s\" within one frame (%.0f ms): %s\n", q.pszQuery, kFrameBudgetMs,
                    dOursMs < kFrameBudgetMs ? "met" : "NOT met");
        std::printf("query \"%s\" with the events that follow: %.2f ms\n", q.pszQuery,
                    reporter.Time(std::string("filter/shown/") + q.pszLabel, "", Clock::kWall));
        reporter.PrintRatio("query \"" + std::string(q.pszQuery) + "\" ours / proxy", sOurs,
                            std::string("filter/proxy/") + q.pszLabel, kFilterRatioLimit, "",
                            Clock::kWall);
    }
    for (const char* pszAggregate : {"min", "median"}) {
        std::printf("%s\n", std::string(pszAggregate) == "min" ? "Fastest runs:"
                                                               : "Medians, for comparison:");
        reporter.PrintRatio("window build, 20,000 pages, real / null window",
                            "window/build/real-window", "window/build/null-window",
                            kWindowBuildLimit, pszAggregate, Clock::kWall);
        reporter.PrintRatio("window load, 1,000,000 entries, real window / quiet host",
                            "window/load/real-window", "window/load/quiet-host", kWindowLoadLimit,
                            pszAggregate, Clock::kWall);
        reporter.PrintRatio("start to shown window, 1,000,000 entries / load alone",
                            "startup/1000000-entries", "window/load/quiet-host", kStartUpLimit,
                            pszAggregate, Clock::kWall);
    }
    std::fflush(stdout);
    delete g_pFilterFixture;
    delete g_pWindowFixture;
    benchmark::Shutdown();
    return 0;
}
