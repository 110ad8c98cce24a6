// The page's side of the web backend (platform/backend/web/web.cpp): one <canvas> per window, the
// canvases' mouse, wheel, key and focus events queued in order, and the wait that hands the
// browser its turn. Linked with --js-library; Module.tavixHooks (the page's script) hears when the
// program waits with nothing pending and when a window's pixels first reach its canvas. A page
// that sets Module.tavixHold (a promise) keeps the program at its first turn until it settles:
// a program started ahead, unseen, that the page shows when asked to run it.

var LibraryTavixWeb = {
  $TavixWeb: {
    windows: {},   // id -> {canvas, context, shown, presented, scale}
    nextId: 1,
    queue: [],     // pending events: [kind, id, fields...] and their text
    wake: null,    // resumes a suspended wait
    lastTurn: 0,   // performance.now() when the browser last had its turn
    buttons: 0,    // mouse buttons held: 1 left, 2 middle, 4 right
    wheel: 0,      // wheel movement not yet a whole notch
    channel: null,
    audio: null,   // the open sound device: {context, node, bits, channels, playing}
    gestured: false,  // a click, tap or key in the page let sound start

    // Starts or resumes the audio context on the page's first click, tap or key: browsers let
    // sound start only then.
    listenForGesture: function() {
      if (TavixWeb.gestureListening || typeof window === 'undefined') return;
      TavixWeb.gestureListening = true;
      var names = ['pointerdown', 'keydown', 'touchend', 'click'];
      var start = function() {
        TavixWeb.gestured = true;
        var a = TavixWeb.audio;
        if (a && a.context.state !== 'running' && a.context.state !== 'closed')
          a.context.resume().catch(function() {});
      };
      names.forEach(function(name) { window.addEventListener(name, start, true); });
    },

    // The audio context's request for samples: pulled from the program's device, while the
    // program waits (the page's script runs only then), and the wait woken to refill.
    play: function(e) {
      var a = TavixWeb.audio;
      var out = e.outputBuffer;
      var left = out.getChannelData(0), right = out.getChannelData(out.numberOfChannels > 1 ? 1 : 0);
      var frames = left.length;
      var sound = 0;
      if (a && a.playing && !runtimeExited && !ABORT) {
        var block = a.channels * a.bits / 8;
        sound = _tavix_web_audio_pull(frames * block);
        var at = _tavix_web_audio_buffer();
        var got = Math.floor(sound / block);
        if (a.bits == 16) {
          var s16 = HEAP16.subarray(at >> 1, (at >> 1) + got * a.channels);
          for (var i = 0; i < got; ++i) {
            left[i] = s16[i * a.channels] / 32768;
            right[i] = s16[i * a.channels + a.channels - 1] / 32768;
          }
        } else {
          var u8 = HEAPU8.subarray(at, at + got * a.channels);
          for (var j = 0; j < got; ++j) {
            left[j] = (u8[j * a.channels] - 128) / 128;
            right[j] = (u8[j * a.channels + a.channels - 1] - 128) / 128;
          }
        }
        left.fill(0, got);
        right.fill(0, got);
      } else {
        left.fill(0);
        right.fill(0);
      }
      if (sound > 0 && TavixWeb.wake) TavixWeb.wake();
    },

    hook: function(name, arg) {
      var hooks = Module['tavixHooks'];
      if (hooks && hooks[name]) hooks[name](arg);
    },

    // The USB HID usage (the key's position) each KeyboardEvent.code names; the window code
    // makes scan codes and virtual keys of it.
    usages: (function() {
      var u = {};
      var letters = 'ABCDEFGHIJKLMNOPQRSTUVWXYZ';
      for (var i = 0; i < 26; ++i) u['Key' + letters[i]] = 0x04 + i;
      for (var d = 1; d <= 9; ++d) u['Digit' + d] = 0x1D + d;
      u['Digit0'] = 0x27;
      for (var f = 1; f <= 12; ++f) u['F' + f] = 0x39 + f;
      for (var g = 13; g <= 24; ++g) u['F' + g] = 0x68 + (g - 13);
      var from = function(first, names) {
        for (var n = 0; n < names.length; ++n) if (names[n]) u[names[n]] = first + n;
      };
      from(0x28, ['Enter', 'Escape', 'Backspace', 'Tab', 'Space', 'Minus', 'Equal', 'BracketLeft',
                  'BracketRight', 'Backslash', '', 'Semicolon', 'Quote', 'Backquote', 'Comma',
                  'Period', 'Slash', 'CapsLock']);
      from(0x46, ['PrintScreen', 'ScrollLock', 'Pause', 'Insert', 'Home', 'PageUp', 'Delete', 'End',
                  'PageDown', 'ArrowRight', 'ArrowLeft', 'ArrowDown', 'ArrowUp', 'NumLock',
                  'NumpadDivide', 'NumpadMultiply', 'NumpadSubtract', 'NumpadAdd', 'NumpadEnter',
                  'Numpad1', 'Numpad2', 'Numpad3', 'Numpad4', 'Numpad5', 'Numpad6', 'Numpad7',
                  'Numpad8', 'Numpad9', 'Numpad0', 'NumpadDecimal', 'IntlBackslash', 'ContextMenu']);
      from(0xE0, ['ControlLeft', 'ShiftLeft', 'AltLeft', 'MetaLeft', 'ControlRight', 'ShiftRight',
                  'AltRight', 'MetaRight']);
      return u;
    })(),

    modifiers: function(e) {
      return (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0) |
             (e.getModifierState && e.getModifierState('CapsLock') ? 8 : 0);
    },

    push: function(event) {
      TavixWeb.queue.push(event);
      TavixWeb.hook('input');
      if (TavixWeb.wake) TavixWeb.wake();
    },

    // A pointer position in the canvas's screen pixels (its backing store), rounded down: from
    // the corner of its content, inside any border the page gives it.
    position: function(win, e) {
      var canvas = win.canvas;
      var rect = canvas.getBoundingClientRect();
      var left = rect.left + canvas.clientLeft, top = rect.top + canvas.clientTop;
      // The content's size unrounded (a canvas scaled to fit the page has fractions of a pixel).
      var shownW = rect.width - (canvas.offsetWidth - canvas.clientWidth);
      var shownH = rect.height - (canvas.offsetHeight - canvas.clientHeight);
      var sx = shownW > 0 ? canvas.width / shownW : 1;
      var sy = shownH > 0 ? canvas.height / shownH : 1;
      return [Math.floor((e.clientX - left) * sx), Math.floor((e.clientY - top) * sy)];
    },

    listen: function(id, win) {
      var canvas = win.canvas;
      var bit = function(button) { return button == 0 ? 1 : button == 1 ? 2 : button == 2 ? 4 : 0; };
      canvas.tabIndex = 0;
      canvas.style.outline = 'none';
      canvas.style.touchAction = 'none';
      var mouse = function(type, e, button) {
        var at = TavixWeb.position(win, e);
        TavixWeb.push({kind: 1, id: id, f: [type, button, at[0], at[1], TavixWeb.buttons,
                                            TavixWeb.modifiers(e)]});
      };
      win.listeners = {
        pointerdown: function(e) {
          if (e.pointerType == 'touch') return TavixWeb.touchDown(id, win, e);
          if (bit(e.button) == 0) return;
          canvas.focus({preventScroll: true});
          // A drag goes on reporting to this canvas outside it, as a captured mouse does.
          if (canvas.setPointerCapture) {
            try { canvas.setPointerCapture(e.pointerId); } catch (err) {}
          }
          TavixWeb.buttons |= bit(e.button);
          mouse(0, e, e.button + 1);
          e.preventDefault();
        },
        pointerup: function(e) {
          if (e.pointerType == 'touch') return TavixWeb.touchUp(e, false);
          if (bit(e.button) == 0 || !(TavixWeb.buttons & bit(e.button))) return;
          TavixWeb.buttons &= ~bit(e.button);
          mouse(1, e, e.button + 1);
          e.preventDefault();
        },
        pointermove: function(e) {
          if (e.pointerType == 'touch') return TavixWeb.touchMove(e);
          mouse(2, e, 0);
        },
        pointercancel: function(e) {
          if (e.pointerType == 'touch') TavixWeb.touchUp(e, true);
        },
        // A finger on the canvas never scrolls or zooms the page (touch-action covers browsers
        // that honour it), nor makes the mouse events browsers copy from touches. A touch the
        // browser no longer lets be cancelled (a scroll under way) is left alone: cancelling it
        // would only earn a warning.
        touchstart: function(e) { if (e.cancelable) e.preventDefault(); },
        touchmove: function(e) { if (e.cancelable) e.preventDefault(); },
        touchend: function(e) { if (e.cancelable) e.preventDefault(); },
        contextmenu: function(e) { e.preventDefault(); },
        wheel: function(e) {
          // Away from the user is positive, as Windows counts; a notch is 100 pixels or 3 lines.
          var step = e.deltaMode == 1 ? 3 : e.deltaMode == 2 ? 1 : 100;
          TavixWeb.wheel -= e.deltaY / step;
          var notches = TavixWeb.wheel > 0 ? Math.floor(TavixWeb.wheel) : Math.ceil(TavixWeb.wheel);
          if (notches != 0) {
            TavixWeb.wheel -= notches;
            TavixWeb.push({kind: 3, id: id, f: [notches, TavixWeb.buttons, TavixWeb.modifiers(e)]});
          }
          e.preventDefault();
        },
        keydown: function(e) { TavixWeb.key(id, e, true); },
        keyup: function(e) { TavixWeb.key(id, e, false); },
        focus: function() { TavixWeb.push({kind: 4, id: id, f: []}); },
        blur: function() {
          // Keys and buttons held when the canvas loses the focus are let go by the layer.
          TavixWeb.push({kind: 5, id: id, f: []});
        },
      };
      for (var name in win.listeners)
        canvas.addEventListener(name, win.listeners[name],
                                /^(wheel|touch)/.test(name) ? {passive: false} : false);
    },

    // Touch: one finger at a time is the mouse's left button. Its press is held back until the
    // finger moves beyond touchSlop CSS pixels or lifts, then delivered where it began; a finger
    // that stays within touchSlop for touchHold ms is a right click there instead, and the rest of
    // that touch says nothing. Other fingers, while one is followed, are not heard.
    touchSlop: 10,
    touchHold: 500,
    touch: null,  // the finger followed: {pointer, id, win, x, y, at, modifiers, pressed, done, timer}

    touchPush: function(t, type, button, at) {
      if (TavixWeb.windows[t.id] !== t.win) return;
      var bit = button == 1 ? 1 : 4;
      if (type == 0) TavixWeb.buttons |= bit;
      if (type == 1) TavixWeb.buttons &= ~bit;
      TavixWeb.push({kind: 1, id: t.id, f: [type, type == 2 ? 0 : button, at[0], at[1],
                                            TavixWeb.buttons, t.modifiers]});
    },

    touchEnd: function(t) {
      if (t.timer !== null) clearTimeout(t.timer);
      t.timer = null;
      if (TavixWeb.touch === t) TavixWeb.touch = null;
    },

    touchDown: function(id, win, e) {
      e.preventDefault();
      if (TavixWeb.touch) return;
      win.canvas.focus({preventScroll: true});
      var t = {pointer: e.pointerId, id: id, win: win, x: e.clientX, y: e.clientY,
               at: TavixWeb.position(win, e), modifiers: TavixWeb.modifiers(e), pressed: false,
               done: false, timer: null};
      TavixWeb.touch = t;
      t.timer = setTimeout(function() {
        t.timer = null;
        if (TavixWeb.touch !== t || t.pressed) return;
        t.done = true;
        TavixWeb.touchPush(t, 0, 3, t.at);
        TavixWeb.touchPush(t, 1, 3, t.at);
      }, TavixWeb.touchHold);
    },

    touchMove: function(e) {
      var t = TavixWeb.touch;
      if (!t || e.pointerId !== t.pointer || t.done) return;
      e.preventDefault();
      if (!t.pressed) {
        var dx = e.clientX - t.x, dy = e.clientY - t.y;
        if (dx * dx + dy * dy <= TavixWeb.touchSlop * TavixWeb.touchSlop) return;
        clearTimeout(t.timer);
        t.timer = null;
        t.pressed = true;
        TavixWeb.touchPush(t, 0, 1, t.at);
      }
      TavixWeb.touchPush(t, 2, 0, TavixWeb.position(t.win, e));
    },

    // A finger lifted (or taken by the browser: cancelled): a held press is let go where it is;
    // a lifted finger not yet pressed is a click where it began.
    touchUp: function(e, cancelled) {
      var t = TavixWeb.touch;
      if (!t || e.pointerId !== t.pointer) return;
      e.preventDefault();
      TavixWeb.touchEnd(t);
      if (t.done) return;
      if (t.pressed) {
        TavixWeb.touchPush(t, 1, 1, TavixWeb.position(t.win, e));
      } else if (!cancelled) {
        TavixWeb.touchPush(t, 0, 1, t.at);
        TavixWeb.touchPush(t, 1, 1, t.at);
      }
    },

    key: function(id, e, down) {
      // Keys the browser should keep: reloading, full screen, its developer tools.
      if (e.code == 'F5' || e.code == 'F11' || e.code == 'F12' || e.metaKey) return;
      var usage = Object.prototype.hasOwnProperty.call(TavixWeb.usages, e.code) ?
          TavixWeb.usages[e.code] : 0;
      e.preventDefault();
      if (!usage) return;
      // The layout's letter or digit on the key: the same whether Shift is held or not.
      var character = 0;
      if (e.key && e.key.length == 1) {
        var c = e.key.charCodeAt(0);
        if ((c >= 0x41 && c <= 0x5A) || (c >= 0x61 && c <= 0x7A) || (c >= 0x30 && c <= 0x39))
          character = c;
      }
      var text = '';
      var altGr = e.getModifierState && e.getModifierState('AltGraph');
      if (down && e.key && Array.from(e.key).length == 1 && ((!e.ctrlKey && !e.altKey) || altGr))
        text = e.key;
      TavixWeb.push({kind: 2, id: id, f: [down ? 1 : 0, usage, character, e.repeat ? 1 : 0,
                                          TavixWeb.modifiers(e)], text: text});
    },

    // The canvas a new window takes: the page's graphics canvas first, then its console
    // canvas, then new ones after the last.
    claim: function() {
      var names = ['tavix-graphics', 'tavix-console'];
      for (var i = 0; i < names.length; ++i) {
        var c = document.getElementById(names[i]);
        if (c && !c.tavixTaken) return c;
        if (!c) {
          c = document.createElement('canvas');
          c.id = names[i];
          (document.getElementById('tavix-windows') || document.body).appendChild(c);
          return c;
        }
      }
      var extra = document.createElement('canvas');
      extra.className = 'tavix-window';
      (document.getElementById('tavix-windows') || document.body).appendChild(extra);
      return extra;
    },

    // Sizes the canvas's backing store in screen pixels, shown at window pixels by CSS.
    resize: function(id, width, height) {
      var win = TavixWeb.windows[id];
      if (!win) return;
      win.canvas.width = width;
      win.canvas.height = height;
      win.canvas.style.width = (width / win.scale) + 'px';
      win.canvas.style.height = (height / win.scale) + 'px';
      win.context = win.canvas.getContext('2d', {alpha: false});
      if (TavixWeb.full && TavixWeb.full.win === win) TavixWeb.fit();
    },

    // The window shown over the whole page (TAVIX_set_fullscreen, the page's full-screen
    // button), or null: {id, win, backdrop (the black behind it), browser (the browser's own full
    // screen holds the page), ours (asked for by this code, so left with it)}.
    full: null,
    fullListening: false,
    // The canvas's style properties full screen sets; leaving takes them away again.
    fullStyle: ['position', 'left', 'top', 'width', 'height', 'margin', 'border', 'padding',
                'max-width', 'max-height', 'z-index', 'image-rendering', 'box-sizing'],

    // The canvas over the page, centred on black: the largest whole multiple of its pixels that
    // the page's device pixels hold, else of its window pixels (a picture kept at a finer
    // scale), else scaled down to fit; pixels kept square and sharp. Pointer and touch positions
    // follow through position().
    fit: function() {
      var f = TavixWeb.full;
      if (!f) return;
      var canvas = f.win.canvas, ratio = window.devicePixelRatio || 1;
      var roomW = window.innerWidth * ratio, roomH = window.innerHeight * ratio;
      var w = canvas.width, h = canvas.height, scale = f.win.scale;
      var most = Math.min(roomW / w, roomH / h), k = Math.floor(most);
      if (k < 1) k = Math.floor(most * scale) >= 1 ? Math.floor(most * scale) / scale : most;
      var set = function(name, value) { canvas.style.setProperty(name, value, 'important'); };
      set('position', 'fixed');
      set('left', Math.floor((roomW - w * k) / 2) / ratio + 'px');
      set('top', Math.floor((roomH - h * k) / 2) / ratio + 'px');
      set('width', w * k / ratio + 'px');
      set('height', h * k / ratio + 'px');
      set('margin', '0');
      set('border', 'none');
      set('padding', '0');
      set('max-width', 'none');
      set('max-height', 'none');
      set('z-index', '2147483647');
      set('image-rendering', 'pixelated');
      set('box-sizing', 'content-box');
    },

    // Shows window id over the page, and the page over the screen where the browser lets it;
    // tell: the program did not ask, so it hears of it.
    enterFull: function(id, tell) {
      var win = TavixWeb.windows[id];
      if (!win || typeof document === 'undefined') return 0;
      if (TavixWeb.full && TavixWeb.full.win !== win) TavixWeb.leaveFull(true);
      if (!TavixWeb.full) {
        var backdrop = document.createElement('div');
        backdrop.style.cssText = 'position: fixed; left: 0; top: 0; right: 0; bottom: 0; ' +
                                 'background: #000; z-index: 2147483646';
        document.body.appendChild(backdrop);
        TavixWeb.full = {id: id, win: win, backdrop: backdrop,
                         browser: !!document.fullscreenElement, ours: false};
        TavixWeb.listenForFull();
        if (tell) TavixWeb.push({kind: 8, id: id, f: [1]});
      }
      TavixWeb.fit();
      TavixWeb.askBrowser();
      return 1;
    },

    // Puts the window back in the page, and the page out of the browser's full screen if this
    // code put it there; tell: the program did not ask, so it hears of it.
    leaveFull: function(tell) {
      var f = TavixWeb.full;
      if (!f) return;
      TavixWeb.full = null;
      if (f.backdrop.parentNode) f.backdrop.parentNode.removeChild(f.backdrop);
      var canvas = f.win.canvas;
      TavixWeb.fullStyle.forEach(function(name) { canvas.style.removeProperty(name); });
      canvas.style.width = (canvas.width / f.win.scale) + 'px';
      canvas.style.height = (canvas.height / f.win.scale) + 'px';
      if (f.ours && document.fullscreenElement && document.exitFullscreen)
        document.exitFullscreen().catch(function() {});
      if (tell && TavixWeb.windows[f.id] === f.win) TavixWeb.push({kind: 8, id: f.id, f: [0]});
    },

    // The browser's own full screen, asked for only while the user's click or key lets a page
    // have it (else it refuses, and says so on the console): otherwise at their next one.
    askBrowser: function() {
      var f = TavixWeb.full;
      if (!f || document.fullscreenElement || !document.fullscreenEnabled) return;
      var root = document.documentElement;
      if (!root.requestFullscreen) return;
      if (navigator.userActivation && !navigator.userActivation.isActive) return;
      try {
        root.requestFullscreen().then(function() {
          if (TavixWeb.full === f) f.ours = f.browser = true;
          else if (document.exitFullscreen) document.exitFullscreen().catch(function() {});
        }, function() {});
      } catch (e) {}
    },

    // Once: the page's size followed; the browser's full screen left (Escape) leaves the
    // window's too; Escape leaves a full screen the browser did not give; the user's next click
    // or key asks the browser again.
    listenForFull: function() {
      if (TavixWeb.fullListening) return;
      TavixWeb.fullListening = true;
      document.addEventListener('fullscreenchange', function() {
        var f = TavixWeb.full;
        if (!f) return;
        if (document.fullscreenElement) f.browser = true;
        else if (f.browser) return TavixWeb.leaveFull(true);
        TavixWeb.fit();
      });
      window.addEventListener('resize', TavixWeb.fit);
      var gesture = function(e) {
        var f = TavixWeb.full;
        if (!f) return;
        if (e.type == 'keydown' && e.code == 'Escape') {
          if (!f.browser) TavixWeb.leaveFull(true);
          return;
        }
        TavixWeb.askBrowser();
      };
      window.addEventListener('pointerdown', gesture, true);
      window.addEventListener('keydown', gesture, true);
    },

    // Gives the browser its turn now; the program resumes on the next task.
    resumeSoon: function(wakeUp) {
      if (!TavixWeb.channel) {
        TavixWeb.channel = new MessageChannel();
        TavixWeb.channel.port1.onmessage = function() {
          var f = TavixWeb.channelWake;
          TavixWeb.channelWake = null;
          if (f) f();
        };
      }
      TavixWeb.channelWake = wakeUp;
      TavixWeb.channel.port2.postMessage(0);
    },
  },

  // Fetches a font file of /fonts/ the first time the program needs it, from the fonts/ folder
  // beside the page (Module.tavixFonts, if set, says where else), into the file system. The
  // request is synchronous, as drawing code that needs a face cannot wait: the file is small,
  // and the browser's cache answers it for every later page of the site.
  tavix_web_font_fetch: function(path) {
    var name = UTF8ToString(path);
    if (FS.analyzePath(name).exists) return 1;
    var base = Module['tavixFonts'] || 'fonts/';
    var url = base + name.replace(/^.*\//, '');
    var status = 0, text = null;
    try {
      var xhr = new XMLHttpRequest();
      xhr.open('GET', url, false);
      // Bytes as characters 0..255: a synchronous request may not ask for an ArrayBuffer.
      xhr.overrideMimeType('text/plain; charset=x-user-defined');
      xhr.send(null);
      status = xhr.status;
      text = xhr.responseText;
    } catch (e) {
      err('tavix: the font ' + url + ' could not be fetched: ' + e.message);
      return 0;
    }
    if (status != 200 || !text) {
      err('tavix: the font ' + url + ' could not be fetched (HTTP ' + status + ')');
      return 0;
    }
    var bytes = new Uint8Array(text.length);
    for (var i = 0; i < text.length; ++i) bytes[i] = text.charCodeAt(i) & 0xFF;
    var dir = name.replace(/\/[^\/]*$/, '');
    if (dir) FS.mkdirTree(dir);
    FS.writeFile(name, bytes);
    return 1;
  },

  tavix_web_start__deps: ['$TavixWeb'],
  tavix_web_start: function() {
    TavixWeb.lastTurn = performance.now();
    // Clicks and keys before the first sound let it start too.
    TavixWeb.listenForGesture();
    // The page's full-screen button: the graphics window over the page, as the program's call
    // shows it, the program told.
    Module['tavixFullscreen'] = function() {
      for (var id in TavixWeb.windows)
        if (TavixWeb.windows[id].canvas.id == 'tavix-graphics') return !!TavixWeb.enterFull(+id, true);
      return false;
    };
  },

  // The scale the page calls for: its device pixel ratio, rounded, from 1 to 4.
  tavix_web_scale: function() {
    var ratio = typeof window !== 'undefined' && window.devicePixelRatio ? window.devicePixelRatio : 1;
    return Math.max(1, Math.min(4, Math.round(ratio)));
  },

  // The desktop a headless Linux run reports too, so windows are laid out alike.
  tavix_web_screen_size: function(width, height) {
    HEAP32[width >> 2] = 1024;
    HEAP32[height >> 2] = 768;
  },

  // A canvas of width x height screen pixels, shown scale times smaller by CSS.
  tavix_web_window_create__deps: ['$TavixWeb'],
  tavix_web_window_create: function(title, width, height, scale) {
    var canvas = TavixWeb.claim();
    canvas.tavixTaken = true;
    canvas.title = UTF8ToString(title);
    canvas.style.display = 'none';
    if (TavixWeb.cursorHidden) canvas.style.cursor = 'none';
    var id = TavixWeb.nextId++;
    var win = {canvas: canvas, context: null, shown: false, presented: false,
               scale: scale > 0 ? scale : 1};
    TavixWeb.windows[id] = win;
    TavixWeb.resize(id, width, height);
    TavixWeb.listen(id, win);
    return id;
  },

  tavix_web_window_destroy: function(id) {
    var win = TavixWeb.windows[id];
    if (!win) return;
    for (var name in win.listeners) win.canvas.removeEventListener(name, win.listeners[name]);
    if (TavixWeb.touch && TavixWeb.touch.win === win) TavixWeb.touchEnd(TavixWeb.touch);
    if (TavixWeb.full && TavixWeb.full.win === win) TavixWeb.leaveFull(false);
    win.canvas.style.display = 'none';
    win.canvas.tavixTaken = false;
    delete TavixWeb.windows[id];
    TavixWeb.queue = TavixWeb.queue.filter(function(e) { return e.id != id; });
  },

  tavix_web_window_show: function(id, show, activate) {
    var win = TavixWeb.windows[id];
    if (!win) return;
    win.shown = !!show;
    win.canvas.style.display = show ? '' : 'none';
    if (show && activate) win.canvas.focus({preventScroll: true});
  },

  // The title shows as the canvas's tooltip; the graphics canvas's is the page's title too.
  tavix_web_window_title__deps: ['$TavixWeb'],
  tavix_web_window_title: function(id, title) {
    var win = TavixWeb.windows[id];
    if (!win) return;
    win.canvas.title = UTF8ToString(title);
    if (win.canvas.id == 'tavix-graphics' && typeof document !== 'undefined')
      document.title = win.canvas.title;
  },

  // The pointer over every window's canvas: hidden or the page's usual one.
  tavix_web_show_cursor__deps: ['$TavixWeb'],
  tavix_web_show_cursor: function(show) {
    TavixWeb.cursorHidden = !show;
    for (var id in TavixWeb.windows) TavixWeb.windows[id].canvas.style.cursor = show ? '' : 'none';
  },

  // The window over the whole page (on) or back in it; 0 for a window that is not there.
  tavix_web_window_fullscreen__deps: ['$TavixWeb'],
  tavix_web_window_fullscreen: function(id, on) {
    if (!TavixWeb.windows[id]) return 0;
    if (on) return TavixWeb.enterFull(id, false);
    if (TavixWeb.full && TavixWeb.full.id == id) TavixWeb.leaveFull(false);
    return 1;
  },

  tavix_web_window_resize__deps: ['$TavixWeb'],
  tavix_web_window_resize: function(id, width, height) { TavixWeb.resize(id, width, height); },

  // Puts w x h pixels (bytes R, G, B, A) at (x, y) of the canvas.
  tavix_web_window_put: function(id, rgba, x, y, w, h) {
    var win = TavixWeb.windows[id];
    if (!win || w <= 0 || h <= 0) return;
    var pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, w * h * 4);
    win.context.putImageData(new ImageData(pixels, w, h), x, y);
    if (!win.presented) {
      win.presented = true;
      TavixWeb.hook('presented', win.canvas);
    }
  },

  tavix_web_next_event: function(fields, text, textSize) {
    var e = TavixWeb.queue.shift();
    if (!e) return 0;
    HEAP32[fields >> 2] = e.id;
    for (var i = 0; i < e.f.length; ++i) HEAP32[(fields >> 2) + 1 + i] = e.f[i];
    stringToUTF8(e.text || '', text, textSize);
    return e.kind;
  },

  // The sound device: an audio context at the program's rate whose script processor pulls.
  // False when the browser has none or cannot run one at that rate.
  tavix_web_audio_open__deps: ['$TavixWeb'],
  tavix_web_audio_open: function(rate, channels, bits) {
    var Context = typeof window !== 'undefined' ? (window.AudioContext || window.webkitAudioContext) : null;
    if (!Context || TavixWeb.audio) return 0;
    try {
      var context = new Context({sampleRate: rate});
      // 2,048 frames a request: half of what the library keeps queued, so it refills in time.
      var node = context.createScriptProcessor(2048, 0, 2);
      node.onaudioprocess = TavixWeb.play;
      node.connect(context.destination);
      TavixWeb.audio = {context: context, node: node, channels: channels, bits: bits, playing: false};
    } catch (e) {
      return 0;
    }
    TavixWeb.listenForGesture();
    if (TavixWeb.gestured) TavixWeb.audio.context.resume().catch(function() {});
    return 1;
  },

  tavix_web_audio_running: function() {
    return TavixWeb.audio && TavixWeb.audio.context.state === 'running' ? 1 : 0;
  },

  tavix_web_audio_pause: function(paused) {
    if (TavixWeb.audio) TavixWeb.audio.playing = !paused;
  },

  tavix_web_audio_close: function() {
    var a = TavixWeb.audio;
    if (!a) return;
    TavixWeb.audio = null;
    a.node.onaudioprocess = null;
    try { a.node.disconnect(); } catch (e) {}
    a.context.close().catch(function() {});
  },

  // The page's gamepads with the "standard" mapping, in slots 0 to 3 by their index: for each,
  // 8 ints at out (present, the button bits in the backend's order, then the six axes in its
  // units). A value the browser reports that is not a number reads as rest.
  tavix_web_pads_read: function(out) {
    var pads = [];
    try {
      if (typeof navigator !== 'undefined' && navigator.getGamepads) pads = navigator.getGamepads() || [];
    } catch (e) {
      pads = [];
    }
    var unit = function(v, low) {
      return typeof v === 'number' && isFinite(v) ? Math.max(low, Math.min(1, v)) : 0;
    };
    // The browser spreads a device's whole range over -1..1 (a trigger's over 0..1): undone
    // here, a pad reads what SDL reads from the same device on Linux.
    var stick = function(v) { return Math.round(unit(v, -1) * 32767.5 - 0.5); };
    var trigger = function(b) { return Math.floor(unit(b && b.value, 0) * 32767); };
    // The page's sticks point down for positive y; the backend's point up.
    var upwards = function(v) { return v == -32768 ? 32767 : -v; };
    // The standard layout's buttons in the backend's order: A, B, X, Y, back, start, the sticks,
    // the shoulders, the d-pad's up, down, left, right.
    var order = [0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 12, 13, 14, 15];
    for (var slot = 0; slot < 4; slot++) {
      var at = (out >> 2) + slot * 8;
      var g = pads[slot];
      for (var i = 0; i < 8; i++) HEAP32[at + i] = 0;
      if (!g || !g.connected || g.mapping !== 'standard') continue;
      var buttons = g.buttons || [], axes = g.axes || [], bits = 0;
      for (var b = 0; b < order.length; b++) {
        var button = buttons[order[b]];
        if (button && (button.pressed === true || unit(button.value, 0) >= 0.5)) bits |= 1 << b;
      }
      HEAP32[at] = 1;
      HEAP32[at + 1] = bits;
      HEAP32[at + 2] = stick(axes[0]);
      HEAP32[at + 3] = upwards(stick(axes[1]));
      HEAP32[at + 4] = stick(axes[2]);
      HEAP32[at + 5] = upwards(stick(axes[3]));
      HEAP32[at + 6] = trigger(buttons[6]);
      HEAP32[at + 7] = trigger(buttons[7]);
    }
  },

  tavix_web_turn_due: function() {
    return performance.now() - TavixWeb.lastTurn >= 16 ? 1 : 0;
  },

  // Suspends the program until an event comes or timeout_ms passed (negative: no limit); with
  // events already pending, or a timeout of 0, only for the browser's turn.
  tavix_web_wait__deps: ['$TavixWeb'],
  tavix_web_wait: function(timeout) {
    // A main() that returns after it was resumed returns to nobody: its status ends the
    // program here, as returning from main does (atexit handlers, then the page hears of it).
    if (!Asyncify.asyncPromiseHandlers) {
      Asyncify.whenDone().then(function(status) {
        if (runtimeExited || ABORT) return;
        try {
          exit(status);
        } catch (e) {
          if (!(e instanceof ExitStatus)) throw e;
        }
      }, function() {});
    }
    return Asyncify.handleSleep(function(wakeUp) {
      var done = false, timer = null;
      var resume = function() {
        if (done) return;
        done = true;
        if (timer !== null) clearTimeout(timer);
        TavixWeb.wake = null;
        TavixWeb.lastTurn = performance.now();
        wakeUp();
      };
      var wait = function() {
        if (TavixWeb.queue.length > 0 || timeout == 0) {
          TavixWeb.resumeSoon(resume);
          return;
        }
        TavixWeb.wake = function() { TavixWeb.resumeSoon(resume); };
        if (timeout > 0) timer = setTimeout(resume, timeout);
        // Blocked, nothing pending, every window presented: the page may look now.
        TavixWeb.hook('idle');
      };
      TavixWeb.hook('turn');
      var hold = Module['tavixHold'];
      if (!hold) return wait();
      Module['tavixHold'] = null;
      TavixWeb.hook('held');
      Promise.resolve(hold).then(wait, wait);
    });
  },
};

autoAddDeps(LibraryTavixWeb, '$TavixWeb');
mergeInto(LibraryManager.library, LibraryTavixWeb);
