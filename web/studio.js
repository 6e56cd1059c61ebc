// The studio in the page (index.html?studio): the viewer's show folder read and checked as
// tavrinel-inspect --check checks it, the show's menu, then the studio's picture in the page with
// its timeline, transport buttons and event editor; saves go back into the folder or download.
// window.tavrinel.time is the show time, window.tavrinel.studio its edits and figures (ms from the
// folder to the menu, from a click on the timeline to its picture, from an edit to the show
// re-made).
"use strict";

(function () {
  const {EventTable, frameTime, frameAt, snap, timeText, same, capacity, deliveryScenes} =
    window.tavrinelTable;
  const {FolderCopy, fromFileList, fromDropEntries, fromHandle, root} = window.tavrinelFolder;
  const $ = (id) => document.getElementById(id);
  const page = window.tavrinel;
  const canvas = $("canvas");
  const line = $("studio-line");

  page.state = "folder";
  page.time = 0;
  const figures = {};
  let copy = null;        // the folder in the program's file system, once the runtime is up
  let started = false;    // the program runs (the menu, then the studio)
  let folderAt = 0;       // when the folder was given, for the figures
  let table = null;       // EventTable, from the studio's first table
  let view = null;        // where the show stood at its last frame
  let ended = false;
  let escapeWarned = 0;

  document.body.classList.add("studio");
  $("stage").classList.add("studio");
  $("studio-open").hidden = false;
  $("folder-open").hidden = !window.showDirectoryPicker;

  function say(text, problem = false) {
    line.textContent = text;
    line.classList.toggle("problem", problem);
  }

  // ---- The folder: given, copied, checked, then the menu.

  let readyRuntime;
  const runtimeReady = new Promise((resolve) => { readyRuntime = resolve; });

  // `read` gives the folder's listing, and its handle where the browser gave one. A folder
  // given while the last is still being read waits for it.
  let reading = Promise.resolve();
  function folderGiven(read) {
    const at = performance.now();
    reading = reading.then(() => takeFolder(read, at));
    return reading;
  }

  async function takeFolder(read, at) {
    folderAt = at;
    const check = $("studio-check");
    check.textContent = "Reading the folder\u2026";
    let listing, handle;
    try {
      ({listing, handle} = await read());
    } catch (error) {
      check.textContent = `The folder could not be read: ${error.message || error}`;
      return;
    }
    await runtimeReady;
    try {
      if (page.state === "studio") {
        // The studio is running: what changed is taken in, the show's time kept.
        const changed = await copy.take(listing, handle || null);
        say(changed.length ? `Taking in ${changed.join(", ")}` : "Nothing in the folder changed.");
        if (copy.refused.length) say(copy.refused.join("; "), true);
        if (handle) startPolling();
        return;
      }
      if (page.state === "ended") return;
      await copy.replace(listing, handle);
    } catch (error) {
      const text = `The folder could not be read: ${error.message || error}`;
      if (page.state === "studio") say(text, true); else check.textContent = text;
      return;
    }
    const showFiles = ["forest.mp3", "sync.dat", "sync.txt"].some((name) => copy.has(name)) ||
                      [...listing.keys()].some((path) => path.startsWith("data/"));
    if (!showFiles) {
      check.replaceChildren(paragraph("This folder holds none of a show's files (forest.mp3, " +
                                      "sync.dat, a data folder): choose the show's own folder."));
      return;
    }
    const problems = checkFolder();
    listProblems(check, problems);
    if (!started) {
      started = true;
      Module.callMain(["--studio", root]);
    }
  }

  function checkFolder() {
    const text = Module.ccall("tavrinel_check", "number", ["string"], [root]);
    const lines = Module.UTF8ToString(text);
    Module._free(text);
    return lines.split("\n").filter((l) => l !== "");
  }

  function paragraph(text, className) {
    const p = document.createElement("p");
    p.textContent = text;
    if (className) p.className = className;
    return p;
  }

  // What the show does about a problem with this file: it plays anyway, without what is wrong.
  function playsAnyway(file) {
    if (file.startsWith("data/3d/")) return "its scene plays with what of the model loads";
    if (file.startsWith("data/textures/")) return "the surfaces that use it are drawn without it";
    if (file === "forest.mp3") {
      return copy.has(file) ? "the music plays as far as it decodes, the show on after it"
                            : "there is no music: the show plays in silence, on the clock";
    }
    if (file === "sync.dat") {
      if (copy.has("sync.txt")) return "the studio plays sync.txt's events instead";
      if (!copy.has(file)) return "there is no sync.dat: no events, scene 1 plays until some are added";
      return "its events play as they are";
    }
    return "";
  }

  function listProblems(into, problems) {
    const parts = [];
    for (const refused of copy.refused) parts.push(paragraph(refused, "problem"));
    if (problems.length === 0) {
      parts.push(paragraph("The folder is good: every file the show needs is there and loads."));
    } else {
      parts.push(paragraph(`${problems.length} problem${problems.length > 1 ? "s" : ""} ` +
                           "(tavrinel-inspect --check); the show plays anyway:"));
      // Each file once, its problems after it, then what plays anyway.
      const byFile = new Map();
      for (const problem of problems) {
        const cut = problem.indexOf(": ");
        const file = cut > 0 ? problem.slice(0, cut) : problem;
        byFile.set(file, (byFile.get(file) || []).concat(cut > 0 ? [problem.slice(cut + 2)] : []));
      }
      const list = document.createElement("ul");
      list.className = "problems";
      for (const [file, what] of byFile) {
        const item = document.createElement("li");
        const name = document.createElement("code");
        name.textContent = file;
        item.append(name, what.length ? ": " + what.join("; ") : "");
        const anyway = playsAnyway(file);
        if (anyway) item.append(paragraph(anyway, "anyway"));
        list.appendChild(item);
      }
      parts.push(list);
    }
    into.replaceChildren(...parts);
    // Kept under the timeline once the studio runs.
    const kept = $("studio-problems");
    const summary = document.createElement("summary");
    summary.textContent = `The folder's check: ${problems.length ? problems.length + " problems" : "good"}`;
    kept.replaceChildren(summary, ...parts.map((part) => part.cloneNode(true)));
    kept.hidden = false;
  }

  $("folder-input").addEventListener("change", (event) => {
    const files = [...event.target.files];
    if (files.length) folderGiven(async () => ({listing: fromFileList(files)}));
    event.target.value = "";
  });

  $("folder-open").addEventListener("click", async () => {
    let handle;
    try {
      handle = await window.showDirectoryPicker({mode: "readwrite", id: "tavrinel-show"});
    } catch (error) {
      return;  // the viewer cancelled
    }
    folderGiven(async () => ({listing: await fromHandle(handle), handle}));
  });

  // A drop anywhere on the page. A handle (where the browser gives one) lets saves go back into
  // the folder and changed files be polled; entries are read as they are.
  document.addEventListener("dragover", (event) => {
    event.preventDefault();
    document.body.classList.add("dragging");
  });
  document.addEventListener("dragleave", () => document.body.classList.remove("dragging"));
  document.addEventListener("drop", (event) => {
    event.preventDefault();
    document.body.classList.remove("dragging");
    // Both must be asked for during the event; the browser forgets the items after it.
    const items = [...event.dataTransfer.items].filter((item) => item.kind === "file");
    const entries = items.map((item) => item.webkitGetAsEntry()).filter(Boolean);
    const handle = items.length === 1 && items[0].getAsFileSystemHandle
      ? items[0].getAsFileSystemHandle().catch(() => null) : Promise.resolve(null);
    if (!entries.length) return;
    folderGiven(async () => {
      const folder = await handle;
      if (folder && folder.kind === "directory") return {listing: await fromHandle(folder), handle: folder};
      return {listing: await fromDropEntries(entries)};
    });
  });

  // ---- The studio running: what it tells the page, and what the page asks of it.

  let pendingEchoes = [];  // tables sent that the studio has not yet said it uses
  let seekSent = false, seekWaiting = null;
  let timing = null;       // {kind, begun, frame} for the figures

  function send(pairs) {
    const pointer = Module._malloc(Math.max(pairs.length, 1) * 4);
    Module.HEAP32.set(pairs, pointer >> 2);
    Module._tavrinel_studio_table(pointer, pairs.length / 2);
    Module._free(pointer);
    pendingEchoes.push(Int32Array.from(pairs));
  }

  // The table as a file: sync.dat's bytes, or sync.txt's, from the program's own writers.
  function syncFile(pairs, text) {
    const pointer = Module._malloc(Math.max(pairs.length, 1) * 4);
    const length = Module._malloc(4);
    Module.HEAP32.set(pairs, pointer >> 2);
    const bytes = Module._tavrinel_sync_file(pointer, pairs.length / 2, text ? 1 : 0, length);
    const out = Module.HEAPU8.slice(bytes, bytes + Module.HEAP32[length >> 2]);
    Module._free(bytes);
    Module._free(length);
    Module._free(pointer);
    return out;
  }

  const meanings = new Map();  // "scene:code" -> words, or null
  function meaning(scene, code) {
    const key = `${scene}:${code}`;
    if (!meanings.has(key)) {
      const text = Module._tavrinel_sync_code_meaning(scene, code);
      meanings.set(key, text ? Module.UTF8ToString(text) : null);
    }
    return meanings.get(key);
  }

  // The codes a scene knows, offered in the code field with what they do there.
  let offeredFor = -1;
  function offerCodes(scene) {
    if (scene === offeredFor) return;
    offeredFor = scene;
    const options = [];
    for (let code = 0; code < 256; ++code) {
      const words = meaning(scene || 1, code);
      if (!words) continue;
      const option = document.createElement("option");
      option.value = String(code);
      option.label = words;
      options.push(option);
    }
    $("codes").replaceChildren(...options);
  }

  const timeline = new window.tavrinelTimeline.Timeline(
    {slider: $("timeline"), group: $("marks"), head: $("head"), loop: $("loop")},
    {
      seek: (ms) => seek(ms),
      select: (index) => choose(index),
      move: (index, ms) => edit(() => table.move(index, ms)),
      remove: (index) => edit(() => table.remove(index)),
    });

  function seek(ms) {
    timing = {kind: "seekMs", begun: performance.now(), frame: frameAt(ms)};
    page.studio.lastSeek = ms;
    if (seekSent) {
      seekWaiting = ms;
      return;
    }
    seekSent = true;
    Module._tavrinel_studio_seek(ms);
  }

  function key(code, shift) {
    if (page.state === "studio") Module._tavrinel_studio_key(code, shift ? 1 : 0);
  }

  let chosen = -1;
  function choose(index) {
    chosen = table && table.has(index) ? index : -1;
    timeline.select(chosen);
    if (chosen < 0) {
      $("chosen").textContent = "No event chosen";
    } else {
      const code = table.code(chosen);
      const words = meaning(deliveryScenes(table.pairs)[chosen], code);
      $("chosen").textContent =
        `Event ${chosen + 1}: ${timeText(table.time(chosen))} code ${code}${words ? " (" + words + ")" : ""}`;
      $("code").value = String(code);
    }
    for (const id of ["set-code", "earlier", "later", "delete"]) $(id).disabled = chosen < 0;
  }

  // An edit to the table: the show re-made from it at once, the event it made chosen.
  function edit(change) {
    if (!table || ended) return -1;
    const begun = performance.now();
    const index = change();
    if (index < 0) return index;
    timing = {kind: "editMs", begun, frame: null};
    tableMoved();
    choose(index);
    return index;
  }

  function tableMoved() {
    send(table.pairs);
    timeline.setTable(table.pairs, null);
    describeMarks();
    updateButtons();
  }

  function describeMarks() {
    const scenes = deliveryScenes(table.pairs);
    for (let i = 0; i < table.count; ++i) timeline.describe(i, meaning(scenes[i], table.code(i)));
  }

  function updateButtons() {
    $("undo").disabled = !table || !table.canUndo;
    $("redo").disabled = !table || !table.canRedo;
    $("save").textContent = table && table.dirty ? "Save*" : "Save";
    $("add").disabled = !table || table.count >= capacity;
  }

  // Undo and redo move through the tables the edits made; true when there was one to go to.
  function step(move) {
    if (!table || ended || !move()) return false;
    timing = {kind: "editMs", begun: performance.now(), frame: null};
    tableMoved();
    choose(chosen);
    return true;
  }
  const undo = () => step(() => table.undo());
  const redo = () => step(() => table.redo());

  function typedCode() {
    const text = $("code").value.trim();
    return /^-?\d+$/.test(text) ? Number(text) : null;
  }

  function nudge(frames) {
    if (chosen < 0) return;
    // Whole frames from the event's time: one off the grid goes to the grid's next or previous
    // frame, none skipped.
    const t = table.time(chosen);
    const atOrAfter = Math.ceil((t * 60) / 1000);
    const after = frameTime(atOrAfter) > t ? atOrAfter : atOrAfter + 1;
    const k = frames > 0 ? after + frames - 1 : atOrAfter + frames;
    edit(() => table.move(chosen, frameTime(Math.max(k, 0))));
  }

  async function save() {
    if (!table) return;
    // sync.txt first where there is one: the studio reads it before sync.dat, so a save cut short
    // between the two still leaves the folder's table the one saved.
    const files = [{name: "sync.dat", bytes: syncFile(table.pairs, false)}];
    if (copy.has("sync.txt")) files.unshift({name: "sync.txt", bytes: syncFile(table.pairs, true)});
    const pairs = table.pairs;
    const where = await copy.save(files);
    if (table.pairs === pairs) table.markSaved();
    updateButtons();
    const names = files.map((f) => f.name).join(" and ");
    say(where === "folder" ? `Saved ${names} in the folder.` : `Saved ${names} as downloads.`);
    page.studio.saved = files.map((f) => ({name: f.name, bytes: Array.from(f.bytes)}));
  }

  $("transport").addEventListener("click", (event) => {
    const button = event.target.closest("button[data-key]");
    if (button) key(Number(button.dataset.key), button.dataset.shift === "1");
  });
  $("zoom-in").addEventListener("click", () => timeline.zoom(0.5));
  $("zoom-out").addEventListener("click", () => timeline.zoom(2));
  $("add").addEventListener("click", () => {
    const code = typedCode();
    if (code === null) {
      say("Type a code first (39 steps to the next scene, 37 back).", true);
      $("code").focus();
      return;
    }
    edit(() => table.add(view ? view.showMs : 0, code));
  });
  $("set-code").addEventListener("click", () => {
    const code = typedCode();
    if (code !== null) edit(() => table.setCode(chosen, code));
  });
  $("earlier").addEventListener("click", () => nudge(-1));
  $("later").addEventListener("click", () => nudge(1));
  $("delete").addEventListener("click", () => {
    const at = chosen;
    if (edit(() => table.remove(at)) >= 0) choose(Math.min(at, table.count - 1));
  });
  $("undo").addEventListener("click", () => undo());
  $("redo").addEventListener("click", () => redo());
  $("save").addEventListener("click", save);
  $("code").addEventListener("keydown", (event) => {
    if (event.key === "Enter") $(chosen >= 0 ? "set-code" : "add").click();
  });

  // Keys: the program hears the window's keys for its transport. Keys typed into the page's
  // fields, and Space or Enter on its buttons, are the page's; Tab moves between the page's
  // controls and shows the overlay only from the picture; the page never scrolls on the
  // transport's keys.
  const transportKeys = new Set([32, 33, 34, 36, 37, 39, 188, 190, 219, 220, 221]);
  function sortKey(event) {
    if (page.state !== "studio") return;
    const target = event.target instanceof Element ? event.target : document.body;
    if (target.closest("input, textarea, select")) {
      event.stopImmediatePropagation();
      return;
    }
    if (target.closest("button, a, summary") && [13, 32].includes(event.keyCode)) {
      event.stopImmediatePropagation();
      return;
    }
    if (event.keyCode === 9) {
      if (target !== canvas) {
        event.stopImmediatePropagation();
        return;
      }
      event.preventDefault();
    }
    if (event.type !== "keydown") return;
    if (event.keyCode === 27 && table && table.dirty && performance.now() - escapeWarned > 3000) {
      escapeWarned = performance.now();
      event.stopImmediatePropagation();
      say("The edits are not saved: Save first, or press Escape again to end the studio.", true);
      return;
    }
    if ((event.ctrlKey || event.metaKey) && ["z", "y"].includes(event.key.toLowerCase())) {
      event.preventDefault();
      event.stopImmediatePropagation();
      if (event.key.toLowerCase() === "y" || event.shiftKey) redo(); else undo();
      return;
    }
    if (transportKeys.has(event.keyCode)) event.preventDefault();
  }
  window.addEventListener("keydown", sortKey, true);
  window.addEventListener("keyup", sortKey, true);

  window.addEventListener("beforeunload", (event) => {
    if (!table || !table.dirty) return;
    event.preventDefault();
    event.returnValue = "";
  });

  let polling = 0;
  function startPolling() {
    if (polling || !copy.handle) return;
    polling = setInterval(() => {
      if (page.state !== "studio") return;
      copy.poll().catch((error) => say(`The folder could not be read again: ${error.message}`, true));
    }, 1000);
  }

  function shown(v) {
    view = v;
    page.time = v.showMs;
    page.showMs = v.showMs;
    page.scene = v.scene;
    page.frames = v.frame;
    if (!canvas.style.width) canvas.style.width = `${canvas.width}px`;
    const buffer = Module.tavrinelAudio && Module.tavrinelAudio.buffer;
    timeline.setLength(buffer ? buffer.duration * 1000 : v.lengthMs > 0 ? v.lengthMs : 0);
    timeline.setWaveform(buffer || null);
    timeline.show(v);
    offerCodes(v.scene);
    $("play").textContent = v.playing ? "Pause" : "Play";
    if (v.line && v.line !== shown.line) {
      shown.line = v.line;
      say(v.line, v.lineIsProblem);
    }
    if (timing && (timing.frame === null ? pendingEchoes.length === 0 : v.frame === timing.frame)) {
      figures[timing.kind] = performance.now() - timing.begun;
      timing = null;
    }
    seekSent = false;
    if (seekWaiting !== null) {
      const ms = seekWaiting;
      seekWaiting = null;
      seekSent = true;
      Module._tavrinel_studio_seek(ms);
    }
  }

  // The table the studio uses: an echo of one the page sent; one the folder gave (at the start,
  // and when a saved sync.dat or sync.txt is taken in); or the studio's own set up again with
  // reloaded models or textures, which leaves the page's edits, saved or not, as they are.
  function tableFromStudio(pairs, bands, from) {
    page.studio.studioTable = Array.from(pairs);
    const echo = pendingEchoes.findIndex((sent) => same(sent, pairs));
    if (echo >= 0) {
      pendingEchoes = pendingEchoes.slice(echo + 1);
    } else if (!table) {
      table = new EventTable(pairs);
    } else if (from === "folder") {
      pendingEchoes = [];
      table.loaded(pairs);
    }
    if (pendingEchoes.length) return;
    timeline.setTable(table.pairs, bands);
    describeMarks();
    choose(chosen);
    updateButtons();
  }

  // ---- The page around the program: its lines, its state, its start.

  const pagePrint = Module.print;
  Module.print = (text) => {
    if (page.state !== "studio") {
      pagePrint(text);
      if (/^\s+4\.\s/.test(text) && folderAt) figures.folderToMenuMs = performance.now() - folderAt;
      return;
    }
    console.log(text);
    say(text, false);
  };
  const pagePublish = Module.tavrinelPublish;
  Module.tavrinelPublish = (state, scene, showMs, frames) => {
    if (state === "studio") {
      page.state = "studio";
      $("studio-panel").hidden = false;
      startPolling();
      return;
    }
    if (state === "ended" && page.state === "studio") {
      ended = true;
      page.state = "ended";
      clearInterval(polling);
      $("transport").querySelectorAll("button").forEach((b) => { b.disabled = true; });
      say("The studio has ended (Escape). " +
          (table && table.dirty ? "Save keeps the edits; " : "") + "reload the page to open it again.");
      return;
    }
    pagePublish(state, scene, showMs, frames);
  };
  Module.tavrinelStudio = {shown, table: tableFromStudio};
  Module.tavrinelFolder = {changes: () => (copy ? copy.changes() : "")};
  Module.onRuntimeInitialized = () => {
    $("status").textContent = "";
    copy = new FolderCopy(Module.FS);
    readyRuntime();
  };

  // For tests and the figures: the table and its edits as the buttons make them.
  page.studio = {
    figures,
    table: () => (table ? Array.from(table.pairs) : null),
    dirty: () => !!table && table.dirty,
    add: (ms, code) => edit(() => table.add(ms, code)),
    move: (index, ms) => edit(() => table.move(index, ms)),
    remove: (index) => edit(() => table.remove(index)),
    setCode: (index, code) => edit(() => table.setCode(index, code)),
    undo, redo, save, snap,
    syncDat: () => Array.from(syncFile(table.pairs, false)),
    // A folder handle (the origin's private file system, in tests) as the folder picker gives it.
    openHandle: (handle) => folderGiven(async () => ({listing: await fromHandle(handle), handle})),
    // Entries as a drop hands them out (in tests, made in the page).
    openEntries: (entries) => folderGiven(async () => ({listing: await fromDropEntries(entries)})),
  };
})();
