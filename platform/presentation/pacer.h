// Paces the frames on an absolute schedule of 60 a second by the sound the viewer hears, so that demo time
// (frames counted) keeps step with the music; where the GL cannot draw every picture in time, pictures are
// dropped, never frames.
#pragma once

// What the pacer waits with and presents through; the program's is SDL's clock, sound device and GL swap,
// tests give a simulated clock, sound and display.
struct PacerDevice {
    double (*now)();  // wall seconds, never going back
    void (*sleep)(double seconds);  // may wake late, never early
    bool (*setSwapInterval)(int interval);  // -1 adaptive, 1 vsync, 0 none; false where the driver refuses
    void (*swap)();  // shows the back buffer; with vsync it returns at the refresh that showed it
    // The sound the device has taken so far, in seconds, and the wall time (now()'s) it took the last of it;
    // false where no sound device plays. Null: there is never one.
    bool (*soundTaken)(double* seconds, double* at);
    // After a dropped picture: gives control back for a moment where the platform needs it to play its sound
    // and handle its events (a page); null where nothing is needed.
    void (*pass)();
};

struct PacerStatistics {
    long frames = 0;  // frames run, each with its picture drawn or dropped
    long drawn = 0;  // pictures drawn and presented
    long dropped = 0;  // pictures dropped to keep up with the sound
    double seconds = 0;  // from the first frame to the last
    double clockSeconds = 0;  // the same by the clock the frames were due by (the sound's, where it played)
    double worstLag = 0;  // the furthest a frame came after its due time, in seconds
    double endLag = 0;  // how far the last frame came after its due time
    int catchUps = 0;  // times the frames fell a whole frame behind and pictures were dropped (or rushed)
    int restarts = 0;  // with every picture drawn: stalls too long to make up, the schedule started again
    int intervalChanges = 0;  // vsync set aside or taken up again
    bool byTheSound = false;  // the last frame was due by the sound's clock, not the wall's
};

// The device the pacer uses from now on (null: the target's own, pacer_target.h); the schedule starts again at
// the next frame. A page keeps its own sleep, swap and pass, which Asyncify must reach by direct calls.
void PacerUse(const PacerDevice* device);
// The sound the viewer hears, for the target's own device: the sound stand-ins give their device's clock
// when it opens (false while no device plays).
void PacerHearSound(bool (*soundTaken)(double* seconds, double* at));
// Every picture drawn, whatever it costs: the demo then falls behind its music where the GL is too slow.
void PacerDrawEveryPicture(bool every);
// A new context presents from now on (F1 reopened the window): its swap interval is set again, the schedule
// goes on.
void PacerContextChanged();
// Ends a frame. A drawn picture waits until its frame is due and is presented; a dropped one is not. Returns
// whether the next frame's picture is to be drawn: false while the frames are more than one behind the
// sound, except that a picture is shown at least every 100 ms.
bool PacerEndFrame(bool drawn);
PacerStatistics PacerFigures();
// When the next frame is due, in seconds of sound the device has taken (its soundTaken scale); negative while
// the frames are due by the wall clock.
double PacerNextFrameDue();
// Whether more than half the pictures of the last two seconds were dropped; each such stretch is told once.
bool PacerMostlyDropping();
