// Small desktop utilities shared by the pages and the helper bridge.
#pragma once

#include <cstddef>
#include <functional>

// Writes the folder of the given module (null: the running program) into buffer, ending with the
// path separator and cut to capacity. False when the buffer is null or the folder is unknown.
bool GetProgramFolder(void* module, char* buffer, size_t capacity = 260);

// Writes folder followed by name into path (capacity counts the terminator), with a separator
// between them when the folder lacks its trailing one. False, with an empty path, for an empty folder
// or name or a path that does not fit: an empty part would make the folder itself or a file relative
// to the current directory the target, and a cut path could name some other file.
bool JoinPath(const char* folder, const char* name, char* path, size_t capacity);
template <size_t N>
bool JoinPath(const char* folder, const char* name, char (&path)[N])
{
    return JoinPath(folder, name, path, N);
}

// Opens a file, folder or URL with the desktop's default handler. False for a null or empty target;
// otherwise true, whatever the handler does with it.
bool OpenWithShell(const char* target);

// Test seam: replaces what OpenWithShell runs (for testing). An empty function restores the real one.
void SetOpenWithShellHandler(std::function<void(const char*)> handler);

// Writes the time of day of a date-time value as "hh:mm:ss", or "N/A" for a value below 0.001.
// False when the buffer is null or size is 0.
bool FormatTimeOfDay(double value, char* buffer, size_t size);
