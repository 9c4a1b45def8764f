// Writing the index to its file and reading it back.
#include <algorithm>
#include <cstdio>
#include <string>

#include "BusyGuard.h"
#include "IndexTexts.h"
#include "LineReader.h"
#include "LinkIndex.h"
#include "platform/FileError.h"

namespace sitefinch {

namespace {

// Records are gathered and written in blocks of about this size rather than piece by piece.
constexpr std::size_t kSaveBlockSize = 64 * 1024;

}  // namespace

bool CLinkIndex::SaveIndex(const char* pszPath) {
    if (pszPath == nullptr || *pszPath == '\0') {
        return false;
    }
    // Replacing rather than emptying the file: a save that fails half way must not destroy the
    // index a later run would load.
    std::unique_ptr<CFile> pFile = m_fileSystem.OpenForReplacing(pszPath);
    if (!pFile) {
        char szMessage[kMessageCapacity];
        std::snprintf(szMessage, sizeof szMessage, kWriteFailedFormat, pszPath);
        if (m_pProgressWnd != nullptr) {
            m_pProgressWnd->AddLine(szMessage);
        }
        return false;
    }
    try {
        std::string sBlock;
        sBlock.reserve(kSaveBlockSize + 2 * kLineCapacity);
        for (const CEntryNode* pNode = m_tree.GetHead(); pNode != nullptr; pNode = pNode->m_pNext) {
            if (!pNode->m_pEntry) {
                continue;
            }
            sBlock += pNode->m_pEntry->GetText();
            sBlock += "\r\n@";
            sBlock += pNode->m_pEntry->GetTarget();
            sBlock += "\r\n";
            if (sBlock.size() >= kSaveBlockSize) {
                pFile->Write(sBlock.data(), sBlock.size());
                sBlock.clear();
            }
        }
        if (!sBlock.empty()) {
            pFile->Write(sBlock.data(), sBlock.size());
        }
        pFile->Close();
    } catch (const CFileError&) {
        // Destroying the unfinished file discards it; the previous index file stays as it was.
        return false;
    }
    return true;
}

bool CLinkIndex::LoadIndex(const char* pszPath) {
    if (pszPath == nullptr || *pszPath == '\0') {
        return false;
    }
    // A load nested inside a build or another load would empty the index under it.
    if (IsBusy()) {
        return false;
    }
    CLineReader reader;
    if (!reader.Open(m_fileSystem, pszPath)) {
        char szMessage[kMessageCapacity];
        std::snprintf(szMessage, sizeof szMessage, kOpenFailedFormat, pszPath);
        if (m_pProgressWnd != nullptr) {
            m_pProgressWnd->AddLine(szMessage);
        }
        return false;
    }
    CBusyGuard busy(m_nBusy);
    std::unique_ptr<CLoadingWnd> pLoadingWnd = m_host.NewLoadingWindow();
    try {
        reader.MeasureLength();
        Clear();
        char szText[kLineCapacity];
        char szTarget[kLineCapacity];
        for (;;) {
            if (!reader.ReadLine(szText, sizeof szText)) {
                break;
            }
            if (pLoadingWnd) {
                pLoadingWnd->SetProgress(std::min(reader.GetPercent(), 100));
            }
            m_host.PumpMessagesOncePerFrame();
            if (!reader.ReadLine(szTarget, sizeof szTarget)) {
                break;
            }
            // Lines go strictly two by two: a pair without its '@' is dropped as a whole.
            if (szTarget[0] == '@') {
                AddLinkEntry(szTarget + 1, szText);
            }
        }
        pLoadingWnd.reset();
        reader.Close();
    } catch (const CFileError&) {
        pLoadingWnd.reset();
        try {
            reader.Close();
        } catch (const CFileError&) {
            // Already failing; the file is released either way.
        }
        return false;
    }
    m_tree.RebuildOrder();
    return true;
}

}  // namespace sitefinch
