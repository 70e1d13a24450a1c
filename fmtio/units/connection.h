// A connection: what a unit is bound to, with its handle, buffer and state.
#pragma once
#include <cstddef>
#include <string>

#include "fmtio/platform/platform.h"
#include "fmtio/format/record_sink.h"

namespace fmtio {

constexpr std::size_t file_buffer_size = 1024;
constexpr std::size_t console_buffer_size = 132;

enum class ConnKind { console, text, stream };

// A file's connection; the console's connections are of a kind of their
// own (console.cpp) that writes each record at once with its carriage control.
// What a record's reads and writes look at comes first, with the table
// pointer in one cache line; the buffer and the name follow.
struct Connection : RecordSink {
    int unit = 0;
    bool used = false;      // a unit-table entry that holds a connection
    ConnKind kind = ConnKind::text;
    platform::Handle handle = platform::no_handle;  // files only: the console writes to the standard streams
    std::size_t fill = 0;   // bytes held in buf
    std::size_t next = 0;   // next byte of buf to read
    std::size_t whole = 0;  // text file: bytes of buf that end on a record boundary
    bool pending = false;   // console: a line written and not yet ended
    bool continued = false; // console: the last record kept the line open
    bool at_end = false;
    bool may_block = false; // a pipe, FIFO, socket or terminal: a write may wait for ever for its reader
    platform::Access action = platform::Access::read;
    platform::FileId id{};
    char buf[file_buffer_size];
    std::string name;

    // A text file's record into the buffer.
    void record(const char* data, std::size_t len, bool keep_open) override;
    // Where a record of up to n characters can be built in place, in the
    // connection's own storage, or nullptr when it cannot take one there
    // (then record() takes it); commit() hands on the record built there,
    // with its length, at most n. A text file's record, with its line end,
    // goes in the buffer as it stands: only when no write would be due for it.
    virtual char* room(std::size_t n);
    virtual void commit(std::size_t len, bool keep_open);
    // Writes out a text file's buffer; false, with the reason, when it cannot.
    bool flush(platform::Failure* why);
    // Writes out the buffer and closes the file; the entry is free again. A
    // failing write is reported when asked for (the exit), else dropped.
    void close(bool report);
};

// Called whenever a connection is made or ended, or the console starts
// afresh: a unit's connection found before then is looked up again.
void connections_changed();
// Moves on at each connections_changed(): a lookup or a statement that keeps
// the connection it found looks again when this has moved.
unsigned connection_epoch();

} // namespace fmtio
