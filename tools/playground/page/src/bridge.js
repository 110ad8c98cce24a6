// In the run's frame, after the program's script: tells the editor's page what the program does,
// through postMessage, the only way out of the frame's opaque origin: its first picture, what it
// prints, and how it ends.
(function() {
  if (window.parent === window || !window.tavix) return;
  var tavix = window.tavix;
  var sent = 0;
  var post = function(message) { window.parent.postMessage(message, '*'); };
  var flush = function() {
    if (tavix.output.length <= sent) return;
    var end = Math.min(tavix.output.length, sent + 200);
    post({tavix: 'output', lines: tavix.output.slice(sent, end).map(String)});
    sent = end;
  };
  setInterval(flush, 250);
  tavix.ready.then(function() {
    flush();
    post({tavix: 'ready'});
  });
  tavix.exited.then(function(code) {
    flush();
    var status = document.getElementById('tavix-status');
    post({tavix: 'exited', code: code, status: status ? status.textContent : ''});
  });
  window.addEventListener('error', function(event) {
    post({tavix: 'error', message: String(event.message)});
  });
})();
