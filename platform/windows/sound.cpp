// The sound services over one SDL audio device: the tracker module through libopenmpt and the single
// effect voice behind PlaySoundA, mixed together at 44100 Hz stereo. Under the harness there is no
// device and the mixer advances only when pulled.
#include "platform/windows/sound.h"

#include "platform/media/wav.h"
#include "platform/presentation/pacer.h"
#include "platform/windows/music.h"
#include "platform/windows/sound_clock.h"
#include "platform/windows/win_ui.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

struct FMUSIC_MODULE {
    openmpt_module* module;
};

namespace {

constexpr int kRate = kSoundRate;

struct Effect {
    std::string name;
    std::vector<int16_t> samples;  // stereo, 44100 Hz; empty when the file could not be used
};

SDL_AudioDeviceID device = 0;
bool deviceFailed = false;  // tried once and failed: each retry would stall and print the back end's errors
FMUSIC_MODULE* playing = nullptr;          // the module being played, null when stopped
std::deque<Effect> effects;  // every sound played so far, decoded once; entries never move
const std::vector<int16_t>* voice = nullptr;
size_t voicePosition = 0;
// A sound joined after its place has passed fades in over this many sample frames, so the cut makes no click.
constexpr int kJoinFade = 64;
int voiceFade = kJoinFade;  // sample frames of the fade already mixed; kJoinFade: none under way
// Sounds started by a frame wait here for the sample their frame puts them at (device only).
struct Start {
    const std::vector<int16_t>* samples;  // null: silence, as an unusable file gives
    long at;  // in deviceFrames
};
constexpr int kStartsHeld = 8;
Start starts[kStartsHeld];
int startsHeld = 0;
// Sample frames the device takes at a time, which depends on the target (sound_clock.h).
const int kDeviceChunk = SoundDeviceChunk();
// Effects are placed this far behind their frame's due time, so that one started by a frame that runs a
// little late still has its place ahead of the mixer: two device chunks.
const double kEffectLead = 2.0 * kDeviceChunk / 44100.0;
double frameDue = -1;  // the frame being run is due at this much sound taken; negative: unknown
// The audio thread's scratch space: a fixed size, so mixing never allocates.
constexpr int kChunkFrames = 1024;
float musicBuffer[2 * kChunkFrames];

// Holds the audio thread off the mixer's state for one scope; without a device there is no thread.
class AudioLock {
public:
    AudioLock() : locked(device)
    {
        if (locked)
            SDL_LockAudioDevice(locked);
    }
    ~AudioLock()
    {
        if (locked)
            SDL_UnlockAudioDevice(locked);
    }
    AudioLock(const AudioLock&) = delete;
    AudioLock& operator=(const AudioLock&) = delete;

private:
    SDL_AudioDeviceID locked;
};

long deviceFrames = 0;  // mixed by the audio thread since the device opened; read under the lock
Uint64 deviceTakenAt = 0;  // when the device last took them (SDL's performance counter)

// Starts the sounds held for this chunk at their samples, mixing up to each.
void AudioCallback(void*, Uint8* stream, int length)
{
    auto* out = reinterpret_cast<int16_t*>(stream);
    const int frames = length / 4;
    int done = 0;
    while (startsHeld > 0 && starts[0].at < deviceFrames + frames) {
        const int upTo = static_cast<int>(std::max(starts[0].at - deviceFrames, static_cast<long>(done)));
        MixAudio(out + 2 * done, upTo - done);
        done = upTo;
        voice = starts[0].samples;
        voicePosition = 0;
        voiceFade = kJoinFade;
        std::copy(starts + 1, starts + startsHeld, starts);
        --startsHeld;
    }
    MixAudio(out + 2 * done, frames - done);
    SoundChunkMixed(deviceFrames);
    deviceFrames += frames;
    deviceTakenAt = SDL_GetPerformanceCounter();
}

void CloseDevice()
{
    if (device) {
        SDL_CloseAudioDevice(device);  // waits for the audio thread to leave its callback
        device = 0;
    }
}

bool OpenDevice()
{
    if (device)
        return true;
    const Harness* harness = CurrentHarness();
    if ((harness && !harness->audioDevice) || deviceFailed)
        return false;
    CountPlatformCall("SDL_OpenAudioDevice");
    if (!EnsureAudio()) {
        deviceFailed = true;
        return false;
    }
    SDL_AudioSpec want{}, have{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = kDeviceChunk;
    want.callback = AudioCallback;
    deviceFrames = 0;
    deviceTakenAt = 0;
    device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (!device) {
        deviceFailed = true;
        return false;
    }
    // The device goes before this file's statics do, however the process ends (return from main, exit()).
    static const bool guarded = std::atexit(CloseDevice) == 0;
    (void)guarded;
    SDL_PauseAudioDevice(device, 0);
    // Frames are due by the sound this device plays.
    PacerHearSound(SoundDeviceTaken);
    SoundClockOpened();
    return true;
}

// Decodes `name` unless done before; the entry stays put for the audio thread's sake.
const Effect& DecodedEffect(const char* name)
{
    for (const Effect& e : effects)
        if (e.name == name)
            return e;
    effects.push_back(Effect{name, DecodeWav(name, kRate)});
    return effects.back();
}

// Every sound the data folder holds, decoded before the first frame: decoding on the first PlaySoundA read
// and converted a file mid-frame, a frame lost. Names are spelled as the demo spells them ("data/x.wav").
void DecodeDataFolderSounds()
{
    std::error_code error;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it("data", error), end; !error && it != end; it.increment(error)) {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".wav" && it->is_regular_file(error))
            names.push_back("data/" + it->path().filename().string());
    }
    std::sort(names.begin(), names.end());
    for (const std::string& name : names)
        DecodedEffect(name.c_str());
}

}  // namespace

