// Native files through POSIX calls: case-insensitive resolution and atomic replacement.
#include "platform/NativeFileSystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileError.h"
#include "platform/PathResolver.h"

namespace sitefinch {

namespace {

constexpr char kSeparator = '/';
// Mode of a newly created file before the umask applies.
constexpr mode_t kNewFileMode = 0644;
// Permission and special bits carried over from a replaced file.
constexpr mode_t kModeBits = 07777;
// Longest part of a file name used in a temporary name, so that ".<name>.XXXXXX" stays within
// the name length limit of common file systems (255 bytes).
constexpr std::size_t kMaxTempStemLength = 200;
// Random letters that end a temporary name, and how often a name is drawn again when it is taken.
constexpr std::size_t kTempSuffixLength = 6;
constexpr int kMaxLinkTries = 16;
// Upper bound for the executable path; Linux paths are limited to 4096 bytes anyway.
constexpr std::size_t kMaxExecutablePathLength = 65536;
// A file opened for reading is read from the system in chunks of this size, whatever the caller
// asks for: the line reader takes 1000 bytes at a time, and one system call per kilobyte would
// cost a crawl more than all its scanning.
constexpr std::size_t kReadAheadSize = 32 * 1024;

std::string ErrorText(const char* pszWhat, const std::string& sPath, int nErrno) {
    return std::string(pszWhat) + " " + sPath + ": " + std::strerror(nErrno);
}

std::string DirectoryOf(const std::string& sPath) {
    const std::size_t nSlash = sPath.rfind(kSeparator);
    if (nSlash == std::string::npos) {
        return ".";
    }
    return nSlash == 0 ? "/" : sPath.substr(0, nSlash);
}

std::string NameOf(const std::string& sPath) {
    const std::size_t nSlash = sPath.rfind(kSeparator);
    return nSlash == std::string::npos ? sPath : sPath.substr(nSlash + 1);
}

// The process's umask, read without changing it: umask() can only be read by setting it, which
// would race with other threads that create files (the GUI has some).
mode_t CurrentUmask() {
    if (FILE* pStatus = std::fopen("/proc/self/status", "re")) {
        char szLine[256];
        unsigned int nMask = 0;
        bool bFound = false;
        while (std::fgets(szLine, sizeof szLine, pStatus) != nullptr) {
            if (std::sscanf(szLine, "Umask: %o", &nMask) == 1) {
                bFound = true;
                break;
            }
        }
        std::fclose(pStatus);
        if (bFound) {
            return static_cast<mode_t>(nMask);
        }
    }
    const mode_t nMask = ::umask(0);
    ::umask(nMask);
    return nMask;
}

// The open itself, with the flags every open of this file system takes. O_NONBLOCK keeps the
// open from blocking should a FIFO take the place of a file between the test and the open; it
// means nothing for regular files, so a file opened only for reading keeps it (a crawl opens
// thousands of them). Files opened for writing have it cleared all the same, to be safe with
// file systems that might honour it.
int OpenAt(int dirFd, const char* pszPath, int nFlags) {
    return ::openat(dirFd, pszPath, nFlags | O_CLOEXEC | O_NONBLOCK, 0666);
}

// Opens and keeps only regular files. Anything else is not even opened: opening a FIFO would
// block or connect its writer, a device may act on being opened (a watchdog, a serial line), and
// an endless one such as /dev/zero would be read for ever. So the type is tested first, and
// again on what was opened, in case the name changed in between. A file that does not exist yet
// may still be created.
int OpenRegularAt(int dirFd, const char* pszPath, int nFlags) {
    struct stat st;
    if (::fstatat(dirFd, pszPath, &st, 0) == 0 ? !S_ISREG(st.st_mode)
                                               : (errno != ENOENT || (nFlags & O_CREAT) == 0)) {
        return -1;
    }
    const int fd = OpenAt(dirFd, pszPath, nFlags);
    if (fd < 0) {
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    if ((nFlags & O_ACCMODE) != O_RDONLY) {
        const int nStatus = ::fcntl(fd, F_GETFL);
        if (nStatus >= 0) {
            ::fcntl(fd, F_SETFL, nStatus & ~O_NONBLOCK);
        }
    }
    return fd;
}

// Opens for reading what is known to have been a regular file, and keeps it only if it still is.
int OpenOpenedRegularAt(int dirFd, const char* pszPath) {
    const int fd = OpenAt(dirFd, pszPath, O_RDONLY);
    struct stat st;
    if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int OpenRegular(const char* pszPath, int nFlags) {
    return OpenRegularAt(AT_FDCWD, pszPath, nFlags);
}

int OpenRegular(const std::string& sPath, int nFlags) {
    return OpenRegular(sPath.c_str(), nFlags);
}

// True when pszPath names a regular file (after symbolic links) that this process may read.
// The same answer as opening it, without opening it.
bool IsReadableRegular(const char* pszPath) {
    struct stat st;
    return ::stat(pszPath, &st) == 0 && S_ISREG(st.st_mode) &&
           ::faccessat(AT_FDCWD, pszPath, R_OK, AT_EACCESS) == 0;
}

// IsReadableRegular for a name in a directory whose readdir said nType: a regular file needs
// only the permission test, a link or an unknown type the stat as well.
bool IsReadableRegularAt(int dirFd, const char* pszName, unsigned char nType) {
    if (nType != DT_REG) {
        struct stat st;
        if ((nType != DT_LNK && nType != DT_UNKNOWN) || ::fstatat(dirFd, pszName, &st, 0) != 0 ||
            !S_ISREG(st.st_mode)) {
            return false;
        }
    }
    return ::faccessat(dirFd, pszName, R_OK, AT_EACCESS) == 0;
}

// Where the name of an absolute path starts, or null when it is not absolute or has no name.
const char* NameStart(const char* pszPath) {
    if (pszPath[0] != kSeparator) {
        return nullptr;
    }
    const char* pName = std::strrchr(pszPath, kSeparator) + 1;
    return *pName != '\0' ? pName : nullptr;
}

void WriteAll(int fd, const void* pBuffer, std::size_t nCount, const std::string& sPath) {
    const char* p = static_cast<const char*>(pBuffer);
    while (nCount > 0) {
        const ssize_t n = ::write(fd, p, nCount);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CFileError(ErrorText("Could not write", sPath, errno));
        }
        p += n;
        nCount -= static_cast<std::size_t>(n);
    }
}

// A file opened for reading or for writing in place.
class CNativeFile : public CFile {
public:
    CNativeFile(int fd, std::string sPath) : m_fd(fd), m_sPath(std::move(sPath)) {}
    ~CNativeFile() override {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }

    // Served from the read-ahead buffer; requests of at least its size bypass it.
    std::size_t Read(void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        char* p = static_cast<char*>(pBuffer);
        std::size_t nDone = 0;
        while (nDone < nCount) {
            if (m_nAheadPos < m_nAheadValid) {
                const std::size_t n = std::min(nCount - nDone, m_nAheadValid - m_nAheadPos);
                std::memcpy(p + nDone, m_pAhead.get() + m_nAheadPos, n);
                m_nAheadPos += n;
                nDone += n;
                continue;
            }
            std::size_t n;
            if (nCount - nDone >= kReadAheadSize) {
                n = ReadSome(p + nDone, nCount - nDone);
                nDone += n;
            } else {
                if (!m_pAhead) {
                    m_pAhead = std::make_unique_for_overwrite<char[]>(kReadAheadSize);
                }
                n = ReadSome(m_pAhead.get(), kReadAheadSize);
                m_nAheadPos = 0;
                m_nAheadValid = n;
            }
            if (n == 0) {
                break;
            }
        }
        return nDone;
    }

    void Write(const void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        WriteAll(m_fd, pBuffer, nCount, m_sPath);
    }

    std::int64_t GetLength() override {
        CheckOpen();
        struct stat st;
        if (::fstat(m_fd, &st) != 0) {
            throw CFileError(ErrorText("Could not get the length of", m_sPath, errno));
        }
        return static_cast<std::int64_t>(st.st_size);
    }

    void Close() override {
        if (m_fd < 0) {
            return;
        }
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 && errno != EINTR) {
            throw CFileError(ErrorText("Could not close", m_sPath, errno));
        }
    }

private:
    void CheckOpen() const {
        if (m_fd < 0) {
            throw CFileError("File " + m_sPath + " is closed");
        }
    }

    // One read from the system, retried when interrupted; 0 at the end of the file.
    std::size_t ReadSome(char* p, std::size_t nCount) {
        for (;;) {
            const ssize_t n = ::read(m_fd, p, nCount);
            if (n >= 0) {
                return static_cast<std::size_t>(n);
            }
            if (errno != EINTR) {
                throw CFileError(ErrorText("Could not read", m_sPath, errno));
            }
        }
    }

    int m_fd;
    std::string m_sPath;
    // Bytes read from the system but not yet handed out: m_pAhead[m_nAheadPos, m_nAheadValid).
    // Allocated on the first small read.
    std::unique_ptr<char[]> m_pAhead;
    std::size_t m_nAheadPos = 0;
    std::size_t m_nAheadValid = 0;
};

// A random name for a temporary file beside the target: ".<name>.XXXXXX", like mkstemp's.
std::string TempNameFor(const std::string& sDir, const std::string& sName) {
    static constexpr char kLetters[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    unsigned char random[kTempSuffixLength];
    if (::getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        // Only uniqueness matters here, and linking under a name that exists fails harmlessly.
        static unsigned int nCounter = 0;
        const auto nSeed = static_cast<unsigned long>(::getpid()) * 2654435761UL +
                           static_cast<unsigned long>(std::time(nullptr)) + ++nCounter * 40503UL;
        for (std::size_t i = 0; i < sizeof random; ++i) {
            random[i] = static_cast<unsigned char>(nSeed >> (i * 5));
        }
    }
    std::string sTemp = sDir == "/" ? "/" : sDir + kSeparator;
    sTemp += '.';
    sTemp += sName.substr(0, kMaxTempStemLength);
    sTemp += '.';
    for (const unsigned char c : random) {
        sTemp += kLetters[c % (sizeof kLetters - 1)];
    }
    return sTemp;
}

// What linking an unnamed file and renaming it over its target came to.
enum class ELinked {
    kReplaced,     // the file is the target now
    kNameTaken,    // the temporary name exists already: nothing was done
    kCannotLink,   // the system offers no way to name the file: nothing was done
    kRenameFailed  // linked, but the rename failed (error in nErrno): the temporary name is gone
};
// How the child process of LinkAndRename() reports kNameTaken and kCannotLink; any other exit
// status is 0 for kReplaced or the errno of a failed rename, which never comes near these.
constexpr int kExitNameTaken = 250;
constexpr int kExitCannotLink = 251;

// The two steps that give the unnamed file fd a name and put it in the target's place, with only
// system calls on strings made beforehand, so that they can run in a vfork child. The link goes
// through /proc first, which any user may; AT_EMPTY_PATH wants a privilege but does without
// /proc. Returns 0 or an exit status as above.
int LinkAndRenameSteps(int fd, const char* pszProcPath, const char* pszTemp,
                       const char* pszTarget) {
    if (::linkat(AT_FDCWD, pszProcPath, AT_FDCWD, pszTemp, AT_SYMLINK_FOLLOW) != 0) {
        if (errno == EEXIST) {
            return kExitNameTaken;
        }
        if (::linkat(fd, "", AT_FDCWD, pszTemp, AT_EMPTY_PATH) != 0) {
            return errno == EEXIST ? kExitNameTaken : kExitCannotLink;
        }
    }
    if (::rename(pszTemp, pszTarget) != 0) {
        const int nErrno = errno;
        ::unlink(pszTemp);
        return nErrno;
    }
    return 0;
}

ELinked LinkedFrom(int nStatus, int& nErrno) {
    switch (nStatus) {
        case 0:
            return ELinked::kReplaced;
        case kExitNameTaken:
            return ELinked::kNameTaken;
        case kExitCannotLink:
            return ELinked::kCannotLink;
        default:
            nErrno = nStatus;
            return ELinked::kRenameFailed;
    }
}

bool IsSameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Links the unnamed file fd as sTemp and renames that over sTarget. Between the two steps the
// temporary name exists, and a process killed there would leave it behind for good; so both run
// in a child process of their own, which a kill of this process does not stop. vfork: the child
// shares this memory and runs only the two system calls while this thread waits, which costs
// far less than a fork and is safe with other threads running. Where no child can be made, the
// steps run here.
ELinked LinkAndRename(int fd, const std::string& sTemp, const std::string& sTarget, int& nErrno) {
    // The child has a copy of this process's descriptors, under the same numbers.
    const std::string sProcPath = "/proc/self/fd/" + std::to_string(fd);
    const char* const pszProcPath = sProcPath.c_str();
    const char* const pszTemp = sTemp.c_str();
    const char* const pszTarget = sTarget.c_str();
    // No signal handler may run in the child, on memory it shares with this process; the child
    // inherits the mask and ends without unblocking anything.
    sigset_t all, saved;
    ::sigfillset(&all);
    ::pthread_sigmask(SIG_SETMASK, &all, &saved);
    const pid_t pid = ::vfork();
    if (pid == 0) {
        ::_exit(LinkAndRenameSteps(fd, pszProcPath, pszTemp, pszTarget));
    }
    ::pthread_sigmask(SIG_SETMASK, &saved, nullptr);
    if (pid < 0) {
        return LinkedFrom(LinkAndRenameSteps(fd, pszProcPath, pszTemp, pszTarget), nErrno);
    }
    int nStatus = 0;
    pid_t nWaited;
    do {
        nWaited = ::waitpid(pid, &nStatus, 0);
    } while (nWaited < 0 && errno == EINTR);
    if (nWaited == pid && WIFEXITED(nStatus)) {
        return LinkedFrom(WEXITSTATUS(nStatus), nErrno);
    }
    // The child was killed, or someone else reaped it: see how far it got.
    struct stat file, found;
    if (::fstat(fd, &file) != 0) {
        nErrno = errno;
        return ELinked::kRenameFailed;
    }
    if (::stat(pszTarget, &found) == 0 && IsSameFile(file, found)) {
        return ELinked::kReplaced;
    }
    if (::lstat(pszTemp, &found) == 0 && IsSameFile(file, found)) {
        if (::rename(pszTemp, pszTarget) == 0) {
            return ELinked::kReplaced;
        }
        nErrno = errno;
        ::unlink(pszTemp);
        return ELinked::kRenameFailed;
    }
    return file.st_nlink == 0 ? ELinked::kCannotLink : ELinked::kNameTaken;
}

// Copies the whole content of fromFd to toFd, from the start; raises on failure.
void CopyContent(int fromFd, int toFd, const std::string& sPath) {
    std::vector<char> buffer(kReadAheadSize);
    for (off_t nOffset = 0;;) {
        const ssize_t n = ::pread(fromFd, buffer.data(), buffer.size(), nOffset);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw CFileError(ErrorText("Could not write", sPath, errno));
        }
        if (n == 0) {
            return;
        }
        WriteAll(toFd, buffer.data(), static_cast<std::size_t>(n), sPath);
        nOffset += n;
    }
}

// The mode and owner a replacement file gets: those of the file it replaces, or the usual mode
// of a new file under the umask.
struct CReplacedFileFacts {
    bool bExists = false;
    struct stat st {};
};

// Gives a new temporary file the mode (and, when we are allowed to give it away, the owner) of
// the file it is to replace; false when the mode cannot be set.
bool TakeOverMode(int fd, const CReplacedFileFacts& facts) {
    const mode_t nMode =
        facts.bExists ? (facts.st.st_mode & kModeBits) : (kNewFileMode & ~CurrentUmask());
    if (::fchmod(fd, nMode) != 0) {
        return false;
    }
    if (facts.bExists && ::geteuid() == 0 &&
        (facts.st.st_uid != 0 || facts.st.st_gid != ::getegid())) {
        if (::fchown(fd, facts.st.st_uid, facts.st.st_gid) != 0) {
            // Only the owner differs; the content is what matters, so go on.
        }
    }
    return true;
}

// A named temporary file beside the target, with the target's mode; -1 when it cannot be made.
int MakeNamedTemp(const std::string& sDir, const std::string& sName,
                  const CReplacedFileFacts& facts, std::string& sTempPath) {
    std::string sTemplate = sDir == "/" ? "/" : sDir + kSeparator;
    sTemplate += '.';
    sTemplate += sName.substr(0, kMaxTempStemLength);
    sTemplate += ".XXXXXX";
    std::vector<char> temp(sTemplate.begin(), sTemplate.end());
    temp.push_back('\0');
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    sTempPath = temp.data();
    if (!TakeOverMode(fd, facts)) {  // mkstemp itself creates 0600
        ::close(fd);
        ::unlink(sTempPath.c_str());
        return -1;
    }
    return fd;
}

// Writes the new content into a temporary file beside the target and renames it over the
// target in Close(). The temporary file has no name while it is written (O_TMPFILE), so that a
// process killed meanwhile leaves nothing behind: it is linked under a temporary name only after
// everything was written and synced, and renamed over the target at once (LinkAndRename()).
// Where the file system has no unnamed files, a named temporary file is written instead, which a
// kill leaves behind; where an unnamed one cannot be linked, its content is copied to one.
class CNativeReplaceFile : public CFile {
public:
    // sTempPath: the named temporary file behind fd, or empty when fd is an unnamed one.
    CNativeReplaceFile(int fd, std::string sTempPath, std::string sTargetPath,
                       CReplacedFileFacts facts, bool bForceCopy)
        : m_fd(fd),
          m_sTempPath(std::move(sTempPath)),
          m_sTargetPath(std::move(sTargetPath)),
          m_facts(facts),
          m_bForceCopy(bForceCopy) {}
    ~CNativeReplaceFile() override { Discard(); }

