// One lane of the timeline: its bars and marks for the window, painted on a canvas and kept as items to find.
var Page = Page || {};

Page.lanes = (function () {
    "use strict";
    var L = Page.logic, height = 34, kinds = ["overlap", "backward", "rejected"];
    var colours = { bar: "#2f6db5", gap: "#17a5b8", overlap: "#9467bd", backward: "#d62728", rejected: "#f28e1c" };
    // Vertical place of each kind in the lane: bars in the middle, steps above, rejections below.
    var rows = { bar: [10, 14], gap: [15, 4], overlap: [1, 9], backward: [1, 9], rejected: [24, 9] };

    // Items of the lane in the window [t0, t0 + w / scale]: {kind, x0, x1, i, j, lane}, ordered by x.
    function items(ln, t0, scale, w) {
        var out = [], t1 = t0 + w / scale;
        function bars(kind, cols, max) {
            var s = L.visibleSlice(cols[0], max, t0, t1);
            L.mergeBars(cols[0], cols[1], s[0], s[1], t0, scale).forEach(function (b) {
                out.push({ kind: kind, x0: b[0], x1: b[1], i: b[2], j: b[3], lane: ln });
            });
        }
        bars("gap", ln.gap, ln.gapMax);
        bars("bar", ln.seg, ln.segMax);
        kinds.forEach(function (k) {
            var times = ln[k][0], i = L.lowerBound(times, t0), j = L.upperBound(times, t1);
            L.markColumns(times, i, j, t0, scale).forEach(function (c) {
                out.push({ kind: k, x0: c[0], x1: c[0], i: c[1], j: c[1] + c[2] - 1, lane: ln });
            });
        });
        var order = { gap: 0, bar: 1, overlap: 2, backward: 3, rejected: 4 };
        out.sort(function (a, b) { return a.x0 - b.x0 || order[a.kind] - order[b.kind]; });
        return out;
    }

    // The box an item covers in the lane, in CSS pixels; marks are widened so that a pointer finds them.
    function box(it, w) {
        var r = rows[it.kind], x0 = Math.max(it.x0, -4), x1 = Math.min(it.x1, w + 4);
        if (it.kind === "bar" || it.kind === "gap") return { x: x0, y: r[0], w: Math.max(1, x1 - x0), h: r[1] };
        return { x: it.x0 - 3, y: r[0], w: 7, h: r[1] };
    }

    function paint(canvas, list, w) {
        var ratio = window.devicePixelRatio || 1;
        canvas.width = Math.round(w * ratio);
        canvas.height = Math.round(height * ratio);
        canvas.style.width = w + "px";
        canvas.style.height = height + "px";
        var g = canvas.getContext("2d");
        g.scale(ratio, ratio);
        list.forEach(function (it) {
            var b = box(it, w);
            g.fillStyle = colours[it.kind];
            if (it.kind === "bar" || it.kind === "gap") g.fillRect(b.x, b.y, b.w, b.h);
            else g.fillRect(it.x0 - (it.j > it.i ? 1.5 : 1), b.y, it.j > it.i ? 3 : 2, b.h);
        });
    }

    // The item under a point of the lane: a mark near it before the bar or gap it sits on.
    function hit(list, x, y) {
        var best = null, d = Infinity;
        for (var k = 0; k < list.length; ++k) {
            var it = list[k], b = rows[it.kind];
            if (y < b[0] - 1 || y > b[0] + b[1] + 1) continue;
            if (it.kind === "bar" || it.kind === "gap") {
                if (x >= it.x0 - 1 && x <= Math.max(it.x1, it.x0 + 1) + 1 && !best) best = it;
            } else if (Math.abs(it.x0 - x) <= 3 && Math.abs(it.x0 - x) < d) {
                d = Math.abs(it.x0 - x);
                best = it;
            }
        }
        return best;
    }

    return { items: items, box: box, paint: paint, hit: hit, height: height };
})();
