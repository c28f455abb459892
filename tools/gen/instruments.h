// The module's synthesized instruments. Pitched ones are tuned so that note C-4 sounds at 261.63 Hz.
#pragma once

#include "tools/gen/xm_writer.h"

namespace inst {

xm::Instrument Bass();  // filtered saw with a bright attack, looped
xm::Instrument Pad();  // three detuned saws, soft, slow attack, looped
xm::Instrument Lead();  // saw and square, two voices a few cents apart, looped, delayed vibrato
xm::Instrument Pluck();  // plucked string, decays by itself
xm::Instrument Kick();
xm::Instrument Snare();
xm::Instrument HiHat();
xm::Instrument Crash();

}  // namespace inst
