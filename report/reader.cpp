// The reader's states from banner to ending, and what it makes of each line in them.
#include "report/reader.h"

#include "report/timestamp.h"

namespace report {

void Reader::start(const std::string& listing) {
    run_.listing = listing;
    line_ = 0;
    seen_banner_ = false;
    state_ = State::outside;
}

void Reader::problem(long line, const std::string& what) {
    if (state_ != State::outside) ++run_.problems;
    sink_.problem(run_.listing, line, what);
}

void Reader::begin_run() {
    if (state_ != State::outside) end_run(Ending{});
    seen_banner_ = true;
    run_.number = ++runs_;
    run_.line = line_;
    run_.file.clear();
    run_.problems = 0;
    announced_ = false;
    last_.reset();
    rec_.station = 0;
    rec_.note.clear();
    note_line_ = 0;
    state_ = State::name;
}

void Reader::announce() {
    if (!announced_) sink_.begin(run_);
    announced_ = true;
}

void Reader::end_run(const Ending& e) {
    announce();
    if (note_line_) problem(note_line_, "decoder line without a record after it");
    sink_.end(run_, e);
    state_ = State::outside;
}

void Reader::finish() {
    if (state_ != State::outside) end_run(Ending{});
}

void Reader::line(std::string_view text) {
    ++line_;
    // Every banner starts a run, a run that never got its name line too. A
    // torn last line is continued by the next run's banner: a whole line
    // torn between its CR and its LF still counts.
    std::size_t at = glued_banner(text);
    if (at != std::string_view::npos) {
        std::string why;
        std::string_view torn = text.substr(0, at);
        if (torn.back() == '\r') {
            torn.remove_suffix(1);
            step(torn);
        } else {
            if (state_ == State::name) announce();
            if (state_ != State::body || !take(torn, &why))
                problem(line_, "torn line before a banner: " + shown(torn));
        }
        begin_run();
        return;
    }
    if (text == banner) {
        begin_run();
        return;
    }
    step(text);
}

void Reader::step(std::string_view text) {
    switch (state_) {
    case State::outside:
        problem(line_, seen_banner_ ? "line after the run's ending: " + shown(text)
                                    : "no banner before this line: " + shown(text));
        return;
    case State::name:
        // List-directed: one blank, then the name; a name of 79 characters
        // or more goes on in the next record.
        run_.file = std::string(text.substr(text.empty() || text[0] != ' ' ? 0 : 1));
        if (text.size() == 80) {
            state_ = State::name_more;
            return;
        }
        announce();
        state_ = State::before_header;
        return;
    case State::name_more:
        if (!text.empty() && text[0] == ' ' && text.size() <= 2) {
            run_.file += text.substr(1);
            announce();
            state_ = State::before_header;
            return;
        }
        announce();
        state_ = State::before_header;
        [[fallthrough]];
    case State::before_header:
        if (text.empty()) {
            state_ = State::header;
            return;
        }
        if (text == column_header) {
            problem(line_, "no empty line before the column header");
            state_ = State::body;
            return;
        }
        problem(line_, "no column header before this line");
        state_ = State::body;
        body(text);
        return;
    case State::header:
        state_ = State::body;
        if (text == column_header) return;
        problem(line_, "no column header before this line");
        body(text);
        return;
    case State::body:
        body(text);
        return;
    }
}

void Reader::body(std::string_view text) {
    std::string why;
    if (!take(text, &why)) problem(line_, why);
}

// Reads one line of a run's body; false with *why when it cannot.
bool Reader::take(std::string_view text, std::string* why) {
    switch (kind_of(text)) {
    case Kind::station:
        if (auto s = read_station(text, why)) {
            rec_.station = *s;
            return true;
        }
        return false;
    case Kind::rejection:
    case Kind::transmitter: {
        auto note = kind_of(text) == Kind::rejection ? read_rejection(text, why) : read_transmitter(text, why);
        if (!note) return false;
        if (note_line_) problem(note_line_, "decoder line without a record after it");
        rec_.note = *note;
        note_line_ = line_;
        return true;
    }
    case Kind::listing: {
        auto l = read_listing(text, why);
        if (!l) return false;
        // Above 999999 the number shows as asterisks: it follows the one before.
        if (!l->record && !last_) {
            *why = "listing line: record number shown as asterisks with no record before it";
            return false;
        }
        rec_.number = l->record ? *l->record : *last_ + 1;
        rec_.type = l->type;
        std::copy(l->date, l->date + 6, rec_.date);
        std::copy(l->time, l->time + 7, rec_.time);
        rec_.when = record_time(rec_.date, rec_.time);
        rec_.zero = l->zero;
        rec_.line = line_;
        last_ = rec_.number;
        sink_.record(run_, rec_);
        rec_.note.clear();
        note_line_ = 0;
        return true;
    }
    case Kind::ending: {
        auto e = read_ending(text, why);
        if (!e) return false;
        if (!e->record && last_) e->record = *last_ + 1;
        end_run(*e);
        return true;
    }
    case Kind::empty:
        *why = "empty line inside a run";
        return false;
    case Kind::header:
        *why = "column header inside a run";
        return false;
    case Kind::banner:
    case Kind::other:
        break;
    }
    *why = "not a line of a listing: " + shown(text);
    return false;
}

} // namespace report