bool EnsureAudio()
{
    if (SDL_WasInit(SDL_INIT_AUDIO))
        return true;
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

void MixAudio(int16_t* out, int frames)
{
    std::fill(out, out + 2 * frames, int16_t{0});
    for (int at = 0; playing && at < frames;) {
        const int chunk = std::min(frames - at, kChunkFrames);
        const size_t done = openmpt_module_read_interleaved_float_stereo(playing->module, kRate, chunk, musicBuffer);
        for (size_t i = 0; i < 2 * done; ++i)
            out[2 * at + i] = static_cast<int16_t>(std::clamp(musicBuffer[i] * 32767.0f, -32768.0f, 32767.0f));
        if (done < static_cast<size_t>(chunk))
            break;
        at += chunk;
    }
    if (voice) {
        size_t count = std::min(voice->size() - voicePosition, static_cast<size_t>(2 * frames));
        for (size_t i = 0; i < count; ++i) {
            int sample = (*voice)[voicePosition + i];
            if (voiceFade < kJoinFade) {
                sample = sample * voiceFade / kJoinFade;
                voiceFade += static_cast<int>(i % 2);
            }
            out[i] = static_cast<int16_t>(std::clamp(out[i] + sample, -32768, 32767));
        }
        voicePosition += count;
        if (voicePosition >= voice->size())
            voice = nullptr;
    }
}

bool HarnessAudioDeviceOpen() { return device != 0; }

void SoundFrameDue(double seconds) { frameDue = seconds; }

bool SoundDeviceTaken(double* seconds, double* at)
{
    AudioLock lock;
    return device && SoundClockTaken(deviceFrames, deviceTakenAt, seconds, at);
}

long HarnessAudioDeviceFrames()
{
    AudioLock lock;
    return device ? deviceFrames : 0;
}

signed char FSOUND_Init(int mixRate, int, unsigned int)
{
    if (PlatformCallFails("FSOUND_Init") || mixRate != kRate)
        return 0;
    DecodeDataFolderSounds();
    if (const Harness* harness = CurrentHarness(); harness && !harness->audioDevice)
        return 1;  // pulled by the harness instead of a device
    return OpenDevice() ? 1 : 0;
}

void FSOUND_Close()
{
    CloseDevice();
    playing = nullptr;
    voice = nullptr;
    startsHeld = 0;
}

FMUSIC_MODULE* FMUSIC_LoadSong(const char* name)
{
    if (PlatformCallFails("FMUSIC_LoadSong") || !name)
        return nullptr;
    FILE* file = fopen(name, "rb");
    if (!file)
        return nullptr;
    std::vector<char> bytes;
    char chunk[65536];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + got);
    fclose(file);
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), nullptr, nullptr,
                                                                nullptr, nullptr, nullptr, nullptr, nullptr);
    if (!module)
        return nullptr;
    openmpt_module_set_repeat_count(module, -1);
    return new FMUSIC_MODULE{module};
}

signed char FMUSIC_FreeSong(FMUSIC_MODULE* module)
{
    // Silenced first, so the audio thread has let go of it.
    if (!FMUSIC_StopSong(module))
        return 0;
    openmpt_module_destroy(module->module);
    delete module;
    return 1;
}

signed char FMUSIC_PlaySong(FMUSIC_MODULE* module)
{
    if (!module)
        return 0;
    AudioLock lock;
    openmpt_module_set_position_order_row(module->module, 0, 0);
    playing = module;
    return 1;
}

signed char FMUSIC_StopSong(FMUSIC_MODULE* module)
{
    if (!module)
        return 0;
    AudioLock lock;
    if (playing == module)
        playing = nullptr;
    return 1;
}

signed char FMUSIC_SetOrder(FMUSIC_MODULE* module, int order)
{
    if (!module)
        return 0;
    AudioLock lock;
    openmpt_module_set_position_order_row(module->module, order, 0);
    return 1;
}

BOOL WINAPI PlaySoundA(LPCSTR sound, HMODULE, DWORD flags)
{
    if (!sound || !(flags & SND_FILENAME))
        return FALSE;
    if (const Harness* harness = CurrentHarness())
        if (harness->onSound)
            harness->onSound(sound);
    const Effect* effect = &DecodedEffect(sound);
    OpenDevice();
    {
        AudioLock lock;
        // One voice: the new sound replaces whatever still plays, from its frame's place in the sound where
        // that is known. A frame that ran later than the lead allows (a slow picture before it, a stall) finds
        // its place already mixed: the sound joins there as far in as it has been playing, so that it keeps
        // step with the music instead of coming late.
        const std::vector<int16_t>* samples = effect->samples.empty() ? nullptr : &effect->samples;
        const bool placed = device && frameDue >= 0;
        const long at = placed ? std::lround((frameDue + kEffectLead) * kRate) : 0;
        if (at > deviceFrames && startsHeld < kStartsHeld && (!startsHeld || starts[startsHeld - 1].at <= at)) {
            starts[startsHeld++] = Start{samples, at};
        } else {
            startsHeld = 0;
            const size_t missed = placed && at < deviceFrames ? 2 * static_cast<size_t>(deviceFrames - at) : 0;
            voice = samples && missed < samples->size() ? samples : nullptr;
            voicePosition = voice ? missed : 0;
            voiceFade = missed ? 0 : kJoinFade;
        }
    }
    return effect->samples.empty() ? FALSE : TRUE;
}
