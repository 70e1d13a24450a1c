// Writes the fuzz targets' seed inputs: make_seeds DIR writes DIR/fuzz_format,
// DIR/fuzz_decoder and DIR/fuzz_scan (the folders must exist). The seeds kept
// in tests/fuzz/corpus came from it.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/records.h"

namespace {

using records::Record;
using records::Stamp;

bool put(const std::string& path, const std::string& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

std::string bytes(const Record& r) { return std::string(reinterpret_cast<const char*>(r.data()), r.size()); }

// The decoder pads short inputs with zeros: its seeds end at their last non-zero byte.
std::string trimmed(const Record& r) {
    std::string s = bytes(r);
    s.erase(s.find_last_not_of('\0') + 1);
    return s;
}

// fuzz_format input: variable length, format length, format, items.
struct FormatSeed {
    std::string s;
    FormatSeed(int var_len, const std::string& format) {
        s += static_cast<char>(var_len);
        s += static_cast<char>(format.size());
        s += format;
    }
    FormatSeed& i32(std::int32_t v) {
        s += '\0';
        for (int k = 3; k >= 0; --k) s += static_cast<char>(static_cast<std::uint32_t>(v) >> (8 * k));
        return *this;
    }
    FormatSeed& i16(std::int16_t v) {
        s += '\1';
        s += static_cast<char>(static_cast<std::uint16_t>(v) >> 8);
        s += static_cast<char>(v);
        return *this;
    }
    FormatSeed& text(const std::string& t) {
        s += '\2';
        s += static_cast<char>(t.size());
        s += t;
        return *this;
    }
};

Stamp stamp(int station, int xmtr = -1) {
    Stamp s;
    s.year = 99;
    s.day = 123;
    s.hour = 10;
    s.minute = 20;
    s.second = 30;
    s.station = station;
    s.xmtr = xmtr;
    return s;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;

    // Format engine: the program's own formats with their items.
    const std::string listing =
        "(I6,I3,1X,5Z1,1X,6Z1,1X,2Z1,2(1X,6Z1),1X,7Z1,1X,2Z1,1X,Z1,1X,2Z1,2(1X,3Z1),1X,14Z1,"
        "4(2X,3Z1,1X,Z1,1X,4Z1))";
    FormatSeed full(40, listing);
    full.i32(7).i32(-98);
    for (int i = 0; i < 11; ++i) full.i32(i);
    FormatSeed zero(43, "(i6,i3,1x,5z1,1x,6z1,4x,a)");
    zero.i32(12).i32(15);
    for (int v : {9, 9, 0, 4, 10, 1, 2, 11, 0, 0, 7}) zero.i32(v);
    zero.text("Range Start ZERO!");
    FormatSeed rejection(13, "(i5,a,3z2)");
    rejection.i32(7).text(": ").i16(2).i16(60).i16(0);
    FormatSeed date(10, "(z2,z1,z2)");
    date.i16(0x99).i16(1).i16(0x23);
    FormatSeed read5(10, "(5i1)");
    read5.text(" 99123    ");
    FormatSeed eof(30, "(/' -- eof at irec=',i5,' --'/)");
    eof.i32(123456);
    FormatSeed progress(80, "(1x,' Decoding preface:       rec #',i8,' type'    ,i3,2x,5z1,1x,6z1,a1,\\)");
    progress.i32(3).i32(8);
    for (int i = 0; i < 11; ++i) progress.i32(i);
    progress.text("\r");
    FormatSeed station(38, "(23x,a,z3.3)");
    station.text("Station ID: ").i32(0x0A7);
    const std::vector<std::pair<const char*, std::string>> formats = {
        {"listing", full.s}, {"zero", zero.s},         {"rejection", rejection.s}, {"date", date.s},
        {"read5", read5.s},  {"eof", eof.s},           {"progress", progress.s},   {"station", station.s},
    };
    for (const auto& [n, s] : formats) ok = put(dir + "/fuzz_format/" + n, s) && ok;

    // Decoder: one record of each family.
    Record bad_bcd = records::bcd_header(2, stamp(0x123));
    records::set(bad_bcd, 5, 0x1A);
    Record rejected = records::bcd_header(3, stamp(0x123));
    records::spoil(rejected, 3);
    const std::vector<std::pair<const char*, Record>> decoder = {
        {"plain", records::plain(0x37)},
        {"nibble8", records::nibble(8, stamp(0x0A7))},
        {"bcd2", records::bcd_header(2, stamp(0x123))},
        {"bcd15_xmtr", records::bcd_header(15, stamp(0x456, 0x457))},
        {"long15", records::long_nibble(stamp(0xFFF))},
        {"bits10", records::bit_serial(10, stamp(0x321))},
        {"bits13", records::bit_serial(13, stamp(0x321))},
        {"rejected3", rejected},
        {"bad_bcd", bad_bcd},
    };
    for (const auto& [n, r] : decoder) ok = put(dir + "/fuzz_decoder/" + n, trimmed(r)) && ok;

    // Whole runs: a few records, some with a fault plan after them.
    Record keyed = records::bcd_header(2, stamp(0x0A7));
    records::set_range(keyed, 36, 0, 1);
    const std::string three = bytes(records::nibble(8, stamp(0x0A7))) + bytes(keyed) + bytes(records::plain(0));
    const std::string two = bytes(records::bcd_header(15, stamp(0x456, 0x457))) + bytes(rejected);
    const std::vector<std::pair<const char*, std::string>> scans = {
        {"empty", ""},
        {"one", bytes(records::bit_serial(12, stamp(0x00F)))},
        {"three", three},
        {"two_partial", two + std::string(100, '\7')},
        {"bad_bcd", bytes(records::plain(1)) + bytes(bad_bcd)},
        {"read_fails", three + std::string("\1\0\5\0", 4)},         // the 6th read, in record 2
        {"disk_full", two + std::string("\2\0\0\0", 4)},
        {"bad_bcd_disk_full", bytes(bad_bcd) + std::string("\2\0\0\0", 4)},  // two reports
        {"pipe_closed", three + std::string("\3\3\0\0", 4)},
    };
    for (const auto& [n, s] : scans) ok = put(dir + "/fuzz_scan/" + n, s) && ok;
    return ok ? 0 : 1;
}
