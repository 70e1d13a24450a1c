// The only door to the operating system. Each platform supplies one table of
// calls; tests replace entries to make a chosen call fail.
#pragma once
#include <cstddef>
#include <cstdint>

namespace fmtio::platform {

using Handle = std::intptr_t;
constexpr Handle no_handle = -1;

enum class Std { input, output, error };
enum class Access { read, read_write, write };

// Why a call failed, in the terms the error numbers and their descriptions need.
enum class Failure {
    none,
    not_found,      // the file or a directory on its path does not exist
    access_denied,  // permission, a directory, a lock
    exists,         // exclusive create found the file
    dangling_link,  // the name is a symbolic link to a file that does not exist
    link_loop,      // too many symbolic links on the path
    too_many_files,
    invalid_name,
    disk_full,
    file_too_large, // the process's file-size limit
    broken_pipe,    // the reader of a pipe has gone
    closed_stream,  // a standard stream the process was started without
    no_progress,    // a write that took no bytes and gave no reason
    busy,           // a lock that another process holds
    unsupported,    // the file system has no such thing (locks)
    interrupted,    // a signal ended a blocking call
    io_error,
    other,
};

// What a name or a handle leads to. A write to a pipe, FIFO, socket or
// terminal may wait for ever for a reader that does not read.
enum class Kind {
    none,    // no file: a name that leads nowhere, a standard stream the process was started without
    disk,    // a file on a disk, or what cannot be told
    device,  // a character device: a terminal, /dev/null
    pipe,    // a pipe, a FIFO or a socket
};

struct FileId {
    std::uint64_t volume;
    std::uint64_t index;
    bool operator==(const FileId& o) const { return volume == o.volume && index == o.index; }
};

struct Calls {
    Handle (*std_handle)(Std which);
    Kind (*kind)(Handle h);
    // What the name leads to, following links; Kind::none when nothing does.
    Kind (*look_up)(const char* name);
    // append: every write goes to the end of the file, whoever else writes to it.
    Failure (*open)(const char* name, Access access, bool create_exclusive, bool append, Handle* out);
    bool (*identity)(Handle h, FileId* id);
    Failure (*seek_end)(Handle h);
    // One call each, as the system makes it: a read of up to cap bytes (got 0
    // with Failure::none is the end of the file), a write of up to n bytes
    // (*put may be fewer). A signal that cuts a call short gives
    // Failure::interrupted; system_io.h decides whether to make it again.
    Failure (*read)(Handle h, void* buf, std::size_t cap, std::size_t* got);
    Failure (*write)(Handle h, const void* buf, std::size_t n, std::size_t* put);
    // Reads of `chunk` bytes each into buf, one call each as read makes it,
    // the first at buf and each after it where the bytes so far end, for as
    // long as at least `chunk` of the n bytes wanted (n >= chunk) are still
    // to come. A call that a signal cut short is made again. *done: the
    // bytes read; *ended: a read found the end of the file, and no more were
    // made. A failure ends the reads.
    Failure (*read_chunks)(Handle h, void* buf, std::size_t chunk, std::size_t n, std::size_t* done, bool* ended);
    // An exclusive advisory lock on the whole file, held until the handle is
    // closed; busy when another process holds one and wait is false.
    // Readers of the file are never held up by it.
    Failure (*lock)(Handle h, bool wait);
    void (*close)(Handle h);
    void (*exit)(int status);
    // On an interrupt (Ctrl-C, termination, hang-up) calls handler(sig), with
    // the other interrupts held back until it is done. An interrupt the parent
    // had the process ignore (nohup, a background job) stays ignored. Once one
    // has come, the process ends by it within a second at the latest, even
    // when what the handler writes finds no reader. Also turns a write to a
    // closed pipe, or one past the file-size limit, into a failing write
    // instead of a silent death.
    void (*on_interrupt)(void (*handler)(int sig));
    // Ends the process by the signal, so the shell sees the interruption.
    // Never returns.
    void (*end_by_signal)(int sig);
};

// read_chunks made of calls of `read`, for a table that has no way of its own.
inline Failure read_chunks_by(Failure (*read)(Handle, void*, std::size_t, std::size_t*), Handle h, void* buf,
                              std::size_t chunk, std::size_t n, std::size_t* done, bool* ended)
{
    char* const p = static_cast<char*>(buf);
    std::size_t d = 0;
    *ended = false;
    do {
        std::size_t got = 0;
        const Failure f = read(h, p + d, chunk, &got);
        if (f == Failure::interrupted)
            continue;
        if (f != Failure::none || got == 0) {
            *done = d;
            *ended = f == Failure::none;
            return f;
        }
        d += got;
    } while (n - d >= chunk);
    *done = d;
    return Failure::none;
}

// The table in use; starts as the native one.
Calls& calls();
const Calls& native_calls();

// Program start: a standard stream the process was started without keeps its
// number, held by a placeholder that gives the end of input and takes no
// output, so that no file opened later can receive console bytes.
void guard_standard_streams();

// Captures the command-line words (word 0 the program's name).
void set_command_line(int argc, char** argv);
int word_count();
const char* word(int n, std::size_t* len);

} // namespace fmtio::platform
