// Data files like a recorder's: stations that step regularly, with a few gaps, overlaps and backward steps planted.
#pragma once
#include <getopt.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/records.h"

namespace recorder {

struct Plan {
    int stations = 4;
    long long span = 6 * 3600;  // seconds of recording
    std::uint64_t seed = 1;
    int gaps = 2, overlaps = 1, backward = 1;  // planted in each station
    std::string out;
};

// 2024-03-01T00:00:00Z: where every station starts, on a time its step divides.
constexpr long long start = 1709251200;
constexpr int steps[] = {10, 15, 20, 30, 60};

// A time as a preface holds it: two digits of the year, the day of the year.
inline records::Stamp stamp(long long t, int station) {
    long long days = t / 86400, secs = t % 86400;
    int year = 1970;
    for (;;) {
        const int length = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 366 : 365;
        if (days < length) break;
        days -= length;
        ++year;
    }
    records::Stamp s;
    s.year = year % 100;
    s.day = static_cast<int>(days) + 1;
    s.hour = static_cast<int>(secs / 3600);
    s.minute = static_cast<int>(secs / 60 % 60);
    s.second = static_cast<int>(secs % 60);
    s.station = station;
    return s;
}

enum Event { none, gap, overlap, backward };

struct Planted {
    long long at;  // the slot of the record before the step
    Event kind;
    long long amount;  // a gap's missing records; the seconds an overlap or a step back takes off
};

// One station's records, made as they are due: their times as the recorder
// writes them into the prefaces, regular but for the planted steps. Records
// are due on the station's grid, one slot a step from the span's start.
struct Station {
    int id = 0, step = 10, family = 0;
    long long slots = 0, slot = 0;  // the span's slots, and the next record's
    long long written = start;      // the time its preface holds
    std::vector<Planted> planted;   // in order
    std::size_t next_planted = 0;

    long long due() const { return start + slot * step; }
    bool done() const { return slot >= slots; }

    // Places the planted steps, each in a share of the span of its own so
    // that no two are neighbours and a gap ends before the next; false when
    // the span has no room for them.
    bool plan(const Plan& p, records::Rng& rng) {
        slots = p.span / step;
        std::vector<Event> kinds;
        kinds.insert(kinds.end(), p.gaps, gap);
        kinds.insert(kinds.end(), p.overlaps, overlap);
        kinds.insert(kinds.end(), p.backward, backward);
        if (kinds.empty()) return true;
        const long long share = (slots - 1) / static_cast<long long>(kinds.size());
        if (share < 4) return false;
        for (int i = static_cast<int>(kinds.size()) - 1; i > 0; --i) std::swap(kinds[i], kinds[rng.below(i + 1)]);
        for (std::size_t e = 0; e < kinds.size(); ++e) {
            const long long from = static_cast<long long>(e) * share;
            const long long at = from + 1 + rng.below(static_cast<int>(share - 3));
            long long amount = 0;
            if (kinds[e] == gap)  // 1 to 30 records missing, ending inside the share
                amount = 1 + rng.below(static_cast<int>(std::min<long long>(30, from + share - at - 1)));
            if (kinds[e] == overlap)  // early by 2 s up to half a step: the clock set back a little
                amount = 2 + rng.below(step / 2 - 1);
            if (kinds[e] == backward)  // the time repeated, or went back up to five steps
                amount = step + rng.below(5 * step);
            planted.push_back({at, kinds[e], amount});
        }
        return true;
    }

    // Moves past the record just written.
    void advance() {
        long long skip = 1, set_back = 0;
        if (next_planted < planted.size() && planted[next_planted].at == slot) {
            const Planted& e = planted[next_planted++];
            if (e.kind == gap) skip += e.amount;
            else set_back = e.amount;
        }
        slot += skip;
        written += skip * step - set_back;
    }
};

inline records::Record record_of(const Station& st, long long t, records::Rng& rng) {
    const records::Stamp s = stamp(t, st.id);
    records::Record r = records::noise(rng);
    switch (st.family) {
    case 0:
    case 1:
    case 2: {
        const int type = st.family == 0 ? 2 : st.family == 1 ? 3 : 15;
        r = records::bcd_header(type, s, r);
        records::set_range(r, records::range_byte(type), 1 + rng.below(255), rng.below(256));
        return r;
    }
    case 3: return records::nibble(8, s, r);
    default: return records::bit_serial(10, s, r);
    }
}

// A recorder's file, planned from the seed before a byte is written.
class Recorder {
public:
    explicit Recorder(const Plan& p) : rng_{p.seed}, stations_(static_cast<std::size_t>(p.stations)) {
        std::vector<int> ids;
        for (Station& st : stations_) {
            do st.id = 1 + rng_.below(4095);
            while (std::find(ids.begin(), ids.end(), st.id) != ids.end());
            ids.push_back(st.id);
            st.step = steps[rng_.below(5)];
            st.family = rng_.below(5);
            if (!st.plan(p, rng_) && why_.empty())
                why_ = "a span of " + std::to_string(p.span) + " s has no room for the planted steps of a " +
                       "station stepping every " + std::to_string(st.step) + " s";
        }
    }

