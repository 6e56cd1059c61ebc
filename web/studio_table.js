// The event table as the studio's page edits it: (time, code) pairs in the order the show
// delivers them, kept as a history of whole tables, so that undo gives back exactly the table an
// edit started from and redo the one it made. The page sends every table it moves to to the
// show's program, which re-makes the show from it.
"use strict";

(function () {
  // The studio's frames: frame k at floor(k * 1000 / 60) ms of show time.
  const fps = 60;
  const frameTime = (k) => Math.floor((k * 1000) / fps);
  // The first frame at or after `ms` (frame 1 at the earliest), as a seek lands on it.
  const frameAt = (ms) => Math.max(1, Math.ceil((ms * fps) / 1000));
  // The time of the frame nearest `ms`: where a dragged event lands.
  const snap = (ms) => frameTime(Math.max(0, Math.round((ms * fps) / 1000)));

  // The show reads no more events than this, and times and codes are 32-bit.
  const capacity = 1000;
  const largest = 2147483647;
  // Older steps go once the history holds this many tables.
  const keptSteps = 2000;

  // "mm:ss.mmm", as sync.txt writes a time.
  function timeText(ms) {
    const sign = ms < 0 ? "-" : "";
    const t = Math.abs(ms);
    const minutes = String(Math.floor(t / 60000)).padStart(2, "0");
    const seconds = String(Math.floor(t / 1000) % 60).padStart(2, "0");
    return `${sign}${minutes}:${seconds}.${String(t % 1000).padStart(3, "0")}`;
  }

  const same = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);
  const validTime = (ms) => Number.isInteger(ms) && ms >= 0 && ms <= largest;
  const validCode = (code) => Number.isInteger(code) && code >= -largest - 1 && code <= largest;

  // Where an event at `ms` goes: before the first event that comes later, after any at its time.
  function placeFor(pairs, ms) {
    for (let i = 0; i < pairs.length; i += 2) {
      if (pairs[i] > ms) return i / 2;
    }
    return pairs.length / 2;
  }

  function inserted(pairs, index, ms, code) {
    const out = new Int32Array(pairs.length + 2);
    out.set(pairs.subarray(0, 2 * index));
    out[2 * index] = ms;
    out[2 * index + 1] = code;
    out.set(pairs.subarray(2 * index), 2 * index + 2);
    return out;
  }

  function removed(pairs, index) {
    const out = new Int32Array(pairs.length - 2);
    out.set(pairs.subarray(0, 2 * index));
    out.set(pairs.subarray(2 * index + 2), 2 * index);
    return out;
  }

  class EventTable {
    // `pairs`: [time0, code0, time1, code1, ...], the table as the folder holds it.
    constructor(pairs) {
      this.steps = [Int32Array.from(pairs)];
      this.at = 0;
      this.saved = this.steps[0];
    }

    get pairs() { return this.steps[this.at]; }
    get count() { return this.pairs.length / 2; }
    time(index) { return this.pairs[2 * index]; }
    code(index) { return this.pairs[2 * index + 1]; }
    // Edits not yet in the folder.
    get dirty() { return !same(this.pairs, this.saved); }
    get canUndo() { return this.at > 0; }
    get canRedo() { return this.at < this.steps.length - 1; }

    // Each edit returns the index its event has in the new table, or -1 when it changes nothing
    // (or would make a table the show cannot read).
    add(ms, code) {
      if (!validTime(ms) || !validCode(code) || this.count >= capacity) return -1;
      const index = placeFor(this.pairs, ms);
      this.push(inserted(this.pairs, index, ms, code));
      return index;
    }

    move(index, ms) {
      if (!this.has(index) || !validTime(ms)) return -1;
      const code = this.code(index);
      const rest = removed(this.pairs, index);
      const to = placeFor(rest, ms);
      const moved = inserted(rest, to, ms, code);
      if (same(moved, this.pairs)) return -1;
      this.push(moved);
      return to;
    }

    remove(index) {
      if (!this.has(index)) return -1;
      this.push(removed(this.pairs, index));
      return index;
    }

    setCode(index, code) {
      if (!this.has(index) || !validCode(code) || this.code(index) === code) return -1;
      const changed = Int32Array.from(this.pairs);
      changed[2 * index + 1] = code;
      this.push(changed);
      return index;
    }

    undo() {
      if (!this.canUndo) return false;
      this.at -= 1;
      return true;
    }

    redo() {
      if (!this.canRedo) return false;
      this.at += 1;
      return true;
    }

    // A table the folder now holds (a saved file taken in): a step undo can take back, and the
    // table the folder has.
    loaded(pairs) {
      const table = Int32Array.from(pairs);
      if (!same(table, this.pairs)) this.push(table);
      this.saved = this.pairs;
    }

    markSaved() { this.saved = this.pairs; }

    has(index) { return Number.isInteger(index) && index >= 0 && index < this.count; }

    push(table) {
      this.steps.length = this.at + 1;
      this.steps.push(table);
      if (this.steps.length > keptSteps) this.steps.shift();
      this.at = this.steps.length - 1;
    }
  }

  // The scene each event is delivered in: the selector follows 39 (+1) and 37 (-1) from scene 1
  // in table order, and once it leaves 1 to 9 no scene runs and nothing more is delivered (0).
  function deliveryScenes(pairs) {
    const scenes = [];
    let selector = 1;
    for (let i = 0; i < pairs.length; i += 2) {
      const runs = selector >= 1 && selector <= 9;
      scenes.push(runs ? selector : 0);
      if (runs && pairs[i + 1] === 39) selector += 1;
      if (runs && pairs[i + 1] === 37) selector -= 1;
    }
    return scenes;
  }

  window.tavrinelTable = {EventTable, fps, frameTime, frameAt, snap, timeText, same, capacity,
                          deliveryScenes};
})();
