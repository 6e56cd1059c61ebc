// The studio's timeline under the picture: the scene bands and the music's waveform on a slider
// that seeks where it is clicked or dragged, the events as buttons labelled with their codes that
// can be dragged to another frame, the play head and the loop region. It can show the whole show
// or a stretch of it (zoomed), following the play head.
"use strict";

(function () {
  const {snap, timeText, same} = window.tavrinelTable;
  const markRows = 3;
  const markGapPx = 2;
  const dragPx = 4;  // a press moved less than this is a click
  const shortestViewMs = 2000;

  const sceneColour = (scene) => (scene ? `hsl(${(scene * 67) % 360}, 45%, 24%)` : "#111");

  // A tick every 1, 2, 5, 10 ... s so that about eight fit.
  function tickMs(spanMs) {
    const steps = [100, 200, 500, 1000, 2000, 5000, 10000, 15000, 30000, 60000, 120000, 300000];
    return steps.find((step) => spanMs / step <= 10) || 600000;
  }

  class Timeline {
    // `parts`: the slider, the marks' group, the play head and loop elements; `hooks`: seek(ms),
    // select(index), move(index, ms), remove(index).
    constructor(parts, hooks) {
      Object.assign(this, parts);
      this.hooks = hooks;
      this.canvas = this.slider.querySelector("canvas");
      this.lengthMs = 60000;
      this.viewStart = 0;
      this.viewSpan = null;  // null: the whole show
      this.pairs = new Int32Array(0);
      this.bands = new Int32Array([0, 1]);
      this.buffer = null;
      this.peaks = null;  // {key, min, max} for the view drawn last
      this.marks = [];
      this.selected = -1;
      this.cursor = -1;
      this.showMs = 0;
      this.listen();
    }

    get span() { return this.viewSpan || this.lengthMs; }
    get width() { return this.slider.clientWidth || 1; }
    msAt(clientX) {
      const x = clientX - this.slider.getBoundingClientRect().left;
      const ms = this.viewStart + (Math.min(Math.max(x, 0), this.width) / this.width) * this.span;
      return Math.round(Math.min(Math.max(ms, 0), this.lengthMs));
    }
    xOf(ms) { return ((ms - this.viewStart) / this.span) * this.width; }

    setLength(ms) {
      if (!(ms > 0)) return;
      this.slider.setAttribute("aria-valuemax", String(Math.round(ms)));
      if (ms === this.lengthMs) return;
      this.lengthMs = ms;
      this.clampView();
      this.redraw();
    }

    setWaveform(buffer) {
      if (buffer === this.buffer) return;
      this.buffer = buffer;
      this.peaks = null;
      this.redraw();
    }

    setTable(pairs, bands) {
      if (bands) this.bands = bands;
      if (same(pairs, this.pairs) && this.marks.length === pairs.length / 2) {
        this.drawCanvas();
        return;
      }
      this.pairs = pairs;
      this.marks.forEach((mark) => mark.remove());
      this.marks = [];
      for (let i = 0; i < pairs.length / 2; ++i) {
        const mark = document.createElement("button");
        mark.type = "button";
        mark.className = "mark";
        mark.textContent = String(pairs[2 * i + 1]);
        mark.dataset.index = String(i);
        mark.setAttribute("aria-label", `${timeText(pairs[2 * i])} code ${pairs[2 * i + 1]}`);
        this.group.appendChild(mark);
        this.marks.push(mark);
      }
      this.cursor = -1;
      if (this.selected >= this.marks.length) this.selected = -1;
      this.redraw();
    }

    // A mark's tooltip: what its code does where it is delivered.
    describe(index, meaning) {
      const mark = this.marks[index];
      if (mark) mark.title = `${mark.getAttribute("aria-label")}${meaning ? ": " + meaning : ""}`;
    }

    select(index) {
      this.selected = index;
      this.marks.forEach((mark, i) => {
        mark.classList.toggle("selected", i === index);
        mark.setAttribute("aria-pressed", i === index ? "true" : "false");
      });
    }

    // Where the show stands: the play head, the loop region, the events already delivered.
    show(view) {
      this.showMs = view.showMs;
      if (view.playing && (view.showMs < this.viewStart || view.showMs > this.viewStart + this.span)) {
        this.viewStart = view.showMs - this.span * 0.1;
        this.clampView();
        this.redraw();
      }
      this.head.style.transform = `translateX(${this.xOf(view.showMs)}px)`;
      this.head.hidden = view.showMs < this.viewStart || view.showMs > this.viewStart + this.span;
      const start = view.loopStart, end = view.loopEnd;
      this.loop.hidden = start === null && end === null;
      if (!this.loop.hidden) {
        const from = this.xOf(start === null ? 0 : start);
        const to = this.xOf(end === null ? this.lengthMs : end);
        this.loop.style.left = `${Math.min(from, to)}px`;
        this.loop.style.width = `${Math.max(Math.abs(to - from), 2)}px`;
        this.loop.classList.toggle("open", start === null || end === null || end <= start);
      }
      const s = this.slider;
      s.setAttribute("aria-valuenow", String(view.showMs));
      s.setAttribute("aria-valuetext",
                     `${timeText(view.showMs)}, ${view.scene ? "scene " + view.scene : "no scene"}`);
      if (view.cursor !== this.cursor) {
        this.cursor = view.cursor;
        this.marks.forEach((mark, i) => mark.classList.toggle("past", i < view.cursor));
      }
    }

    zoom(factor, aroundMs = this.showMs) {
      const span = Math.min(Math.max(this.span * factor, shortestViewMs), this.lengthMs);
      this.viewStart = aroundMs - ((aroundMs - this.viewStart) / this.span) * span;
      this.viewSpan = span >= this.lengthMs ? null : span;
      this.clampView();
      this.redraw();
    }

    pan(ms) {
      this.viewStart += ms;
      this.clampView();
      this.redraw();
    }

    clampView() {
      this.viewStart = Math.min(Math.max(this.viewStart, 0), Math.max(this.lengthMs - this.span, 0));
    }

    redraw() {
      this.drawCanvas();
      this.placeMarks();
    }

    placeMarks() {
      const rowEnds = new Array(markRows).fill(-Infinity);
      const rowHeight = this.group.clientHeight / markRows;
      const xs = this.marks.map((mark, i) => this.xOf(mark.dragMs === undefined ? this.pairs[2 * i]
                                                                                : mark.dragMs));
      // Marks outside a zoomed view stay in the tab order and the accessibility tree, unseen.
      const outside = (i) => xs[i] < -1 || xs[i] > this.width + 1;
      this.marks.forEach((mark, i) => mark.classList.toggle("outside", outside(i)));
      // Every width read before any mark moves: one layout, not one a mark.
      const widths = this.marks.map((mark) => mark.offsetWidth);
      this.marks.forEach((mark, i) => {
        if (outside(i)) return;
        const x = xs[i], w = widths[i];
        let row = rowEnds.findIndex((end) => end + markGapPx <= x - w / 2);
        if (row < 0) row = rowEnds.indexOf(Math.min(...rowEnds));
        rowEnds[row] = x + w / 2;
        mark.style.transform = `translate(${x - w / 2}px, ${row * rowHeight}px)`;
      });
    }

    drawCanvas() {
      const canvas = this.canvas;
      const ratio = window.devicePixelRatio || 1;
      const w = Math.round(this.width * ratio), h = Math.round(canvas.clientHeight * ratio);
      if (canvas.width !== w || canvas.height !== h) {
        canvas.width = w;
        canvas.height = h;
      }
      const g = canvas.getContext("2d");
      g.setTransform(ratio, 0, 0, ratio, 0, 0);
      const width = this.width, height = canvas.clientHeight;
      g.clearRect(0, 0, width, height);
      const bandTop = 14;
      for (let i = 0; i < this.bands.length; i += 2) {
        const from = this.xOf(this.bands[i]);
        const to = this.xOf(i + 2 < this.bands.length ? this.bands[i + 2] : this.lengthMs);
        if (to < 0 || from > width) continue;
        g.fillStyle = sceneColour(this.bands[i + 1]);
        g.fillRect(from, bandTop, to - from, height - bandTop);
        if (to - from > 24) {
          g.fillStyle = "#bbb";
          g.font = "11px ui-monospace, monospace";
          g.fillText(this.bands[i + 1] ? `scene ${this.bands[i + 1]}` : "no scene",
                     Math.max(from, 0) + 3, bandTop + 11);
        }
      }
      this.drawWave(g, width, bandTop + 14, height - bandTop - 14);
      const step = tickMs(this.span);
      g.fillStyle = "#888";
      g.font = "10px ui-monospace, monospace";
      for (let t = Math.ceil(this.viewStart / step) * step; t <= this.viewStart + this.span; t += step) {
        const x = Math.round(this.xOf(t)) + 0.5;
        g.fillRect(x, 0, 1, 4);
        g.fillText(timeText(t).replace(/\.000$/, ""), x + 2, 10);
      }
    }

    // The music's loudest and softest sample in each pixel column of the view.
    drawWave(g, width, top, height) {
      const buffer = this.buffer;
      if (!buffer || height <= 0) return;
      const columns = Math.max(1, Math.round(width));
      const key = `${this.viewStart}:${this.span}:${columns}`;
      if (!this.peaks || this.peaks.key !== key) {
        const data = buffer.getChannelData(0);
        const perMs = buffer.sampleRate / 1000;
        const min = new Float32Array(columns), max = new Float32Array(columns);
        for (let c = 0; c < columns; ++c) {
          const from = Math.floor((this.viewStart + (c / columns) * this.span) * perMs);
          const to = Math.min(Math.floor((this.viewStart + ((c + 1) / columns) * this.span) * perMs),
                              data.length);
          let lo = 0, hi = 0;
          for (let i = Math.max(from, 0); i < to; ++i) {
            const v = data[i];
            if (v < lo) lo = v;
            if (v > hi) hi = v;
          }
          min[c] = lo;
          max[c] = hi;
        }
        this.peaks = {key, min, max};
      }
      const middle = top + height / 2;
      g.fillStyle = "rgba(150, 200, 255, 0.75)";
      for (let c = 0; c < columns; ++c) {
        const y0 = middle - this.peaks.max[c] * (height / 2);
        const y1 = middle - this.peaks.min[c] * (height / 2);
        g.fillRect(c * (width / columns), y0, Math.max(width / columns, 1), Math.max(y1 - y0, 1));
      }
    }

    listen() {
      const slider = this.slider;
      slider.addEventListener("pointerdown", (event) => {
        if (event.button !== 0) return;
        slider.setPointerCapture(event.pointerId);
        slider.focus();
        this.hooks.seek(this.msAt(event.clientX));
        event.preventDefault();
      });
      slider.addEventListener("pointermove", (event) => {
        if (slider.hasPointerCapture(event.pointerId)) this.hooks.seek(this.msAt(event.clientX));
      });
      for (const part of [slider, this.group]) {
        part.addEventListener("wheel", (event) => {
          if (event.ctrlKey) {
            this.zoom(event.deltaY > 0 ? 1.25 : 0.8, this.msAt(event.clientX));
          } else if (this.viewSpan) {
            this.pan(((event.deltaX || event.deltaY) / this.width) * this.span);
          } else {
            return;
          }
          event.preventDefault();
        }, {passive: false});
      }
      window.addEventListener("resize", () => this.redraw());

      // Marks: a click selects, a drag moves the event to the frame it is let go at.
      let drag = null;
      const markOf = (event) => event.target.closest(".mark");
      // A mark reached by the keyboard outside a zoomed view brings the view to it.
      this.group.addEventListener("focusin", (event) => {
        const mark = markOf(event);
        if (!mark || !mark.classList.contains("outside")) return;
        this.viewStart = this.pairs[2 * this.marks.indexOf(mark)] - this.span / 2;
        this.clampView();
        this.redraw();
      });
      this.group.addEventListener("pointerdown", (event) => {
        const mark = markOf(event);
        if (!mark || event.button !== 0) return;
        mark.setPointerCapture(event.pointerId);
        drag = {mark, index: Number(mark.dataset.index), x: event.clientX, moved: false};
      });
      this.group.addEventListener("pointermove", (event) => {
        if (!drag || !drag.mark.hasPointerCapture(event.pointerId)) return;
        if (!drag.moved && Math.abs(event.clientX - drag.x) < dragPx) return;
        if (!drag.moved) drag.title = drag.mark.title;
        drag.moved = true;
        drag.mark.dragMs = snap(this.msAt(event.clientX));
        drag.mark.classList.add("dragging");
        drag.mark.title = timeText(drag.mark.dragMs);
        this.placeMarks();
      });
      const letGo = (event) => {
        if (!drag) return;
        const {mark, index, moved, title} = drag;
        drag = null;
        if (!moved) return;
        const ms = mark.dragMs;
        delete mark.dragMs;
        mark.classList.remove("dragging");
        if (event.type === "pointerup") {
          mark.justDragged = true;  // the click that ends a drag is not a choice
          this.hooks.move(index, ms);
        } else {
          mark.title = title;  // a cancelled drag leaves no trace
        }
        this.placeMarks();
      };
      this.group.addEventListener("pointerup", letGo);
      this.group.addEventListener("pointercancel", letGo);
      this.group.addEventListener("click", (event) => {
        const mark = markOf(event);
        if (!mark) return;
        if (mark.justDragged) {
          mark.justDragged = false;
          return;
        }
        this.hooks.select(Number(mark.dataset.index));
      });
      this.group.addEventListener("keydown", (event) => {
        const mark = markOf(event);
        if (!mark || !["Delete", "Backspace"].includes(event.key)) return;
        event.preventDefault();
        this.hooks.remove(Number(mark.dataset.index));
      });
    }
  }

  window.tavrinelTimeline = {Timeline};
})();
