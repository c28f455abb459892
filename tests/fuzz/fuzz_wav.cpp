// Fuzz target for the WAV reader behind PlaySoundA: each input is read as a sound file and converted to the
// mixer's format; every converted sample is touched so that a short buffer shows under the sanitizer.
#include "platform/media/wav.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<int16_t> samples = DecodeWav(MemoryFile(data, size), 44100);
    volatile int sum = 0;
    for (int16_t s : samples)
        sum = sum + s;
    return 0;
}
