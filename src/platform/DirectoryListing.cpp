// Case-insensitive look-up of names in one directory.
#include "platform/DirectoryListing.h"

#include "platform/Text.h"

namespace sitefinch {

std::string FoldName(const std::string& sName) {
    std::string sFolded = sName;
    CharLowerBuff(sFolded.data(), sFolded.size());
    return sFolded;
}

void CDirectoryListing::Add(const std::string& sName) {
    ++m_byFolded[FoldName(sName)][sName];
}

void CDirectoryListing::Remove(const std::string& sName) {
    const auto itGroup = m_byFolded.find(FoldName(sName));
    if (itGroup == m_byFolded.end()) {
        return;
    }
    const auto itName = itGroup->second.find(sName);
    if (itName == itGroup->second.end()) {
        return;
    }
    if (--itName->second <= 0) {
        itGroup->second.erase(itName);
        if (itGroup->second.empty()) {
            m_byFolded.erase(itGroup);
        }
    }
}

const std::string* CDirectoryListing::Match(const std::string& sName) const {
    const auto itGroup = m_byFolded.find(FoldName(sName));
    if (itGroup == m_byFolded.end()) {
        return nullptr;
    }
    const auto itExact = itGroup->second.find(sName);
    if (itExact != itGroup->second.end()) {
        return &itExact->first;
    }
    return &itGroup->second.begin()->first;
}

}  // namespace sitefinch