    // Empty when the plan fits its span, else why not.
    const std::string& why() const { return why_; }

    // Writes the records through put, every station's in the order they are
    // due; false when put fails.
    template <class Put>
    bool write(Put&& put) {
        for (;;) {
            Station* next = nullptr;
            for (Station& st : stations_)
                if (!st.done() && (!next || st.due() < next->due())) next = &st;
            if (!next) return true;
            if (!put(record_of(*next, next->written, rng_))) return false;
            next->advance();
        }
    }

private:
    records::Rng rng_;
    std::vector<Station> stations_;
    std::string why_;
};

// A duration: whole seconds, or a number with s, m, h or d.
inline bool duration(const char* text, long long* v) {
    char* end = nullptr;
    errno = 0;
    const long long n = std::strtoll(text, &end, 10);
    const long long unit = !*end ? 1 : std::strcmp(end, "s") == 0 ? 1 : std::strcmp(end, "m") == 0 ? 60
                            : std::strcmp(end, "h") == 0 ? 3600 : std::strcmp(end, "d") == 0 ? 86400 : 0;
    if (errno || end == text || *text == '-' || unit == 0 || n < 1 || n > 366LL * 86400 / unit) return false;
    *v = n * unit;
    return true;
}

// The options after --recorder; false with *why on a bad one.
inline bool parse_plan(int argc, char** argv, Plan* p, std::string* why) {
    enum { o_stations = 256, o_span, o_seed, o_gaps, o_overlaps, o_backward };
    static const option options[] = {
        {"stations", required_argument, nullptr, o_stations}, {"span", required_argument, nullptr, o_span},
        {"seed", required_argument, nullptr, o_seed},         {"gaps", required_argument, nullptr, o_gaps},
        {"overlaps", required_argument, nullptr, o_overlaps}, {"backward", required_argument, nullptr, o_backward},
        {nullptr, 0, nullptr, 0},
    };
    auto bad = [&](const std::string& what) {
        *why = what;
        return false;
    };
    auto count = [](int least, int most, int* v) {
        char* end = nullptr;
        const long n = std::strtol(optarg, &end, 10);
        if (*optarg == '\0' || *end || n < least || n > most) return false;
        *v = static_cast<int>(n);
        return true;
    };
    optind = 0;
    opterr = 0;
    for (int c; (c = getopt_long(argc, argv, ":", options, nullptr)) != -1;) {
        switch (c) {
        case o_stations:
            if (!count(1, 100, &p->stations)) return bad("--stations wants 1 to 100");
            break;
        case o_span:
            if (!duration(optarg, &p->span)) return bad("--span wants 1 s to 366 d: 90, 90s, 15m, 6h or 2d");
            break;
        case o_seed: {
            char* end = nullptr;
            errno = 0;
            p->seed = std::strtoull(optarg, &end, 10);
            if (errno || *end || !*optarg || *optarg == '-') return bad("--seed wants a whole number");
            break;
        }
        case o_gaps:
            if (!count(0, 1000, &p->gaps)) return bad("--gaps wants 0 to 1000");
            break;
        case o_overlaps:
            if (!count(0, 1000, &p->overlaps)) return bad("--overlaps wants 0 to 1000");
            break;
        case o_backward:
            if (!count(0, 1000, &p->backward)) return bad("--backward wants 0 to 1000");
            break;
        default: return bad(std::string("bad option '") + argv[optind - 1] + "'");
        }
    }
    if (optind != argc - 1) return bad("one OUT file expected");
    p->out = argv[optind];
    return true;
}

} // namespace recorder
