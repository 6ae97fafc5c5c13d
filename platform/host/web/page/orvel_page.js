// The page's side of the browser host (web_host.cpp, web_audio.cpp), linked into orvel.js.
// Windows are canvases of their client size in #screen, enlarged by whole device pixels;
// sound goes out through an AudioContext and comes in through an AudioWorklet.
mergeInto(LibraryManager.library, {
  $OrvelPage__postset: 'OrvelPage.start();',
  $OrvelPage: {
    windows: {},     // id -> {canvas, context, left, top, width, height}
    mainId: 0,       // the first window shown: the others are placed against it
    scale: 1,        // device pixels per client pixel, a whole number
    output: null,    // {context, next}: the AudioContext that plays, and when its queue ends
    capture: null,   // {context, chunks, frames, lags}: what the microphone recorded, not
                     // yet taken, and how long the last blocks waited for the program (ms)

    start: function() {
      window.addEventListener('resize', function() { OrvelPage.layout(); });
      document.addEventListener('keydown', function(e) { OrvelPage.key(e, 3); });
      document.addEventListener('keyup', function(e) { OrvelPage.key(e, 4); });
      document.addEventListener('dragover', function(e) { e.preventDefault(); });
      document.addEventListener('drop', function(e) {
        e.preventDefault();
        if (e.dataTransfer.files.length) OrvelPage.song(e.dataTransfer.files[0]);
      });
      var choose = document.getElementById('song');
      if (choose) {
        choose.addEventListener('change', function() {
          if (choose.files.length) OrvelPage.song(choose.files[0]);
        });
      }
    },

    say: function(text) { document.getElementById('status').textContent = text; },

    // A song the user gives the page: the browser decodes it (any format it plays) at the
    // page input's 44.1 kHz, and the program hears it from the next moment on.
    song: function(file) {
      OrvelPage.say('Decoding ' + file.name + '...');
      OrvelPage.resume();
      var AudioContextClass = window.OfflineAudioContext || window.webkitOfflineAudioContext;
      var decoder = new AudioContextClass(2, 1, 44100);
      file.arrayBuffer()
          .then(function(bytes) { return decoder.decodeAudioData(bytes); })
          .then(function(audio) {
            var left = audio.getChannelData(0);
            var right = audio.numberOfChannels > 1 ? audio.getChannelData(1) : left;
            var count = audio.length;
            var at = Module._malloc(count * 8);
            if (!at) throw new Error('the song is too long to hold');
            var out = HEAPF32.subarray(at >> 2, (at >> 2) + count * 2);
            for (var i = 0; i < count; i++) {
              out[2 * i] = left[i];
              out[2 * i + 1] = right[i];
            }
            var taken = Module._orvel_web_song(at, count);
            Module._free(at);
            OrvelPage.say(taken ? 'Playing ' + file.name
                                : 'The microphone is the input: reload the page for songs');
            window.orvelSongPlaying = taken === 1;
          })
          .catch(function(error) {
            OrvelPage.say('Cannot play ' + file.name + ': ' + error.message);
          });
    },

    // The whole enlargement that fits the window into the page, in device pixels, so that
    // each client pixel is a sharp square on any screen.
    layout: function() {
      var main = OrvelPage.windows[OrvelPage.mainId];
      if (!main) return;
      var ratio = window.devicePixelRatio || 1;
      var screen = document.getElementById('screen');
      var room = screen.parentNode.getBoundingClientRect();
      var fit = Math.min(room.width * ratio / main.width,
                         (window.innerHeight - room.top) * ratio / main.height);
      OrvelPage.scale = Math.max(1, Math.floor(fit));
      var css = OrvelPage.scale / ratio;
      screen.style.width = (main.width * css) + 'px';
      screen.style.height = (main.height * css) + 'px';
      for (var id in OrvelPage.windows) {
        var w = OrvelPage.windows[id];
        w.canvas.style.width = (w.width * css) + 'px';
        w.canvas.style.height = (w.height * css) + 'px';
        var x = Math.max(0, Math.min(w.left - main.left, main.width - w.width));
        var y = Math.max(0, Math.min(w.top - main.top, main.height - w.height));
        w.canvas.style.left = (x * css) + 'px';
        w.canvas.style.top = (y * css) + 'px';
      }
    },

    show: function(id, left, top, width, height, title) {
      var w = OrvelPage.windows[id];
      if (!w) {
        var canvas = document.createElement('canvas');
        canvas.className = 'window';
        canvas.dataset.id = id;
        ['pointerdown', 'pointerup', 'pointermove'].forEach(function(type, kind) {
          canvas.addEventListener(type, function(e) { OrvelPage.mouse(e, id, kind); });
        });
        canvas.addEventListener('contextmenu', function(e) { e.preventDefault(); });
        document.getElementById('screen').appendChild(canvas);
        w = OrvelPage.windows[id] = {canvas: canvas, context: canvas.getContext('2d')};
        if (!OrvelPage.mainId) OrvelPage.mainId = id;
      }
      w.left = left; w.top = top; w.width = width; w.height = height;
      w.canvas.width = width;
      w.canvas.height = height;
      w.canvas.title = title;
      w.canvas.style.display = '';
      if (id === OrvelPage.mainId) document.title = title;
      OrvelPage.layout();
    },

    hide: function(id) {
      var w = OrvelPage.windows[id];
      if (w) w.canvas.style.display = 'none';
    },

    present: function(id, rgba, left, top, width, height) {
      var w = OrvelPage.windows[id];
      if (!w) return;
      var bytes = new Uint8ClampedArray(rgba, 0, width * height * 4);
      w.context.putImageData(new ImageData(bytes, width, height), left, top);
      if (window.orvelFirstPicture === undefined) window.orvelFirstPicture = performance.now();
    },

    mouse: function(e, id, kind) {
      if (kind === 0) e.target.setPointerCapture(e.pointerId);
      OrvelPage.resume();
      var ratio = window.devicePixelRatio || 1;
      var x = Math.floor(e.offsetX * ratio / OrvelPage.scale);
      var y = Math.floor(e.offsetY * ratio / OrvelPage.scale);
      Module._orvel_web_input(kind, id, x, y, 0);
      e.preventDefault();
    },

    // Keys go to the program as Windows virtual-key codes, which keyCode matches for the
    // keys it uses (Enter, Esc, digits, arrows); the host passes them to the active dialog.
    key: function(e, kind) {
      if (!OrvelPage.mainId || e.ctrlKey || e.metaKey || e.altKey || !e.keyCode) return;
      OrvelPage.resume();
      Module._orvel_web_input(kind, OrvelPage.mainId, 0, 0, e.keyCode);
      if (e.key === 'Enter' || e.key === ' ') e.preventDefault();
    },

    // Browsers start sound only after a user's gesture: each one tries again.
    resume: function() {
      if (OrvelPage.output && OrvelPage.output.context.state !== 'running') {
        OrvelPage.output.context.resume();
      }
    },

    // One period of sound, queued a tenth of a second ahead of what plays so that the idle
    // wait's sleeps never starve it; dropped while the browser keeps the sound off.
    play: function(frames, count, rate, channels) {
      if (!OrvelPage.output) {
        var AudioContextClass = window.AudioContext || window.webkitAudioContext;
        if (!AudioContextClass) return;
        OrvelPage.output = {context: new AudioContextClass(), next: 0};
      }
      var out = OrvelPage.output;
      if (out.context.state !== 'running') return;
      var buffer = out.context.createBuffer(channels, count, rate);
      for (var c = 0; c < channels; c++) {
        var data = buffer.getChannelData(c);
        for (var i = 0; i < count; i++) data[i] = frames[i * channels + c];
      }
      var source = out.context.createBufferSource();
      source.buffer = buffer;
      source.connect(out.context.destination);
      var now = out.context.currentTime;
      if (out.next < now + 0.02 || out.next > now + 0.5) out.next = now + 0.1;
      source.start(out.next);
      out.next += count / rate;
    },

    // What the page records: the microphone at once, or (?input=tab) what a tab or the whole
    // system plays, once the user shares it with the page's button (browsers offer that only
    // to a user's click).
    sharesTab: function() { return new URLSearchParams(location.search).get('input') === 'tab'; },

    // Starts recording at the program's own rate (the AudioContext resamples); the worklet
    // posts every block it hears. False without the browser's support for the microphone.
    captureOpen: function(rate, channels) {
      var AudioContextClass = window.AudioContext || window.webkitAudioContext;
      var media = navigator.mediaDevices;
      var tab = OrvelPage.sharesTab();
      if (!AudioContextClass || !window.AudioWorkletNode || !media ||
          (!tab && !media.getUserMedia)) {
        return false;
      }
      if (OrvelPage.capture) return true;
      var capture = OrvelPage.capture = {chunks: [], frames: 0, channels: channels, lags: []};
      var context = capture.context = new AudioContextClass({sampleRate: rate});
      var worklet =
          'class Capture extends AudioWorkletProcessor {' +
          '  process(inputs) {' +
          '    var input = inputs[0];' +
          '    if (input && input.length) {' +
          '      var n = input[0].length, out = new Float32Array(n * ' + channels + ');' +
          '      for (var f = 0; f < n; f++)' +
          '        for (var c = 0; c < ' + channels + '; c++)' +
          '          out[f * ' + channels + ' + c] = (input[c] || input[0])[f];' +
          '      this.port.postMessage(out, [out.buffer]);' +
          '    }' +
          '    return true;' +
          '  }' +
          '}' +
          'registerProcessor("orvel-capture", Capture);';
      var url = URL.createObjectURL(new Blob([worklet], {type: 'application/javascript'}));
      capture.ready = context.audioWorklet.addModule(url).then(function() {
        var node = capture.node = new AudioWorkletNode(context, 'orvel-capture');
        node.port.onmessage = function(e) { OrvelPage.captured(e.data); };
        var silent = context.createGain();
        silent.gain.value = 0;
        node.connect(silent).connect(context.destination);
      });
      if (tab) {
        OrvelPage.offerShare();
      } else {
        media.getUserMedia({audio: OrvelPage.rawSound})
            .then(OrvelPage.hear)
            .catch(function(error) { OrvelPage.say('No microphone: ' + error.message); });
      }
      return true;
    },

    // The sound as it is: no echo cancelling, noise suppression or level control.
    rawSound: {echoCancellation: false, noiseSuppression: false, autoGainControl: false},

    // Records `stream` from now on, in place of what was recorded before.
    hear: function(stream) {
      var capture = OrvelPage.capture;
      return capture.ready.then(function() {
        if (capture.source) capture.source.disconnect();
        capture.source = capture.context.createMediaStreamSource(stream);
        capture.source.connect(capture.node);
        capture.context.resume();
      });
    },

    // The button that asks the browser for a tab's or the system's sound. Browsers share it
    // with a picture (the video is stopped at once); what they refuse is said in words.
    offerShare: function() {
      var button = document.getElementById('share');
      if (!navigator.mediaDevices.getDisplayMedia) {
        OrvelPage.say('This browser does not share a tab\'s or the system\'s sound with a page');
        return;
      }
      button.hidden = false;
      OrvelPage.say('Choose a tab or screen to hear, and share its sound');
      button.onclick = function() {
        OrvelPage.capture.context.resume();
        var audio = Object.assign({suppressLocalAudioPlayback: false}, OrvelPage.rawSound);
        navigator.mediaDevices.getDisplayMedia({video: true, audio: audio, systemAudio: 'include'})
            .then(function(stream) {
              stream.getVideoTracks().forEach(function(track) { track.stop(); });
              var tracks = stream.getAudioTracks();
              if (!tracks.length) {
                OrvelPage.say('What was shared has no sound: choose a tab, or the whole screen, ' +
                              'with its audio shared');
                return;
              }
              tracks[0].addEventListener('ended', function() {
                OrvelPage.say('Sharing ended: choose again to hear a tab or the system');
              });
              return OrvelPage.hear(stream).then(function() {
                OrvelPage.say('Hearing ' + (tracks[0].label || 'the shared sound'));
              });
            })
            .catch(function(error) {
              OrvelPage.say('The browser shared no sound (' + error.name + ': ' + error.message +
                            ')');
            });
      };
    },

    // Keeps at most half a second: what the program has not taken by then is late anyway.
    captured: function(block) {
      var capture = OrvelPage.capture;
      block.at = performance.now();
      capture.chunks.push(block);
      capture.frames += block.length / capture.channels;
      while (capture.frames > capture.context.sampleRate / 2 && capture.chunks.length > 1) {
        capture.frames -= capture.chunks.shift().length / capture.channels;
      }
    },

    // Moves up to `count` frames of what was recorded into `into` (a Float32Array view). The
    // page's clock and the sound card's drift apart: what is more than a period behind is let
    // go, so that the lag stays under two periods.
    captureTake: function(into, count, channels) {
      var capture = OrvelPage.capture;
      while (capture && capture.frames > 2 * count && capture.chunks.length > 1) {
        capture.frames -= capture.chunks.shift().length / channels;
      }
      var done = 0;
      while (capture && done < count * channels && capture.chunks.length) {
        var chunk = capture.chunks[0];
        capture.lags.push(performance.now() - chunk.at);
        if (capture.lags.length > 200) capture.lags.shift();
        var n = Math.min(chunk.length, count * channels - done);
        into.set(chunk.subarray(0, n), done);
        done += n;
        if (n === chunk.length) {
          capture.chunks.shift();
        } else {
          capture.chunks[0] = chunk.subarray(n);
          capture.chunks[0].at = chunk.at;
        }
        capture.frames -= n / channels;
      }
      return done / channels;
    },
  },

  orvel_page_show__deps: ['$OrvelPage'],
  orvel_page_show: function(id, left, top, width, height, title) {
    OrvelPage.show(id, left, top, width, height, UTF8ToString(title));
  },
  orvel_page_hide__deps: ['$OrvelPage'],
  orvel_page_hide: function(id) { OrvelPage.hide(id); },
  orvel_page_present__deps: ['$OrvelPage'],
  orvel_page_present: function(id, rgba, left, top, width, height) {
    OrvelPage.present(id, HEAPU8.buffer.slice(rgba, rgba + width * height * 4), left, top, width,
                      height);
  },
  // The median time, in milliseconds, that the microphone's last blocks waited between the
  // AudioWorklet and the program: the page's part of the input's lag.
  $orvelMicrophoneLag__postset: 'window.orvelMicrophoneLag = orvelMicrophoneLag;',
  $orvelMicrophoneLag: function() {
    var lags = (OrvelPage.capture ? OrvelPage.capture.lags : []).slice().sort(function(a, b) {
      return a - b;
    });
    return lags.length ? lags[lags.length >> 1] : undefined;
  },
  orvel_page_stopped: function(seconds) { window.orvelStoppedAt = seconds; },
  orvel_page_play__deps: ['$OrvelPage'],
  orvel_page_play: function(frames, count, rate, channels) {
    OrvelPage.play(HEAPF32.subarray(frames >> 2, (frames >> 2) + count * channels), count, rate,
                   channels);
  },
  orvel_page_capture_open__deps: ['$OrvelPage'],
  orvel_page_capture_open: function(rate, channels) {
    return OrvelPage.captureOpen(rate, channels) ? 1 : 0;
  },
  orvel_page_capture_take__deps: ['$OrvelPage', '$orvelMicrophoneLag'],
  orvel_page_capture_take: function(frames, count, channels) {
    return OrvelPage.captureTake(HEAPF32.subarray(frames >> 2, (frames >> 2) + count * channels),
                                 count, channels);
  },
});
