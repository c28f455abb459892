// A page's sound clock and its player: SDL's handler mixes each chunk on the page's thread; a worklet plays it
// and tells when each chunk started, so the clock is the AudioContext's own.
#include "platform/windows/sound_clock.h"

#include <SDL.h>

#include <emscripten.h>

namespace {

// In Firefox, SDL's script processor only paces the mixing: its output is silenced and each chunk goes to the
// worklet. A processor's own output fails a page whose thread was held up: the browser plays silence until the
// chunk comes, then plays on late, and may throw chunks away to catch up (Firefox does past half a second)
// without its playback times telling, so the clock would be off by a chunk from then on. The worklet plays as a
// sound card does: silence while it has no sound, in place of the sound due meanwhile, which it skips, so that
// what follows keeps its time; it says where and how long (Module.korvaleGaps: context seconds, sample frames)
// and when each chunk, or the rest of one, started; chunks it had to drop are counted (Module.korvaleSkipped,
// in sample frames). It starts half a chunk after the first one comes, a margin for the page's thread that keeps
// the mixer within the two chunks effects are placed ahead. Elsewhere, and without AudioWorklet (a page not
// served securely), the processor plays, as SDL has it.
EM_JS(void, KeepPlaybackTimes, (), {
    const sdl = Module['SDL2'];
    const audio = sdl && sdl.audio;
    if (!audio || !audio.scriptProcessorNode)
        return;
    const context = sdl.audioContext;
    const processor = audio.scriptProcessorNode;
    const handler = processor.onaudioprocess;
    Module.korvaleLateChunks = 0;
    Module.korvaleGaps = [];
    Module.korvaleSkipped = 0;
    Module.korvaleChunkStart = null;
    Module.korvalePlaybackTime = undefined;
    // Firefox's processor throws chunks away unseen once the page is half a second behind; WebKitGTK restarts
    // its sound output for each worklet, which hung a page with two worklets there, so it keeps its processor.
    const worklets = !!(context.audioWorklet && window.AudioWorkletNode);
    const player = { on: worklets && navigator.userAgent.includes('Firefox/'), node: null, waiting: [], free: [],
                     loading: false };
    // Loaded once the context runs, when the first chunk is asked for.
    const load = () => {
        player.loading = true;
        const code = `registerProcessor('korvale-player', class extends AudioWorkletProcessor {
          constructor() {
            super(); this.queue = []; this.at = 0; this.started = false; this.lead = -1;
            this.gap = 0; this.gapAt = 0; this.owed = 0;
            this.port.onmessage = e => this.queue.push(e.data);
          }
          process(inputs, outputs) {
            const out = outputs[0], n = out[0].length;
            let i = 0;
            while (i < n) {
              const chunk = this.queue[0];
              if (!chunk) {
                if (this.started) {
                  if (!this.gap) this.gapAt = currentTime + i / sampleRate;
                  this.gap += n - i;
                }
                for (const channel of out) channel.fill(0, i);
                break;
              }
              const frames = chunk.samples.length / 2;
              // More than a chunk waiting behind this one (chunks mixed before the worklet was there) would
              // hold the sound that late for good: the oldest go.
              if (this.at === 0 && this.queue.length > 2) {
                this.queue.shift();
                this.port.postMessage({ skipped: frames, done: chunk.samples }, [chunk.samples.buffer]);
                continue;
              }
              if (this.lead < 0)
                this.lead = frames / 2;
              if (this.lead > 0) {
                const wait = Math.min(n - i, this.lead);
                for (const channel of out) channel.fill(0, i, i + wait);
                i += wait; this.lead -= wait;
                continue;
              }
              if (this.gap) {
                this.port.postMessage({ gap: [this.gapAt, this.gap] });
                this.owed += this.gap; this.gap = 0;
              }
              // What was due while there was none is skipped: what follows keeps its time.
              const skip = Math.min(this.owed, frames - this.at);
              this.at += skip; this.owed -= skip;
              if (this.at < frames) {
                if (skip || this.at === 0)
                  this.port.postMessage({ first: chunk.first + this.at, time: currentTime + i / sampleRate });
                this.started = true;
                const take = Math.min(n - i, frames - this.at);
                out[0].set(chunk.samples.subarray(this.at, this.at + take), i);
                if (out.length > 1) out[1].set(chunk.samples.subarray(frames + this.at, frames + this.at + take), i);
                i += take; this.at += take;
              }
              if (this.at === frames) {
                this.queue.shift(); this.at = 0;
                this.port.postMessage({ done: chunk.samples }, [chunk.samples.buffer]);
              }
            }
            return true;
          }
        });`;
        const url = URL.createObjectURL(new Blob([code], { type: 'text/javascript' }));
        context.audioWorklet.addModule(url).then(() => {
            const node = new AudioWorkletNode(context, 'korvale-player',
                                              { numberOfInputs: 0, outputChannelCount: [2] });
            node.port.onmessage = e => {
                const m = e.data;
                if (m.done) {
                    player.free.push(m.done);
                    Module.korvaleSkipped += m.skipped || 0;
                    return;
                }
                if (m.gap) {
                    ++Module.korvaleLateChunks;
                    Module.korvaleGaps.push(m.gap);
                    return;
                }
                Module.korvaleChunkStart = [m.first, m.time];
            };
            node.connect(context.destination);
            player.node = node;
            for (const chunk of player.waiting)
                node.port.postMessage(chunk, [chunk.samples.buffer]);
            player.waiting.length = 0;
        }, () => {
            player.on = false;  // what was mixed meanwhile is lost; the processor plays from here
        });
    };
    processor.onaudioprocess = event => {
        if (!player.on) {
            Module.korvalePlaybackTime = event.playbackTime;
            // Mixed after it was due to play: the browser played silence (an underrun).
            if (context.currentTime > event.playbackTime)
                ++Module.korvaleLateChunks;
            handler(event);
            return;
        }
        if (!player.loading)
            load();
        handler(event);
        const output = event.outputBuffer;
        const frames = output.length;
        let samples = player.free.pop();
        if (!samples || samples.length !== 2 * frames)
            samples = new Float32Array(2 * frames);
        for (let c = 0; c < 2; ++c) {
            const channel = output.getChannelData(Math.min(c, output.numberOfChannels - 1));
            samples.set(channel, c * frames);
        }
        for (let c = 0; c < output.numberOfChannels; ++c)
            output.getChannelData(c).fill(0);
        const chunk = { first: Module.korvaleMixedFirst, samples };
        if (player.node)
            player.node.port.postMessage(chunk, [samples.buffer]);
        else
            player.waiting.push(chunk);
    };
});
EM_JS(void, NoteChunkMixed, (double first), { Module.korvaleMixedFirst = first; });
EM_JS(double, ChunkPlaybackTime, (), { return Module.korvalePlaybackTime === undefined ? -1 : Module.korvalePlaybackTime; });
// Where the worklet started the latest chunk: the mixer's sample (-1 before any) and the context's seconds.
EM_JS(double, ChunkStartFirst, (), { return Module.korvaleChunkStart ? Module.korvaleChunkStart[0] : -1; });
EM_JS(double, ChunkStartTime, (), { return Module.korvaleChunkStart ? Module.korvaleChunkStart[1] : -1; });
EM_JS(double, AudioContextTime, (), {
    const sdl = Module['SDL2'];
    return sdl && sdl.audioContext && sdl.audioContext.state === 'running' ? sdl.audioContext.currentTime : -1;
});
double playbackOffset = 0;  // the AudioContext's time at which the mixer's sample 0 plays
bool playbackKnown = false;
double lastContextTime = -1;
Uint64 contextTimeMovedAt = 0;

}  // namespace

