// Win32 implementation of the platform calls: kernel handles throughout, so
// every byte is read and written as it is, with no text-mode translation.
#include <csignal>
#include <string>
#include <vector>

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "fmtio/platform/command_line.h"
#include "fmtio/platform/platform.h"

namespace fmtio::platform {
namespace {

// The longest name the system's file calls take (MAX_PATH less its NUL).
constexpr std::size_t longest_name = 259;
// ERROR_DISK_QUOTA_EXCEEDED, which not every set of headers declares.
constexpr DWORD disk_quota_exceeded = 1295;

Failure from_error(DWORD e) {
    switch (e) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return Failure::not_found;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_NETWORK_ACCESS_DENIED:
        return Failure::access_denied;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return Failure::exists;
    case ERROR_TOO_MANY_OPEN_FILES:
        return Failure::too_many_files;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_BUFFER_OVERFLOW:
    case ERROR_DIRECTORY:
        return Failure::invalid_name;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case disk_quota_exceeded:
        return Failure::disk_full;
    case ERROR_FILE_TOO_LARGE:
        return Failure::file_too_large;
    case ERROR_CANT_RESOLVE_FILENAME:  // too many reparse points on the path
        return Failure::link_loop;
    case ERROR_BROKEN_PIPE:
    case ERROR_NO_DATA:             // writing to a pipe whose reader has gone
    case ERROR_PIPE_NOT_CONNECTED:  // the same, as Wine reports it
        return Failure::broken_pipe;
    case ERROR_CRC:
    case ERROR_SEEK:
    case ERROR_SECTOR_NOT_FOUND:
    case ERROR_WRITE_FAULT:
    case ERROR_READ_FAULT:
    case ERROR_GEN_FAILURE:
    case ERROR_IO_DEVICE:
        return Failure::io_error;
    default:
        return Failure::other;
    }
}

HANDLE as_handle(Handle h) { return reinterpret_cast<HANDLE>(h); }

char upper(char ch) { return ch >= 'a' && ch <= 'z' ? static_cast<char>(ch - 'a' + 'A') : ch; }

bool same_letters(const char* a, std::size_t n, const char* word) {
    for (std::size_t i = 0; i < n; ++i)
        if (word[i] == '\0' || upper(a[i]) != word[i]) return false;
    return word[n] == '\0';
}

// The system opens the console for "CON" in any folder, in any case, with any
// extension or trailing blanks, and for CONIN$ and CONOUT$: no file can carry
// such a name. Only unit 6 has the console as a file, and the units layer
// keeps that open away from here.
bool names_console(const char* name) {
    const char* start = name;
    if (((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z')) && name[1] == ':')
        start = name + 2;
    for (const char* p = start; *p; ++p)
        if (*p == '\\' || *p == '/') start = p + 1;
    std::size_t whole = 0;
    while (start[whole] != '\0') ++whole;
    if (same_letters(start, whole, "CONIN$") || same_letters(start, whole, "CONOUT$")) return true;
    std::size_t base = 0;
    while (start[base] != '\0' && start[base] != '.' && start[base] != ':') ++base;
    while (base > 0 && start[base - 1] == ' ') --base;
    return same_letters(start, base, "CON");
}

Handle std_handle(Std which) {
    DWORD id = STD_INPUT_HANDLE;
    switch (which) {
    case Std::input: id = STD_INPUT_HANDLE; break;
    case Std::output: id = STD_OUTPUT_HANDLE; break;
    case Std::error: id = STD_ERROR_HANDLE; break;
    }
    HANDLE h = GetStdHandle(id);
    // A process started without a standard handle has none to offer.
    if (h == nullptr || h == INVALID_HANDLE_VALUE) return no_handle;
    return reinterpret_cast<Handle>(h);
}

Kind kind(Handle h) {
    if (h == no_handle) return Kind::none;
    switch (GetFileType(as_handle(h))) {
    case FILE_TYPE_CHAR: return Kind::device;
    case FILE_TYPE_PIPE: return Kind::pipe;
    default: return Kind::disk;
    }
}

Kind look_up(const char* name) { return GetFileAttributesA(name) != INVALID_FILE_ATTRIBUTES ? Kind::disk : Kind::none; }

Failure open_file(const char* name, Access access, bool create_exclusive, bool append, Handle* out) {
    std::size_t len = 0;
    while (name[len] != '\0') ++len;
    if (len > longest_name || names_console(name)) return Failure::invalid_name;
    // Append-data access without write-data access: the system puts every
    // write at the end of the file, whoever else writes to it.
    const DWORD writing = append ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE;
    DWORD rights = GENERIC_READ;
    switch (access) {
    case Access::read: rights = GENERIC_READ; break;
    case Access::read_write: rights = GENERIC_READ | writing; break;
    case Access::write: rights = writing; break;
    }
    // No sharing restriction: other programs may open the file meanwhile.
    HANDLE h = CreateFileA(name, rights, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           create_exclusive ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return from_error(GetLastError());
    // A folder is no data file (the system refuses most such opens already).
    BY_HANDLE_FILE_INFORMATION info;
    if (GetFileInformationByHandle(h, &info) && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        CloseHandle(h);
        return Failure::access_denied;
    }
    *out = reinterpret_cast<Handle>(h);
    return Failure::none;
}

bool identity(Handle h, FileId* id) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(as_handle(h), &info)) return false;
    id->volume = info.dwVolumeSerialNumber;
    id->index = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

Failure seek_end(Handle h) {
    // Pipes and character devices have no end to seek to; writing simply goes on.
    if (GetFileType(as_handle(h)) != FILE_TYPE_DISK) return Failure::none;
    LONG high = 0;
    SetLastError(NO_ERROR);
    DWORD low = SetFilePointer(as_handle(h), 0, &high, FILE_END);
    if (low == INVALID_SET_FILE_POINTER) {
        DWORD e = GetLastError();
        if (e != NO_ERROR) return from_error(e);
    }
    return Failure::none;
}

Failure read_once(Handle h, void* buf, std::size_t cap, std::size_t* got) {
    *got = 0;
    // No standard input at all: the end of input.
    if (h == no_handle) return Failure::none;
    DWORD want = cap > 0x40000000u ? 0x40000000u : static_cast<DWORD>(cap);
    DWORD n = 0;
    if (ReadFile(as_handle(h), buf, want, &n, nullptr)) {
        *got = n;
        return Failure::none;
    }
    DWORD e = GetLastError();
    // A pipe whose writer has closed it is at its end.
    if (e == ERROR_BROKEN_PIPE || e == ERROR_HANDLE_EOF) return Failure::none;
    // Ctrl-C cuts a console read short; the interrupt is the control
    // handler's to act on, as an interrupted call is on POSIX.
    if (e == ERROR_OPERATION_ABORTED) return Failure::interrupted;
    return from_error(e);
}

Failure write_once(Handle h, const void* buf, std::size_t n, std::size_t* put) {
    *put = 0;
    if (h == no_handle) return Failure::closed_stream;
    DWORD chunk = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
    DWORD w = 0;
    if (!WriteFile(as_handle(h), buf, chunk, &w, nullptr)) return from_error(GetLastError());
    *put = w;
    return Failure::none;
}

// A byte far beyond any data: locking it holds off other runs and never a
// reader or an editor of the listing.
constexpr DWORD lock_offset_high = 0x7FFFFFFF;

Failure lock_file(Handle h, bool wait) {
    OVERLAPPED at = {};
    at.OffsetHigh = lock_offset_high;
    DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | (wait ? 0 : LOCKFILE_FAIL_IMMEDIATELY);
    if (LockFileEx(as_handle(h), flags, 0, 1, 0, &at)) return Failure::none;
    switch (DWORD e = GetLastError()) {
    case ERROR_LOCK_VIOLATION:
    case ERROR_IO_PENDING: return Failure::busy;
    case ERROR_NOT_SUPPORTED:
    case ERROR_INVALID_FUNCTION: return Failure::unsupported;
    default: return from_error(e);
    }
}

void close_handle(Handle h) { CloseHandle(as_handle(h)); }

void exit_process(int status) { ExitProcess(static_cast<UINT>(status)); }

Failure read_chunks(Handle h, void* buf, std::size_t chunk, std::size_t n, std::size_t* done, bool* ended) {
    return read_chunks_by(read_once, h, buf, chunk, n, done, ended);
}

std::vector<std::string> words;

void end_by_signal(int) {
    // At once, without the DLL detach that ExitProcess runs: the main thread may
    // be held inside a system call that owns a lock such a detach needs. The
    // status is the one the system gives a process that Ctrl-C ended.
    TerminateProcess(GetCurrentProcess(), STATUS_CONTROL_C_EXIT);
    ExitProcess(STATUS_CONTROL_C_EXIT);
}

// Interrupts. The system calls a console control handler on a thread of its
// own, while the main thread runs on. To give the units layer what a signal
// gives it on POSIX (the main thread stopped between two of its steps, so a
// half-copied record is seen as such and the buffer is not touched by both at
// once) the handler suspends the main thread, runs the units' handler, and
// lets the main thread go on only when that handler deferred the interrupt to
// the end of the record; the main thread then ends the process itself. A
// write of the main thread that waits for a pipe's reader ends with the
// process, which the units' handler ends at once in that case. The handler
// thread never returns, since returning from a close event would let the
// system end the process before the record is whole.
void (*interrupt_handler)(int sig) = nullptr;
HANDLE main_thread = nullptr;
volatile LONG interrupting = 0;

// How long an interrupted run may still take to write out its whole records:
// a pipe's reader that does not read holds it no longer.
constexpr DWORD patience_ms = 1000;

DWORD WINAPI give_up(void*) {
    Sleep(patience_ms);
    end_by_signal(0);
    return 0;
}

BOOL WINAPI on_control(DWORD event) {
    if (InterlockedExchange(&interrupting, 1) == 0 && interrupt_handler) {
        if (HANDLE t = CreateThread(nullptr, 0, give_up, nullptr, 0, nullptr)) CloseHandle(t);
        int sig = event == CTRL_C_EVENT ? SIGINT : event == CTRL_BREAK_EVENT ? SIGBREAK : SIGTERM;
        bool held = main_thread && SuspendThread(main_thread) != static_cast<DWORD>(-1);
        if (held) {
            // Suspending is asynchronous; reading the context waits for it.
            CONTEXT ctx;
            ctx.ContextFlags = CONTEXT_CONTROL;
            GetThreadContext(main_thread, &ctx);
        }
        interrupt_handler(sig);
        if (held) ResumeThread(main_thread);
    }
    for (;;) Sleep(INFINITE);
}

void on_interrupt(void (*handler)(int sig)) {
    interrupt_handler = handler;
    if (!main_thread)
        main_thread = OpenThread(THREAD_SUSPEND_RESUME | THREAD_GET_CONTEXT, FALSE, GetCurrentThreadId());
    // Ctrl-C, Ctrl-Break and closing the console window; a Ctrl-C that the
    // parent had the process ignore stays ignored.
    SetConsoleCtrlHandler(on_control, TRUE);
}

const Calls native = {std_handle, kind,       look_up,     open_file, identity,     seek_end,
                      read_once,  write_once, read_chunks, lock_file, close_handle, exit_process,
                      on_interrupt, end_by_signal};
Calls active = native;

} // namespace

Calls& calls() { return active; }
const Calls& native_calls() { return native; }

// Handles are not small numbers here: no file can take a standard stream's.
void guard_standard_streams() {}

// The words come from the process's command line, split by the system's own
// rules; what the C runtime made of it for main is not used.
void set_command_line(int, char**) {
    const char* line = GetCommandLineA();
    words = split_command_line(line ? line : "");
}

int word_count() { return static_cast<int>(words.size()); }

const char* word(int n, std::size_t* len) {
    if (n < 0 || n >= word_count()) return nullptr;
    *len = words[static_cast<std::size_t>(n)].size();
    return words[static_cast<std::size_t>(n)].c_str();
}

} // namespace fmtio::platform
