// Loaded ahead of page.js in the engine checks' copy of the page (scripts/test-engines.sh): counts the pictures
// the program copies into the canvas and notes when the start screen came on, when "Window" was clicked, when the
// first picture showed, the sound's context states and the keys as the page left them.
(function () {
  'use strict';
  const look = window.__look = {
    frames: 0, buttonsAt: null, clickedAt: null, firstPictureAt: null, contextStates: [], keys: [],
    // The demo's frame: the pacer's count (pictures dropped to keep up with the sound are not copied), else
    // the copies.
    frame: () => Math.max(look.frames, (window.Module && Module.korvaleFrames) || 0),
    fullscreen: () => {
      const element = document.fullscreenElement || document.webkitFullscreenElement;
      return element ? '#' + element.id : 'none';
    },
  };
  new MutationObserver(() => {
    const b = document.getElementById('play-window');
    if (look.buttonsAt === null && b && !b.disabled) look.buttonsAt = performance.now();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['disabled'] });
  document.addEventListener('click', e => {
    if (look.clickedAt === null && e.target.closest && e.target.closest('.buttons')) look.clickedAt = performance.now();
  }, true);

  // The program draws into a picture of its own and copies it into the canvas once a frame.
  const blit = WebGL2RenderingContext.prototype.blitFramebuffer;
  WebGL2RenderingContext.prototype.blitFramebuffer = function (...a) {
    if (this.canvas === document.getElementById('canvas') && this.getParameter(this.DRAW_FRAMEBUFFER_BINDING) === null) {
      if (look.firstPictureAt === null) look.firstPictureAt = performance.now();
      ++look.frames;
    }
    return blit.apply(this, a);
  };

  // Seen last, after the page's own handlers: whether a key was kept from the browser, the code SDL reads.
  window.addEventListener('keydown', e => look.keys.push([e.key, e.defaultPrevented, e.keyCode]));

  // Whether the browser let the sound play: the states of each context the program connects to the speakers.
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    if (target instanceof AudioDestinationNode && !target.__looked) {
      target.__looked = true;
      const context = target.context;
      look.contextStates.push(['connect', context.state, context.sampleRate]);
      context.addEventListener('statechange', () => look.contextStates.push([context.state]));
    }
    return connect.call(this, target, ...rest);
  };
})();
