// A connection: what a unit is bound to, with its handle, buffer and state.
#pragma once
#include <cstddef>
#include <string>

#include "fmtio/platform.h"
#include "fmtio/render.h"

namespace fmtio {

constexpr std::size_t file_buffer_size = 1024;
constexpr std::size_t console_buffer_size = 132;

enum class ConnKind { console, text, stream };

struct Connection final : RecordSink {
    ConnKind kind = ConnKind::text;
    std::string name;
    platform::Handle handle = platform::no_handle;
    platform::Access action = platform::Access::read;
    platform::FileId id{};
    char buf[file_buffer_size];
    std::size_t fill = 0;   // bytes held in buf
    std::size_t next = 0;   // next byte of buf to read
    std::size_t whole = 0;  // text file: bytes of buf that end on a record boundary
    bool pending = false;   // console: a line written and not yet ended
    bool continued = false; // console: the last record kept the line open
    bool at_end = false;

    void record(const char* data, std::size_t len, bool keep_open) override;
    // Writes out a text file's buffer; false, with the reason, when it cannot.
    bool flush(platform::Failure* why);
};

// The console connection that output goes through, and the one input comes from
// (the same one on an interactive console).
Connection& console_out();
Connection& console_in();
void reset_console();

// Writes one record to a console connection with its carriage control.
void console_record(Connection& con, const char* data, std::size_t len, bool keep_open);

// Writes raw bytes to standard output; the run ends when that fails.
void console_raw(const char* data, std::size_t len);
// Ends a pending console line, as the stop and the exit do.
void end_pending_line(bool quiet);

// One line of standard input without its line end: false at the end of input.
// A line longer than cap is cut, the rest skipped; *cut tells.
bool read_stdin_line(char* out, std::size_t cap, std::size_t* len, bool* cut);

} // namespace fmtio
