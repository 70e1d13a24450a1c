// Writes data files of 4096-byte records to run the lister on: a large
// deterministic mix from a seed, a recorder's regular stations with planted
// irregular steps, or the small sample kept in examples/.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>

#include "tools/recorder.h"
#include "tools/records.h"

namespace {

using records::Record;
using records::noise;
using records::Rng;
using records::Stamp;

// Recording time, moving forward a few seconds per record.
struct Clock {
    int year, day, secs;
    void tick(int n) {
        secs += n;
        while (secs >= 86400) {
            secs -= 86400;
            if (++day > 365) {
                day = 1;
                year = (year + 1) % 100;
            }
        }
    }
    Stamp stamp(int station) const {
        Stamp s;
        s.year = year;
        s.day = day;
        s.hour = secs / 3600;
        s.minute = secs / 60 % 60;
        s.second = secs % 60;
        s.station = station;
        return s;
    }
};

struct Out {
    std::FILE* f = nullptr;
    const char* name = nullptr;
    bool put(const Record& r) {
        if (std::fwrite(r.data(), 1, r.size(), f) == r.size())
            return true;
        std::fprintf(stderr, "gendata: cannot write %s: %s\n", name, std::strerror(errno));
        return false;
    }
};

// The families a mixed file draws from, with weights out of 1000.
enum Family { f_plain, f_bcd23, f_bcd15, f_nibble, f_long15, f_bits, f_count };
const int weight[f_count] = {80, 420, 120, 170, 50, 160};

Family pick(Rng& rng) {
    int w = rng.below(1000);
    for (int f = 0; f < f_count; ++f) {
        if (w < weight[f])
            return static_cast<Family>(f);
        w -= weight[f];
    }
    return f_bcd23;
}

int one_of(Rng& rng, std::initializer_list<int> v) {
    return v.begin()[rng.below(static_cast<int>(v.size()))];
}

// A random high nibble on the type byte: only the low 4 bits name the type.
int type_byte(Rng& rng, int type) { return rng.below(16) << 4 | type; }

bool write_mix(Out& out, long n, std::uint64_t seed) {
    Rng rng{seed};
    int stations[4];
    for (int& s : stations)
        s = 1 + rng.below(4095);
    int station = stations[0];
    Clock clock{rng.below(100), 1 + rng.below(365), rng.below(86400)};

    int left = 0;       // records until the range start changes
    int rhi = 0, rlo = 0;
    for (long i = 0; i < n; ++i) {
        if (left == 0) {
            left = 200 + rng.below(400);
            const bool zero = rng.chance(100);
            rhi = zero ? 0 : rng.below(256);
            rlo = zero ? 0 : rng.below(256);
            if (rng.chance(350))
                station = stations[rng.below(4)];
        }
        --left;
        clock.tick(1 + rng.below(3));

        Stamp s = clock.stamp(station);
        Record r = noise(rng);
        const bool bad = rng.chance(20);
        switch (pick(rng)) {
        case f_plain:
            r = records::plain(type_byte(rng, one_of(rng, {0, 1, 4, 5, 6, 7, 14})), r);
            break;
        case f_bcd23: {
            const int t = one_of(rng, {2, 2, 2, 3});
            if (rng.chance(10))
                s.xmtr = (station + 1) % 4096;
            r = records::bcd_header(type_byte(rng, t), s, r);
            records::set_range(r, 36, rhi, rlo);
            if (bad)
                records::spoil(r, rng.chance(500) ? 2 : 3);
            break;
        }
        case f_bcd15:
            if (rng.chance(10))
                s.xmtr = (station + 1) % 4096;
            r = records::bcd_header(type_byte(rng, 15), s, r);
            records::set_range(r, 43, rhi, rlo);
            if (bad)
                records::spoil(r, rng.chance(500) ? 4 : 5);
            break;
        case f_nibble:
            r = records::nibble(type_byte(rng, one_of(rng, {8, 9, 11})), s, r);
            if (bad)
                records::spoil(r, 2);
            break;
        case f_long15:
            // Digits 1..11 are decimal, so byte 10 (digit 2) is never 255.
            r = records::long_nibble(s, r, type_byte(rng, 15));
            records::set_range(r, 43, rhi, rlo);
            if (bad)
                records::spoil(r, 4);
            break;
        case f_bits:
            r = records::bit_serial(type_byte(rng, one_of(rng, {10, 12, 13})), s, r);
            break;
        case f_count:
            break;
        }
        if (!out.put(r))
            return false;
    }
    return true;
}

// The sample: every family accepted and rejected, two stations, a zero range
// start and a transmitter line, and no BCD digit above 9, so a run completes.
bool write_sample(Out& out) {
    Rng rng{20240611};
    const int sta = 0x0A7, stb = 0x123;
    Clock clock{5, 123, 10 * 3600 + 20 * 60 + 30};
    auto at = [&](int station) {
        clock.tick(7);
        return clock.stamp(station);
    };
    auto bcd = [&](int type, const Stamp& s, int hi, int lo) {
        Record r = records::bcd_header(type, s, noise(rng));
        records::set_range(r, records::range_byte(type), hi, lo);
        return r;
    };
    auto ranged = [](Record r, int hi, int lo) {
        records::set_range(r, records::range_byte(records::get(r, 1)), hi, lo);
        return r;
    };
    auto spoiled = [](Record r, int k) {
        records::spoil(r, k);
        return r;
    };
    auto mismatch = [](Stamp s) {
        s.xmtr = s.station + 1;
        return s;
    };

    const Record list[] = {
        records::plain(0, records::blank()),
        bcd(2, at(sta), 1, 2),
        bcd(2, at(sta), 1, 2),
        bcd(0x33, at(sta), 1, 2),
        records::nibble(8, at(sta), noise(rng)),
        records::nibble(0x39, at(sta), noise(rng)),
        records::nibble(11, at(sta), noise(rng)),
        records::bit_serial(10, at(sta), noise(rng)),
        records::bit_serial(12, at(sta), noise(rng)),
        records::bit_serial(13, at(sta), noise(rng)),
        bcd(15, at(sta), 1, 3),
        ranged(records::long_nibble(at(sta), noise(rng)), 1, 3),
        records::plain(1, noise(rng)),
        records::plain(4, noise(rng)),
        spoiled(bcd(2, at(sta), 1, 3), 3),            // rejected with a line
        spoiled(bcd(3, at(sta), 1, 3), 2),            // rejected, no line
        spoiled(records::nibble(8, at(sta), noise(rng)), 2),
        spoiled(records::nibble(9, at(sta), noise(rng)), 2),
        spoiled(records::nibble(11, at(sta), noise(rng)), 2),
        spoiled(bcd(15, at(sta), 1, 3), 5),
        records::plain(5, noise(rng)),
        bcd(2, at(stb), 2, 0),                        // the second station
        bcd(2, mismatch(at(stb)), 2, 0),              // transmitter differs
        bcd(3, at(stb), 2, 0),
        bcd(2, at(stb), 0, 0),                        // zero range start
        bcd(15, at(stb), 0, 0),
        ranged(records::long_nibble(at(stb), noise(rng)), 0, 0),
        records::nibble(9, at(stb), noise(rng)),
        records::plain(6, noise(rng)),
        records::plain(7, noise(rng)),
        records::plain(14, noise(rng)),
        bcd(3, at(stb), 0, 1),
        records::bit_serial(13, at(sta), noise(rng)),  // back to the first station
        bcd(2, at(sta), 3, 7),
        bcd(2, at(sta), 3, 7),
        records::blank(255),                          // type 15, bytes 4/5 wrong
    };
    for (const Record& r : list)
        if (!out.put(r))
            return false;
    return true;
}

int usage(const std::string& why = "") {
    if (!why.empty())
        std::fprintf(stderr, "gendata: %s\n", why.c_str());
    std::fprintf(stderr,
                 "usage: gendata OUT N [SEED]   N records of a mixed data file\n"
                 "       gendata --sample OUT   the small sample file\n"
                 "       gendata --recorder OUT [--stations N] [--span TIME] [--seed N]\n"
                 "                              [--gaps N] [--overlaps N] [--backward N]\n"
                 "           a recorder's file: N stations (default 4), each with a step of its\n"
                 "           own (10, 15, 20, 30 or 60 s) and times on it, from 2024-03-01\n"
                 "           over TIME (default 6h; s, m, h or d), each with the gaps (2),\n"
                 "           overlaps (1) and backward steps (1) given planted; SEED default 1\n");
    return 2;
}

bool number(const char* s, unsigned long long max, unsigned long long* v) {
    if (!*s || *s == '-')
        return false;
    char* end = nullptr;
    errno = 0;
    *v = std::strtoull(s, &end, 10);
    return errno == 0 && *end == '\0' && *v <= max;
}

} // namespace

