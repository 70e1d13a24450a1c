// Reading listings: each line kind, and each quirk of stored listings.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/lines.h"
#include "report/reader.h"
#include "report/split.h"
#include "report/timestamp.h"

using namespace report;

namespace {

const std::string crlf = "\r\n";
const std::string B = " new run ---------------------------------";
const std::string H = "   Rec Typ Date  Time";
const std::string S = "                       Station ID: ";  // then three digits

std::string lines(const std::vector<std::string>& v) {
    std::string s;
    for (const auto& l : v) s += l + crlf;
    return s;
}

std::string head(const std::string& name) { return lines({B, " " + name, "", H}); }

// What the reader reports, one line per event.
class Trace : public Sink {
public:
    std::string text;
    void begin(const Run& r) override {
        text += "begin " + std::to_string(r.number) + " '" + r.file + "' at " + std::to_string(r.line) + "\n";
    }
    void record(const Run&, const Record& r) override {
        char b[160];
        std::snprintf(b, sizeof b, "rec %lld type %d %s %s %s st %03X%s", r.number, r.type, r.date, r.time,
                      r.when ? iso_time(*r.when).c_str() : "-", static_cast<unsigned>(r.station),
                      r.zero ? " zero" : "");
        text += b;
        if (!r.note.empty()) text += " note '" + r.note + "'";
        text += "\n";
    }
    void end(const Run& r, const Ending& e) override {
        const char* k = e.kind == Ending::eof ? "eof" : e.kind == Ending::parity ? "parity" : "none";
        text += std::string("end ") + k + (e.record ? " " + std::to_string(*e.record) : "") + " (" +
                std::to_string(r.problems) + " unreadable)\n";
    }
    void problem(const std::string& listing, long line, const std::string& what) override {
        text += listing + ":" + std::to_string(line) + ": " + what + "\n";
    }
};

// Reads the text as one listing, fed in pieces of the given size.
std::string read_text(const std::string& text, std::size_t piece) {
    Trace t;
    Reader r(t);
    Splitter split;
    r.start("L");
    auto take = [&](std::string_view l) { r.line(l); };
    for (std::size_t at = 0; at < text.size(); at += piece)
        split.feed(text.data() + at, std::min(piece, text.size() - at), take);
    split.finish(take);
    r.finish();
    return t.text;
}

struct Row {
    const char* what;
    std::string listing;
    std::string trace;
};

void check(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        const std::string whole = read_text(row.listing, row.listing.size() + 1);
        EXPECT_EQ(whole, row.trace) << row.what;
        // Where the pieces of a read end must not matter.
        EXPECT_EQ(read_text(row.listing, 3), whole) << row.what << " (in pieces of 3 bytes)";
    }
}

} // namespace

TEST(LineKinds, ListingLine) {
    struct L {
        std::string line;
        std::string why;  // empty when it reads
        long long record; // -1: asterisks
        int type;
        const char* date;
        const char* time;
        bool zero;
    };
    const std::vector<L> rows = {
        {"     5  2 99123 10203", "listing line: 22 or 43 characters expected", 0, 0, "", "", false},
        {"     5  2 99123 102030    Range Start ZERO?", "listing line: columns 23-43 are not '    Range Start ZERO!'", 0, 0, "", "", false},
        {"    x5  2 99123 102030", "listing line: record number '    x5' is not a number", 0, 0, "", "", false},
        {"     0  2 99123 102030", "listing line: record number '     0' is below 1", 0, 0, "", "", false},
        {"     5 99 99123 102030", "listing line: ' 99' is not a record type", 0, 0, "", "", false},
        {"     5-99 99123 102030", "listing line: '-99' is not a record type", 0, 0, "", "", false},
        {"     5***99123 102030", "listing line: 22 or 43 characters expected", 0, 0, "", "", false},
        {"     5  2x99123 102030", "listing line: no blank in column 10 or 16", 0, 0, "", "", false},
        {"     5  2 99g23 102030", "listing line: date and time '99g23 102030' are not digits", 0, 0, "", "", false},
        {"     5  2 99123 10203a", "listing line: date and time '99123 10203a' are not digits", 0, 0, "", "", false},
        {"     5  2 99123 102030", "", 5, 2, "99123", "102030", false},
        {"999999 15 9904A 12B007    Range Start ZERO!", "", 999999, 15, "9904A", "12B007", true},
        {"******-98 00000 000000", "", -1, -98, "00000", "000000", false},
        {"    17-85 00000 000000", "", 17, -85, "00000", "000000", false},
        {"     1  0 00000 000000", "", 1, 0, "00000", "000000", false},
    };
    for (const L& row : rows) {
        ASSERT_EQ(kind_of(row.line), row.line.size() == 21 ? Kind::other : Kind::listing) << row.line;
        std::string why;
        auto l = read_listing(row.line, &why);
        if (!row.why.empty()) {
            EXPECT_FALSE(l) << row.line;
            EXPECT_EQ(why, row.why) << row.line;
            continue;
        }
        ASSERT_TRUE(l) << row.line << ": " << why;
        EXPECT_EQ(l->record ? *l->record : -1, row.record) << row.line;
        EXPECT_EQ(l->type, row.type) << row.line;
        EXPECT_STREQ(l->date, row.date) << row.line;
        EXPECT_STREQ(l->time, row.time) << row.line;
        EXPECT_EQ(l->zero, row.zero) << row.line;
    }
}

