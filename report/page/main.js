// The page's state and wiring: reads the data, draws everything, and keeps the address's fragment in step.
var Page = Page || {};

(function () {
    "use strict";
    var L = Page.logic;

    var legend = [
        ["bar", "recording: a bar, broken where a gap is"],
        ["gap", "gap: a step longer than the typical step"],
        ["overlap", "overlap: a step shorter than the typical step"],
        ["backward", "backward: the time repeated or went back"],
        ["rejected", "rejected record, at the time of the record before it"]
    ];

    function el(tag, cls, text) {
        var e = document.createElement(tag);
        if (cls) e.className = cls;
        if (text !== undefined) e.textContent = text;
        return e;
    }

    function readData() {
        try {
            return JSON.parse(document.getElementById("page-data").textContent);
        } catch (e) {
            // A page cut short or edited by hand: say so rather than show an empty frame.
            document.getElementById("title").textContent = "The page's data cannot be read: " + e.message;
            return null;
        }
    }

    function start() {
        var data = readData();
        if (!data) return;
        var steps = L.deriveSteps(data), lanes = L.buildLanes(data, steps);
        var ids = lanes.map(function (l) { return l.station; });
        var lim = L.limits(data.first ? L.parseTime(data.first) : null, data.last ? L.parseTime(data.last) : null, 10);
        var tip = Page.Tooltip(document.getElementById("tooltip"), steps);
        var root = document.getElementById("timeline"), link = document.getElementById("view-link");
        var windowText = document.getElementById("window-text"), written = null, shown = ids.slice();

        Page.tables.header(data);
        Page.tables.stations(data);

        // The fragment names the stations only when some are left out.
        function fragment() {
            return L.writeFragment({ start: timeline.view.start, end: timeline.view.end,
                                     stations: shown.length === ids.length ? null : shown });
        }

        function viewChanged(v) {
            windowText.textContent = "Showing " + L.formatTime(v.start) + " to " + L.formatTime(v.end) +
                " (" + Page.duration(v.end - v.start) + ")";
            var f = fragment();
            link.setAttribute("href", "#" + f);
            if (written === f) return;
            written = f;
            try {
                history.replaceState(null, "", "#" + f);
            } catch (e) {
                // Some browsers refuse replaceState on file: addresses.
                location.replace("#" + f);
            }
        }

        var timeline = new Page.Timeline(root, lanes, steps, lim, tip, viewChanged);

        var picker = document.getElementById("station-picker"), boxes = {};
        ids.forEach(function (id) {
            var label = el("label"), box = el("input");
            box.type = "checkbox";
            box.checked = true;
            box.addEventListener("change", function () {
                setStations(ids.filter(function (s) { return boxes[s].checked; }));
            });
            boxes[id] = box;
            label.appendChild(box);
            label.appendChild(document.createTextNode(id));
            picker.appendChild(label);
        });
        if (ids.length > 1) {
            var all = el("button", "", "All");
            all.type = "button";
            all.addEventListener("click", function () { setStations(ids.slice()); });
            picker.appendChild(all);
        }

        function setStations(list) {
            shown = ids.filter(function (s) { return list.indexOf(s) >= 0; });
            ids.forEach(function (s) { boxes[s].checked = shown.indexOf(s) >= 0; });
            timeline.setStations(shown);
        }

        // A fragment's view: a missing end or start is the whole span's; unknown stations are left out.
        function applyFragment(hash) {
            var f = L.parseFragment(hash);
            setStations(f.stations === null ? ids : f.stations);
            var s = f.start === null ? lim.lo : f.start, e = f.end === null ? lim.hi : f.end;
            if (s >= e) { s = lim.lo; e = lim.hi; }
            timeline.setView({ start: s, end: e });
        }

        var ul = document.getElementById("legend");
        legend.forEach(function (p) {
            var li = el("li");
            li.appendChild(el("span", "swatch " + p[0]));
            li.appendChild(document.createTextNode(p[1]));
            ul.appendChild(li);
        });

        document.getElementById("zoom-in").addEventListener("click", function () { timeline.zoom(0.5); });
        document.getElementById("zoom-out").addEventListener("click", function () { timeline.zoom(2); });
        document.getElementById("zoom-reset").addEventListener("click", function () { timeline.reset(); });
        window.addEventListener("hashchange", function () {
            if (location.hash.replace(/^#/, "") !== written) applyFragment(location.hash);
        });

        applyFragment(location.hash);
        timeline.draw();

        new Page.tables.Steps(steps, ids, function (st) {
            if (shown.indexOf(st.station) < 0) setStations(shown.concat([st.station]));
            timeline.zoomTo(Math.min(st.from, st.to), Math.max(st.from, st.to));
            root.focus({ preventScroll: true });
            root.scrollIntoView({ block: "nearest" });
        });
    }

    if (document.readyState === "loading") document.addEventListener("DOMContentLoaded", start);
    else start();
})();
