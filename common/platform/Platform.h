// The operating-system services the rest of Qosweep asks for. Everything above this folder calls
// only these functions; posix/ implements them for Linux, TextEncoding.cpp holds what is the same on
// every system.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Path separator used in every folder text we build; folder texts always end with it.
inline constexpr char kPathSeparator = '/';

// Broken-down time in the layout of the Windows SYSTEMTIME structure.
struct SystemTime
{
    uint16_t wYear;
    uint16_t wMonth;     // 1 to 12
    uint16_t wDayOfWeek; // 0 = Sunday
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};

// --- Folders and files ------------------------------------------------------------------------

// The folder of the running executable, ending with the separator; empty if it cannot be found.
std::string ProgramFolder();

// Base of the per-user data folder ($XDG_DATA_HOME, else ~/.local/share), ending with the
// separator; false when neither can be determined.
bool DataFolderBase(std::string& folder);

// The user's home folder ($HOME when absolute, else the user database's entry), ending with the
// separator; empty when neither says.
std::string HomeFolder();

bool FileExists(const char* path);
bool FolderExists(const char* path);
// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const char* path);
// Creates every missing level of the path; true when it exists afterwards.
bool CreateFolderPath(const char* path);
// True when the file is gone afterwards (a missing file counts as deleted).
bool DeleteFile(const char* path);
bool CopyFile(const char* from, const char* to, bool overwrite);
// Size in bytes of a regular file; -1 for anything else or a missing file.
int64_t FileSize(const char* path);

// Replaces the whole content of a file, creating it when missing. The new content is written to a
// temporary file beside it and renamed over it, so a crash midway leaves the old file or the new one,
// never half of one. A link stays a link (its target is replaced) and an existing file keeps its mode;
// with ownerOnly the file is readable and writable by its owner only (0600), whatever the umask and
// its mode before. False, with the file unchanged, when the file or its folder is not writable.
// The new content reaches the disk before the rename unless durable is false: for a text that is
// replaced again within a fraction of a second and worth nothing after a crash (a progress line),
// waiting for the disk each time would only slow the work it reports on.
bool ReplaceFileContents(const char* path, const std::string& content, bool ownerOnly = false, bool durable = true);
// Removes the temporary files that replacements of this file killed midway left beside it.
void RemoveReplaceLeftovers(const char* path);

// A file's modification time: seconds since 1970 (negative before) and the nanoseconds within.
struct FileTime
{
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
};

// The whole content of a regular file of at most maxBytes, read through one open (a link is
// followed). False, with errno set and content unspecified, for anything else: EFBIG for a larger
// file, EISDIR for a folder, EINVAL for what is not a regular file; a FIFO never stalls the open.
// modified, when given, receives the file's modification time as it was before the first byte was
// read: the open's own status, which spares a reader that needs both a second look up of the path.
bool ReadFileContents(const char* path, size_t maxBytes, std::string& content, FileTime* modified = nullptr);

// Writes a new regular file with that content, permission bits and modification time, where nothing
// stands yet (not even a dangling link): 0, or the errno of the failure, EEXIST when the path is
// taken. The content is on the disk when it returns; a failure leaves no file behind.
int CreateNewFile(const char* path, const std::string& content, unsigned mode, const FileTime& modified);

// Replaces the content of a regular file as ReplaceFileContents does (a new file beside it with the
// old one's mode, on the disk before it is renamed over the old one), but never through a link, and
// with the folder synchronised after the rename. stillSame is asked once the new content is on the
// disk, just before the rename; when it says no, the file stays as it was. 0, or the errno of the
// failure: ELOOP for a link, EINVAL for anything but a regular file, ECANCELED when stillSame said no.
// The file is a new one under the old name: its owner is the caller, and other names it had (hard
// links) keep the old content.
int ReplaceRegularFile(const char* path, const std::string& content, const std::function<bool()>& stillSame);

// Creates or truncates a regular file for binary writing ("wb"), readable and writable by the
// owner only (0600 whatever the umask); an existing file has its mode tightened before it is cut.
// Null, with errno set, for a symbolic link, anything but a regular file, or a file whose mode we
// may not change; such a file is left as it was.
FILE* OpenPrivateFile(const char* path);

// Takes the group's and others' permissions off an existing regular file (a link is not followed).
// False, with errno set, when the file is missing, no regular file or its mode cannot be changed.
bool RestrictToOwner(const char* path);

// fread and fgetc for a stream that only the calling thread uses, without the stream lock each call
// takes otherwise: a data file is read field by field, a few hundred calls a record.
size_t ReadStream(FILE* stream, void* buffer, size_t size);
int ReadStreamChar(FILE* stream);
// fwrite for such a stream: a data file is written field by field as well.
size_t WriteStream(FILE* stream, const void* data, size_t size);