// A page mixes on its main thread, which a long frame holds up: a device buffer of 186 ms outlasts a frame of
// 100 ms.
int SoundDeviceChunk() { return 8192; }

void SoundClockOpened()
{
    playbackKnown = false;
    KeepPlaybackTimes();
}

void SoundChunkMixed(long first)
{
    NoteChunkMixed(static_cast<double>(first));
    if (const double plays = ChunkPlaybackTime(); plays >= 0) {
        playbackOffset = plays - static_cast<double>(first) / kSoundRate;
        playbackKnown = true;
    }
}

bool SoundClockTaken(long, uint64_t, double* seconds, double* at)
{
    if (const double first = ChunkStartFirst(); first >= 0) {
        playbackOffset = ChunkStartTime() - first / kSoundRate;
        playbackKnown = true;
    }
    // The sound being played now, in the mixer's samples: it stands still while the browser suspends it.
    const double time = AudioContextTime();
    if (!playbackKnown || time < 0)
        return false;
    if (time != lastContextTime) {
        lastContextTime = time;
        contextTimeMovedAt = SDL_GetPerformanceCounter();
    }
    *seconds = lastContextTime - playbackOffset;
    *at = static_cast<double>(contextTimeMovedAt) / static_cast<double>(SDL_GetPerformanceFrequency());
    return true;
}
