// The viewer's show folder in the page: read in the browser from the folder input, a drop or a
// folder handle (nothing leaves the machine), copied into the program's file system under /show,
// followed for changes (a handle's files polled for their modification times, or the folder given
// again), and written back to on save where the browser allows it, else downloaded.
"use strict";

(function () {
  const root = "/show";
  // The program reads each file whole into its memory, which grows to 2 GiB at most: the page
  // takes files up to a quarter of that, and a folder up to half.
  const fileLimit = 512 * 1024 * 1024;
  const folderLimit = 1024 * 1024 * 1024;
  const mib = (bytes) => `${(bytes / (1024 * 1024)).toFixed(1)} MiB`;

  // The show reads the files beside sync.dat and what is in its data folder, nothing else; hidden
  // entries (a version control's folder) never.
  function wanted(path, isFolder) {
    const parts = path.split("/");
    if (parts.some((part) => part.startsWith("."))) return false;
    return parts[0] === "data" || (parts.length === 1 && !isFolder);
  }

  // A listing: path ('/' separators, relative to the folder) -> {size, lastModified, file}.
  function add(listing, path, file) {
    if (wanted(path, false)) listing.set(path, {size: file.size, lastModified: file.lastModified, file});
  }

  // The folder input's files: each path starts with the chosen folder's own name.
  function fromFileList(files) {
    const listing = new Map();
    for (const file of files) {
      const relative = file.webkitRelativePath || file.name;
      add(listing, relative.includes("/") ? relative.slice(relative.indexOf("/") + 1) : relative, file);
    }
    return listing;
  }

  // Every entry of a dropped folder: the browser hands them out in batches until one is empty.
  function allEntries(folder) {
    const reader = folder.createReader();
    const entries = [];
    return new Promise((resolve, reject) => {
      const next = () => reader.readEntries((batch) => {
        if (batch.length === 0) {
          resolve(entries);
        } else {
          entries.push(...batch);
          next();
        }
      }, reject);
      next();
    });
  }

  async function fromEntries(entries, listing = new Map(), prefix = "") {
    for (const entry of entries) {
      const path = prefix + entry.name;
      if (!wanted(path, entry.isDirectory)) continue;
      if (entry.isDirectory) {
        await fromEntries(await allEntries(entry), listing, path + "/");
      } else if (entry.isFile) {
        add(listing, path, await new Promise((resolve, reject) => entry.file(resolve, reject)));
      }
    }
    return listing;
  }

  // A dropped folder (its entry), or the files and folders dropped as its top level.
  async function fromDropEntries(entries) {
    if (entries.length === 1 && entries[0].isDirectory) {
      return fromEntries(await allEntries(entries[0]));
    }
    return fromEntries(entries);
  }

  async function fromHandle(folder, listing = new Map(), prefix = "") {
    for await (const handle of folder.values()) {
      const path = prefix + handle.name;
      if (!wanted(path, handle.kind === "directory")) continue;
      if (handle.kind === "directory") {
        await fromHandle(handle, listing, path + "/");
      } else {
        add(listing, path, await handle.getFile());
      }
    }
    return listing;
  }

  function makeFolders(FS, path) {
    const folder = path.slice(0, path.lastIndexOf("/"));
    if (folder) FS.mkdirTree(folder);
  }

  function removeTree(FS, path) {
    for (const name of FS.readdir(path)) {
      if (name === "." || name === "..") continue;
      const child = `${path}/${name}`;
      if (FS.isDir(FS.stat(child).mode)) {
        removeTree(FS, child);
        FS.rmdir(child);
      } else {
        FS.unlink(child);
      }
    }
  }

  const sameBytes = (a, b) => a.length === b.length && a.every((v, i) => v === b[i]);

  // The folder as the program sees it, and what changed in it since the program last asked.
  class FolderCopy {
    constructor(FS) {
      this.FS = FS;
      this.known = new Map();  // path -> {size, lastModified} as last copied
      this.refused = [];       // lines saying which files were too large
      this.pending = new Set();
      this.handle = null;
      this.polling = false;
      // Reads and writes of the copy one after another: a poll, a folder given again and a save
      // each see the folder and the copy as the last one left them.
      this.last = Promise.resolve();
    }

    serial(work) {
      const run = this.last.then(work, work);
      this.last = run.catch(() => {});
      return run;
    }

    has(path) { return this.known.has(path); }

    // A folder given afresh: whatever /show held goes.
    replace(listing, handle) { return this.serial(() => this.replaceNow(listing, handle)); }

    async replaceNow(listing, handle) {
      this.known.clear();
      this.pending.clear();
      this.handle = handle || null;
      if (this.FS.analyzePath(root).exists) removeTree(this.FS, root);
      this.FS.mkdirTree(root);
      const changed = await this.takeNow(listing);
      this.pending.clear();  // the program reads the folder whole when it starts
      return changed;
    }

    // The same folder given again (or polled): the files whose size or time changed are copied,
    // those gone are removed. Returns the paths whose bytes changed. A folder given again with no
    // handle takes the place of the one that had it: saves then go to downloads, not elsewhere.
    take(listing, handle) { return this.serial(() => this.takeNow(listing, handle)); }

    async takeNow(listing, handle) {
      if (handle !== undefined) this.handle = handle;
      this.refused = [];
      const refused = new Set();
      const changed = [];
      let total = 0;
      // The files beside sync.dat first: over the folder's limit, a texture is left out before
      // the music or the table.
      const order = (path) => [path.includes("/") ? 1 : 0, path];
      const before = ([a], [b]) => {
        const [x, y] = [order(a), order(b)];
        return x[0] - y[0] || (x[1] < y[1] ? -1 : 1);
      };
      for (const [path, info] of [...listing].sort(before)) {
        if (info.size > fileLimit || total + info.size > folderLimit) {
          refused.add(path);
          this.refused.push(`${path}: ${mib(info.size)}, more than the page can hold (a file up to ` +
                            `${mib(fileLimit)}, ${mib(folderLimit)} in all); it is left out`);
          continue;
        }
        total += info.size;
        const was = this.known.get(path);
        if (was && was.size === info.size && was.lastModified === info.lastModified) continue;
        let bytes;
        try {
          bytes = new Uint8Array(await info.file.arrayBuffer());
        } catch (error) {
          throw new Error(`${path}: ${error.message || error}`);
        }
        this.known.set(path, {size: info.size, lastModified: info.lastModified});
        const full = `${root}/${path}`;
        if (was && this.FS.analyzePath(full).exists && sameBytes(this.FS.readFile(full), bytes)) {
          continue;
        }
        makeFolders(this.FS, full);
        this.FS.writeFile(full, bytes);
        changed.push(path);
      }
      for (const path of [...this.known.keys()]) {
        if (listing.has(path) && !refused.has(path)) continue;
        this.known.delete(path);
        const full = `${root}/${path}`;
        if (this.FS.analyzePath(full).exists) this.FS.unlink(full);
        changed.push(path);
      }
      for (const path of changed) this.pending.add(path);
      return changed;
    }

    // The paths changed since the last call, one a line (the program's folder watch asks).
    changes() {
      const lines = [...this.pending].join("\n");
      this.pending.clear();
      return lines;
    }

    // With a handle, the folder read again; nothing when a poll is still going.
    async poll() {
      if (!this.handle || this.polling) return [];
      this.polling = true;
      try {
        return await this.serial(async () =>
          this.handle ? this.takeNow(await fromHandle(this.handle)) : []);
      } finally {
        this.polling = false;
      }
    }

    // Writes `files` ({name, bytes}) into the folder where the browser lets the page write to it,
    // else downloads them. Returns where they went: "folder" or "download".
    save(files) { return this.serial(() => this.write(files)); }

    async write(files) {
      if (this.handle && await this.writable()) {
        try {
          for (const {name, bytes} of files) {
            const file = await this.handle.getFileHandle(name, {create: true});
            const out = await file.createWritable();
            await out.write(bytes);
            await out.close();
            // Taken as the folder's own: the program already plays this table.
            const written = await file.getFile();
            this.known.set(name, {size: written.size, lastModified: written.lastModified});
            this.FS.writeFile(`${root}/${name}`, bytes);
          }
          return "folder";
        } catch (error) {
          console.warn("the folder could not be written:", error);
        }
      }
      for (const {name, bytes} of files) {
        const link = document.createElement("a");
        link.href = URL.createObjectURL(new Blob([bytes], {type: "application/octet-stream"}));
        link.download = name;
        document.body.appendChild(link);
        link.click();
        link.remove();
        setTimeout(() => URL.revokeObjectURL(link.href), 60000);
      }
      return "download";
    }

    async writable() {
      if (!this.handle.requestPermission) return true;
      try {
        return (await this.handle.requestPermission({mode: "readwrite"})) === "granted";
      } catch (error) {
        return false;
      }
    }
  }

  window.tavrinelFolder = {FolderCopy, fromFileList, fromDropEntries, fromHandle, allEntries, root};
})();
