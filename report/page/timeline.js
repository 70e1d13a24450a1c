// The timeline: lanes of bars and marks redrawn from the data for the visible window, with zoom, pan and keys.
var Page = Page || {};

Page.Timeline = (function () {
    "use strict";
    var L = Page.logic;
    var labelWidth = 64, rightMargin = 28;

    function el(tag, cls, text) {
        var e = document.createElement(tag);
        if (cls) e.className = cls;
        if (text !== undefined) e.textContent = text;
        return e;
    }

    // lanes from logic.buildLanes; steps from logic.deriveSteps; tip shows and hides the tooltip;
    // changed(view) is told of every new window.
    function Timeline(root, lanes, steps, lim, tip, changed) {
        this.root = root;
        this.lanes = lanes;
        this.steps = steps;
        this.lim = lim;
        this.tip = tip;
        this.changed = changed;
        this.view = { start: lim.lo, end: lim.hi };
        this.shown = lanes.map(function (l) { return l.station; });
        this.frame = 0;
        this.listen();
    }

    Timeline.prototype.plotWidth = function () {
        return Math.max(100, (this.root.clientWidth || 1000) - labelWidth - rightMargin);
    };

    Timeline.prototype.setView = function (v) {
        this.view = L.clampView(v.start, v.end, this.lim);
        this.schedule();
    };

    Timeline.prototype.setStations = function (ids) {
        this.shown = ids;
        this.schedule();
    };

    // Fast wheel turns and drags ask for many redraws; one per animation frame is drawn. A page whose frames
    // are held back (a hidden tab, a headless run) still gets its redraw from the timer.
    Timeline.prototype.schedule = function () {
        var self = this;
        if (this.frame) return;
        this.frame = requestAnimationFrame(function () { self.draw(); });
        this.timer = setTimeout(function () { if (self.frame) self.draw(); }, 100);
    };

    Timeline.prototype.draw = function () {
        if (this.frame) { cancelAnimationFrame(this.frame); clearTimeout(this.timer); this.frame = 0; }
        var v = this.view, w = this.plotWidth(), scale = w / Math.max(1, v.end - v.start);
        var focus = this.focusedPlace();
        this.root.setAttribute("data-start", L.formatTime(v.start));
        this.root.setAttribute("data-end", L.formatTime(v.end));
        var ticks = L.ticks(v.start, v.end, Math.max(2, Math.floor(w / 120)));
        var box = document.createDocumentFragment(), lanes = el("div", "lanes"), shown = this.shown;
        var drawn = this.lanes.filter(function (l) { return shown.indexOf(l.station) >= 0; });
        if (!drawn.length) {
            box.appendChild(el("p", "empty", this.lanes.length ? "No station chosen." : "No record with a valid date and time."));
        }
        for (var n = 0; n < drawn.length; ++n) lanes.appendChild(this.lane(drawn[n], v.start, scale, w));
        box.appendChild(lanes);
        var grid = el("div", "grid-layer"), axis = el("div", "axis");
        grid.style.height = drawn.length * 34 + "px";
        ticks.forEach(function (k) {
            var x = (k.when - v.start) * scale;
            var line = el("div", "grid-line");
            line.style.left = x + "px";
            grid.appendChild(line);
            var t = el("div", "tick", k.label);
            t.style.left = x + "px";
            if (k.date) t.appendChild(el("span", "date", k.date));
            axis.appendChild(t);
        });
        box.appendChild(grid);
        box.appendChild(axis);
        this.root.textContent = "";
        this.root.appendChild(box);
        this.restoreFocus(focus, v.start, scale);
        this.changed(v);
    };

    // One lane: a canvas with its bars and marks, and a cursor element that stands on one item at a time for
    // the pointer and the keyboard; thousands of elements would make each redraw slow.
    Timeline.prototype.lane = function (ln, t0, scale, w) {
        var lane = el("div", "lane"), track = el("div", "track"), canvas = el("canvas"), cursor = el("div", "cursor");
        lane.setAttribute("data-station", ln.station);
        lane.appendChild(el("div", "lane-label", ln.station));
        var list = Page.lanes.items(ln, t0, scale, w);
        Page.lanes.paint(canvas, list, w);
        canvas.setAttribute("aria-hidden", "true");
        cursor.tabIndex = -1;
        cursor.setAttribute("role", "button");
        cursor.setAttribute("aria-describedby", "tooltip");
        cursor.pageList = list;
        cursor.pageWidth = w;
        track.appendChild(canvas);
        track.appendChild(cursor);
        lane.appendChild(track);
        if (list.length) this.place(cursor, 0);
        return lane;
    };

    var itemNames = { bar: "segment", gap: "gap", overlap: "overlap", backward: "backward step", rejected: "rejected records" };

    // Puts a lane's cursor on its item k.
    Timeline.prototype.place = function (cursor, k) {
        var it = cursor.pageList[k], b = Page.lanes.box(it, cursor.pageWidth);
        cursor.pageIndex = k;
        cursor.pageItem = it;
        cursor.style.cssText = "left:" + b.x + "px;top:" + b.y + "px;width:" + b.w + "px;height:" + b.h + "px";
        cursor.setAttribute("aria-label", itemNames[it.kind]);
    };

    // The item's time range, to zoom to it.
    Timeline.prototype.span = function (it) {
        var ln = it.lane, a = Infinity, b = -Infinity, k;
        if (it.kind === "bar" || it.kind === "gap") {
            var c = it.kind === "bar" ? ln.seg : ln.gap;
            for (k = it.i; k <= it.j; ++k) { a = Math.min(a, c[0][k]); b = Math.max(b, c[1][k]); }
        } else {
            a = ln[it.kind][0][it.i];
            b = ln[it.kind][0][it.j];
            if (it.kind !== "rejected") {
                var st = this.steps[ln[it.kind][1][it.i]];
                a = Math.min(a, st.from);
                b = Math.max(b, st.from);
            }
        }
        return [a, b];
    };

    Timeline.prototype.zoomTo = function (a, b) {
        var pad = Math.max((b - a) * 0.5, 30);
        this.setView({ start: a - pad, end: b + pad });
    };

    Timeline.prototype.zoom = function (factor, at) {
        var v = this.view;
        this.setView(L.zoomAbout(v, factor, at === undefined ? (v.start + v.end) / 2 : at, this.lim));
    };

    Timeline.prototype.reset = function () { this.setView({ start: this.lim.lo, end: this.lim.hi }); };

    // Where keyboard focus is among the items: its time (a mark's own, a bar's middle), since a zoom or a
    // pan moves every item on screen, and its kind, since a mark and the bar it sits on share that time.
    Timeline.prototype.focusedPlace = function () {
        var a = document.activeElement, it = a && a.pageItem;
        if (!it || !this.root.contains(a)) return null;
        var s = this.span(it), mark = it.kind !== "bar" && it.kind !== "gap";
        return { station: it.lane.station, t: mark ? it.lane[it.kind][0][it.i] : (s[0] + s[1]) / 2, kind: it.kind };
    };

    Timeline.prototype.restoreFocus = function (place, t0, scale) {
        var first = this.root.querySelector(".cursor");
        if (first && first.pageItem) first.tabIndex = 0;
        if (!place) return;
        var lane = this.laneOf(place.station);
        if (!lane || !this.focusNearest(lane, (place.t - t0) * scale, place.kind)) this.root.focus();
    };

    Timeline.prototype.laneOf = function (station) {
        var ls = this.root.querySelectorAll(".lane");
        for (var i = 0; i < ls.length; ++i) if (ls[i].getAttribute("data-station") === station) return ls[i];
        return null;
    };

    // Focuses the lane's item nearest x, one of the kind given where several are within a pixel or so (marks
    // stand on whole pixels); false when the lane shows none.
    Timeline.prototype.focusNearest = function (lane, x, kind) {
        var cursor = lane.querySelector(".cursor"), list = cursor.pageList, best = -1, d = Infinity;
        for (var i = 0; i < list.length; ++i) {
            var e = Math.max(0, list[i].x0 - x, x - list[i].x1) + (list[i].kind === kind ? 0 : 1.5);
            if (e < d) { d = e; best = i; }
        }
        if (best < 0) return false;
        this.place(cursor, best);
        cursor.focus();
        return true;
    };

    // Keys on the timeline and on its items, the wheel, and dragging.
    Timeline.prototype.listen = function () {
        var self = this, root = this.root, drag = null;
        root.addEventListener("keydown", function (e) { self.key(e); });
        root.addEventListener("wheel", function (e) {
            e.preventDefault();
            var dy = e.deltaY * (e.deltaMode === 1 ? 40 : e.deltaMode === 2 ? 800 : 1);
            self.zoom(Math.exp(Math.max(-300, Math.min(300, dy)) * 0.002), self.timeAt(e.clientX));
        }, { passive: false });
        root.addEventListener("pointerdown", function (e) {
            if (e.button !== 0) return;
            drag = { x: e.clientX, view: self.view, moved: false, id: e.pointerId };
        });
        root.addEventListener("pointermove", function (e) {
            if (!drag || e.pointerId !== drag.id) return;
            var dx = e.clientX - drag.x;
            if (!drag.moved && Math.abs(dx) < 4) return;
            if (!drag.moved) {
                drag.moved = true;
                root.setPointerCapture(e.pointerId);
                root.classList.add("dragging");
                self.tip(null);
            }
            var scale = self.plotWidth() / (drag.view.end - drag.view.start);
            self.view = L.pan(drag.view, -dx / scale, self.lim);
            self.schedule();
        });
        function end(e) {
            if (!drag || e.pointerId !== drag.id) return;
            if (drag.moved) root.releasePointerCapture(e.pointerId);
            else if (hovered && hovered.pageItem) hovered.focus();
            root.classList.remove("dragging");
            drag = null;
        }
        root.addEventListener("pointerup", end);
        root.addEventListener("pointercancel", end);
        // The pointer moves the lane's cursor onto the item under it, so hover and focus show the same.
        var hovered = null;
        root.addEventListener("pointermove", function (e) {
            if (drag && drag.moved) return;
            var track = e.target.closest ? e.target.closest(".track") : null, cursor = track && track.querySelector(".cursor");
            var it = null;
            if (cursor) {
                var r = track.getBoundingClientRect();
                it = Page.lanes.hit(cursor.pageList, e.clientX - r.left, e.clientY - r.top);
            }
            if (hovered && (!it || hovered !== cursor)) unhover();
            if (!it) return;
            if (cursor !== document.activeElement) self.place(cursor, cursor.pageList.indexOf(it));
            hovered = cursor;
            cursor.classList.add("hover");
            if (cursor.pageItem === it) self.tip(cursor);
        });
        function unhover() {
            hovered.classList.remove("hover");
            if (hovered !== document.activeElement) self.tip(null);
            hovered = null;
        }
        root.addEventListener("pointerleave", function () { if (hovered) unhover(); });
        root.addEventListener("focusin", function (e) { self.tip(e.target.pageItem ? e.target : null); });
        root.addEventListener("focusout", function () { self.tip(null); });
        window.addEventListener("resize", function () { self.schedule(); });
    };

    Timeline.prototype.timeAt = function (clientX) {
        var r = this.root.getBoundingClientRect(), v = this.view;
        var f = (clientX - r.left - labelWidth) / this.plotWidth();
        return v.start + Math.max(0, Math.min(1, f)) * (v.end - v.start);
    };

    Timeline.prototype.key = function (e) {
        if (e.altKey || e.ctrlKey || e.metaKey) return;
        var it = e.target.pageItem, v = this.view, w = v.end - v.start, at;
        if (it) {
            var s = this.span(it);
            at = (s[0] + s[1]) / 2;
        }
        var lane = it ? e.target.parentNode.parentNode : null;
        switch (e.key) {
        case "+": case "=": this.zoom(0.5, at); break;
        case "-": case "_": this.zoom(2, at); break;
        case "0": case "Home": this.reset(); break;
        case "Escape": if (it) this.root.focus(); else return; break;
        case "Enter": if (it) { var sp = this.span(it); this.zoomTo(sp[0], sp[1]); } else return; break;
        case "ArrowLeft": case "ArrowRight":
            var next = e.key === "ArrowRight";
            if (it) {
                var k = e.target.pageIndex + (next ? 1 : -1);
                if (k >= 0 && k < e.target.pageList.length) {
                    this.place(e.target, k);
                    this.tip(e.target);
                }
            } else {
                this.setView(L.pan(v, (next ? 0.1 : -0.1) * w, this.lim));
            }
            break;
        case "ArrowDown": case "ArrowUp":
            var down = e.key === "ArrowDown";
            var target = it ? (down ? lane.nextElementSibling : lane.previousElementSibling) : (down ? this.root.querySelector(".lane") : null);
            var w0 = e.target.pageWidth;
            if (target) this.focusNearest(target, it ? (Math.max(it.x0, 0) + Math.min(it.x1, w0)) / 2 : 0);
            else if (it && !down) this.root.focus();
            break;
        default: return;
        }
        e.preventDefault();
        e.stopPropagation();
    };

    return Timeline;
})();
