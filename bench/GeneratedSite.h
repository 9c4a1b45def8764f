// A generated documentation site on disk, the same for every benchmark that crawls one.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace sitefinch::bench {

// A site of nPages pages of about 2 KB in folders of 100, each with a title and ten links to
// other pages; page i links to page i + 1, so the crawl reaches every page. The first page is
// the start page. The files stay on disk until the caller removes root.
struct CGeneratedSite {
    static constexpr int kPagesPerDirectory = 100;
    static constexpr int kLinksPerPage = 10;
    static constexpr std::size_t kPageBytes = 2048;

    std::filesystem::path root;
    std::vector<std::string> pages;  // absolute paths

    CGeneratedSite(const std::filesystem::path& base, int nPages)
        : root(base / ("site" + std::to_string(nPages))) {
        std::mt19937 random(static_cast<std::uint32_t>(nPages));
        std::uniform_int_distribution<int> anyPage(0, nPages - 1);
        for (int i = 0; i < nPages; ++i) {
            const std::filesystem::path path = root / PagePath(i);
            std::filesystem::create_directories(path.parent_path());
            std::string sPage = "<html><head>\n<title>Topic " + std::to_string(i) +
                                " of the generated guide</title>\n</head><body>\n";
            for (int nLink = 0; nLink < kLinksPerPage; ++nLink) {
                const int nTarget = nLink == 0 ? (i + 1) % nPages : anyPage(random);
                sPage += "<p><a href=\"../" + PagePath(nTarget) + (nLink == 2 ? "#part" : "") +
                         "\">See topic " + std::to_string(nTarget) + "</a></p>\n";
            }
            while (sPage.size() < kPageBytes) {
                sPage += "<p>Filler text that a reader skims past, as real pages have it.</p>\n";
            }
            sPage += "</body></html>\n";
            std::ofstream(path, std::ios::binary) << sPage;
            pages.push_back(path.string());
        }
    }

    static std::string PagePath(int nPage) {
        char szPath[64];
        std::snprintf(szPath, sizeof szPath, "d%03d/p%05d.htm", nPage / kPagesPerDirectory, nPage);
        return szPath;
    }
};

}  // namespace sitefinch::bench
