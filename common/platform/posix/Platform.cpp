// POSIX implementation of the platform layer.
#include "common/platform/Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <filesystem>
#include <mutex>
#include <pwd.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace platform {

namespace fs = std::filesystem;

std::string ProgramFolder()
{
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (ec)
        return {};
    std::string folder = exe.parent_path().string();
    if (folder.empty() || folder.back() != kPathSeparator)
        folder += kPathSeparator;
    return folder;
}

bool DataFolderBase(std::string& folder)
{
    std::string base;
    const char* xdg = std::getenv("XDG_DATA_HOME");
    // The XDG rules say a relative value is invalid and must be ignored.
    if (xdg && xdg[0] == '/') {
        base = xdg;
    } else {
        const char* home = std::getenv("HOME");
        if (!home || home[0] != '/')
            return false;
        base = std::string(home) + "/.local/share";
    }
    if (base.back() != kPathSeparator)
        base += kPathSeparator;
    folder = base;
    return true;
}

std::string HomeFolder()
{
    std::string home;
    const char* variable = std::getenv("HOME");
    if (variable && variable[0] == '/') {
        home = variable;
    } else {
        passwd entry{};
        passwd* found = nullptr;
        std::vector<char> buffer(16384);
        if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found || !found->pw_dir ||
            found->pw_dir[0] != '/')
            return {};
        home = found->pw_dir;
    }
    if (home.back() != kPathSeparator)
        home += kPathSeparator;
    return home;
}

bool FileExists(const char* path)
{
    std::error_code ec;
    return path && *path && fs::is_regular_file(path, ec);
}

bool FolderExists(const char* path)
{
    std::error_code ec;
    return path && *path && fs::is_directory(path, ec);
}

bool CreateFolder(const char* path)
{
    if (!path || !*path)
        return false;
    std::error_code ec;
    fs::create_directory(path, ec);
    return FolderExists(path);
}

bool CreateFolderPath(const char* path)
{
    if (!path || !*path)
        return false;
    std::error_code ec;
    fs::create_directories(path, ec);
    return FolderExists(path);
}

bool DeleteFile(const char* path)
{
    if (!path || !*path)
        return false;
    std::error_code ec;
    fs::remove(path, ec);
    return !ec;
}

bool CopyFile(const char* from, const char* to, bool overwrite)
{
    if (!from || !*from || !to || !*to)
        return false;
    std::error_code ec;
    auto options = overwrite ? fs::copy_options::overwrite_existing : fs::copy_options::none;
    return fs::copy_file(from, to, options, ec) && !ec;
}

