// What a bar or mark of the timeline stands for, as text, and the tooltip that shows it beside the element.
var Page = Page || {};

(function () {
    "use strict";
    var L = Page.logic;

    function plural(n, one, many) { return n + " " + (n === 1 ? one : many); }

    // Seconds as a reader takes them in: "90 s", "20 min", "3 h 5 min", "12 d 4 h".
    function duration(s) {
        var a = Math.abs(s), sign = s < 0 ? "-" : "";
        if (a < 120) return sign + a + " s";
        if (a < 7200) return sign + Math.floor(a / 60) + " min" + (a % 60 ? " " + (a % 60) + " s" : "");
        if (a < 172800) return sign + Math.floor(a / 3600) + " h" + (a % 3600 >= 60 ? " " + Math.floor(a % 3600 / 60) + " min" : "");
        return sign + Math.floor(a / 86400) + " d" + (a % 86400 >= 3600 ? " " + Math.floor(a % 86400 / 3600) + " h" : "");
    }
    Page.duration = duration;

    var kindNames = { gap: "Gap", overlap: "Overlap", backward: "Backward step" };
    Page.kindNames = kindNames;

    // The seconds of a step in words: a gap's are missing, an overlap's short, a backward step's back.
    function stepSeconds(st) {
        if (st.kind === "gap") return duration(st.seconds) + " missing (" + st.seconds + " s)";
        if (st.kind === "overlap") return st.seconds + " s against the typical step";
        return st.seconds + " s: the time went back or repeated";
    }
    Page.stepSeconds = stepSeconds;

    function stepLines(st) {
        return ["run " + st.run, "after record " + st.after_record + " at " + L.formatTime(st.from),
                "next record " + st.next_record + " at " + L.formatTime(st.to), stepSeconds(st)];
    }

    // {title, lines} for an item of the timeline: one segment, step or rejection, or several merged.
    Page.describe = function (it, steps) {
        var ln = it.lane, n = it.j - it.i + 1, k, more = n > 1 ? ["zoom in to see each (Enter zooms to them)"] : [];
        if (it.kind === "bar") {
            var c = ln.seg, a = Infinity, b = -Infinity, recs = 0, runs = [];
            for (k = it.i; k <= it.j; ++k) {
                a = Math.min(a, c[0][k]);
                b = Math.max(b, c[1][k]);
                recs += c[4][k];
                if (runs.indexOf(c[5][k]) < 0) runs.push(c[5][k]);
            }
            if (n === 1) {
                return { title: "Segment of station " + ln.station,
                         lines: ["run " + c[5][it.i] + ", records " + c[2][it.i] + " to " + c[3][it.i],
                                 "start " + L.formatTime(a), "end " + L.formatTime(b),
                                 plural(recs, "record", "records") + " over " + duration(b - a)] };
            }
            return { title: n + " segments of station " + ln.station + ", merged at this zoom",
                     lines: [(runs.length === 1 ? "run " : "runs ") + runs.sort(function (x, y) { return x - y; }).join(", "),
                             "from " + L.formatTime(a), "to " + L.formatTime(b), plural(recs, "record", "records")].concat(more) };
        }
        if (it.kind === "rejected") {
            var r = ln.rejected, count = 0;
            for (k = it.i; k <= it.j; ++k) count += r[1][k];
            var first = ["run " + r[3][it.i] + ", " + plural(r[1][it.i], "record", "records") + " from record " + r[2][it.i],
                         "at " + L.formatTime(r[0][it.i]) + ", the time of the record before"];
            return { title: "Rejected, station " + ln.station + (n > 1 ? ": " + plural(count, "record", "records") +
                            " at " + n + " places here" : ""), lines: n > 1 ? ["the first: "].concat(first, more) : first };
        }
        var idx = it.kind === "gap" ? ln.gap[2] : ln[it.kind][1];
        var st = steps[idx[it.i]];
        if (n === 1) return { title: kindNames[st.kind] + ", station " + ln.station, lines: stepLines(st) };
        return { title: n + " " + (it.kind === "gap" ? "gaps" : it.kind === "overlap" ? "overlaps" : "backward steps") +
                        " of station " + ln.station + " here", lines: ["the first:"].concat(stepLines(st), more) };
    };

    // One tooltip for the whole page, filled by textContent and kept inside the window.
    Page.Tooltip = function (box, steps) {
        return function (target) {
            if (!target) { box.hidden = true; return; }
            var d = Page.describe(target.pageItem, steps);
            box.textContent = "";
            var t = document.createElement("strong");
            t.textContent = d.title;
            box.appendChild(t);
            box.appendChild(document.createTextNode(d.lines.join("\n")));
            box.hidden = false;
            var r = target.getBoundingClientRect(), w = box.offsetWidth, h = box.offsetHeight;
            var x = Math.min(Math.max(4, r.left + r.width / 2 - w / 2), window.innerWidth - w - 4);
            var y = r.bottom + 8 + h > window.innerHeight ? r.top - h - 8 : r.bottom + 8;
            box.style.left = Math.max(4, x) + "px";
            box.style.top = Math.max(4, y) + "px";
        };
    };
})();
