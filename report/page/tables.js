// The header, the table of stations and the paged table of irregular steps, all filled as text.
var Page = Page || {};

Page.tables = (function () {
    "use strict";
    var L = Page.logic, pageRows = 500;

    function el(tag, cls, text) {
        var e = document.createElement(tag);
        if (cls) e.className = cls;
        if (text !== undefined && text !== null) e.textContent = String(text);
        return e;
    }

    function num(v) { return v === null || v === undefined ? "\u2013" : typeof v === "number" ? v.toLocaleString("en-US") : v; }

    function percent(v) { return v === null || v === undefined ? "\u2013" : v.toFixed(1); }

    // A head row from [text, numeric?] pairs.
    function head(table, cols) {
        var tr = el("tr");
        cols.forEach(function (c) {
            var th = el("th", c[1] ? "n" : "", c[0]);
            th.scope = "col";
            tr.appendChild(th);
        });
        table.createTHead().appendChild(tr);
    }

    function row(cells) {
        var tr = el("tr");
        cells.forEach(function (c) {
            var td = c instanceof Node ? el("td") : el("td", typeof c === "number" || c === null ? "n" : "", c === null ? "\u2013" : num(c));
            if (c instanceof Node) td.appendChild(c);
            tr.appendChild(td);
        });
        return tr;
    }

    // The names, comma separated, each in a bdi element of its own.
    function names(parent, list) {
        list.forEach(function (n, i) {
            if (i) parent.appendChild(document.createTextNode(", "));
            parent.appendChild(el("bdi", "", n));
        });
    }

    var endings = { eof: "end of file", parity_error: "parity error", none: "not ended" };

    function header(data) {
        var t = data.totals || {}, listings = data.listings || [], title = document.getElementById("title");
        // A name's direction controls (a right-to-left override) must not turn the text after it around:
        // each name stands isolated, in a bdi element or between U+2068 and U+2069.
        if (data.title === "preflist-report: " + listings.join(", ")) {
            title.textContent = "preflist-report: ";
            names(title, listings);
            document.title = "preflist-report: " + listings.map(function (n) { return "\u2068" + n + "\u2069"; }).join(", ");
        } else {
            title.textContent = data.title || "preflist-report";
            document.title = "\u2068" + (data.title || "preflist-report") + "\u2069";
        }
        var span = data.first ? data.first + " to " + data.last + " (" +
            Page.duration(L.parseTime(data.last) - L.parseTime(data.first)) + ")" : "no record with a valid date and time";
        var sub = document.getElementById("subtitle");
        sub.textContent = listings.length + " " + (listings.length === 1 ? "listing" : "listings") + ": ";
        names(sub, listings);
        sub.appendChild(document.createTextNode(" \u00b7 " + span + " \u00b7 " + (data.generator || "")));
        var dl = document.getElementById("totals");
        [["runs", t.runs], ["records", t.records], ["rejected", t.rejected], ["untimed", t.untimed],
         ["transmitter mismatches", t.transmitter_mismatches], ["gaps", t.gaps], ["overlaps", t.overlaps],
         ["backward", t.backward], ["unreadable lines", t.unreadable_lines]].forEach(function (p) {
            var d = el("div");
            d.appendChild(el("dt", "", p[0]));
            d.appendChild(el("dd", "", num(p[1])));
            dl.appendChild(d);
        });
        var f = data.filter || {}, parts = ["tolerance " + num(data.tolerance) + " s"];
        if (data.min_gap !== null && data.min_gap !== undefined) parts.push("smallest gap listed " + data.min_gap + " s");
        if (f.stations) parts.push("stations " + f.stations.join(", "));
        if (f.start) parts.push("from " + f.start);
        if (f.end) parts.push("to " + f.end);
        document.getElementById("filters").textContent = "Shown: " + parts.join(" \u00b7 ") + ". Times in UTC.";
        var runs = document.getElementById("runs");
        document.getElementById("runs-summary").textContent = "Runs (" + (data.runs || []).length + "): data files, records and endings";
        head(runs, [["Run", 1], ["Listing"], ["Line", 1], ["Data file"], ["Records", 1], ["Ended"], ["First"], ["Last"],
                    ["Rejected", 1], ["Untimed", 1], ["Availability %", 1]]);
        var body = runs.createTBody();
        (data.runs || []).forEach(function (r) {
            var ended = (endings[r.ending] || r.ending) + (r.ending_record !== null && r.ending !== "none" ? " at record " + r.ending_record : "");
            var tr = row([r.run, r.listing, r.line, r.file, r.records, ended, r.first || "\u2013", r.last || "\u2013",
                          r.rejected, r.untimed, percent(r.availability_percent)]);
            tr.children[1].className = tr.children[3].className = "file";
            tr.children[10].className = "n";
            body.appendChild(tr);
        });
    }

    function stationCells(run, s) {
        return [run, el("span", "station-id", s.station), s.records, s.timed,
                s.typical_step === undefined ? "" : s.typical_step, s.segments, s.gaps, s.overlaps, s.backward,
                s.gap_seconds, s.max_gap_seconds, percent(s.availability_percent)];
    }

    // A row per run and station as --json has them, then each station over all runs.
    function stations(data) {
        var table = document.getElementById("stations");
        head(table, [["Run", 1], ["Station"], ["Records", 1], ["Timed", 1], ["Typical step s", 1], ["Segments", 1],
                     ["Gaps", 1], ["Overlaps", 1], ["Backward", 1], ["Gap seconds", 1], ["Largest gap s", 1],
                     ["Availability %", 1]]);
        var body = table.createTBody();
        (data.runs || []).forEach(function (r) {
            (r.stations || []).forEach(function (s) { body.appendChild(fix(row(stationCells(r.run, s)))); });
        });
        var sum = table.createTBody();
        sum.className = "sum";
        (data.stations || []).forEach(function (s) {
            sum.appendChild(fix(row(stationCells(plural(s.runs, "run"), s))));
        });
    }

    function plural(n, word) { return n === 1 ? "1 " + word : "all " + n + " " + word + "s"; }

    // Availability is a text with one decimal but belongs to the right-aligned figures.
    function fix(tr) {
        tr.lastChild.className = "n";
        return tr;
    }

    // The irregular steps: filtered and sorted over all of them, shown pageRows at a time.
    function Steps(steps, stationIds, choose) {
        this.all = steps;
        this.choose = choose;
        this.table = document.getElementById("steps");
        this.more = document.getElementById("steps-more");
        this.count = document.getElementById("steps-count");
        this.station = fill(document.getElementById("steps-station"), [["", "all"]].concat(stationIds.map(function (s) { return [s, s]; })));
        this.kind = fill(document.getElementById("steps-kind"), [["", "all"], ["gap", "gaps"], ["overlap", "overlaps"], ["backward", "backward"]]);
        this.sort = fill(document.getElementById("steps-sort"), [["time", "time, earliest first"], ["time-", "time, latest first"],
                                                                  ["size-", "size, largest first"], ["size", "size, smallest first"]]);
        head(this.table, [["From (after record)"], ["To (next record)"], ["Station"], ["Run", 1], ["Kind"], ["Seconds", 1], ["After", 1], ["Next", 1]]);
        this.body = this.table.createTBody();
        var self = this;
        [this.station, this.kind, this.sort].forEach(function (s) { s.addEventListener("change", function () { self.update(); }); });
        this.more.addEventListener("click", function () { self.page(); });
        this.body.addEventListener("click", function (e) {
            var tr = e.target.closest("tr");
            if (tr && tr.pageStep) self.choose(tr.pageStep);
        });
        this.update();
    }

    function fill(select, options) {
        options.forEach(function (o) {
            var opt = el("option", "", o[1]);
            opt.value = o[0];
            select.appendChild(opt);
        });
        return select;
    }

    Steps.prototype.update = function () {
        var key = this.sort.value.replace("-", "");
        this.rows = L.selectSteps(this.all, this.station.value || null, this.kind.value || null, key, /-$/.test(this.sort.value));
        this.shown = 0;
        this.body.textContent = "";
        this.page();
    };

    Steps.prototype.page = function () {
        var box = document.createDocumentFragment(), end = Math.min(this.rows.length, this.shown + pageRows);
        for (var i = this.shown; i < end; ++i) {
            var s = this.rows[i], show = el("button", "show", L.formatTime(s.from));
            show.type = "button";
            show.setAttribute("aria-label", "Show on the timeline: " + Page.kindNames[s.kind] + " at " + L.formatTime(s.from));
            var kind = el("span", "kind " + s.kind);
            kind.appendChild(el("span", "", Page.kindNames[s.kind]));
            var tr = row([show, L.formatTime(s.to), el("span", "station-id", s.station), s.run, kind, s.seconds, s.after_record, s.next_record]);
            tr.setAttribute("data-kind", s.kind);
            tr.title = Page.stepSeconds(s);
            tr.pageStep = s;
            box.appendChild(tr);
        }
        this.body.appendChild(box);
        this.shown = end;
        var left = this.rows.length - end;
        this.more.hidden = left <= 0;
        this.more.textContent = "Show " + Math.min(left, pageRows) + " more (" + num(left) + " not shown)";
        this.count.textContent = num(this.rows.length) + " of " + num(this.all.length) + " steps, " + num(end) + " shown";
    };

    return { header: header, stations: stations, Steps: Steps };
})();
