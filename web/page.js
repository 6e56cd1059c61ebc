// The page around the show's program: the first screen (the console dialogue: a line typed and
// taken with Enter, or a menu line clicked or its key pressed), the stage with the canvas and the
// program's later lines over it, the boxes, and window.tavrinel, which the program keeps current
// every frame. index.html?autoplay=N skips the menu entering N; index.html?at=MS,...&size=WxH&fps=N
// makes stills on the virtual clock instead of playing, and ?report=1&size=WxH&fps=N times every
// frame of the show on it (window.tavrinel.report: per scene the median and worst ms, and the
// worst after its first frame; window.tavrinel.programsMadeLate: shader programs the GL layer
// had to make while drawing). What went wrong is on the first screen and in
// window.tavrinel.error; window.tavrinel.music shows and switches the audio context as a browser
// does (a hidden tab, an interruption). index.html?studio is the studio for a show folder of the
// viewer's own (web/studio.js), with no data package loaded.
"use strict";

(function () {
  const params = new URLSearchParams(location.search);
  const consoleArea = document.getElementById("console");
  const status = document.getElementById("status");
  const firstScreen = document.getElementById("first-screen");
  const stage = document.getElementById("stage");
  const canvas = document.getElementById("canvas");
  const stageLines = document.getElementById("stage-lines");
  const stillsMode = params.has("at") || params.has("report");
  const autoplay = params.get("autoplay");
  const studioMode = params.has("studio") && !stillsMode;

  window.tavrinel = {state: stillsMode ? "loading" : "menu", scene: 0, showMs: 0, frames: 0};

  // The music as Web Audio plays it: the context's state, and how far the stream as heard was
  // from the show's position when the show last read it (ms, ahead when positive).
  const audio = () => Module.tavrinelAudio;
  window.tavrinel.music = {
    state: () => (audio() ? audio().ctx.state : "none"),
    gapMs: () => {
      const a = audio();
      return a.heard() * 1000 - (performance.now() - a.shownAt) - a.shownMs;
    },
    suspend: () => audio().ctx.suspend(),
    resume: () => audio().ctx.resume(),
  };

  let answer = null;  // resolves the program's wait for the next line
  const typedLine = document.createElement("span");  // the line being typed, after the last one
  typedLine.className = "typed";
  const longestLine = 32;

  function showFirstScreen(text) {
    stage.hidden = true;
    firstScreen.hidden = false;
    status.textContent = text;
  }

  function showStage() {
    firstScreen.hidden = true;
    stage.hidden = false;
    canvas.focus();
  }

  // Full screen as the viewer's gesture asks for it: true once granted, false when refused (a
  // browser without it refuses too). The program awaits the answer as its display-mode change.
  function requestFullScreen() {
    const page = document.documentElement;
    if (!page.requestFullscreen) return Promise.resolve(false);
    return page.requestFullscreen().then(() => true, () => false);
  }

  function waitForLine(resolve) {
    answer = resolve;
    typedLine.textContent = "";
    consoleArea.appendChild(typedLine);
    if (autoplay !== null) enter(autoplay.trim() || "0");
  }

  // Hands a line to the program, echoed as a console echoes it. A line with something on it ends
  // the program's reading of its number: the stage comes up, and the viewer's gesture that took it
  // asks for full screen and lets the audio start.
  function enter(line) {
    if (!answer) return;
    const resolve = answer;
    answer = null;
    typedLine.remove();
    consoleArea.appendChild(document.createTextNode(line + "\n"));
    if (line.trim() !== "") {
      // The studio's picture stays in the page, above its timeline.
      if (autoplay === null && !studioMode) Module.tavrinelFullScreen = requestFullScreen();
      showStage();
    }
    resolve(line);
  }

  // What the program says after the choice (a wrong choice, the sound's errors) stays over the
  // stage until the show has played a few seconds, however quickly it loads.
  const stageLinesMs = 6000;
  let stageLinesTimer = 0;
  function hideStageLinesLater() {
    clearTimeout(stageLinesTimer);
    stageLinesTimer = setTimeout(() => {
      stageLines.hidden = true;
      stageLines.replaceChildren();
    }, stageLinesMs);
  }

  // A line the program prints; the menu's lines can be chosen by click or by Enter on them.
  function print(text) {
    console.log(text);
    const line = document.createElement("span");
    line.textContent = text + "\n";
    const menu = /^\s+([1-4])\.\s/.exec(text);
    if (menu) {
      line.className = "choice";
      line.tabIndex = 0;
      line.setAttribute("role", "button");
      line.addEventListener("click", () => enter(menu[1]));
      line.addEventListener("keydown", (event) => {
        if (!["Enter", " "].includes(event.key) || typedLine.textContent !== "") return;
        event.preventDefault();
        event.stopPropagation();
        enter(menu[1]);
      });
    }
    consoleArea.insertBefore(line, typedLine.parentNode ? typedLine : null);
    if (!stage.hidden) {
      stageLines.append(text + "\n");
      stageLines.hidden = false;
      if (window.tavrinel.state === "playing") hideStageLinesLater();
    }
  }

  // In full screen the browser takes Escape for itself and leaves full screen: that is the
  // viewer's Escape, while loading as while playing.
  document.addEventListener("fullscreenchange", () => {
    const running = ["loading", "playing"].includes(window.tavrinel.state);
    if (!document.fullscreenElement && running) Module.tavrinelLeftFullScreen = true;
  });

  // The first screen reads keys as a console does: printable keys are typed, Backspace edits,
  // Enter takes the line; a key 1 to 4 on an empty line takes that menu line at once. Keys that
  // are not input (Escape, Tab, function keys, the browser's shortcuts) stay the browser's.
  document.addEventListener("keydown", (event) => {
    if (!answer || event.ctrlKey || event.altKey || event.metaKey || event.isComposing) return;
    // Keys on the page's own controls (the studio's link and folder buttons) are theirs.
    if (event.target.closest && event.target.closest("a, button, input, label")) return;
    const typed = typedLine.textContent;
    const printable = [...event.key].length === 1;
    if (event.key === "Enter") {
      enter(typed);
    } else if (event.key === "Backspace") {
      typedLine.textContent = typed.slice(0, -1);
    } else if (printable && typed === "" && /^[1-4]$/.test(event.key)) {
      enter(event.key);
    } else if (printable) {
      if (typed.length < longestLine) typedLine.textContent = typed + event.key;
    } else {
      return;
    }
    event.preventDefault();
  });

  // The message box's icon, by the program's number for its kind.
  const icons = {
    1: ["exclamation", "!", "Warning"],
    2: ["stop", "\u2715", "Error"],
    3: ["information", "i", "Information"],
    4: ["question", "?", "Question"],
  };

  function dialog(caption, text, yesNo, iconKind) {
    const box = document.getElementById("box");
    document.getElementById("box-caption").textContent = caption;
    document.getElementById("box-text").textContent = text;
    const icon = document.getElementById("box-icon");
    const [kind, glyph, label] = icons[iconKind] || ["", "", ""];
    icon.className = kind;
    icon.textContent = glyph;
    icon.setAttribute("aria-label", label);
    icon.hidden = !kind;
    const buttons = document.getElementById("box-buttons");
    buttons.replaceChildren();
    const answers = yesNo ? [["Yes", 1], ["No", 2]] : [["OK", 0]];
    return new Promise((resolve) => {
      for (const [label, value] of answers) {
        const button = document.createElement("button");
        button.textContent = label;
        button.value = String(value);
        buttons.appendChild(button);
      }
      box.addEventListener("close", () => {
        const value = Number(box.returnValue);
        resolve(Number.isNaN(value) || box.returnValue === "" ? (yesNo ? 2 : 0) : value);
      }, {once: true});
      box.returnValue = "";
      box.showModal();
      buttons.firstChild.focus();
    });
  }

  // A still as a PNG: the pixels onto a canvas of their own.
  const stills = [];
  function addStill(rgb, width, height) {
    const picture = document.createElement("canvas");
    picture.width = width;
    picture.height = height;
    const context = picture.getContext("2d");
    const image = context.createImageData(width, height);
    for (let i = 0, j = 0; i < rgb.length; i += 3, j += 4) {
      image.data[j] = rgb[i];
      image.data[j + 1] = rgb[i + 1];
      image.data[j + 2] = rgb[i + 2];
      image.data[j + 3] = 255;
    }
    context.putImageData(image, 0, 0);
    stills.push(picture.toDataURL("image/png"));
  }

  function publish(state, scene, showMs, frames) {
    const t = window.tavrinel;
    t.scene = scene;
    t.showMs = showMs;
    t.frames = frames;
    if (state === "stills") t.stills = stills.slice();
    if (state === "playing" && frames === 1) {
      t.firstFrameMs = performance.now();
      if (!stageLines.hidden) hideStageLinesLater();
    }
    if (state !== t.state) {
      t.state = state;
      if (state === "ended") showFirstScreen(t.error || "The show has ended.");
    }
  }

  const args = [];
  if (stillsMode) {
    if (params.has("at")) args.push("--at=" + params.get("at"));
    if (params.has("report")) args.push("--report");
    if (params.has("size")) args.push("--size=" + params.get("size"));
    if (params.has("fps")) args.push("--fps=" + params.get("fps"));
  }

  window.Module = {
    canvas: canvas,
    print: print,
    printErr: (text) => console.error(text),
    // The loader's progress never hides what went wrong.
    setStatus: (text) => { if (!window.tavrinel.error) status.textContent = text; },
    tavrinelReadLine: () => new Promise(waitForLine),
    tavrinelPublish: publish,
    tavrinelAddStill: addStill,
    tavrinelDialog: dialog,
    tavrinelSay: (text) => {
      window.tavrinel.error = text;
      status.textContent = text;
      console.error(text);
    },
    onRuntimeInitialized: () => {
      status.textContent = "";
      if (stillsMode) showStage();
      Module.callMain(args);
    },
    onAbort: (what) => {
      window.tavrinel.error = "The show stopped: " + what;
      showFirstScreen(window.tavrinel.error);
      window.tavrinel.state = "ended";
    },
  };

  // The show's data package, then its program; in the studio its scripts instead of the package,
  // the viewer's folder taking its place.
  document.getElementById("studio-link").hidden = studioMode || stillsMode;
  if (studioMode) {
    const style = document.createElement("link");
    style.rel = "stylesheet";
    style.href = "studio.css";
    document.head.appendChild(style);
  }
  const scripts = studioMode
    ? ["studio_table.js", "studio_folder.js", "studio_timeline.js", "studio.js", "tavrinel.js"]
    : ["show-data.js", "tavrinel.js"];
  for (const name of scripts) {
    const script = document.createElement("script");
    script.src = name;
    script.async = false;
    document.body.appendChild(script);
  }
})();
