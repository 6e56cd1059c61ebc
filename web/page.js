// The page around the show's program: the first screen (the console dialogue, chosen by click or
// key), the stage with the canvas, the boxes, and window.tavrinel, which the program keeps current
// every frame. index.html?autoplay=N skips the menu choosing N; index.html?at=MS,...&size=WxH&fps=N
// makes stills on the virtual clock instead of playing, and ?report=1&size=WxH&fps=N times every
// frame of the show on it (window.tavrinel.report: per scene the median and worst ms). What went
// wrong is on the first screen and in window.tavrinel.error; window.tavrinel.music shows and
// switches the audio context as a browser does (a hidden tab, an interruption).
"use strict";

(function () {
  const params = new URLSearchParams(location.search);
  const consoleArea = document.getElementById("console");
  const status = document.getElementById("status");
  const firstScreen = document.getElementById("first-screen");
  const stage = document.getElementById("stage");
  const canvas = document.getElementById("canvas");
  const stillsMode = params.has("at") || params.has("report");
  const autoplay = params.get("autoplay");

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

  let answer = null;  // resolves the program's wait for the choice
  let choiceLines = [];

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

  function choose(n) {
    if (!answer) return;
    const resolve = answer;
    answer = null;
    // The choice is the gesture that lets the audio start and the page go full screen.
    if (autoplay === null && document.documentElement.requestFullscreen) {
      document.documentElement.requestFullscreen().catch(() => {});
    }
    showStage();
    resolve(n);
  }

  // A line the program prints; the menu's lines become choices.
  function print(text) {
    console.log(text);
    const line = document.createElement("span");
    line.textContent = text + "\n";
    const menu = /^\s+([1-4])\.\s/.exec(text);
    if (menu) {
      line.className = "choice";
      line.tabIndex = 0;
      line.addEventListener("click", () => choose(Number(menu[1])));
      choiceLines.push(line);
    }
    consoleArea.appendChild(line);
  }

  // In full screen the browser takes Escape for itself and leaves full screen: that is the
  // viewer's Escape, and it ends the show.
  document.addEventListener("fullscreenchange", () => {
    if (!document.fullscreenElement && window.tavrinel.state === "playing") {
      Module.tavrinelLeftFullScreen = true;
    }
  });

  document.addEventListener("keydown", (event) => {
    if (!answer || ["Shift", "Control", "Alt", "Meta", "Tab"].includes(event.key)) return;
    event.preventDefault();
    const digit = /^[1-4]$/.test(event.key) ? Number(event.key) : 0;
    choose(digit);
  });

  function dialog(caption, text, yesNo) {
    const box = document.getElementById("box");
    document.getElementById("box-caption").textContent = caption;
    document.getElementById("box-text").textContent = text;
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
    if (state === "playing" && frames === 1) t.firstFrameMs = performance.now();
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
    tavrinelChoice: () => new Promise((resolve) => {
      answer = resolve;
      if (autoplay !== null) choose(Number(autoplay) || 0);
    }),
    tavrinelPublish: publish,
    tavrinelAddStill: addStill,
    tavrinelAddSceneTime: (scene, medianMs, worstMs, frames) => {
      (window.tavrinel.report = window.tavrinel.report || []).push({scene, medianMs, worstMs, frames});
    },
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
})();
