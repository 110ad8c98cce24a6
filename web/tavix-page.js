// The page around a TAVIX program (linked with --pre-js): the address's TAVIX_* query parameters
// become the program's environment (and arg=... its arguments), window.tavix tells a script on
// the page when the program is ready, idle or ended and reads and writes its files, the files it
// writes are offered as downloads, and a script picked with the file chooser is put where
// Playback reads it.
(function() {
  var params = new URLSearchParams(typeof location !== 'undefined' ? location.search : '');
  var args = params.getAll('arg');
  if (args.length) Module['arguments'] = args;

  // The file Record writes and Playback reads, unless TAVIX_SCRIPT names another.
  var scriptName = params.get('TAVIX_SCRIPT') || 'TAVIX.SCR';
  var status = function(text) {
    var s = document.getElementById('tavix-status');
    if (s) s.textContent = text;
  };

  var resolveReady, resolveExited;
  var ready = new Promise(function(r) { resolveReady = r; });
  var exited = new Promise(function(r) { resolveExited = r; });
  var graphicsShown = false, isReady = false, blocked = false, ended = false;
  var idleWaiters = [];
  // Files the page knows as they are (bundled, written by the page): only what the program
  // writes after them is offered.
  var known = {};
  var links = {};

  var fileStamp = function(path) {
    try {
      var st = FS.stat(path);
      return st.mtime.getTime() + ':' + st.size;
    } catch (e) {
      return null;
    }
  };
  var openForWriting = function(path) {
    for (var i = 0; i < FS.streams.length; ++i) {
      var s = FS.streams[i];
      if (s && s.path && (s.flags & 3) != 0 && FS.lookupPath(s.path).node === FS.lookupPath(path).node)
        return true;
    }
    return false;
  };
  // Every file of the working folder that the program wrote and closed since it was last
  // offered (a recorded script, a saved picture) becomes a download link.
  var offerDownloads = function() {
    var where = document.getElementById('tavix-downloads');
    if (!where) return;
    var cwd = FS.cwd();
    var names;
    try { names = FS.readdir(cwd); } catch (e) { return; }
    names.forEach(function(name) {
      if (name == '.' || name == '..') return;
      var path = (cwd == '/' ? '' : cwd) + '/' + name;
      var st;
      try { st = FS.stat(path); } catch (e) { return; }
      if (!FS.isFile(st.mode)) return;
      var stamp = fileStamp(path);
      if (known[path] === stamp || openForWriting(path)) return;
      known[path] = stamp;
      var bytes = FS.readFile(path);
      var type = /\.png$/i.test(name) ? 'image/png' : 'application/octet-stream';
      var link = links[path];
      if (!link) {
        link = links[path] = document.createElement('a');
        link.download = name;
        link.textContent = 'Download ' + name;
        where.appendChild(link);
      } else if (link.href) {
        URL.revokeObjectURL(link.href);
      }
      link.href = URL.createObjectURL(new Blob([bytes], {type: type}));
    });
  };
  var noteExisting = function() {
    var cwd = FS.cwd();
    try {
      FS.readdir(cwd).forEach(function(name) {
        var path = (cwd == '/' ? '' : cwd) + '/' + name;
        known[path] = fileStamp(path);
      });
    } catch (e) {}
  };
  var releaseIdle = function() {
    var waiting = idleWaiters;
    idleWaiters = [];
    waiting.forEach(function(f) { f(); });
  };

  // The console's fold button is there while the console is shown.
  var pageControls = function() {
    var fold = document.getElementById('tavix-console-fold');
    var c = document.getElementById('tavix-console');
    if (fold) fold.hidden = !(c && c.tavixTaken && c.style.display != 'none');
  };

  Module['tavixHooks'] = {
    presented: function(canvas) {
      if (canvas.id == 'tavix-graphics') graphicsShown = true;
    },
    // The program gives the browser its turn (it waits, or has run for a frame's time).
    turn: function() {
      blocked = false;
      if (graphicsShown && !isReady) {
        isReady = true;
        status('Running');
        resolveReady();
      }
      offerDownloads();
      pageControls();
    },
    // Input arrived: until the program waits again it is not idle.
    input: function() { blocked = false; },
    // Blocked in its wait with nothing pending and every window presented.
    idle: function() {
      blocked = true;
      releaseIdle();
    },
  };

  var api = {
    ready: ready,
    exited: exited,
    idle: function() {
      return new Promise(function(resolve) {
        idleWaiters.push(resolve);
        if (ended || blocked) Promise.resolve().then(releaseIdle);
      });
    },
    readFile: function(path) {
      try { return FS.readFile(path); } catch (e) { return null; }
    },
    writeFile: function(path, bytes) {
      FS.writeFile(path, bytes);
      known[FS.lookupPath(path).path] = fileStamp(path);
    },
    // What the program printed on its standard output and standard error, line by line.
    output: [],
  };
  if (typeof window !== 'undefined') window.tavix = api;

  Module['print'] = function(text) { api.output.push(text); console.log(text); };
  Module['printErr'] = function(text) { api.output.push(text); console.warn(text); };
  Module['preRun'] = Module['preRun'] || [];
  Module['preRun'].push(function() {
    params.forEach(function(value, name) {
      if (name.indexOf('TAVIX_') == 0) ENV[name] = value;
    });
  });
  // The files bundled with the page are in place now, before main starts.
  Module['onRuntimeInitialized'] = noteExisting;
  Module['onExit'] = function(code) {
    ended = true;
    offerDownloads();
    status('The program ended (status ' + code + ')');
    releaseIdle();
    resolveExited(code);
  };
  Module['onAbort'] = function(what) {
    ended = true;
    status('The program stopped: ' + what);
    releaseIdle();
    resolveExited(-1);
  };

  // Full screen: the graphics window over the page (and the page over the screen), as the
  // program's TAVIX_set_fullscreen shows it (library_web.js); Escape puts it back.
  var stage = document.getElementById('tavix-windows');
  var fullButton = document.getElementById('tavix-fullscreen');
  if (fullButton) {
    fullButton.addEventListener('click', function() {
      if (!Module['tavixFullscreen'] || !Module['tavixFullscreen']()) return;
      var g = document.getElementById('tavix-graphics');
      if (g) g.focus({preventScroll: true});
    });
  }
  // The console folds away and back.
  var foldButton = document.getElementById('tavix-console-fold');
  if (foldButton && stage) {
    foldButton.addEventListener('click', function() {
      var folded = stage.classList.toggle('tavix-console-folded');
      foldButton.textContent = folded ? 'Show the console' : 'Hide the console';
    });
  }

  // A script picked by the user is where Playback (Ctrl+P or the Run menu) reads it.
  var chooser = document.getElementById('tavix-script-file');
  if (chooser) {
    chooser.addEventListener('change', function() {
      var file = chooser.files && chooser.files[0];
      if (!file) return;
      file.arrayBuffer().then(function(buffer) {
        api.writeFile(scriptName, new Uint8Array(buffer));
        status(file.name + ' is ready: choose Run > Playback Script');
        var g = document.getElementById('tavix-graphics');
        if (g) g.focus({preventScroll: true});
      });
    });
  }
})();