int64_t FileSize(const char* path)
{
    struct stat info
    {};
    if (!path || !*path || ::stat(path, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    return static_cast<int64_t>(info.st_size);
}

namespace {

bool WriteAll(int fd, const std::string& content)
{
    for (size_t done = 0; done < content.size();) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

constexpr const char* kTempInfix = ".tmp";

// "<name>.tmp<pid>-<count>": the temporary file of a replacement of name.
bool IsTempOf(const std::string& candidate, const std::string& name)
{
    const std::string prefix = name + kTempInfix;
    if (candidate.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string rest = candidate.substr(prefix.size());
    const size_t dash = rest.find('-');
    const auto digits = [](const std::string& text) {
        return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
    };
    return dash != std::string::npos && digits(rest.substr(0, dash)) && digits(rest.substr(dash + 1));
}

int CreateTempBeside(const std::string& path, mode_t mode, std::string& tempPath)
{
    static std::atomic<unsigned> counter{0};
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempPath = path + kTempInfix + std::to_string(::getpid()) + "-" + std::to_string(counter++);
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// The file a path names, seen through a symbolic link.
std::string FollowLink(const char* path)
{
    std::error_code ec;
    if (!fs::is_symlink(path, ec))
        return path;
    fs::path target = fs::canonical(path, ec);
    return ec ? std::string(path) : target.string();
}

} // namespace

void RemoveReplaceLeftovers(const char* file)
{
    if (!file || !*file)
        return;
    const fs::path path(FollowLink(file));
    const std::string name = path.filename().string();
    std::error_code ec;
    fs::directory_iterator it(path.parent_path().empty() ? fs::path(".") : path.parent_path(), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::error_code ignored;
        if (IsTempOf(it->path().filename().string(), name) && it->is_regular_file(ignored) && !it->is_symlink(ignored))
            fs::remove(it->path(), ignored);
    }
}

bool ReplaceFileContents(const char* file, const std::string& content, bool ownerOnly, bool durable)
{
    if (!file || !*file)
        return false;
    const std::string path = FollowLink(file);
    // rename() would replace a read-only file in a writable folder, so writability is checked first.
    // A writable file in a read-only folder fails too: there is no room for the temporary file.
    struct stat info
    {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    if (exists && (!S_ISREG(info.st_mode) || ::access(path.c_str(), W_OK) != 0))
        return false;
    const fs::path folder = fs::path(path).parent_path();
    if (::access(folder.empty() ? "." : folder.c_str(), W_OK | X_OK) != 0)
        return false;

    std::string tempPath;
    // Owner only from the start: the temporary file already holds the whole content.
    const int fd = CreateTempBeside(path, ownerOnly ? S_IRUSR | S_IWUSR : 0666, tempPath);
    if (fd < 0)
        return false;
    const bool setMode = ownerOnly || exists;
    const mode_t mode = ownerOnly ? S_IRUSR | S_IWUSR : info.st_mode & 07777;
    bool ok = WriteAll(fd, content) && (!setMode || ::fchmod(fd, mode) == 0) && (!durable || ::fsync(fd) == 0);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tempPath.c_str(), path.c_str()) == 0)
        return true;
    ::unlink(tempPath.c_str());
    return false;
}

int CreateNewFile(const char* path, const std::string& content, unsigned mode, const FileTime& modified)
{
    if (!path || !*path)
        return EINVAL;
    // O_EXCL fails on any name already taken, a dangling link included, and follows none.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, S_IRUSR | S_IWUSR);
    if (fd < 0)
        return errno;
    const timespec times[2] = {{0, UTIME_OMIT},
                               {static_cast<time_t>(modified.seconds), static_cast<long>(modified.nanoseconds)}};
    bool ok = WriteAll(fd, content) && ::fchmod(fd, static_cast<mode_t>(mode & 07777)) == 0 &&
              ::futimens(fd, times) == 0 && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok)
        return 0;
    ::unlink(path);
    return error != 0 ? error : EIO;
}

int ReplaceRegularFile(const char* path, const std::string& content, const std::function<bool()>& stillSame)
{
    if (!path || !*path)
        return EINVAL;
    struct stat info
    {};
    if (::lstat(path, &info) != 0)
        return errno;
    if (S_ISLNK(info.st_mode))
        return ELOOP;
    if (!S_ISREG(info.st_mode))
        return EINVAL;
    std::string tempPath;
    const int fd = CreateTempBeside(path, S_IRUSR | S_IWUSR, tempPath);
    if (fd < 0)
        return errno;
    bool ok = WriteAll(fd, content) && ::fchmod(fd, info.st_mode & 07777) == 0 && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok && stillSame && !stillSame()) {
        ok = false;
        error = ECANCELED;
    }
    // rename() replaces the name itself: a link put there meanwhile is replaced, never written through.
    if (ok && ::rename(tempPath.c_str(), path) != 0) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        ::unlink(tempPath.c_str());
        return error != 0 ? error : EIO;
    }
    const fs::path folder = fs::path(path).parent_path();
    const int dir = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return 0;
}

bool RestrictToOwner(const char* path)
{
    const int fd = path ? ::open(path, O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK) : -1;
    if (fd < 0)
        return false;
    struct stat st
    {};
    bool ok = ::fstat(fd, &st) == 0;
    if (ok && !S_ISREG(st.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    if (ok && (st.st_mode & 077) != 0)
        ok = ::fchmod(fd, st.st_mode & 0700) == 0;
    const int error = errno;
    ::close(fd);
    errno = error;
    return ok;
}

size_t ReadStream(FILE* stream, void* buffer, size_t size)
{
    return fread_unlocked(buffer, 1, size, stream);
}

int ReadStreamChar(FILE* stream)
{
    return getc_unlocked(stream);
}

size_t WriteStream(FILE* stream, const void* data, size_t size)
{
    return fwrite_unlocked(data, 1, size, stream);
}

bool ReadFileContents(const char* path, size_t maxBytes, std::string& content, FileTime* modified)
{
    if (!path || !*path) {
        errno = EINVAL;
        return false;
    }
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    struct stat info
    {};
    int error = ::fstat(fd, &info) == 0 ? 0 : errno;
    if (error == 0 && !S_ISREG(info.st_mode))
        error = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
    if (error == 0 && static_cast<uintmax_t>(info.st_size) > maxBytes)
        error = EFBIG;
    if (error == 0 && modified) {
        modified->seconds = static_cast<int64_t>(info.st_mtim.tv_sec);
        modified->nanoseconds = static_cast<int64_t>(info.st_mtim.tv_nsec);
    }
    // One byte more than the size says, so a file that grew since is read to its end or refused.
    const size_t limit = maxBytes < SIZE_MAX ? maxBytes + 1 : SIZE_MAX;
    size_t done = 0;
    if (error == 0)
        content.resize(static_cast<size_t>(info.st_size) + 1);
    while (error == 0) {
        const ssize_t n = ::read(fd, content.data() + done, content.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        done += static_cast<size_t>(n);
        if (done < content.size())
            continue;
        if (done > maxBytes)
            error = EFBIG;
        else
            content.resize(std::min(content.size() * 2, limit));
    }
    ::close(fd);
    if (error != 0) {
        errno = error;
        return false;
    }
    content.resize(done);
    return true;
}

FILE* OpenPrivateFile(const char* path)
{
    if (!path || !*path) {
        errno = EINVAL;
        return nullptr;
    }
    // Nothing is cut before we know the file is a regular one and private: no O_TRUNC here.
    // O_NONBLOCK keeps a FIFO from stalling the open; O_NOFOLLOW refuses a link planted in its place.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY | O_NONBLOCK, 0600);
    if (fd < 0)
        return nullptr;
    struct stat info
    {};
    bool ok = ::fstat(fd, &info) == 0;
    if (ok && !S_ISREG(info.st_mode)) {
        errno = EINVAL;
        ok = false;
    }
    // The umask may have narrowed the mode of a new file, and an old one may be wider: set it outright.
    ok = ok && ::fchmod(fd, S_IRUSR | S_IWUSR) == 0 && ::ftruncate(fd, 0) == 0;
    const int flags = ok ? ::fcntl(fd, F_GETFL) : -1;
    ok = ok && flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0;
    FILE* file = ok ? ::fdopen(fd, "wb") : nullptr;
    if (!file) {
        const int saved = errno;
        ::close(fd);
        errno = saved;
    }
    return file;
}

int RenameNoReplace(const char* from, const char* to)
{
    return ::renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0 ? 0 : errno;
}

int MoveByLink(const char* from, const char* to)
{
    if (::link(from, to) != 0)
        return errno;
    if (::unlink(from) != 0) {
        // Not moved after all: the file stays where it was, once.
        const int fault = errno;
        ::unlink(to);
        return fault;
    }
    return 0;
}

std::string CurrentDirectory()
{
    std::error_code ec;
    std::string dir = fs::current_path(ec).string();
    return ec ? std::string() : dir;
}

bool SetCurrentDirectory(const char* path)
{
    return path && *path && ::chdir(path) == 0;
}

std::string LastErrorText()
{
    return std::strerror(errno);
}

void GetLocalTime(SystemTime* time)
{
    struct timeval now
    {};
    ::gettimeofday(&now, nullptr);
    struct tm local
    {};
    ::localtime_r(&now.tv_sec, &local);
    time->wYear = static_cast<uint16_t>(local.tm_year + 1900);
    time->wMonth = static_cast<uint16_t>(local.tm_mon + 1);
    time->wDayOfWeek = static_cast<uint16_t>(local.tm_wday);
    time->wDay = static_cast<uint16_t>(local.tm_mday);
    time->wHour = static_cast<uint16_t>(local.tm_hour);
    time->wMinute = static_cast<uint16_t>(local.tm_min);
    time->wSecond = static_cast<uint16_t>(local.tm_sec);
    time->wMilliseconds = static_cast<uint16_t>(now.tv_usec / 1000);
}

bool UtcToTime(const std::tm& utc, std::time_t* time)
{
    std::tm copy = utc;
    // -1 is also 23:59:59 on 31 December 1969; only errno tells a failure.
    errno = 0;
    const std::time_t value = ::timegm(&copy);
    if (value == static_cast<std::time_t>(-1) && errno != 0)
        return false;
    *time = value;
    return true;
}

bool LocalTimeOf(std::time_t time, std::tm* local)
{
    return ::localtime_r(&time, local) != nullptr;
}

void FollowTimeZone()
{
    static std::mutex mutex;
    static bool followed = false;
    static bool wasSet = false;
    static std::string last;
    const std::lock_guard<std::mutex> lock(mutex);
    const char* tz = std::getenv("TZ");
    if (followed && wasSet == (tz != nullptr) && (!tz || last == tz))
        return;
    ::tzset();
    followed = true;
    wasSet = tz != nullptr;
    last = tz ? tz : "";
}

unsigned long CurrentThreadId()
{
    return static_cast<unsigned long>(::syscall(SYS_gettid));
}

// --- Processes ----------------------------------------------------------------------------------

namespace {

std::mutex g_processMutex;
WaitPump g_waitPump;
std::vector<int> g_abandoned;

// Collects abandoned children that have ended meanwhile, so none stays a zombie for long.
void ReapAbandoned()
{
    std::lock_guard lock(g_processMutex);
    std::erase_if(g_abandoned, [](int pid) { return ::waitpid(pid, nullptr, WNOHANG) != 0; });
}

WaitPump CurrentPump()
{
    std::lock_guard lock(g_processMutex);
    return g_waitPump;
}

} // namespace

void SetWaitPump(WaitPump pump)
{
    std::lock_guard lock(g_processMutex);
    g_waitPump = std::move(pump);
}

bool StartProcess(const std::string& program, const std::vector<std::string>& args, Process* process)
{
    ReapAbandoned();
    if (!process || program.empty()) {
        errno = EINVAL;
        return false;
    }
    std::vector<char*> argv;
    for (const auto& a : args)
        argv.push_back(const_cast<char*>(a.c_str()));
    if (argv.empty())
        argv.push_back(const_cast<char*>(program.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    int rc = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
    if (rc != 0) {
        errno = rc;
        return false;
    }
    process->pid = pid;
    return true;
}

WaitResult WaitProcess(Process* process, uint32_t timeoutMs)
{
    if (!process || process->pid <= 0)
        return WaitResult::Failed;
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + milliseconds(timeoutMs);
    const WaitPump pump = CurrentPump();
    // Poll every 10 ms so a helper that ends at once costs no full slice; pump every 100 ms.
    auto nextPump = steady_clock::now() + milliseconds(100);
    for (;;) {
        int status = 0;
        pid_t rc = ::waitpid(process->pid, &status, WNOHANG);
        if (rc == process->pid) {
            process->pid = 0;
            return WaitResult::Exited;
        }
        if (rc < 0)
            return WaitResult::Failed;
        auto now = steady_clock::now();
        if (now >= deadline)
            return WaitResult::TimedOut;
        if (pump && now >= nextPump) {
            pump();
            nextPump = steady_clock::now() + milliseconds(100);
        }
        auto nap = std::min<nanoseconds>(milliseconds(10), deadline - now);
        struct timespec ts
        {
            0, static_cast<long>(nap.count())
        };
        ::nanosleep(&ts, nullptr);
    }
}

void ReleaseProcess(Process* process)
{
    if (process && process->pid > 0) {
        std::lock_guard lock(g_processMutex);
        g_abandoned.push_back(process->pid);
        process->pid = 0;
    }
    ReapAbandoned();
}

LockResult TryLockFile(const char* path, FileLock* lock)
{
    if (!path || !lock)
        return LockResult::Failed;
    const int fd = ::open(path, O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return LockResult::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return error == EWOULDBLOCK ? LockResult::Busy : LockResult::Failed;
    }
    lock->fd = fd;
    return LockResult::Locked;
}

void UnlockFile(FileLock* lock)
{
    if (!lock || lock->fd < 0)
        return;
    // Closing the only descriptor drops the lock.
    ::close(lock->fd);
    lock->fd = -1;
}

bool ShellOpen(const char* target)
{
    if (!target || !*target)
        return false;
    Process opener;
    if (!StartProcess("/usr/bin/xdg-open", {"xdg-open", target}, &opener))
        return false;
    ReleaseProcess(&opener);
    return true;
}

} // namespace platform