int main(int argc, char** argv) {
    const bool sample = argc == 3 && std::strcmp(argv[1], "--sample") == 0;
    const bool recorder = argc >= 2 && std::strcmp(argv[1], "--recorder") == 0;
    recorder::Plan plan;
    unsigned long long n = 0, seed = 1;
    std::string why;
    if (recorder) {
        if (!recorder::parse_plan(argc - 1, argv + 1, &plan, &why))
            return usage(why);
    } else if (!sample) {
        if (argc < 3 || argc > 4 || !number(argv[2], 999999999ull, &n) ||
            (argc == 4 && !number(argv[3], ~0ull, &seed)))
            return usage();
    }

    std::optional<recorder::Recorder> planned;
    if (recorder)
        planned.emplace(plan);
    if (planned && !planned->why().empty())
        return usage(planned->why());

    Out out;
    out.name = recorder ? plan.out.c_str() : sample ? argv[2] : argv[1];
    out.f = std::fopen(out.name, "wb");
    if (!out.f) {
        std::fprintf(stderr, "gendata: cannot create %s: %s\n", out.name, std::strerror(errno));
        return 1;
    }
    bool ok = planned ? planned->write([&](const Record& r) { return out.put(r); })
              : sample ? write_sample(out)
                       : write_mix(out, static_cast<long>(n), seed);
    if (std::fclose(out.f) != 0 && ok) {
        std::fprintf(stderr, "gendata: cannot write %s: %s\n", out.name, std::strerror(errno));
        ok = false;
    }
    return ok ? 0 : 1;
}