TEST(LineKinds, StationEndingAndDecoderLines) {
    std::string why;
    // Station lines: 23 blanks, "Station ID: ", three upper-case digits.
    EXPECT_FALSE(read_station(S + "0a7", &why));
    EXPECT_EQ(why, "station line: '0a7' is not three hexadecimal digits");
    EXPECT_FALSE(read_station(S + "0A", &why));
    EXPECT_FALSE(read_station(S + "0A7 ", &why));
    EXPECT_EQ(read_station(S + "0A7", &why), 0x0A7);
    EXPECT_EQ(read_station(S + "FFF", &why), 0xFFF);
    EXPECT_EQ(kind_of(S + "000"), Kind::station);

    // Endings: I5, asterisks above 99999.
    EXPECT_FALSE(read_ending(" -- eof at irec=   4--", &why));
    EXPECT_EQ(why, "ending line: not the form ' -- eof at irec=nnnnn --'");
    EXPECT_FALSE(read_ending(" -- eof at irec=    0 --", &why));
    EXPECT_EQ(why, "ending line: record number '    0' is not a number from 1");
    auto e = read_ending(" -- eof at irec=    4 --", &why);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, Ending::eof);
    EXPECT_EQ(e->record, 4);
    e = read_ending(" -- parity error at irec=12345 --", &why);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->kind, Ending::parity);
    EXPECT_EQ(e->record, 12345);
    e = read_ending(" -- eof at irec=***** --", &why);
    ASSERT_TRUE(e);
    EXPECT_FALSE(e->record);

    // Rejection line "(i5,a,3z2)" and transmitter line "(a,2i4)", trimmed.
    EXPECT_FALSE(read_rejection("    7:  23G 0", &why));
    EXPECT_EQ(why, "rejection line: ' 23G 0' are not three hexadecimal bytes");
    EXPECT_FALSE(read_rejection("   x7:  23C 0", &why));
    EXPECT_EQ(kind_of("    7:  23C 0"), Kind::rejection);
    EXPECT_EQ(read_rejection("    7:  23C 0", &why), "7:  23C 0");
    EXPECT_EQ(read_rejection("*****: 323CFE", &why), "*****: 323CFE");
    EXPECT_FALSE(read_transmitter(" ivstat,xmtr_id: 291 29x", &why));
    EXPECT_EQ(why, "transmitter line: ' 291 29x' are not two identifiers 0..4095");
    EXPECT_FALSE(read_transmitter(" ivstat,xmtr_id: 291 4096", &why));
    EXPECT_EQ(read_transmitter(" ivstat,xmtr_id: 291 292", &why), "ivstat,xmtr_id: 291 292");
    EXPECT_EQ(read_transmitter(" ivstat,xmtr_id:40954094", &why), "ivstat,xmtr_id:40954094");

    EXPECT_EQ(kind_of(B), Kind::banner);
    EXPECT_EQ(kind_of(H), Kind::header);
    EXPECT_EQ(kind_of(""), Kind::empty);
    EXPECT_EQ(kind_of("hello"), Kind::other);
    EXPECT_EQ(glued_banner(B), std::string::npos);
    EXPECT_EQ(glued_banner("    12  2 9" + B), 11u);
}

