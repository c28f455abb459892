// Paces presented pictures on an absolute schedule: the n-th is due at start + n/60 s, whatever the display's
// refresh, so that demo time (drawn frames) keeps step with the music (the sound card's clock).
#pragma once

// What the pacer waits with and presents through; the program's is SDL's clock and GL swap, tests give a
// simulated clock and display.
struct PacerDevice {
    double (*now)();  // seconds, never going back
    void (*sleep)(double seconds);  // may wake late, never early
    bool (*setSwapInterval)(int interval);  // -1 adaptive, 1 vsync, 0 none; false where the driver refuses
    void (*swap)();  // shows the back buffer; with vsync it returns at the refresh that showed it
};

struct PacerStatistics {
    long frames = 0;  // pictures presented
    double seconds = 0;  // from the first to the last
    double worstLag = 0;  // the furthest a picture came after its due time, in seconds
    int catchUps = 0;  // stalls made up by presenting without waiting
    int restarts = 0;  // stalls too long to make up: the schedule started again from then
};

// The device the pacer uses from now on (null: SDL's); the schedule starts again at the next picture.
void PacerUse(const PacerDevice* device);
// A new context presents from now on (F1 reopened the window): its swap interval is set again, the schedule
// goes on.
void PacerContextChanged();
// Waits until the next picture is due and presents it.
void PacerPresent();
PacerStatistics PacerFigures();
