"""The studio in the page (index.html?studio), driven as a viewer drives it: page_test.py's
studio-folder, studio-seek and studio-edit checks."""

import base64
import os
import random
import shutil
import subprocess
import tempfile
import time

import chromium

from stills import psnr, scene_still_times, sync_events  # noqa: E402 (page_test sets the path)

FRAME_MS = 1000 / 60


class Failed(Exception):
    pass


def check(condition, what):
    if not condition:
        raise Failed(what)


def frame_time(ms):
    """The frame a seek to `ms` shows: the first at or after it, on the 60 a second grid."""
    k = max(1, -(-ms * 60 // 1000))
    return k * 1000 // 60


def copy_show(show, work, change=None):
    folder = os.path.join(work, "show")
    shutil.copytree(show, folder)
    if change:
        change(folder)
    return folder


def give_folder(browser, server, folder, drop=False):
    """The studio page with `folder` handed to its folder input, or dropped on it; returns the
    check's text."""
    browser.open("about:blank")  # the page opened again at its own address passes for loaded
    browser.open(server.url("index.html?studio"))
    check(browser.wait_for("tavrinel.state === 'folder' && window.tavrinelFolder || null", 60),
          "the studio page did not load")
    if drop:
        x, y = browser.evaluate("(() => { const r = document.getElementById('drop-zone')"
                                ".getBoundingClientRect(); return [r.left + r.width / 2,"
                                " r.top + r.height / 2]; })()")
        for kind in ("dragEnter", "dragOver", "drop"):
            browser.call("Input.dispatchDragEvent", type=kind, x=x, y=y,
                         data={"items": [], "files": [folder], "dragOperationsMask": 1})
    else:
        document = browser.call("DOM.getDocument")
        node = browser.call("DOM.querySelector", nodeId=document["root"]["nodeId"],
                            selector="#folder-input")
        browser.call("DOM.setFileInputFiles", nodeId=node["nodeId"], files=[folder])
    check(browser.wait_for("document.getElementById('console').textContent.includes('1024*768')"
                           " || null", 60), "no menu after the folder")
    return browser.evaluate("document.getElementById('studio-check').textContent")


def choose(browser, line):
    browser.evaluate(f"document.querySelectorAll('#console .choice')[{line - 1}].click()")
    check(browser.wait_for("tavrinel.state === 'studio' && tavrinel.time > 300 || null", 60),
          f"the studio did not play after menu line {line}")


def pause(browser):
    browser.evaluate("document.getElementById('play').click()")
    check(browser.wait_for("document.getElementById('play').textContent === 'Play' || null", 10),
          "the studio did not pause")


def seek_to(browser, ms):
    browser.evaluate(f"Module._tavrinel_studio_seek({ms})")
    check(browser.wait_for(f"tavrinel.time === {frame_time(ms)} || null", 30), f"no seek to {ms}")


def marks(browser):
    return browser.evaluate("[...document.querySelectorAll('#marks .mark')]"
                            ".map((m) => m.getAttribute('aria-label'))")


def time_text(ms):
    return f"{ms // 60000:02d}:{ms // 1000 % 60:02d}.{ms % 1000:03d}"


def plays_on(browser, what):
    before = browser.evaluate("tavrinel.time")
    check(browser.wait_for(f"tavrinel.time > {before + 1000} || null", 30), f"{what}: no play")


def studio_folder(browser, server, show, inspect):
    # Our show through the folder input: good, the menu, then the studio playing in the page.
    said = give_folder(browser, server, show)
    check("The folder is good" in said, f"the check says {said!r}")
    print(f"from the folder to the menu: {browser.evaluate('tavrinel.studio.figures.folderToMenuMs'):.0f} ms")
    choose(browser, 2)
    seen = browser.evaluate("[canvas.width, canvas.height, !!document.fullscreenElement]")
    check(seen == [640, 480, False], f"the picture: {seen}")
    expected = [f"{time_text(t)} code {code}" for t, code in sync_events(show)]
    check(marks(browser) == expected, "the marks are not the table's events")
    slider = browser.evaluate(
        "(() => { const s = document.getElementById('timeline'); return [s.getAttribute('role'),"
        " s.getAttribute('aria-label'), +s.getAttribute('aria-valuemax'),"
        " Math.round(Module.tavrinelAudio.buffer.duration * 1000)]; })()")
    check(slider[:2] == ["slider", "Show time"] and slider[2] == slider[3], f"the slider: {slider}")
    same = browser.evaluate("+document.getElementById('timeline').getAttribute('aria-valuenow')"
                            " === tavrinel.time")
    check(same, "the slider's value is not the show time")

    work = tempfile.mkdtemp(prefix="tavrinel-studio-")
    try:
        # A damaged model, the folder dropped: named with what plays anyway, and the show plays.
        def damage(folder):
            model = os.path.join(folder, "data", "3d", "in_demo", "polarid.3ds")
            with open(model, "r+b") as f:
                f.truncate(os.path.getsize(model) // 2)
        said = give_folder(browser, server, copy_show(show, work, damage), drop=True)
        check("data/3d/in_demo/polarid.3ds" in said and "plays with what of the model loads" in said,
              f"the damaged model: {said!r}")
        choose(browser, 1)
        plays_on(browser, "with a damaged model")

        # No sync.dat: said, the show plays with no events; an event added and saved downloads
        # the sync.dat the inspector makes of the same text.
        shutil.rmtree(os.path.join(work, "show"))
        said = give_folder(browser, server, copy_show(
            show, work, lambda folder: os.remove(os.path.join(folder, "sync.dat"))))
        check("there is no sync.dat" in said, f"no sync.dat: {said!r}")
        choose(browser, 2)
        plays_on(browser, "with no sync.dat")
        check(marks(browser) == [], "events with no table")
        pause(browser)
        downloads = os.path.join(work, "downloads")
        browser.call("Page.setDownloadBehavior", behavior="allow", downloadPath=downloads)
        at = browser.evaluate("tavrinel.time")
        browser.evaluate("document.getElementById('code').value = '39';"
                         " document.getElementById('add').click();"
                         " document.getElementById('save').click()")
        saved = os.path.join(downloads, "sync.dat")
        deadline = time.time() + 10
        while not os.path.exists(saved) and time.time() < deadline:
            time.sleep(0.1)
        text = os.path.join(work, "one.txt")
        with open(text, "w") as f:
            f.write(f"{time_text(at)} 39\n")
        made = os.path.join(work, "one.dat")
        subprocess.run([inspect, "--sync-dat", text, "-o", made], check=True)
        with open(made, "rb") as a, open(saved, "rb") as b:
            check(a.read() == b.read(), "the downloaded sync.dat is not the inspector's")

        # The folder given again with a sync.dat in it: taken in, the show's time kept.
        shutil.copy(os.path.join(show, "sync.dat"), os.path.join(work, "show"))
        browser.call("DOM.setFileInputFiles", nodeId=browser.call(
            "DOM.querySelector", nodeId=browser.call("DOM.getDocument")["root"]["nodeId"],
            selector="#folder-input")["nodeId"], files=[os.path.join(work, "show")])
        check(browser.wait_for(f"document.querySelectorAll('#marks .mark').length === {len(expected)}"
                               " || null", 15), "the folder given again was not taken in")
        check(browser.evaluate("tavrinel.time") == at, "taking in the folder moved the time")
        print("studio: a damaged model and no sync.dat listed and played; a save downloaded")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    # A dropped folder is read batch by batch, hidden and unread folders left out; a file larger
    # than the page can hold is refused by name.
    read = browser.evaluate("""(async () => {
      const file = (name) => ({name, isFile: true, isDirectory: false,
                               file: (ok) => ok(new File(['x'], name))});
      const folder = (name, entries) => ({name, isFile: false, isDirectory: true,
        createReader: () => { let at = 0; return {readEntries: (ok) => {
          setTimeout(() => ok(entries.slice(at, at += 100)), 0); }}; }});
      const textures = [...Array(250).keys()].map((i) => file(`t${i}.jpg`));
      const top = folder('show', [file('forest.mp3'), folder('.git', [file('HEAD')]),
        folder('renders', [file('a.png')]), folder('data', [folder('textures', textures)])]);
      const listing = await tavrinelFolder.fromDropEntries([top]);
      const copy = new tavrinelFolder.FolderCopy(Module.FS);
      const huge = {size: 600 * 1024 * 1024, lastModified: 1, file: null};
      await copy.take(new Map([...listing].slice(0, 3).concat([['data/huge.jpg', huge]])));
      // Over the folder's limit, the files beside sync.dat are kept before the data's.
      const large = (name) => ({size: 500 * 1024 * 1024, lastModified: 1, file: new File(['x'], name)});
      const full = new tavrinelFolder.FolderCopy(Module.FS);
      await full.take(new Map([['data/a.jpg', large('a')], ['data/b.jpg', large('b')],
                               ['forest.mp3', large('forest.mp3')]]));
      return [listing.size, [...listing.keys()].some((p) => /git|renders/.test(p)),
              copy.refused.concat(full.refused)];
    })()""")
    check(read[0] == 251 and not read[1], f"the dropped folder read as {read[:2]}")
    check(len(read[2]) == 2 and read[2][0].startswith("data/huge.jpg: 600.0 MiB")
          and read[2][1].startswith("data/b.jpg: 500.0 MiB"), f"the large files: {read[2]}")
    print("studio: a dropped folder read in batches; a file too large refused")


def click_timeline(browser, ms):
    """A click on the timeline where it shows `ms`; returns the time the page asked for."""
    box = browser.evaluate("(() => { const s = document.getElementById('timeline');"
                           " s.scrollIntoView({block: 'center'}); const r = s.getBoundingClientRect();"
                           " return [r.left, r.top, r.width, r.height, +s.getAttribute('aria-valuemax')];"
                           " })()")
    x, y = box[0] + ms / box[4] * box[2], box[1] + box[3] / 2
    for kind in ("mousePressed", "mouseReleased"):
        browser.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)
    asked = browser.evaluate("tavrinel.studio.lastSeek")
    check(abs(asked - ms) <= box[4] / box[2], f"a click where the timeline shows {ms} ms asked"
          f" for {asked} ms")
    return asked


def picture(browser, path):
    clip = browser.evaluate("(() => { canvas.scrollIntoView({block: 'center'});"
                            " const r = canvas.getBoundingClientRect();"
                            " return {x: r.left + scrollX, y: r.top + scrollY, width: r.width,"
                            " height: r.height, scale: 1}; })()")
    shot = browser.call("Page.captureScreenshot", format="png", clip=clip)
    with open(path, "wb") as f:
        f.write(base64.b64decode(shot["data"]))


def studio_seek(browser, server, show, capture):
    give_folder(browser, server, show)
    choose(browser, 2)
    pause(browser)
    work = tempfile.mkdtemp(prefix="tavrinel-studio-")
    try:
        times = scene_still_times(show)
        for scene in (3, 5, 8, 2):
            ms = click_timeline(browser, times[scene - 1])
            check(browser.wait_for(f"tavrinel.time === {frame_time(ms)} || null", 30),
                  f"the click for {ms} ms did not seek there")
            browser.wait_for("tavrinel.studio.figures.seekMs", 5)
            seek = browser.evaluate("tavrinel.studio.figures.seekMs")
            page = os.path.join(work, f"page_{ms}.png")
            picture(browser, page)
            subprocess.run([capture, "--data", show, "--size", "640x480", "--fps", "60", "--at",
                            str(ms), "--png", work], check=True, stderr=subprocess.DEVNULL)
            value = psnr(page, os.path.join(work, f"still_{ms:07d}.png"))
            print(f"click at {ms} ms (scene {scene}): picture in {seek:.0f} ms, PSNR {value:.1f} dB")
            check(value >= 30.0, f"the picture after the click at {ms} ms: {value:.1f} dB")
    finally:
        shutil.rmtree(work, ignore_errors=True)

    # The buttons press the transport's keys; keys typed into the code field stay there.
    at = browser.evaluate("tavrinel.time")
    browser.evaluate("document.querySelector('[data-key=\"190\"]').click()")
    check(browser.wait_for(f"tavrinel.time === {frame_time(at + FRAME_MS)} || null", 10),
          "Frame > did not step one frame")
    events = [t for t, _ in sync_events(show)]
    after = next(t for t in events if t > browser.evaluate("tavrinel.time"))
    browser.evaluate("document.querySelector('[data-key=\"34\"]').click()")
    check(browser.wait_for(f"tavrinel.time === {frame_time(after)} || null", 10),
          "Event > did not go to the next event")
    browser.evaluate("document.getElementById('code').focus()")
    press = lambda kind: browser.call("Input.dispatchKeyEvent", type=kind, key=" ", code="Space",
                                      windowsVirtualKeyCode=32, text=" " if kind == "keyDown" else "")
    press("keyDown")
    press("keyUp")
    time.sleep(0.5)
    check(browser.evaluate("[document.getElementById('code').value, tavrinel.time]") ==
          [" ", frame_time(after)], "Space typed into the code field reached the transport")
    browser.evaluate("document.getElementById('code').blur()")
    press("keyDown")
    press("keyUp")
    check(browser.wait_for("document.getElementById('play').textContent === 'Pause' || null", 10),
          "Space on the page did not play")
    errors = [text for level, text in browser.console if level in ("error", "assert")]
    check(not browser.exceptions and not errors, f"errors: {browser.exceptions} {errors}")


FILL_FOLDER = """(async (paths) => {
  const opfs = await navigator.storage.getDirectory();
  await opfs.removeEntry('show', {recursive: true}).catch(() => {});
  const show = await opfs.getDirectoryHandle('show', {create: true});
  for (const path of paths) {
    const parts = path.split('/');
    let folder = show;
    for (const part of parts.slice(0, -1)) folder = await folder.getDirectoryHandle(part, {create: true});
    const out = await (await folder.getFileHandle(parts.at(-1), {create: true})).createWritable();
    await out.write(await (await fetch('folder/' + path)).arrayBuffer());
    await out.close();
  }
  window.folder = show;
  tavrinel.studio.openHandle(show);
})"""
READ_FILE = ("(async (name) => Array.from(new Uint8Array(await (await (await folder"
             ".getFileHandle(name)).getFile()).arrayBuffer())))")
COPY_FILE = ("(async (from, to) => { const file = async (path, create) => { const parts ="
             " path.split('/'); let into = folder; for (const part of parts.slice(0, -1))"
             " into = await into.getDirectoryHandle(part); return into.getFileHandle(parts.at(-1),"
             " {create}); }; const bytes = await (await (await file(from)).getFile()).arrayBuffer();"
             " const out = await (await file(to, true)).createWritable(); await out.write(bytes);"
             " await out.close(); })")
WRITE_FILE = ("(async (name, text) => { const out = await (await folder.getFileHandle(name,"
              " {create: true})).createWritable(); await out.write(text); await out.close(); })")


def pairs_of(flat):
    return [(flat[i], flat[i + 1]) for i in range(0, len(flat), 2)]


def table(browser):
    return pairs_of(browser.evaluate("tavrinel.studio.table()"))


def inspector_bytes(inspect, work, text):
    """sync.dat as tavrinel-inspect --sync-dat makes it from `text`."""
    source, made = os.path.join(work, "table.txt"), os.path.join(work, "table.dat")
    with open(source, "wb") as f:
        f.write(bytes(text))
    subprocess.run([inspect, "--sync-dat", source, "-o", made], check=True)
    with open(made, "rb") as f:
        return f.read()


def saved_as_inspector_makes(browser, inspect, work, what):
    browser.evaluate("document.getElementById('save').click()")
    check(browser.wait_for("!tavrinel.studio.dirty() || null", 10), f"{what}: not saved")
    dat = bytes(browser.evaluate(f"{READ_FILE}('sync.dat')"))
    text = browser.evaluate(f"{READ_FILE}('sync.txt')")
    check(dat == inspector_bytes(inspect, work, text), f"{what}: sync.dat is not the inspector's")
    check(dat == bytes(browser.evaluate("tavrinel.studio.syncDat()")),
          f"{what}: the folder holds another table")


def drag_mark(browser, index, to_ms):
    box = browser.evaluate(f"""(() => {{
      const m = document.querySelectorAll('#marks .mark')[{index}]; m.scrollIntoView({{block: 'center'}});
      const r = m.getBoundingClientRect(), s = document.getElementById('timeline').getBoundingClientRect();
      return [r.left + r.width / 2, r.top + r.height / 2, s.left, s.width,
              +document.getElementById('timeline').getAttribute('aria-valuemax')]; }})()""")
    x, y = box[0], box[1]
    to = box[2] + to_ms / box[4] * box[3]
    browser.call("Input.dispatchMouseEvent", type="mousePressed", x=x, y=y, button="left",
                 clickCount=1)
    for step in range(1, 6):
        browser.call("Input.dispatchMouseEvent", type="mouseMoved", x=x + (to - x) * step / 5, y=y,
                     button="left", buttons=1)
    browser.call("Input.dispatchMouseEvent", type="mouseReleased", x=to, y=y, button="left",
                 clickCount=1)
    return box[4] / box[3]  # ms a pixel


def studio_edit(browser, web, show, inspect):
    work = tempfile.mkdtemp(prefix="tavrinel-studio-")
    try:
        folder = copy_show(show, work)
        with open(os.path.join(folder, "sync.txt"), "wb") as f:
            f.write(subprocess.run([inspect, "--sync-text", os.path.join(folder, "sync.dat")],
                                   check=True, capture_output=True).stdout)
        site = os.path.join(work, "site")
        os.mkdir(site)
        for name in os.listdir(web):
            os.symlink(os.path.join(web, name), os.path.join(site, name))
        os.symlink(folder, os.path.join(site, "folder"))
        server = chromium.Server(site)
        try:
            edit_and_save(browser, server, folder, inspect, work)
        finally:
            server.close()
    finally:
        shutil.rmtree(work, ignore_errors=True)


def edit_and_save(browser, server, folder, inspect, work):
    with open(os.path.join(folder, "sync.dat"), "rb") as f:
        original = f.read()
    paths = [os.path.relpath(os.path.join(d, name), folder) for d, _, names in os.walk(folder)
             for name in names if not name.startswith(".")]
    browser.open(server.url("index.html?studio"))
    check(browser.wait_for("!!(window.tavrinelFolder && Module.FS) || null", 60), "no studio page")
    browser.evaluate(f"{FILL_FOLDER}({paths!r})")
    check(browser.wait_for("document.getElementById('console').textContent.includes('1024*768')"
                           " || null", 60), "no menu after the folder handle")
    choose(browser, 2)
    pause(browser)
    seek_to(browser, 50000)
    start = table(browser)

    # By the buttons: an event added at the play head, one dragged, one given another code, one
    # deleted; the show's time stays where it is.
    browser.evaluate("document.getElementById('code').value = '8';"
                     " document.getElementById('add').click()")
    added = start + [(50000, 8)]
    added.sort(key=lambda e: e[0])  # stable: after the events at or before its time
    check(table(browser) == added, "the event added at the play head")
    per_px = drag_mark(browser, 2, 33000)
    dragged = table(browser)
    moved = [e for e in dragged if e not in added]
    check(len(dragged) == len(added) and len(moved) == 1 and start[2] not in dragged,
          f"the dragged event: {moved}")
    t = moved[0][0]
    check(t == round(t * 60 / 1000) * 1000 // 60 and abs(t - 33000) <= per_px + FRAME_MS,
          f"the dragged event landed at {t} ms")
    check(dragged == sorted(dragged, key=lambda e: e[0]), "the drag left the table out of order")
    browser.evaluate("document.querySelectorAll('#marks .mark')[0].click();"
                     " document.getElementById('code').value = '40';"
                     " document.getElementById('set-code').click()")
    check(table(browser)[0] == (start[0][0], 40), "the chosen event's code")
    browser.evaluate("document.getElementById('delete').click()")
    edited = table(browser)
    check(len(edited) == len(added) - 1 and edited[0] == dragged[1], "the chosen event deleted")
    check(browser.wait_for("tavrinel.studio.figures.editMs", 10), "no edit re-made")
    print(f"an edit re-made in {browser.evaluate('tavrinel.studio.figures.editMs'):.0f} ms")
    time.sleep(0.5)
    check(browser.evaluate("tavrinel.time") == 50000, "an edit moved the show's time")

    # Undone to the start by the keyboard, the table is the folder's byte for byte; redone and
    # saved, the folder holds what the inspector makes of the saved text.
    for _ in range(4):
        browser.call("Input.dispatchKeyEvent", type="keyDown", key="z", code="KeyZ",
                     windowsVirtualKeyCode=90, modifiers=2)
        browser.call("Input.dispatchKeyEvent", type="keyUp", key="z", code="KeyZ",
                     windowsVirtualKeyCode=90, modifiers=2)
    check(bytes(browser.evaluate("tavrinel.studio.syncDat()")) == original,
          "undone to the start, the table differs from the folder's")
    check(browser.evaluate("document.getElementById('undo').disabled"), "more to undo")
    for _ in range(4):
        browser.evaluate("document.getElementById('redo').click()")
    check(table(browser) == edited, "redone, the table is not the edited one")
    saved_as_inspector_makes(browser, inspect, work, "the edits")

    # sync.txt saved by another program: taken in, the show's time kept, one undo away.
    reloaded = sorted(start + [(60000, 8)], key=lambda e: e[0])
    text = "".join(f"{time_text(t)} {code}\n" for t, code in reloaded)
    browser.evaluate(f"{WRITE_FILE}('sync.txt', {text!r})")
    check(browser.wait_for(f"tavrinel.studio.table().length === {2 * len(start) + 2} || null", 15)
          and table(browser) == reloaded, "the saved sync.txt was not taken in")
    check(browser.evaluate("[tavrinel.time, tavrinel.studio.dirty()]") == [50000, False],
          "the folder's table moved the time or counts as an edit")

    # A model saved by another program while an edit is unsaved: the show is set up again with
    # the edited table, and the edit stays unsaved.
    browser.evaluate("tavrinel.studio.add(70000, 8)")
    edited = table(browser)
    browser.evaluate(f"{COPY_FILE}('data/3d/in_demo/intro.3ds', 'data/3d/in_demo/surrounded.3ds')")
    check(browser.wait_for("document.getElementById('studio-line').textContent"
                           ".includes('reloaded data/3d/in_demo/surrounded.3ds') || null", 15),
          "the saved model was not taken in")
    check(table(browser) == edited and browser.evaluate("tavrinel.studio.dirty()"),
          "a model taken in counted the unsaved edit as saved")
    browser.evaluate("tavrinel.studio.undo()")

    # One frame on from an event off the frame grid is the grid's next frame; one back, its
    # previous: none skipped.
    for at, button, want in ((1010, "later", 1016), (1020, "earlier", 1016)):
        browser.evaluate(f"tavrinel.studio.add({at}, 8)")
        index = table(browser).index((at, 8))
        browser.evaluate(f"document.querySelectorAll('#marks .mark')[{index}].click();"
                         f" document.getElementById('{button}').click()")
        check((want, 8) in table(browser) and (at, 8) not in table(browser),
              f"{button} one frame from {at} ms: {[e for e in table(browser) if e[1] == 8]}")
        browser.evaluate("tavrinel.studio.undo(); tavrinel.studio.undo()")

    # Random edits, undos and redos: the table stays in order, and each undo or redo gives the
    # table seen at that step; undone to the start it is the folder's first; saved, what the
    # inspector makes of the text.
    seen = [table(browser)]
    while browser.evaluate("tavrinel.studio.undo()"):
        seen.insert(0, table(browser))
    for step in seen[1:]:
        browser.evaluate("tavrinel.studio.redo()")
        check(table(browser) == step, "redone, a table other than the one undone")
    at = len(seen) - 1
    rng = random.Random(22)
    for _ in range(150):
        before = table(browser)
        op = rng.choice(["add", "add", "move", "move", "remove", "code", "undo", "undo", "redo"])
        ms = rng.randrange(0, 200000)
        code = rng.choice([8, 37, 39, 40, 50, 51])
        index = rng.randrange(max(len(before), 1))
        call = {"add": f"add({ms}, {code})", "move": f"move({index}, tavrinel.studio.snap({ms}))",
                "remove": f"remove({index})", "code": f"setCode({index}, {code})",
                "undo": "undo()", "redo": "redo()"}[op]
        browser.evaluate(f"tavrinel.studio.{call}")
        now = table(browser)
        check([t for t, _ in now] == sorted(t for t, _ in now), f"after {call}: out of order")
        if op in ("undo", "redo"):
            at = max(0, at - 1) if op == "undo" else min(len(seen) - 1, at + 1)
            check(now == seen[at], f"after {call}: not the table of that step")
        elif now != before:
            seen = seen[:at + 1] + [now]
            at += 1
    while browser.evaluate("tavrinel.studio.undo()"):
        pass
    check(bytes(browser.evaluate("tavrinel.studio.syncDat()")) == original,
          "after random edits undone, the table differs from the folder's first")
    while browser.evaluate("tavrinel.studio.redo()"):
        pass
    check(browser.wait_for("JSON.stringify(tavrinel.studio.studioTable) ==="
                           " JSON.stringify(tavrinel.studio.table()) || null", 30),
          "the studio does not play the page's table")
    saved_as_inspector_makes(browser, inspect, work, "random edits")

    # Left with an edit unsaved, the page asks first; kept, the studio plays on.
    browser.evaluate("tavrinel.studio.add(1000, 8); setTimeout(() => { location.href = 'about:blank'; })")
    time.sleep(1)
    browser.call("Page.getNavigationHistory")  # the dialog's event, heard meanwhile
    check(browser.dialogs == ["beforeunload"], f"leaving with an edit unsaved: {browser.dialogs}")
    browser.call("Page.handleJavaScriptDialog", accept=False)
    check(browser.wait_for("tavrinel.state === 'studio' || null", 10), "the studio was left")
    errors = [text for level, text in browser.console if level in ("error", "assert")]
    check(not browser.exceptions and not errors, f"errors: {browser.exceptions} {errors}")
    print("studio: edits undone to the folder's table, saved as the inspector makes it, a saved"
          " sync.txt taken in, 150 random edits; leaving with an edit unsaved asked first")