TEST(Reader, RunsNamesAndEndings) {
    const std::vector<Row> rows = {
        {"an empty listing", "", ""},
        {"the three-record example",
         head("x.dat") + lines({S + "0A7", "     1  8 99123 102030", "     2  8 99123 102045", "     3  0 00000 000000",
                                " -- eof at irec=    4 --"}),
         "begin 1 'x.dat' at 1\n"
         "rec 1 type 8 99123 102030 1999-05-03T10:20:30Z st 0A7\n"
         "rec 2 type 8 99123 102045 1999-05-03T10:20:45Z st 0A7\n"
         "rec 3 type 0 00000 000000 - st 0A7\n"
         "end eof 4 (0 unreadable)\n"},
        {"runs appended one after another; the station starts at 000 in each",
         head("a") + lines({S + "001", "     1  8 00001 000000", " -- parity error at irec=    2 --"}) + head("b") +
             lines({"     1  8 00001 000001", " -- eof at irec=    2 --"}) + head("c"),
         "begin 1 'a' at 1\nrec 1 type 8 00001 000000 2000-01-01T00:00:00Z st 001\nend parity 2 (0 unreadable)\n"
         "begin 2 'b' at 8\nrec 1 type 8 00001 000001 2000-01-01T00:00:01Z st 000\nend eof 2 (0 unreadable)\n"
         "begin 3 'c' at 14\nend none (0 unreadable)\n"},
        {"an interrupted run has no ending",
         head("x") + lines({"     1  2 99123 102030"}),
         "begin 1 'x' at 1\nrec 1 type 2 99123 102030 1999-05-03T10:20:30Z st 000\nend none (0 unreadable)\n"},
        {"a name of 78, 79 and 80 characters; leading blanks kept",
         lines({B, " " + std::string(78, 'a'), "", H}) + lines({B, " " + std::string(79, 'b'), " ", "", H}) +
             lines({B, " " + std::string(79, 'c'), " C", "", H}) + lines({B, "   two blanks", "", H}),
         "begin 1 '" + std::string(78, 'a') + "' at 1\nend none (0 unreadable)\n" + "begin 2 '" +
             std::string(79, 'b') + "' at 5\nend none (0 unreadable)\n" + "begin 3 '" + std::string(79, 'c') +
             "C' at 10\nend none (0 unreadable)\n" + "begin 4 '  two blanks' at 15\nend none (0 unreadable)\n"},
        {"an 80-character name line followed by the empty line has no second part",
         lines({B, " " + std::string(79, 'd'), "", H, "     1  0 00000 000000"}),
         "begin 1 '" + std::string(79, 'd') + "' at 1\nrec 1 type 0 00000 000000 - st 000\nend none (0 unreadable)\n"},
        {"a banner with no name line (the run ended at its prompt): the next banner starts a run",
         lines({B, B, " b", "", H, "     1  2 05123 102245"}),
         "begin 1 '' at 1\nend none (0 unreadable)\n"
         "begin 2 'b' at 2\nrec 1 type 2 05123 102245 2005-05-03T10:22:45Z st 000\nend none (0 unreadable)\n"},
        {"a name line torn between its CR and its LF is whole",
         lines({B}) + " x.dat\r" + B + crlf + lines({" b"}),
         "begin 1 'x.dat' at 1\nend none (0 unreadable)\nbegin 2 'b' at 2\nend none (0 unreadable)\n"},
        {"a banner as the last line", lines({B}), "begin 1 '' at 1\nend none (0 unreadable)\n"},
        {"a name line torn and continued by the next banner",
         lines({B}) + " x.da" + B + crlf + lines({" b", "", H}),
         "begin 1 '' at 1\nL:2: torn line before a banner: ' x.da'\nend none (1 unreadable)\n"
         "begin 2 'b' at 2\nend none (0 unreadable)\n"},
        {"an empty name", lines({B, " ", "", H}), "begin 1 '' at 1\nend none (0 unreadable)\n"},
    };
    check(rows);
}

