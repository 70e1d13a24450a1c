// The page's pure functions: times, ticks, merging, zoom, the fragment and the irregular steps; no DOM.
var Page = typeof Page === "object" && Page ? Page : {};

Page.logic = (function () {
    "use strict";

    function two(v) { return (v < 10 ? "0" : "") + v; }

    function floorDiv(a, b) { return Math.floor(a / b); }

    // Days from 1970-01-01 to a civil date, proleptic Gregorian, in whole numbers so no Date quirk applies.
    function daysFromCivil(y, m, d) {
        y -= m <= 2 ? 1 : 0;
        var era = floorDiv(y, 400);
        var yoe = y - era * 400;
        var doy = Math.floor((153 * (m + (m > 2 ? -3 : 9)) + 2) / 5) + d - 1;
        var doe = yoe * 365 + Math.floor(yoe / 4) - Math.floor(yoe / 100) + doy;
        return era * 146097 + doe - 719468;
    }

    function fromCivil(year, month, day) { return daysFromCivil(year, month, day) * 86400; }

    function civil(t) {
        var days = floorDiv(t, 86400), secs = t - days * 86400;
        var z = days + 719468;
        var era = floorDiv(z, 146097);
        var doe = z - era * 146097;
        var yoe = Math.floor((doe - Math.floor(doe / 1460) + Math.floor(doe / 36524) - Math.floor(doe / 146096)) / 365);
        var doy = doe - (365 * yoe + Math.floor(yoe / 4) - Math.floor(yoe / 100));
        var mp = Math.floor((5 * doy + 2) / 153);
        var d = doy - Math.floor((153 * mp + 2) / 5) + 1;
        var m = mp < 10 ? mp + 3 : mp - 9;
        return { year: yoe + era * 400 + (m <= 2 ? 1 : 0), month: m, day: d,
                 hour: Math.floor(secs / 3600), minute: Math.floor(secs / 60) % 60, second: secs % 60 };
    }

    function dayText(c) { return c.year + "-" + two(c.month) + "-" + two(c.day); }

    // YYYY-MM-DDTHH:MM:SSZ for the years that form has four digits for; null outside them.
    function formatTime(t) {
        if (typeof t !== "number" || !isFinite(t)) return null;
        var c = civil(Math.floor(t));
        if (c.year < 0 || c.year > 9999) return null;
        var y = String(c.year);
        while (y.length < 4) y = "0" + y;
        return y + "-" + two(c.month) + "-" + two(c.day) + "T" + two(c.hour) + ":" + two(c.minute) + ":" +
            two(c.second) + "Z";
    }

    function monthDays(y, m) {
        var leap = (y % 4 === 0 && y % 100 !== 0) || y % 400 === 0;
        return [31, leap ? 29 : 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31][m - 1];
    }

    // The exact form only: a date that does not exist or a missing Z is no time at all.
    function parseTime(s) {
        var m = /^(\d{4})-(\d{2})-(\d{2})T(\d{2}):(\d{2}):(\d{2})Z$/.exec(typeof s === "string" ? s : "");
        if (!m) return null;
        var y = +m[1], mo = +m[2], d = +m[3], h = +m[4], mi = +m[5], se = +m[6];
        if (mo < 1 || mo > 12 || d < 1 || d > monthDays(y, mo) || h > 23 || mi > 59 || se > 59) return null;
        return fromCivil(y, mo, d) + h * 3600 + mi * 60 + se;
    }

    // Steps of seconds, then of months, as the SVG picture has them.
    var tickSteps = [
        [1, 0], [2, 0], [5, 0], [10, 0], [15, 0], [30, 0], [60, 0], [120, 0], [300, 0], [600, 0], [900, 0],
        [1800, 0], [3600, 0], [7200, 0], [10800, 0], [21600, 0], [43200, 0], [86400, 0], [172800, 0],
        [604800, 0], [0, 1], [0, 2], [0, 3], [0, 6], [0, 12], [0, 24], [0, 60], [0, 120], [0, 240], [0, 600]
    ];

    function tickTimes(a, b, seconds, months, most) {
        var t = [], x;
        if (months === 0) {
            // Weeks start on a Monday: 1970-01-01 was a Thursday.
            var shift = seconds === 604800 ? 4 * 86400 : 0;
            for (x = (floorDiv(a - shift - 1, seconds) + 1) * seconds + shift; x <= b; x += seconds) {
                t.push(x);
                if (t.length > most) break;
            }
            return t;
        }
        var c = civil(a);
        var m = floorDiv(c.year * 12 + c.month - 1, months) * months;
        for (;; m += months) {
            x = fromCivil(floorDiv(m, 12), m - floorDiv(m, 12) * 12 + 1, 1);
            if (x < a) continue;
            if (x > b) break;
            t.push(x);
            if (t.length > most) break;
        }
        return t;
    }

    // Ticks from a to b, at most `most` of them: {when, label, date}; date is "" where none is shown.
    function ticks(a, b, most) {
        for (var i = 0; i < tickSteps.length; ++i) {
            var seconds = tickSteps[i][0], months = tickSteps[i][1];
            var t = tickTimes(a, b, seconds, months, most);
            if (t.length > most) continue;
            var out = [], lastDay = "";
            for (var k = 0; k < t.length; ++k) {
                var c = civil(t[k]), tick = { when: t[k], label: "", date: "" };
                if (months >= 12) {
                    tick.label = String(c.year);
                } else if (months) {
                    tick.label = c.year + "-" + two(c.month);
                } else if (seconds >= 86400) {
                    tick.label = dayText(c);
                } else {
                    tick.label = two(c.hour) + ":" + two(c.minute) + (seconds < 60 ? ":" + two(c.second) : "");
                    // The date under the first tick and wherever the day changes.
                    var d = dayText(c);
                    if (d !== lastDay) tick.date = d;
                    lastDay = d;
                }
                out.push(tick);
            }
            return out;
        }
        return [];
    }

    // The first index whose value is at least v, in an ascending array.
    function lowerBound(arr, v) {
        var lo = 0, hi = arr.length;
        while (lo < hi) {
            var mid = (lo + hi) >>> 1;
            if (arr[mid] < v) lo = mid + 1; else hi = mid;
        }
        return lo;
    }

    function upperBound(arr, v) {
        var lo = 0, hi = arr.length;
        while (lo < hi) {
            var mid = (lo + hi) >>> 1;
            if (arr[mid] <= v) lo = mid + 1; else hi = mid;
        }
        return lo;
    }

    // Intervals sorted by start that meet [t0, t1]: maxEnd[i] is the largest end of the first i+1, so a
    // long interval that starts before the window is still found.
    function visibleSlice(starts, maxEnds, t0, t1) {
        var i = lowerBound(maxEnds, t0), j = upperBound(starts, t1);
        return [i, Math.max(i, j)];
    }

    function prefixMax(ends) {
        var out = new Array(ends.length), m = -Infinity;
        for (var i = 0; i < ends.length; ++i) { m = Math.max(m, ends[i]); out[i] = m; }
        return out;
    }

    // Intervals [from, to] of index range [i, j) drawn as bars at x = (t - t0) * scale: those closer than a
    // pixel become one bar at least a pixel wide. Gives [x0, x1, first index, last index] per bar.
    function mergeBars(starts, ends, i, j, t0, scale) {
        var bars = [], cur = null;
        for (var k = i; k < j; ++k) {
            var xa = (starts[k] - t0) * scale, xb = (ends[k] - t0) * scale;
            if (cur && xa <= Math.max(cur[1], cur[0] + 1) + 0.5) {
                cur[1] = Math.max(cur[1], xb);
                cur[3] = k;
                continue;
            }
            cur = [xa, xb, k, k];
            bars.push(cur);
        }
        for (var n = 0; n < bars.length; ++n) bars[n][1] = Math.max(bars[n][1], bars[n][0] + 1);
        return bars;
    }

    // Marks at ascending times of index range [i, j): one per pixel column, [x, first index, count].
    function markColumns(times, i, j, t0, scale) {
        var out = [], last = null;
        for (var k = i; k < j; ++k) {
            var px = Math.round((times[k] - t0) * scale);
            if (last && last[0] === px) { last[2]++; continue; }
            last = [px, k, 1];
            out.push(last);
        }
        return out;
    }

    // The whole span with a margin, as the picture pads it; the limits every view is kept within.
    function limits(first, last, minWidth) {
        if (first === null || last === null) { first = 0; last = 0; }
        var pad = last - first < 60 ? 30 : Math.floor((last - first) / 100);
        return { lo: first - pad, hi: last + pad, min: minWidth || 10 };
    }

    function clampView(start, end, lim) {
        var w = Math.min(Math.max(end - start, lim.min), lim.hi - lim.lo);
        if (w <= 0) return { start: lim.lo, end: lim.hi };
        var mid = (start + end) / 2;
        start = mid - w / 2;
        if (start < lim.lo) start = lim.lo;
        if (start + w > lim.hi) start = lim.hi - w;
        return { start: Math.round(start), end: Math.round(start + w) };
    }

    // Zoom by factor (below 1 zooms in) keeping time `at` where it is on the screen.
    function zoomAbout(view, factor, at, lim) {
        var w = view.end - view.start;
        var nw = Math.min(Math.max(w * factor, lim.min), lim.hi - lim.lo);
        var f = w > 0 ? (at - view.start) / w : 0.5;
        var start = at - f * nw;
        start = Math.min(Math.max(start, lim.lo), lim.hi - nw);
        return { start: Math.round(start), end: Math.round(start + nw) };
    }

    function pan(view, dt, lim) { return clampView(view.start + dt, view.end + dt, lim); }

    // Keys start, end and station; an unknown key or a bad value is left out, never an error.
    function parseFragment(hash) {
        var out = { start: null, end: null, stations: null };
        var text = String(hash || "").replace(/^#/, "");
        if (!text) return out;
        text.split("&").forEach(function (part) {
            var eq = part.indexOf("="), key = eq < 0 ? part : part.slice(0, eq), value = eq < 0 ? "" : part.slice(eq + 1);
            try { value = decodeURIComponent(value); } catch (e) { return; }
            if (key === "start" || key === "end") {
                var t = parseTime(value);
                if (t !== null) out[key] = t;
            } else if (key === "station" && eq >= 0) {
                if (value === "") { out.stations = []; return; }
                var ids = [];
                value.split(",").forEach(function (id) {
                    if (!/^[0-9A-Fa-f]{3}$/.test(id)) return;
                    id = id.toUpperCase();
                    if (ids.indexOf(id) < 0) ids.push(id);
                });
                if (ids.length) out.stations = ids.sort();
            }
        });
        if (out.start !== null && out.end !== null && out.start >= out.end) out.start = out.end = null;
        return out;
    }

    function writeFragment(f) {
        var parts = [];
        var s = f.start === null || f.start === undefined ? null : formatTime(f.start);
        var e = f.end === null || f.end === undefined ? null : formatTime(f.end);
        if (s) parts.push("start=" + s);
        if (e) parts.push("end=" + e);
        if (f.stations) parts.push("station=" + f.stations.map(function (id) { return id.toUpperCase(); }).join(","));
        return parts.join("&");
    }

    // One row per listed irregular step: the segment that follows the step carries it.
    function deriveSteps(data) {
        var base = data.base || 0, out = [];
        (data.runs || []).forEach(function (run) {
            (run.lanes || []).forEach(function (lane) {
                var segs = lane.segments || [];
                for (var k = 1; k < segs.length; ++k) {
                    var s = segs[k], p = segs[k - 1];
                    if (s.length < 7) continue;
                    out.push({ station: lane.station, run: run.run, kind: s[5], after_record: p[1],
                               next_record: s[0], from: p[3] + base, to: s[2] + base, seconds: s[6] });
                }
            });
        });
        return out;
    }

    var sortKeys = {
        time: function (a, b) { return a.from - b.from || a.to - b.to || cmp(a.station, b.station) || a.run - b.run; },
        size: function (a, b) { return Math.abs(a.seconds) - Math.abs(b.seconds) || sortKeys.time(a, b); }
    };

    function cmp(a, b) { return a < b ? -1 : a > b ? 1 : 0; }

    // The steps of one station and kind (null for any), sorted by time or size, ascending or not.
    function selectSteps(steps, station, kind, key, descending) {
        var out = steps.filter(function (s) {
            return (!station || s.station === station) && (!kind || s.kind === kind);
        });
        var by = sortKeys[key] || sortKeys.time;
        out.sort(descending ? function (a, b) { return by(b, a); } : by);
        return out;
    }


    // Sorts the values of `cols` (arrays of equal length) by the first one.
    function sortColumns(cols) {
        var key = cols[0], order = key.map(function (_, i) { return i; });
        order.sort(function (a, b) { return key[a] - key[b] || a - b; });
        return cols.map(function (c) { return order.map(function (i) { return c[i]; }); });
    }

    // A lane per station over all runs, ascending: segments sorted by start, marks by time; steps index the
    // rows of deriveSteps so that a mark shows its step.
    function buildLanes(data, steps) {
        var base = data.base || 0, by = {};
        function lane(id) {
            return by[id] || (by[id] = { station: id, seg: [[], [], [], [], [], []], gap: [[], [], []],
                                         overlap: [[], []], backward: [[], []], rejected: [[], [], [], []] });
        }
        (data.runs || []).forEach(function (run) {
            (run.lanes || []).forEach(function (l) {
                var ln = lane(l.station);
                (l.segments || []).forEach(function (s) {
                    [s[2] + base, s[3] + base, s[0], s[1], s[4], run.run].forEach(function (v, i) { ln.seg[i].push(v); });
                });
                (l.rejected || []).forEach(function (r) {
                    [r[0] + base, r[1], r[2], run.run].forEach(function (v, i) { ln.rejected[i].push(v); });
                });
            });
        });
        steps.forEach(function (s, i) {
            var ln = lane(s.station);
            if (s.kind === "gap") [s.from, s.to, i].forEach(function (v, k) { ln.gap[k].push(v); });
            else if (ln[s.kind]) { ln[s.kind][0].push(s.to); ln[s.kind][1].push(i); }
        });
        return Object.keys(by).sort().map(function (id) {
            var ln = by[id];
            ["seg", "gap", "overlap", "backward", "rejected"].forEach(function (k) { ln[k] = sortColumns(ln[k]); });
            ln.segMax = prefixMax(ln.seg[1]);
            ln.gapMax = prefixMax(ln.gap[1]);
            return ln;
        });
    }

    return {
        civil: civil, fromCivil: fromCivil, formatTime: formatTime, parseTime: parseTime, ticks: ticks,
        lowerBound: lowerBound, upperBound: upperBound, visibleSlice: visibleSlice, prefixMax: prefixMax,
        mergeBars: mergeBars, markColumns: markColumns, limits: limits, clampView: clampView,
        zoomAbout: zoomAbout, pan: pan, parseFragment: parseFragment, writeFragment: writeFragment,
        deriveSteps: deriveSteps, selectSteps: selectSteps, buildLanes: buildLanes
    };
})();

if (typeof module === "object" && module.exports) module.exports = Page.logic;