    std::size_t Read(void*, std::size_t) override {
        throw CFileError("File " + m_sTargetPath + " is not open for reading");
    }

    void Write(const void* pBuffer, std::size_t nCount) override {
        CheckOpen();
        try {
            WriteAll(m_fd, pBuffer, nCount, m_sTargetPath);
        } catch (const CFileError&) {
            m_bFailed = true;
            throw;
        }
    }

    std::int64_t GetLength() override {
        CheckOpen();
        struct stat st;
        if (::fstat(m_fd, &st) != 0) {
            throw CFileError(ErrorText("Could not get the length of", m_sTargetPath, errno));
        }
        return static_cast<std::int64_t>(st.st_size);
    }

    void Close() override {
        if (m_fd < 0) {
            return;
        }
        if (m_bFailed) {
            Discard();
            throw CFileError("File " + m_sTargetPath + " was not replaced after a failed write");
        }
        try {
            // The data must be on the disk before the rename makes it the file's content, or a
            // crash could leave an empty index file where a good one was.
            Sync(m_fd);
            if (m_sTempPath.empty() && LinkOverTarget()) {
                // The content is synced and in place: closing can lose nothing any more.
                ::close(std::exchange(m_fd, -1));
            } else {
                if (m_sTempPath.empty()) {
                    CopyToNamedTemp();
                }
                const int fd = std::exchange(m_fd, -1);
                if (::close(fd) != 0 && errno != EINTR) {
                    const int nErrno = errno;
                    ::unlink(m_sTempPath.c_str());
                    throw CFileError(ErrorText("Could not write", m_sTargetPath, nErrno));
                }
                if (::rename(m_sTempPath.c_str(), m_sTargetPath.c_str()) != 0) {
                    const int nErrno = errno;
                    ::unlink(m_sTempPath.c_str());
                    throw CFileError(ErrorText("Could not replace", m_sTargetPath, nErrno));
                }
            }
        } catch (const CFileError&) {
            Discard();
            throw;
        }
        // Make the rename itself durable; a failure here loses nothing already written.
        const int dirFd =
            ::open(DirectoryOf(m_sTargetPath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    }

private:
    void CheckOpen() const {
        if (m_fd < 0) {
            throw CFileError("File " + m_sTargetPath + " is closed");
        }
    }
    void Sync(int fd) const {
        if (::fsync(fd) != 0) {
            throw CFileError(ErrorText("Could not write", m_sTargetPath, errno));
        }
    }
    // Puts the unnamed file in the target's place under a fresh temporary name; false when it
    // cannot be given a name.
    bool LinkOverTarget() {
        const std::string sDir = DirectoryOf(m_sTargetPath);
        const std::string sName = NameOf(m_sTargetPath);
        for (int nTry = 0; nTry < kMaxLinkTries && !m_bForceCopy; ++nTry) {
            int nErrno = 0;
            switch (LinkAndRename(m_fd, TempNameFor(sDir, sName), m_sTargetPath, nErrno)) {
                case ELinked::kReplaced:
                    return true;
                case ELinked::kNameTaken:
                    continue;
                case ELinked::kCannotLink:
                    return false;
                case ELinked::kRenameFailed:
                    throw CFileError(ErrorText("Could not replace", m_sTargetPath, nErrno));
            }
        }
        return false;
    }
    // Copies the unnamed file into a named temporary file beside the target, which takes its
    // place in m_fd and m_sTempPath.
    void CopyToNamedTemp() {
        std::string sTemp;
        const int fd =
            MakeNamedTemp(DirectoryOf(m_sTargetPath), NameOf(m_sTargetPath), m_facts, sTemp);
        if (fd < 0) {
            throw CFileError(ErrorText("Could not write", m_sTargetPath, errno));
        }
        try {
            CopyContent(m_fd, fd, m_sTargetPath);
            Sync(fd);
        } catch (const CFileError&) {
            ::close(fd);
            ::unlink(sTemp.c_str());
            throw;
        }
        ::close(std::exchange(m_fd, fd));
        m_sTempPath = std::move(sTemp);
    }
    void Discard() {
        if (m_fd >= 0) {
            ::close(std::exchange(m_fd, -1));
            if (!m_sTempPath.empty()) {
                ::unlink(m_sTempPath.c_str());  // an unnamed file goes with its descriptor
            }
        }
    }

    int m_fd;
    std::string m_sTempPath;
    std::string m_sTargetPath;
    CReplacedFileFacts m_facts;
    bool m_bForceCopy;
    bool m_bFailed = false;
};

// The file a replacement must land on: the target of a symbolic link, so the link survives.
// Empty when the link cannot be followed.
std::string FollowLinks(const std::string& sPath) {
    struct stat st;
    if (::lstat(sPath.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return sPath;
    }
    if (char* pszReal = ::realpath(sPath.c_str(), nullptr)) {
        std::string sReal = pszReal;
        std::free(pszReal);
        return sReal;
    }
    return std::string();
}

}  // namespace

std::string CNativeFileSystem::Resolve(const std::string& sPath) {
    struct stat st;
    if (::lstat(sPath.c_str(), &st) == 0) {
        return sPath;
    }
    return ResolvePath(sPath, kSeparator,
                       [this](const std::string& sDir) { return ListDirectory(sDir); });
}

const CDirectoryListing* CNativeFileSystem::ListDirectory(const std::string& sDir) {
    if (m_nScanDepth > 0) {
        const auto it = m_cache.find(sDir);
        if (it != m_cache.end()) {
            return it->second ? &*it->second : nullptr;
        }
    }
    DIR* pDir = ::opendir(sDir.empty() ? "." : sDir.c_str());
    std::optional<CDirectoryListing> listing;
    if (pDir != nullptr) {
        listing.emplace();
        while (const dirent* pEntry = ::readdir(pDir)) {
            listing->Add(pEntry->d_name);
        }
        ::closedir(pDir);
    }
    if (m_nScanDepth > 0) {
        auto& cached = m_cache[sDir] = std::move(listing);
        return cached ? &*cached : nullptr;
    }
    if (!listing) {
        return nullptr;
    }
    m_scratch = std::move(*listing);
    return &m_scratch;
}

CNativeFileSystem::CDirectoryHandle::~CDirectoryHandle() {
    if (fd >= 0) {
        ::close(fd);
    }
}

const CNativeFileSystem::CDirectoryHandle* CNativeFileSystem::HandleOf(std::string_view sDir) {
    if (CDirectoryHandle* const* ppHandle = m_handles.Find(sDir)) {
        return *ppHandle;
    }
    std::unique_ptr<CDirectoryHandle> pHandle;
    const std::string sDirPath(sDir);
    const int fd = ::open(sDirPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        pHandle = std::make_unique<CDirectoryHandle>();
        pHandle->fd = fd;
        // The listing reads through a second descriptor, which closedir takes with it.
        const int listFd = ::fcntl(fd, F_DUPFD_CLOEXEC, 0);
        DIR* pDir = listFd >= 0 ? ::fdopendir(listFd) : nullptr;
        if (pDir == nullptr) {
            if (listFd >= 0) {
                ::close(listFd);
            }
            pHandle.reset();
        } else {
            while (const dirent* pEntry = ::readdir(pDir)) {
                pHandle->types.FindOrAdd(pEntry->d_name, pEntry->d_type) = pEntry->d_type;
            }
            ::closedir(pDir);
            if (m_nOpenHandles < kMaxDirectoryHandles) {
                ++m_nOpenHandles;
            } else {
                ::close(pHandle->fd);
                pHandle->fd = -1;
            }
        }
    }
    CDirectoryHandle* pStored = pHandle.get();
    if (pHandle) {
        m_handleStore.push_back(std::move(pHandle));
    }
    m_handles.Add(sDir, pStored);
    return pStored;
}

int CNativeFileSystem::ExistsInHandle(const char* pszPath) {
    const char* pName = NameStart(pszPath);
    if (m_nScanDepth == 0 || pName == nullptr) {
        return -1;
    }
    const CDirectoryHandle* pHandle =
        HandleOf(std::string_view(pszPath, static_cast<std::size_t>(pName - pszPath)));
    if (pHandle == nullptr) {
        return -1;
    }
    const unsigned char* pType = pHandle->types.Find(pName);
    if (pType == nullptr) {
        return -1;  // not there as written: only the case-insensitive resolution can find it
    }
    // The name is there as written, so it is what Resolve() would return: the answer is final.
    return pHandle->fd >= 0 ? IsReadableRegularAt(pHandle->fd, pName, *pType)
                            : IsReadableRegularAt(AT_FDCWD, pszPath, *pType);
}

void CNativeFileSystem::NoteCreated(const std::string& sPath) {
    if (m_nScanDepth == 0) {
        return;
    }
    const std::size_t nSlash = sPath.rfind(kSeparator);
    const std::string sDir =
        nSlash == std::string::npos ? std::string() : sPath.substr(0, nSlash + 1);
    if (CDirectoryHandle* const* ppHandle = m_handles.Find(sDir); ppHandle && *ppHandle) {
        // Of unknown type, so that a test looks at what is there now.
        (*ppHandle)->types.FindOrAdd(NameOf(sPath), DT_UNKNOWN) = DT_UNKNOWN;
    }
    const auto it = m_cache.find(sDir);
    if (it != m_cache.end() && it->second) {
        const std::string sName = NameOf(sPath);
        const std::string* pMatch = it->second->Match(sName);
        if (pMatch == nullptr || *pMatch != sName) {
            it->second->Add(sName);
        }
    }
}

void CNativeFileSystem::DropScanCache() {
    m_cache.clear();
    m_handles.Clear();
    m_handleStore.clear();  // closes the directory descriptors
    m_nOpenHandles = 0;
}

void CNativeFileSystem::BeginCachedScan() {
    if (m_nScanDepth++ == 0) {
        DropScanCache();
    }
}

void CNativeFileSystem::EndCachedScan() {
    if (m_nScanDepth > 0 && --m_nScanDepth == 0) {
        DropScanCache();
    }
}

std::unique_ptr<CFile> CNativeFileSystem::OpenForReading(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    // The path as given is what Resolve() would return whenever the open succeeds, so trying it
    // first spares the common case the look-up. During a scan it is opened through its
    // directory's handle when the directory lists the name as written.
    if (const char* pName = m_nScanDepth > 0 ? NameStart(pszPath) : nullptr) {
        const CDirectoryHandle* pHandle =
            HandleOf(std::string_view(pszPath, static_cast<std::size_t>(pName - pszPath)));
        const unsigned char* pType = pHandle != nullptr ? pHandle->types.Find(pName) : nullptr;
        if (pType != nullptr) {
            // A name the listing gave as a regular file is opened without a test by name
            // first; what was opened is still tested, as it may have been replaced since.
            const int dirFd = pHandle->fd >= 0 ? pHandle->fd : AT_FDCWD;
            const char* pszOpened = pHandle->fd >= 0 ? pName : pszPath;
            const int fd = *pType == DT_REG ? OpenOpenedRegularAt(dirFd, pszOpened)
                                            : OpenRegularAt(dirFd, pszOpened, O_RDONLY);
            if (fd >= 0) {
                return std::make_unique<CNativeFile>(fd, pszPath);
            }
        }
    }
    int fd = OpenRegular(pszPath, O_RDONLY);
    if (fd >= 0) {
        return std::make_unique<CNativeFile>(fd, pszPath);
    }
    const std::string sPath = Resolve(pszPath);
    if (sPath == pszPath) {
        return nullptr;  // it exists as given and still could not be opened, or nothing matches
    }
    fd = OpenRegular(sPath, O_RDONLY);
    if (fd < 0) {
        return nullptr;
    }
    return std::make_unique<CNativeFile>(fd, sPath);
}

std::unique_ptr<CFile> CNativeFileSystem::OpenForWriting(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    const std::string sPath = Resolve(pszPath);
    const int fd = OpenRegular(sPath, O_WRONLY | O_CREAT | O_TRUNC);
    if (fd < 0) {
        return nullptr;
    }
    NoteCreated(sPath);
    return std::make_unique<CNativeFile>(fd, sPath);
}

std::unique_ptr<CFile> CNativeFileSystem::OpenForReplacing(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return nullptr;
    }
    const std::string sResolved = Resolve(pszPath);
    const std::string sTarget = FollowLinks(sResolved);
    if (sTarget.empty()) {
        return nullptr;
    }

    CReplacedFileFacts facts;
    facts.bExists = ::stat(sTarget.c_str(), &facts.st) == 0;
    if (facts.bExists && (!S_ISREG(facts.st.st_mode) || ::access(sTarget.c_str(), W_OK) != 0)) {
        return nullptr;
    }
    const std::string sDir = DirectoryOf(sTarget);
    if (::access(sDir.c_str(), W_OK) != 0) {
        return nullptr;
    }

    // Read and write: should the unnamed file turn out not to be linkable, Close() reads it
    // back to copy it.
    std::string sTempPath;
    int fd = m_eReplaceMode == EReplaceMode::kNamed
                 ? -1
                 : ::open(sDir.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, kNewFileMode);
    if (fd >= 0 && !TakeOverMode(fd, facts)) {
        ::close(fd);
        return nullptr;
    }
    if (fd < 0) {
        // No unnamed files on this file system (or not in this mode): a named one instead.
        fd = MakeNamedTemp(sDir, NameOf(sTarget), facts, sTempPath);
        if (fd < 0) {
            return nullptr;
        }
    }
    NoteCreated(sResolved);
    return std::make_unique<CNativeReplaceFile>(fd, std::move(sTempPath), sTarget, facts,
                                                m_eReplaceMode == EReplaceMode::kUnnamedCopied);
}

bool CNativeFileSystem::Exists(const char* pszPath) {
    if (pszPath == nullptr || pszPath[0] == '\0') {
        return false;
    }
    const int nKnown = ExistsInHandle(pszPath);
    if (nKnown >= 0) {
        return nKnown != 0;
    }
    // As OpenForReading: the path as given first, then its case-insensitive resolution.
    if (IsReadableRegular(pszPath)) {
        return true;
    }
    const std::string sPath = Resolve(pszPath);
    return sPath != pszPath && IsReadableRegular(sPath.c_str());
}

CFileSystem& NativeFileSystem() {
    static CNativeFileSystem fileSystem;
    return fileSystem;
}

std::string GetExecutablePath() {
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) {
            return std::string();
        }
        if (static_cast<std::size_t>(n) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(n));
        }
        if (buffer.size() >= kMaxExecutablePathLength) {
            return std::string();
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace sitefinch