// Moves a file (or link) to a path where nothing, not even a dangling link, may be, in one step.
// 0, or the errno of the failure: EEXIST when the target is taken, ENOENT when the source is missing,
// EINVAL or ENOSYS where the file system cannot rename without replacing.
int RenameNoReplace(const char* from, const char* to);
// The same as a hard link to the target and the removal of the source, for such file systems: it
// never replaces either, but takes two steps; when the source cannot be removed the link is undone.
int MoveByLink(const char* from, const char* to);

std::string CurrentDirectory();
bool SetCurrentDirectory(const char* path);

// The text of the last operating-system error (errno) of the calling thread.
std::string LastErrorText();

// --- Time and threads ---------------------------------------------------------------------------

void GetLocalTime(SystemTime* time);
// The instant a broken-down UTC time stands for (tm_isdst and the day fields of the week and year
// are ignored; fields out of range carry over). False when it does not fit time_t.
bool UtcToTime(const std::tm& utc, std::time_t* time);
// The local broken-down time of an instant under the zone TZ names, daylight saving included. False
// when the year does not fit.
bool LocalTimeOf(std::time_t time, std::tm* local);
// Makes the local conversions follow TZ as it is now, for a caller that may run after TZ changed.
// Cheap while TZ stays as it was: the zone is read again only when TZ has changed since the last
// call (tzset() itself, with TZ unset, walks to the zone file every time). Changes are seen between
// calls of this function only: a tzset() elsewhere, then TZ put back without one, goes unseen.
void FollowTimeZone();
unsigned long CurrentThreadId();

// --- Text encodings -----------------------------------------------------------------------------

// UTF-8 to UTF-16; malformed bytes become U+FFFD. At most maxUnits code units are produced, and a
// surrogate pair is never split by that limit.
std::u16string Utf8ToUtf16(const char* text, size_t maxUnits = SIZE_MAX);

// UTF-16 to UTF-8 into a buffer of the given capacity (terminator included). Stops at the first
// character that would not fit whole, so the result is always valid UTF-8. Returns the bytes written
// without the terminator; nothing is written when capacity is 0.
size_t Utf16ToUtf8(const char16_t* text, size_t units, char* buffer, size_t capacity);

// Appends the UTF-8 form of a code point; the caller passes a valid one.
void AppendUtf8(std::string& text, char32_t cp);

// Strict UTF-8: no stray continuation bytes, no overlong forms, no surrogates, nothing beyond
// U+10FFFF, nothing cut short.
bool IsValidUtf8(std::string_view text);

// The bytes of text to keep when it must fit in maxBytes: all of it when it fits, else at most
// maxBytes, stepped back so that the cut does not fall inside a UTF-8 character.
size_t Utf8CutLength(std::string_view text, size_t maxBytes);

// --- Processes ----------------------------------------------------------------------------------

struct Process
{
    int pid = 0;
};

enum class WaitResult { Exited, TimedOut, Failed };

// Called between the slices of a process wait, on the waiting thread. The app installs one that
// lets its windows repaint; none is installed by default.
using WaitPump = std::function<void()>;
void SetWaitPump(WaitPump pump);

// Starts the program file with the given argument vector (argv[0] included), inheriting the
// current directory and environment. False, with errno set, when the program cannot be started.
bool StartProcess(const std::string& program, const std::vector<std::string>& args, Process* process);

// Waits up to timeoutMs for the process to end, in slices of at most 100 ms with the wait pump
// called between them. On a time-out the process keeps running; ReleaseProcess then leaves it to
// be reaped later without blocking.
WaitResult WaitProcess(Process* process, uint32_t timeoutMs);

// Forgets the process. One still running is reaped by a later call of this layer, never waited for.
void ReleaseProcess(Process* process);

// --- Locks --------------------------------------------------------------------------------------

// An exclusive advisory lock on a file, held until released or until the process ends, when the
// operating system drops it: a holder that crashed never keeps the next one out. Programs this
// process starts do not inherit it.
struct FileLock
{
    int fd = -1;
};

enum class LockResult { Locked, Busy, Failed };

// Creates the lock file (readable by its owner only) when missing and takes the lock without
// waiting: Busy while another holder has it, Failed, with errno set, when the file cannot be opened.
LockResult TryLockFile(const char* path, FileLock* lock);
// Releases a lock taken with TryLockFile; the file stays. A lock not held is left alone.
void UnlockFile(FileLock* lock);

// --- Desktop ------------------------------------------------------------------------------------

// Opens a file, folder or URL with the desktop's default handler, detached. False only when the
// opener could not be started.
bool ShellOpen(const char* target);

} // namespace platform
