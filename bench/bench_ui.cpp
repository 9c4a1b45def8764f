// The main window's result list over 100,000 entries: a query change to the refilled model,
// against a QSortFilterProxyModel filtering a QStringListModel of the same texts; and the time
// from start to a shown window with a 100,000-entry index file loaded, against an empty start.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QSortFilterProxyModel>
#include <QStringListModel>
#include <QTemporaryDir>
#include <QWindow>

#include "CountingList.h"
#include "RatioReporter.h"
#include "index/LinkIndex.h"
#include "platform/DisplayText.h"
#include "platform/FileSystem.h"
#include "platform/MemFileSystem.h"
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

struct CQuery {
    const char* pszLabel;
    const char* pszQuery;
};
const CQuery kQueries[] = {{"empty", ""}, {"ion", "ion"}, {"zzz", "zzz"}};
// Set between two timed runs so that every timed run is a real change of the query.
constexpr const char* kOtherQuery = "#";

// Titles and link texts of a documentation site: a few words each, some holding "ion".
std::vector<std::string> MakeTexts() {
    static const char* const kWords[] = {"Printer",  "Setup",   "Installation",  "Guide",
                                         "Network",  "Options", "Configuration", "Index",
                                         "Backup",   "Restore", "Permissions",   "Overview",
                                         "Advanced", "Status",  "Download",      "Help"};
    std::vector<std::string> texts;
    std::uint32_t nSeed = 12345;
    for (int i = 0; i < kEntries; ++i) {
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

// The index, our model and its view; the proxy with its source model and view.
struct CFilterFixture {
    CMemFileSystem fs;
    CQtIndexHost host{nullptr};
    CLinkIndex index{fs, host};
    CResultListModel ourModel;
    QListView ourView;
    QStringListModel sourceModel;
    QSortFilterProxyModel proxyModel;
    QListView proxyView;

    CFilterFixture() {
        // Loaded from an index file, as the program gets its entries: in ascending order.
        {
            CLinkIndex source(fs, host);
            for (const std::string& sText : MakeTexts()) {
                source.AddLinkEntry("/site/page.htm", sText.c_str());
            }
            source.RebuildOrder();
            source.SaveIndex("/site/page.idx");
        }
        index.LoadIndex("/site/page.idx");
        ourView.setUniformItemSizes(true);
        ourView.setModel(&ourModel);

        // The same texts, in the same order, as the proxy's source.
        QStringList texts;
        for (const CEntryNode* p = index.GetTree().GetHead(); p != nullptr; p = p->m_pNext) {
            texts << QString::fromStdString(DecodeForDisplay(p->m_pEntry->GetText()));
        }
        sourceModel.setStringList(texts);
        proxyModel.setSourceModel(&sourceModel);
        proxyModel.setFilterCaseSensitivity(Qt::CaseInsensitive);
        proxyView.setUniformItemSizes(true);
        proxyView.setModel(&proxyModel);
    }
};

CFilterFixture& FilterFixture() {
    static CFilterFixture* pFixture = new CFilterFixture;
    return *pFixture;
}

void BM_OurFilter(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    for (auto _ : state) {
        state.PauseTiming();
        f.index.FilterEntries(f.ourModel, kOtherQuery);
        state.ResumeTiming();
        f.index.FilterEntries(f.ourModel, pszQuery);
    }
    state.counters["rows"] = f.ourModel.rowCount();
}

// The parts of our time: the core's walk alone (a list that keeps nothing), and the model
// without a view attached.
using bench::CCountingList;

void BM_CoreFilterOnly(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    CCountingList list;
    for (auto _ : state) {
        f.index.FilterEntries(list, pszQuery);
    }
    state.counters["rows"] = static_cast<double>(list.m_nLines);
}

void BM_ModelWithoutView(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    CResultListModel model;
    for (auto _ : state) {
        f.index.FilterEntries(model, pszQuery);
    }
    state.counters["rows"] = model.rowCount();
}

void BM_ProxyFilter(benchmark::State& state, const char* pszQuery) {
    CFilterFixture& f = FilterFixture();
    const QString query = QString::fromUtf8(pszQuery);
    const QString other = QString::fromUtf8(kOtherQuery);
    for (auto _ : state) {
        state.PauseTiming();
        f.proxyModel.setFilterFixedString(other);
        state.ResumeTiming();
        f.proxyModel.setFilterFixedString(query);
    }
    state.counters["rows"] = f.proxyModel.rowCount();
}

// An index file of 100,000 entries beside a start page, on disk.
struct CStartFixture {
    QTemporaryDir dir;
    QByteArray startCommandLine;

    CStartFixture() {
        const QByteArray startPage = QFile::encodeName(dir.path() + QStringLiteral("/start.htm"));
        const QByteArray indexFile = QFile::encodeName(dir.path() + QStringLiteral("/start.idx"));
        CQtIndexHost host(nullptr);
        CLinkIndex index(NativeFileSystem(), host);
        for (const std::string& sText : MakeTexts()) {
            index.AddLinkEntry(startPage.constData(), sText.c_str());
        }
        index.RebuildOrder();
        if (!index.SaveIndex(indexFile.constData())) {
            std::fprintf(stderr, "could not write %s\n", indexFile.constData());
        }
        startCommandLine = '"' + startPage + '"';
    }
};

CStartFixture& StartFixture() {
    static CStartFixture* pFixture = new CStartFixture;
    return *pFixture;
}

// Mean wall-clock time of the last start-up run, in ms: [empty, with index].
double g_startWallMs[2] = {0.0, 0.0};

// Construct the main window, initialise it with the command line, show it, wait until exposed.
void BM_StartUp(benchmark::State& state, bool bWithIndex) {
    const QByteArray commandLine =
        bWithIndex ? StartFixture().startCommandLine : QByteArray("\"\" \"x\"");
    qint64 nTotalNs = 0;
    QElapsedTimer timer;
    for (auto _ : state) {
        timer.start();
        auto pDlg = std::make_unique<CSearchDlg>(commandLine);
        pDlg->OnInitDialog();
        pDlg->show();
        while (pDlg->windowHandle() == nullptr || !pDlg->windowHandle()->isExposed()) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QCoreApplication::processEvents();
        nTotalNs += timer.nsecsElapsed();
        if (bWithIndex && pDlg->GetResultModel().rowCount() != kEntries) {
            state.SkipWithError("the index was not loaded");
        }
        state.PauseTiming();
        pDlg.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        state.ResumeTiming();
    }
    g_startWallMs[bWithIndex ? 1 : 0] =
        static_cast<double>(nTotalNs) / 1e6 / static_cast<double>(state.iterations());
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
                                     BM_OurFilter, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("filter/proxy/") + q.pszLabel).c_str(),
                                     BM_ProxyFilter, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("parts/core-only/") + q.pszLabel).c_str(),
                                     BM_CoreFilterOnly, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark((std::string("parts/model-no-view/") + q.pszLabel).c_str(),
                                     BM_ModelWithoutView, q.pszQuery)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("startup/empty", BM_StartUp, false)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(5)
        ->UseRealTime();
    benchmark::RegisterBenchmark("startup/100000-entries", BM_StartUp, true)
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3)
        ->UseRealTime();

    benchmark::Initialize(&argc, argv);
    sitefinch::bench::CRatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);

    std::printf("\nbrowser pane: %s\n",
                qgetenv("SITEFINCH_PANE") == "text" ? "QTextBrowser" : "WebEngine");
    for (const CQuery& q : kQueries) {
        const std::string sOurs = std::string("filter/ours/") + q.pszLabel;
        const double dOursMs = reporter.Time(sOurs);  // CPU time, in the benchmark's unit
        if (dOursMs > 0.0) {
            std::printf("query \"%s\": %.2f ms (target < %.0f ms, %s)\n", q.pszQuery, dOursMs,
                        kFrameBudgetMs, dOursMs < kFrameBudgetMs ? "met" : "NOT met");
        }
        reporter.PrintRatio("query \"" + std::string(q.pszQuery) + "\" ours / proxy", sOurs,
                            std::string("filter/proxy/") + q.pszLabel, kFilterRatioLimit);
    }
    if (g_startWallMs[1] > 0.0 && g_startWallMs[0] > 0.0) {
        std::printf(
            "start to shown window: %.0f ms with 100,000 entries, %.0f ms empty "
            "(ratio %.1f)\n",
            g_startWallMs[1], g_startWallMs[0], g_startWallMs[1] / g_startWallMs[0]);
    }
    std::fflush(stdout);
    benchmark::Shutdown();
    return 0;
}
