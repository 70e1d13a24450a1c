// The availability picture: a lane per station, bars where it recorded, marks where its steps were irregular.
#include "report/svg.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "report/steps.h"
#include "report/text.h"
#include "report/ticks.h"
#include "report/timestamp.h"

namespace report {
namespace {

constexpr double width = 1000, left = 110, right = 30, top = 100, lane_height = 30, bar_height = 14;
constexpr const char* bar_colour = "#2f6db5";
constexpr const char* overlap_colour = "#9467bd";
constexpr const char* backward_colour = "#d62728";
constexpr const char* rejected_colour = "#f28e1c";

std::string num(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.1f", v);
    return b;
}

} // namespace

const LegendEntry legend[4] = {
    {bar_colour, true, "recording: a bar, broken where a gap is"},
    {overlap_colour, false, "overlap: a step shorter than the typical step"},
    {backward_colour, false, "backward: the time repeated or went back"},
    {rejected_colour, false, "rejected record, at the time of the record before it"},
};

std::string xml_text(std::string_view s) {
    std::string out;
    for (char ch : utf8_clean(s)) {
        const unsigned char c = static_cast<unsigned char>(ch);
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default:
            if ((c < 32 && c != '\t' && c != '\n' && c != '\r') || c == 127) out += "\xEF\xBF\xBD";
            else out += ch;
        }
    }
    return out;
}

void Picture::seen(long long t) {
    if (!min_ || t < *min_) min_ = t;
    if (!max_ || t > *max_) max_ = t;
}

void Picture::stretch(Lane& lane, long long a, long long b) {
    seen(a);
    seen(b);
    auto& s = lane.stretches;
    if (!s.empty() && a <= s.back().second && b >= s.back().first) {
        s.back().first = std::min(s.back().first, a);
        s.back().second = std::max(s.back().second, b);
        return;
    }
    s.emplace_back(a, b);
}

void Picture::add(const RunReport& r, const std::optional<long long>& min_gap) {
    ++runs_;
    records_ += r.tally.records;
    for (const auto& [station, st] : r.tally.stations) {
        Lane& lane = lanes_[station];
        lane.records += st.records;
        if (st.steps.timed() == 0) continue;
        const long long typ = st.steps.typical();
        long long lo = st.steps.first_time(), hi = lo;
        st.steps.each([&](long long, long long, long long from, long long step, long long count) {
            const StepKind kind = step_kind(step, typ, r.tolerance);
            std::vector<long long>* marks = min_gap ? nullptr
                                            : kind == StepKind::overlap  ? &lane.overlaps
                                            : kind == StepKind::backward ? &lane.backward
                                                                         : nullptr;
            // A gap ends the stretch, and so does a step back: the bar must not
            // cover the time it went back over. A run of them leaves single
            // records between them.
            if ((kind == StepKind::gap && (!min_gap || step - typ >= *min_gap)) || kind == StepKind::backward) {
                for (long long k = 0; k < count; ++k) {
                    stretch(lane, lo, hi);
                    lo = hi = from + (k + 1) * step;
                    if (marks) marks->push_back(lo);
                }
                return;
            }
            for (long long k = 0; marks && k < count; ++k) marks->push_back(from + (k + 1) * step);
            const long long end = from + count * step;
            lo = std::min(lo, end);
            hi = std::max(hi, end);
        });
        stretch(lane, lo, hi);
    }
    for (const Mark& m : r.tally.rejected_marks) {
        lanes_[m.station].rejected.push_back(m.when);
        seen(m.when);
    }
}

