// Numbers the whole demo shares: the picture it was made for, its value of pi, the frames where its phases
// turn, and the sizes of its tables.
#pragma once

// The window and full-screen mode the demo asks for.
constexpr int kPictureWidth = 640;
constexpr int kPictureHeight = 480;
constexpr int kPictureBits = 32;

// Every angle and fade of the demo is computed with pi cut to four decimals; the picture depends on it.
constexpr double kDemoPi = 3.1415;

// Frames of demoFrame where the phases turn.
constexpr int kPlanetStartFrame = 5000;  // the words give way to the planet
constexpr int kNovaStartFrame = 6000;  // the words are gone; music notices show from here on
constexpr int kCreditsStartFrame = 7000;  // credits scroll after this frame
constexpr int kLastDemoFrame = 8500;  // demoFrame holds here; the credits end

// Sound is mixed at 44100 Hz, the picture drawn 60 times a second: 735 stereo sample frames to a frame.
constexpr int kSoundRate = 44100;
constexpr int kSoundFramesPerFrame = kSoundRate / 60;

// Table sizes.
constexpr int kRingPoints = 360;
constexpr int kRingSparksPerPoint = 3;
constexpr int kVortexParticles = 500;
constexpr int kSparks = 500;
constexpr int kRays = 202;
constexpr int kCreditLines = 72;
constexpr int kOutlineGlyphs = 90;
