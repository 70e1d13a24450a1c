// The record under construction on output: its characters and pending blanks.
#pragma once
#include <cstddef>
#include <cstring>
#include <memory>

#include "fmtio/format/record_sink.h"

namespace fmtio {

// Each statement builds its records in one of these. The characters live in
// the object itself, so a statement needs no allocation and a statement
// issued from inside another one's sink has a record of its own; only a
// record longer than the inline room moves to the heap.
class OutputRecord {
public:
    // A slash or a reversion ends the record and the scan goes on.
    static constexpr bool reverts = true;

    explicit OutputRecord(RecordSink& sink) : sink_(sink) {}
    OutputRecord(const OutputRecord&) = delete;
    OutputRecord& operator=(const OutputRecord&) = delete;

    void text(const char* p, std::size_t n)
    {
        if (n > 0)
            std::memcpy(place(n), p, n);
    }
    void blanks(std::size_t n) { pending_ += n; }
    void mark_open() { open_ = true; }

    // Slash and reversion. The backslash mark belongs to the record it was
    // met in, so a record ended here never carries it.
    void next_record() { end(false); }
    void finish() { end(open_); }

    // Where the next n characters (n > 0) go, for the caller to write; the
    // pending blanks before them are written now that text follows them.
    char* place(std::size_t n)
    {
        std::size_t need = len_ + pending_ + n;
        if (need > room_)
            grow(need);
        char* p = data_ + len_;
        if (pending_ > 0) {
            std::memset(p, ' ', pending_);
            p += pending_;
            pending_ = 0;
        }
        len_ = need;
        return p;
    }

private:
    static constexpr std::size_t inline_room = 256;

    // Blanks still pending when a record ends are never written, with or
    // without the mark: a record holds only what later text pushed out.
    void end(bool keep_open)
    {
        pending_ = 0;
        open_ = false;
        std::size_t len = len_;
        len_ = 0;
        sink_.record(data_, len, keep_open);
    }

    void grow(std::size_t need)
    {
        std::size_t room = room_ * 2 > need ? room_ * 2 : need;
        std::unique_ptr<char[]> bigger(new char[room]);
        std::memcpy(bigger.get(), data_, len_);
        heap_ = std::move(bigger);
        data_ = heap_.get();
        room_ = room;
    }

    RecordSink& sink_;
    char inline_[inline_room];
    std::unique_ptr<char[]> heap_;
    char* data_ = inline_;
    std::size_t room_ = inline_room;
    std::size_t len_ = 0;
    std::size_t pending_ = 0;
    bool open_ = false;
};

} // namespace fmtio