TEST(Reader, RecordsStationsAndNotes) {
    const std::vector<Row> rows = {
        {"a decoder line belongs to the record listed next, across a station line",
         head("x") + lines({"    1:  23CFE", "     1-98 00000 000000", " ivstat,xmtr_id: 291 292", S + "123",
                            "     2  2 05123 102243", "     3  2 05123 102257    Range Start ZERO!"}),
         "begin 1 'x' at 1\n"
         "rec 1 type -98 00000 000000 - st 000 note '1:  23CFE'\n"
         "rec 2 type 2 05123 102243 2005-05-03T10:22:43Z st 123 note 'ivstat,xmtr_id: 291 292'\n"
         "rec 3 type 2 05123 102257 2005-05-03T10:22:57Z st 123 zero\n"
         "end none (0 unreadable)\n"},
        {"asterisk record numbers follow the record before",
         head("x") + lines({"999998  2 05123 102243", "999999  2 05123 102244", "******  2 05123 102245",
                            "******-97 00000 000000", " -- eof at irec=***** --"}),
         "begin 1 'x' at 1\n"
         "rec 999998 type 2 05123 102243 2005-05-03T10:22:43Z st 000\n"
         "rec 999999 type 2 05123 102244 2005-05-03T10:22:44Z st 000\n"
         "rec 1000000 type 2 05123 102245 2005-05-03T10:22:45Z st 000\n"
         "rec 1000001 type -97 00000 000000 - st 000\n"
         "end eof 1000002 (0 unreadable)\n"},
        {"asterisks with no record before them cannot be recovered",
         head("x") + lines({"******  2 05123 102245", "     2  2 05123 102246"}),
         "begin 1 'x' at 1\n"
         "L:5: listing line: record number shown as asterisks with no record before it\n"
         "rec 2 type 2 05123 102246 2005-05-03T10:22:46Z st 000\n"
         "end none (1 unreadable)\n"},
        {"a decoder line with no record after it",
         head("x") + lines({" ivstat,xmtr_id: 291 292", "    2:  23CFE", "     2-98 00000 000000",
                            " ivstat,xmtr_id:   1   2", " -- eof at irec=    3 --"}),
         "begin 1 'x' at 1\n"
         "L:5: decoder line without a record after it\n"
         "rec 2 type -98 00000 000000 - st 000 note '2:  23CFE'\n"
         "L:8: decoder line without a record after it\n"
         "end eof 3 (2 unreadable)\n"},
    };
    check(rows);
}

TEST(Reader, BadLinesAreSkippedAndReadingGoesOn) {
    const std::vector<Row> rows = {
        {"lines before any banner and after an ending",
         lines({"hello", ""}) + head("x") + lines({" -- eof at irec=    1 --", "     1  2 05123 102245"}),
         "L:1: no banner before this line: 'hello'\n"
         "L:2: no banner before this line: ''\n"
         "begin 1 'x' at 3\nend eof 1 (0 unreadable)\n"
         "L:8: line after the run's ending: '     1  2 05123 102245'\n"},
        {"unreadable lines inside a run, with their numbers",
         head("x") + lines({"     1  2 05123 102245", "garbage\x01", "", H, "     2 77 05123 102245",
                            S + "12", "     3  2 05123 102246"}),
         "begin 1 'x' at 1\n"
         "rec 1 type 2 05123 102245 2005-05-03T10:22:45Z st 000\n"
         "L:6: not a line of a listing: 'garbage\\x01'\n"
         "L:7: empty line inside a run\n"
         "L:8: column header inside a run\n"
         "L:9: listing line: ' 77' is not a record type\n"
         "L:10: station line: '12' is not three hexadecimal digits\n"
         "rec 3 type 2 05123 102246 2005-05-03T10:22:46Z st 000\n"
         "end none (5 unreadable)\n"},
        {"a missing empty line or column header",
         lines({B, " x", H, "     1  0 00000 000000"}) + lines({B, " y", "", "     1  0 00000 000000"}) +
             lines({B, " z", "     1  0 00000 000000"}),
         "begin 1 'x' at 1\nL:3: no empty line before the column header\nrec 1 type 0 00000 000000 - st 000\n"
         "end none (1 unreadable)\n"
         "begin 2 'y' at 5\nL:8: no column header before this line\nrec 1 type 0 00000 000000 - st 000\n"
         "end none (1 unreadable)\n"
         "begin 3 'z' at 9\nL:11: no column header before this line\nrec 1 type 0 00000 000000 - st 000\n"
         "end none (1 unreadable)\n"},
        {"a long line is cut in its message",
         head("x") + lines({std::string(5000, 'z')}),
         "begin 1 'x' at 1\nL:5: not a line of a listing: '" + std::string(48, 'z') + "'...\nend none (1 unreadable)\n"},
        {"bytes outside printable ASCII are shown as \\xNN, and the line cut after 48 shown bytes",
         head("x") + lines({"\xC3\xA9t\xE9 " + std::string(10, '\x01') + "zz"}),
         "begin 1 'x' at 1\nL:5: not a line of a listing: '\\xC3\\xA9t\\xE9 \\x01\\x01\\x01\\x01\\x01\\x01\\x01\\x01'...\n"
         "end none (1 unreadable)\n"},
    };
    check(rows);
}

