// In the run's frame, after the program's script: tells the editor's page what the program does,
// through postMessage, the only way out of the frame's opaque origin: its first picture, what it
// prints, whether it waits, and how it ends.
//
// A frame opened as #ahead is a program started before its Run: it goes as far as its first turn
// (its first picture, as a rule) and is held there, unseen and silent, until the page says
// "start"; its clock does not count the time it was held.
(function() {
  if (window.parent === window || !window.tavix) return;
  var tavix = window.tavix;
  var ahead = location.hash === '#ahead';
  var started = !ahead;
  var sent = 0;
  var post = function(message) { window.parent.postMessage(message, '*'); };
  var flush = function() {
    if (!started || tavix.output.length <= sent) return;
    var end = Math.min(tavix.output.length, sent + 200);
    post({tavix: 'output', lines: tavix.output.slice(sent, end).map(String)});
    sent = end;
  };
  var release = null;
  if (ahead) {
    var hold = new Promise(function(resolve) { release = resolve; });
    Module['tavixHold'] = hold;
    // The program's clock (performance.now) stands still while it is held.
    var realNow = performance.now.bind(performance);
    var lost = 0, heldAt = null;
    performance.now = function() { return (heldAt === null ? realNow() : heldAt) - lost; };
    Module['tavixHooks'].held = function() {
      heldAt = realNow();
      post({tavix: 'held'});
    };
    window.addEventListener('message', function(event) {
      if (event.source !== window.parent || started || !event.data || event.data.tavix !== 'start')
        return;
      started = true;
      if (heldAt !== null) lost += realNow() - heldAt;
      heldAt = null;
      post({tavix: 'started'});
      release();
      flush();
      tavix.ready.then(function() { post({tavix: 'ready'}); });
    });
    post({tavix: 'loaded'});
  }
  setInterval(flush, 250);
  tavix.ready.then(function() {
    if (!started) return;
    flush();
    post({tavix: 'ready'});
  });
  // Once it waits with nothing to do, the page may start the next run of it ahead.
  tavix.ready.then(function() { return tavix.idle(); }).then(function() {
    if (started) post({tavix: 'idle'});
  });
  tavix.exited.then(function(code) {
    if (!started) return post({tavix: 'exited-ahead'});
    flush();
    var status = document.getElementById('tavix-status');
    post({tavix: 'exited', code: code, status: status ? status.textContent : ''});
  });
  window.addEventListener('error', function(event) {
    if (started) post({tavix: 'error', message: String(event.message)});
  });
})();
