// The page's side of the web backend (platform/web/web_page.h): on the browser's main
// thread, the input listeners that fill the event ring, the animation-frame loop that draws
// the newest published picture, and the title. Keys go by their place (KeyboardEvent.code)
// to the codes a US keyboard gives on Windows: [virtual key, scan code (0x100: extended)].
mergeInto(LibraryManager.library, {
  $PictavonPage: {
    keys: {
      Escape: [0x1B, 0x01], Digit1: [0x31, 0x02], Digit2: [0x32, 0x03], Digit3: [0x33, 0x04],
      Digit4: [0x34, 0x05], Digit5: [0x35, 0x06], Digit6: [0x36, 0x07], Digit7: [0x37, 0x08],
      Digit8: [0x38, 0x09], Digit9: [0x39, 0x0A], Digit0: [0x30, 0x0B], Minus: [0xBD, 0x0C],
      Equal: [0xBB, 0x0D], Backspace: [0x08, 0x0E], Tab: [0x09, 0x0F], KeyQ: [0x51, 0x10],
      KeyW: [0x57, 0x11], KeyE: [0x45, 0x12], KeyR: [0x52, 0x13], KeyT: [0x54, 0x14],
      KeyY: [0x59, 0x15], KeyU: [0x55, 0x16], KeyI: [0x49, 0x17], KeyO: [0x4F, 0x18],
      KeyP: [0x50, 0x19], BracketLeft: [0xDB, 0x1A], BracketRight: [0xDD, 0x1B],
      Enter: [0x0D, 0x1C], ControlLeft: [0x11, 0x1D], KeyA: [0x41, 0x1E], KeyS: [0x53, 0x1F],
      KeyD: [0x44, 0x20], KeyF: [0x46, 0x21], KeyG: [0x47, 0x22], KeyH: [0x48, 0x23],
      KeyJ: [0x4A, 0x24], KeyK: [0x4B, 0x25], KeyL: [0x4C, 0x26], Semicolon: [0xBA, 0x27],
      Quote: [0xDE, 0x28], Backquote: [0xC0, 0x29], ShiftLeft: [0x10, 0x2A],
      Backslash: [0xDC, 0x2B], KeyZ: [0x5A, 0x2C], KeyX: [0x58, 0x2D], KeyC: [0x43, 0x2E],
      KeyV: [0x56, 0x2F], KeyB: [0x42, 0x30], KeyN: [0x4E, 0x31], KeyM: [0x4D, 0x32],
      Comma: [0xBC, 0x33], Period: [0xBE, 0x34], Slash: [0xBF, 0x35], ShiftRight: [0x10, 0x36],
      NumpadMultiply: [0x6A, 0x37], AltLeft: [0x12, 0x38], Space: [0x20, 0x39],
      CapsLock: [0x14, 0x3A], F1: [0x70, 0x3B], F2: [0x71, 0x3C], F3: [0x72, 0x3D],
      F4: [0x73, 0x3E], F5: [0x74, 0x3F], F6: [0x75, 0x40], F7: [0x76, 0x41], F8: [0x77, 0x42],
      F9: [0x78, 0x43], F10: [0x79, 0x44], NumLock: [0x90, 0x145], ScrollLock: [0x91, 0x46],
      Numpad7: [0x24, 0x47], Numpad8: [0x26, 0x48], Numpad9: [0x21, 0x49],
      NumpadSubtract: [0x6D, 0x4A], Numpad4: [0x25, 0x4B], Numpad5: [0x0C, 0x4C],
      Numpad6: [0x27, 0x4D], NumpadAdd: [0x6B, 0x4E], Numpad1: [0x23, 0x4F],
      Numpad2: [0x28, 0x50], Numpad3: [0x22, 0x51], Numpad0: [0x2D, 0x52],
      NumpadDecimal: [0x2E, 0x53], IntlBackslash: [0xE2, 0x56], F11: [0x7A, 0x57],
      F12: [0x7B, 0x58], NumpadEnter: [0x0D, 0x11C], ControlRight: [0x11, 0x11D],
      NumpadDivide: [0x6F, 0x135], PrintScreen: [0x2C, 0x137], AltRight: [0x12, 0x138],
      Home: [0x24, 0x147], ArrowUp: [0x26, 0x148], PageUp: [0x21, 0x149],
      ArrowLeft: [0x25, 0x14B], ArrowRight: [0x27, 0x14D], End: [0x23, 0x14F],
      ArrowDown: [0x28, 0x150], PageDown: [0x22, 0x151], Insert: [0x2D, 0x152],
      Delete: [0x2E, 0x153], MetaLeft: [0x5B, 0x15B], MetaRight: [0x5C, 0x15C],
      ContextMenu: [0x5D, 0x15D], Pause: [0x13, 0x45],
    },
    // With Num Lock on, the keypad's keys give its digits and decimal point.
    numpadDigit: function(code, e) {
      if (!e.getModifierState || !e.getModifierState('NumLock')) return 0;
      if (/^Numpad[0-9]$/.test(code)) return 0x60 + Number(code.charAt(6));
      return code == 'NumpadDecimal' ? 0x6E : 0;
    },
  },

  pictavon_page_attach__deps: ['$PictavonPage'],
  pictavon_page_attach__proxy: 'sync',
  pictavon_page_attach__sig: 'vii',
  pictavon_page_attach: function(link, bytes) {
    var ringSize = 256, slots = 4, pictureBytes = 240 * 160 * 4, fresh = 0x100;
    var written = link >> 2, events = (link + 8) >> 2;
    var published = (link + 8 + ringSize * 16) >> 2;
    var sequence = published + 1, pixels = link + 8 + ringSize * 16 + 4 + slots * 4;
    if (pixels + slots * pictureBytes != link + bytes) throw new Error('web_page.h and web_library.js disagree on the link');
    var canvas = document.getElementById('pictavon');
    var context = canvas.getContext('2d');
    var image = context.createImageData(240, 160);
    var front = 0, drawn = 0;  // the page's slot, and the number of the picture it shows
    var page = window.pictavon = window.pictavon || {};
    page.attached = performance.now();
    page.shown = [];  // [present number, time] of each picture drawn, for measurements
    page.lost = 0;    // events the full ring refused

    function send(kind, a, b, c) {
      var n = Atomics.load(HEAP32, written);
      var read = HEAP32[written + 1];
      if (n - read >= ringSize) { page.lost++; return; }
      var at = events + (n & (ringSize - 1)) * 4;
      HEAP32[at] = kind; HEAP32[at + 1] = a | 0; HEAP32[at + 2] = b | 0; HEAP32[at + 3] = c | 0;
      Atomics.store(HEAP32, written, n + 1);
      Atomics.notify(HEAP32, written);
    }
    page.send = send;

    function draw(time) {
      var p = Atomics.load(HEAP32, published);
      if (p & fresh) {
        p = Atomics.exchange(HEAP32, published, front);
        front = p & (fresh - 1);
        var number = Atomics.load(HEAPU32, sequence + front);
        // A refresh's copy finished after a newer present is not shown over it.
        if (((number - drawn) | 0) > 0) {
          drawn = number;
          // putImageData takes no view of shared memory: copy.
          image.data.set(HEAPU8.subarray(pixels + front * pictureBytes, pixels + (front + 1) * pictureBytes));
          context.putImageData(image, 0, 0);
          if (page.shown.length < 100000) page.shown.push([number, time]);
        }
      }
      requestAnimationFrame(draw);
    }
    requestAnimationFrame(draw);

    function flags(e) {
      return (e.repeat ? 1 : 0) | (e.altKey ? 2 : 0) | (e.ctrlKey ? 4 : 0) | (e.shiftKey ? 8 : 0);
    }
    function key(e, down) {
      var k = PictavonPage.keys[e.code];
      if (k) send(down ? 1 : 2, PictavonPage.numpadDigit(e.code, e) || k[0], k[1], flags(e));
      var chars = Array.from(e.key || '');
      var altGr = e.getModifierState && e.getModifierState('AltGraph');
      if (down && chars.length == 1 && (altGr || !(e.ctrlKey || e.metaKey || e.altKey)))
        send(3, chars[0].codePointAt(0), 0, 0);
      // The browser keeps its own shortcuts (Control or Meta held, reload, full screen, tools).
      if (!(e.ctrlKey || e.metaKey) && !/^F(5|11|12)$/.test(e.code)) e.preventDefault();
    }
    window.addEventListener('keydown', function(e) { key(e, true); });
    window.addEventListener('keyup', function(e) { key(e, false); });
    window.addEventListener('blur', function() { send(9, 0, 0, 0); });
    window.addEventListener('pagehide', function() { send(10, 0, 0, 0); });

    // The surface pixel under the pointer, whatever the canvas's enlargement.
    function place(e) {
      var r = canvas.getBoundingClientRect();
      return [Math.floor((e.clientX - r.left) * 240 / r.width), Math.floor((e.clientY - r.top) * 160 / r.height)];
    }
    canvas.addEventListener('pointermove', function(e) { var p = place(e); send(4, p[0], p[1], 0); });
    // The first button's press captures the pointer, so that every release comes here even
    // outside; the buttons themselves by mouse events, which come for each button (a second
    // button is only a pointer move to pointer events).
    canvas.addEventListener('pointerdown', function(e) { canvas.setPointerCapture(e.pointerId); });
    canvas.addEventListener('mousedown', function(e) {
      if (e.button > 2) return;
      var p = place(e);
      send(5, e.button, p[0], p[1]);
      e.preventDefault();
    });
    canvas.addEventListener('mouseup', function(e) {
      if (e.button > 2) return;
      var p = place(e);
      send(6, e.button, p[0], p[1]);
    });
    canvas.addEventListener('pointerleave', function() { send(8, 0, 0, 0); });
    canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
    canvas.addEventListener('wheel', function(e) {
      if (e.deltaY != 0) send(7, e.deltaY < 0 ? 120 : -120, 0, 0);
      e.preventDefault();
    }, {passive: false});
  },

  pictavon_page_title__proxy: 'sync',
  pictavon_page_title__sig: 'vi',
  pictavon_page_title: function(text) { document.title = UTF8ToString(text); },

  pictavon_page_report__proxy: 'sync',
  pictavon_page_report__sig: 'vi',
  pictavon_page_report: function(text) {
    var line = UTF8ToString(text);
    console.error(line);
    if (window.pictavonShowMessage) window.pictavonShowMessage(line);
  },
});