std::string Picture::svg(const std::string& title) const {
    const double plot = width - left - right;
    const double lanes_bottom = top + lane_height * static_cast<double>(lanes_.size());
    const double height = lanes_bottom + 60;
    long long t0 = min_ ? *min_ : 0, t1 = max_ ? *max_ : 0;
    if (t1 - t0 < 60) {
        t0 -= 30;
        t1 += 30;
    } else {
        const long long pad = (t1 - t0) / 100;
        t0 -= pad;
        t1 += pad;
    }
    auto x = [&](long long t) { return left + plot * static_cast<double>(t - t0) / static_cast<double>(t1 - t0); };

    std::string s;
    s += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    s += "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"" + num(width) + "\" height=\"" + num(height) +
         "\" viewBox=\"0 0 " + num(width) + " " + num(height) +
         "\" font-family=\"DejaVu Sans, Verdana, sans-serif\" font-size=\"12\">\n";
    s += "<rect width=\"100%\" height=\"100%\" fill=\"white\"/>\n";
    s += "<text x=\"" + num(left) + "\" y=\"24\" font-size=\"15\" font-weight=\"bold\">" + xml_text(title) + "</text>\n";
    s += "<text x=\"" + num(left) + "\" y=\"44\" fill=\"#444\">" + std::to_string(runs_) + (runs_ == 1 ? " run, " : " runs, ") +
         std::to_string(records_) + (records_ == 1 ? " record" : " records") + "; times in UTC</text>\n";
    // The legend, two entries a line under the title.
    for (std::size_t i = 0; i < 4; ++i) {
        const LegendEntry& e = legend[i];
        const double lx = left + 430 * static_cast<double>(i % 2), ly = 66 + 18 * static_cast<double>(i / 2);
        if (e.bar)
            s += "<rect x=\"" + num(lx) + "\" y=\"" + num(ly - 9) + "\" width=\"18\" height=\"10\" fill=\"" + e.colour + "\"/>";
        else
            s += "<path d=\"M" + num(lx + 9) + " " + num(ly - 11) + "V" + num(ly + 3) + "\" stroke=\"" + e.colour +
                 "\" stroke-width=\"3\"/>";
        s += "<text x=\"" + num(lx + 24) + "\" y=\"" + num(ly) + "\" class=\"legend\">" + xml_text(e.text) + "</text>\n";
    }
    if (!min_) {
        s += "<text x=\"" + num(left) + "\" y=\"" + num(top + 20) + "\">no record with a valid date and time</text>\n";
    }
    // Lane bands and the time grid under the bars.
    for (std::size_t i = 0; i < lanes_.size(); i += 2)
        s += "<rect x=\"" + num(left) + "\" y=\"" + num(top + lane_height * static_cast<double>(i)) +
             "\" width=\"" + num(plot) + "\" height=\"" + num(lane_height) + "\" fill=\"#f2f2f2\"/>\n";
    const std::vector<Tick> ticks = min_ ? time_ticks(t0, t1, 8) : std::vector<Tick>{};
    for (const Tick& k : ticks)
        s += "<path d=\"M" + num(x(k.when)) + " " + num(top) + "V" + num(lanes_bottom + 8) +
             "\" stroke=\"#bbb\" stroke-width=\"0.7\"/>\n";

    double y = top;
    for (const auto& [station, lane] : lanes_) {
        char label[8];
        std::snprintf(label, sizeof label, "%03X", static_cast<unsigned>(station));
        const double mid = y + lane_height / 2, bar_top = mid - bar_height / 2, bar_bottom = mid + bar_height / 2;
        s += "<g id=\"lane-" + std::string(label) + "\">\n";
        s += "<text x=\"" + num(left - 12) + "\" y=\"" + num(mid + 5) +
             "\" text-anchor=\"end\" font-family=\"DejaVu Sans Mono, monospace\" font-size=\"15\" font-weight=\"bold\">" +
             label + "</text>\n";
        // Stretches closer than half a pixel are drawn as one bar, at least a pixel wide.
        std::vector<std::pair<long long, long long>> st = lane.stretches;
        std::sort(st.begin(), st.end());
        double a = -1, b = -1;
        auto bar = [&] {
            if (a < 0) return;
            s += "<rect x=\"" + num(a) + "\" y=\"" + num(bar_top) + "\" width=\"" + num(std::max(b - a, 1.0)) +
                 "\" height=\"" + num(bar_height) + "\" fill=\"" + bar_colour + "\"/>\n";
        };
        for (const auto& [from, to] : st) {
            const double xa = x(from), xb = x(to);
            if (a >= 0 && xa <= std::max(b, a + 1.0) + 0.5) {
                b = std::max(b, xb);
                continue;
            }
            bar();
            a = xa;
            b = xb;
        }
        bar();
        // Marks: one per pixel column.
        auto marks = [&](std::vector<long long> times, double y1, double y2, const char* colour) {
            if (times.empty()) return;
            std::sort(times.begin(), times.end());
            std::string d;
            long last = -1;
            for (long long t : times) {
                const long px = std::lround(x(t));
                if (px == last) continue;
                last = px;
                d += "M" + std::to_string(px) + " " + num(y1) + "V" + num(y2);
            }
            s += "<path d=\"" + d + "\" stroke=\"" + colour + "\" stroke-width=\"2\"/>\n";
        };
        marks(lane.overlaps, y + 2, bar_top, overlap_colour);
        marks(lane.backward, y + 2, bar_top, backward_colour);
        marks(lane.rejected, bar_bottom, y + lane_height - 2, rejected_colour);
        s += "</g>\n";
        y += lane_height;
    }

    // Time axis.
    s += "<path d=\"M" + num(left) + " " + num(lanes_bottom + 4) + "H" + num(left + plot) + "\" stroke=\"#444\"/>\n";
    {
        for (const Tick& k : ticks) {
            const double tx = x(k.when);
            s += "<text x=\"" + num(tx) + "\" y=\"" + num(lanes_bottom + 22) + "\" text-anchor=\"middle\">" +
                 xml_text(k.label) + "</text>\n";
            if (!k.date.empty())
                s += "<text x=\"" + num(tx) + "\" y=\"" + num(lanes_bottom + 38) + "\" text-anchor=\"middle\" fill=\"#444\">" +
                     k.date + "</text>\n";
        }
    }
    s += "</svg>\n";
    return s;
}

} // namespace report
