// Marks an index busy for the lifetime of a scope, so nested handlers can refuse to start work.
#pragma once

namespace sitefinch {

// Increments the counter it is given on construction and decrements it on destruction, also
// when the scope is left by an exception. The counter must outlive the guard.
class CBusyGuard {
public:
    explicit CBusyGuard(int& nBusy) : m_nBusy(nBusy) { ++m_nBusy; }
    ~CBusyGuard() { --m_nBusy; }
    CBusyGuard(const CBusyGuard&) = delete;
    CBusyGuard& operator=(const CBusyGuard&) = delete;

private:
    int& m_nBusy;
};

}  // namespace sitefinch