TEST(Reader, TornLinesAndLineEnds) {
    const std::vector<Row> rows = {
        {"a torn last line continued by the next banner: the banner starts a run",
         head("a") + "     1  2 05123 102245" + crlf + "     2  2 05" + B + crlf +
             lines({" b", "", H, "     1  2 05123 102246"}),
         "begin 1 'a' at 1\nrec 1 type 2 05123 102245 2005-05-03T10:22:45Z st 000\n"
         "L:6: torn line before a banner: '     2  2 05'\n"
         "end none (1 unreadable)\n"
         "begin 2 'b' at 6\nrec 1 type 2 05123 102246 2005-05-03T10:22:46Z st 000\nend none (0 unreadable)\n"},
        {"a zero-form line torn after its 22 characters still lists its record",
         head("a") + "     2  2 05123 102245" + B + crlf + lines({" b", "", H}),
         "begin 1 'a' at 1\nrec 2 type 2 05123 102245 2005-05-03T10:22:45Z st 000\nend none (0 unreadable)\n"
         "begin 2 'b' at 5\nend none (0 unreadable)\n"},
        {"a whole line torn between its CR and its LF still lists its record",
         head("a") + "     1  2 05123 102245\r" + B + crlf + lines({" b", "", H}),
         "begin 1 'a' at 1\nrec 1 type 2 05123 102245 2005-05-03T10:22:45Z st 000\nend none (0 unreadable)\n"
         "begin 2 'b' at 5\nend none (0 unreadable)\n"},
        {"an ending torn between its CR and its LF", head("a") + " -- eof at irec=    1 --\r" + B + crlf + lines({" b"}),
         "begin 1 'a' at 1\nend eof 1 (0 unreadable)\nbegin 2 'b' at 5\nend none (0 unreadable)\n"},
        {"a torn line after an ending",
         head("a") + lines({" -- eof at irec=    1 --"}) + " new r" + B + crlf + lines({" b", "", H}),
         "begin 1 'a' at 1\nend eof 1 (0 unreadable)\nL:6: torn line before a banner: ' new r'\n"
         "begin 2 'b' at 6\nend none (0 unreadable)\n"},
        {"LF line ends and a last line without one",
         B + "\n x\n\n" + H + "\n     1  2 05123 102245\r\n     2  2 05123 102246",
         "begin 1 'x' at 1\nrec 1 type 2 05123 102245 2005-05-03T10:22:45Z st 000\n"
         "rec 2 type 2 05123 102246 2005-05-03T10:22:46Z st 000\nend none (0 unreadable)\n"},
        {"a CR inside a line is part of it",
         head("x") + "     1  2 05123\r102245" + crlf,
         "begin 1 'x' at 1\nL:5: listing line: no blank in column 10 or 16\nend none (1 unreadable)\n"},
    };
    check(rows);
}
