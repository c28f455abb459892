// korvale-gen-music: composes the demo's module, two songs in one XM file, and writes it.
// Usage: korvale-gen-music OUT.xm. Song 1 (D minor, 125 BPM) fills orders 0-22 and jumps back to 0;
// song 2 (A minor, 140 BPM, broken beat) starts at order 23 and jumps back to 23.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "tools/gen/gen_common.h"
#include "tools/gen/instruments.h"
#include "tools/gen/xm_writer.h"

namespace {

constexpr int kChannels = 12;
constexpr int kBarRows = 16;  // four beats of four rows
constexpr int kPatternRows = 64;

enum Channel {
    kKickCh,
    kSnareCh,
    kHatCh,
    kBassCh,
    kPadCh0,
    kPadCh1,
    kPadCh2,
    kLeadCh,
    kArpCh,
    kEchoCh,
    kCrashCh,
    kCounterCh
};
enum Instrument { kBass = 1, kPad, kLead, kPluck, kKick, kSnare, kHat, kCrash };

uint8_t Vol(int v) { return uint8_t(0x10 + std::clamp(v, 0, 64)); }

// "C#5", "Bb4", "A5" -> note number with C-0 = 1 (so C-4 = 49).
int ParseNote(const std::string& s)
{
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G
    int n = base[s[0] - 'A'];
    size_t i = 1;
    if (s[i] == '#')
        ++n, ++i;
    else if (s[i] == 'b')
        --n, ++i;
    return 12 * (s[i] - '0') + n + 1;
}

// "Dm", "Bb", "E7": pitch class of the root and the chord's intervals.
struct Chord {
    int root;
    std::vector<int> tones;
};
Chord ParseChord(const std::string& s)
{
    static const int base[7] = {9, 11, 0, 2, 4, 5, 7};
    int root = base[s[0] - 'A'];
    size_t i = 1;
    if (i < s.size() && s[i] == '#')
        ++root, ++i;
    else if (i < s.size() && s[i] == 'b')
        --root, ++i;
    std::string kind = s.substr(i);
    root = (root + 12) % 12;
    if (kind == "m")
        return {root, {0, 3, 7}};
    if (kind == "7")
        return {root, {0, 4, 7, 10}};
    return {root, {0, 4, 7}};
}

struct Song {
    std::vector<xm::Cell> cells;
    explicit Song(int bars) : cells(size_t(bars) * kBarRows * kChannels) {}
    int Rows() const { return int(cells.size() / kChannels); }
    xm::Cell& At(int row, int ch) { return cells[size_t(row) * kChannels + ch]; }
    // Every note also sets its channel's place in the stereo field: a new note resets the panning.
    void Note(int row, int ch, int note, int instr, int vol)
    {
        static const uint8_t pan[kChannels] = {128, 128, 156, 128, 72, 128, 184, 128, 92, 176, 150, 164};
        if (row >= Rows())
            return;
        At(row, ch) = xm::Cell{uint8_t(note), uint8_t(instr), Vol(vol), pan[ch] == 128 ? uint8_t(0) : uint8_t(8),
                               pan[ch] == 128 ? uint8_t(0) : pan[ch]};
    }
    void Off(int row, int ch)
    {
        if (row < Rows())
            At(row, ch) = xm::Cell{xm::kKeyOff, 0, 0, 0, 0};
    }
};

// A phrase: "A5:4 D6:2 r:2 ...", durations in rows; "r" rests (key off).
void Melody(Song& s, int bar, int ch, int instr, const std::string& text, int vol)
{
    std::istringstream in(text);
    std::string token;
    int row = bar * kBarRows;
    while (in >> token) {
        size_t colon = token.find(':');
        std::string what = token.substr(0, colon);
        int len = std::stoi(token.substr(colon + 1));
        if (what == "r")
            s.Off(row, ch);
        else
            s.Note(row, ch, ParseNote(what), instr, vol);
        row += len;
    }
}

// Copies a channel's notes `delay` rows later, quieter: a dotted echo of the lead.
void Echo(Song& s, int fromBar, int toBar, int src, int dst, int delay, double gain)
{
    for (int row = fromBar * kBarRows; row < toBar * kBarRows; ++row) {
        const xm::Cell c = s.At(row, src);
        if (!c.note || row + delay >= s.Rows())
            continue;
        if (c.note == xm::kKeyOff)
            s.Off(row + delay, dst);
        else
            s.Note(row + delay, dst, c.note, c.instr, int((c.volume - 0x10) * gain));
    }
}

// A second voice a diatonic third below a channel's notes, in D minor (C# counts as the leading note).
void ThirdBelow(Song& s, int fromBar, int toBar, int src, int dst, double gain)
{
    static const int down[12] = {3, 4, 4, 3, 4, 3, 3, 3, 3, 4, 3, 3};  // by pitch class, C first
    for (int row = fromBar * kBarRows; row < toBar * kBarRows; ++row) {
        const xm::Cell c = s.At(row, src);
        if (c.note == xm::kKeyOff)
            s.Off(row, dst);
        else if (c.note)
            s.Note(row, dst, c.note - down[(c.note - 1) % 12], c.instr, int((c.volume - 0x10) * gain));
    }
}

// Three pad voices; each bar takes the inversion closest to the previous chord so the voices move little.
void Pads(Song& s, int bar, const std::vector<std::string>& chords, int vol, std::vector<int>& voicing)
{
    for (size_t b = 0; b < chords.size(); ++b) {
        Chord c = ParseChord(chords[b]);
        std::vector<int> tones = {c.tones[0], c.tones[1], c.tones.size() > 3 ? c.tones[3] : c.tones[2]};
        std::vector<int> best;
        int bestCost = 1 << 30;
        for (int octave = 3; octave <= 4; ++octave)
            for (int inv = 0; inv < 3; ++inv) {
                std::vector<int> v;
                for (int k = 0; k < 3; ++k) {
                    int n = 12 * octave + c.root + tones[(inv + k) % 3] + 1;
                    while (!v.empty() && n <= v.back())
                        n += 12;
                    v.push_back(n);
                }
                if (v.front() < 44 || v.back() > 70)
                    continue;
                int cost = 0;
                for (int k = 0; k < 3; ++k)
                    cost += voicing.empty() ? std::abs(v[k] - 56 - 4 * k) : std::abs(v[k] - voicing[k]);
                if (cost < bestCost)
                    bestCost = cost, best = v;
            }
        int row = int(bar + b) * kBarRows;
        for (int k = 0; k < 3; ++k)
            if (voicing.empty() || best[k] != voicing[k] || b == 0)
                s.Note(row, kPadCh0 + k, best[k], kPad, vol);
        voicing = best;
    }
}

void PadsOff(Song& s, int bar, int rowInBar)
{
    for (int k = 0; k < 3; ++k)
        s.Off(bar * kBarRows + rowInBar, kPadCh0 + k);
}

// Bass figures per bar: rows within the bar and the interval above the root played there.
struct Figure {
    std::vector<int> rows, intervals;
    int length;  // rows each note sounds before its key-off; 0 = until the next note
};
const Figure kDrive{{0, 2, 4, 6, 8, 10, 12, 14}, {0, 0, 12, 0, 0, 12, 0, 7}, 0};
const Figure kHold{{0}, {0}, 14};
const Figure kSyncopated{{0, 3, 6, 8, 10, 11, 14}, {0, 0, 12, 0, 7, 0, 12}, 2};
const Figure kPulse{{0, 6, 8, 14}, {0, 0, 0, 12}, 3};

void Bassline(Song& s, int bar, const std::vector<std::string>& chords, const Figure& f, int vol)
{
    for (size_t b = 0; b < chords.size(); ++b) {
        Chord c = ParseChord(chords[b]);
        int root = 12 * (c.root > 6 ? 1 : 2) + c.root + 1;
        for (size_t i = 0; i < f.rows.size(); ++i) {
            int row = int(bar + b) * kBarRows + f.rows[i];
            s.Note(row, kBassCh, root + f.intervals[i], kBass, f.rows[i] % 8 == 0 ? vol : vol - 8);
            if (f.length)
                s.Off(row + f.length, kBassCh);
        }
    }
}

// Sixteenth-note arpeggio over the chord: `steps` index the tones root, third, fifth, octave, tenth.
void Arpeggio(Song& s, int bar, int ch, const std::vector<std::string>& chords, const std::vector<int>& steps,
              int octave, int vol)
{
    for (size_t b = 0; b < chords.size(); ++b) {
        Chord c = ParseChord(chords[b]);
        int root = 12 * octave + c.root + 1;
        int tones[5] = {0, c.tones[1], c.tones[2], 12, 12 + c.tones[1]};
        for (int r = 0; r < kBarRows; ++r) {
            int step = steps[r % steps.size()];
            if (step < 0)
                continue;
            s.Note(int(bar + b) * kBarRows + r, ch, root + tones[step], kPluck, r % 4 == 0 ? vol : vol * 3 / 4);
        }
    }
}

// One drum voice over bars: a 16-character grid per bar, '.' silent, digits 1-9 quiet to loud, 'x' normal,
// 'X' accent.
void Drum(Song& s, int bar, int bars, int ch, int instr, const std::string& grid)
{
    for (int b = 0; b < bars; ++b)
        for (int r = 0; r < kBarRows; ++r) {
            char g = grid[(size_t(b) * kBarRows + r) % grid.size()];
            if (g == '.')
                continue;
            int vol = g == 'X' ? 64 : g == 'x' ? 50 : (g - '0') * 7;
            s.Note((bar + b) * kBarRows + r, ch, 49, instr, vol);
        }
}

void Crash(Song& s, int bar, int vol = 48) { s.Note(bar * kBarRows, kCrashCh, 49, kCrash, vol); }

void Effect(Song& s, int row, int ch, uint8_t effect, uint8_t param)
{
    s.At(row, ch).effect = effect;
    s.At(row, ch).param = param;
}

// A song's first row silences whatever another song left sounding on the channels it does not start.
void SilenceOthersAtStart(Song& s)
{
    for (int ch = 0; ch < kChannels; ++ch)
        if (s.At(0, ch).note == 0)
            s.At(0, ch).note = xm::kKeyOff;
}

std::vector<std::string> Join(const std::vector<std::string>& a, const std::vector<std::string>& b)
{
    std::vector<std::string> r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

// ---- Song 1: D minor, 125 BPM, 23 patterns of four bars ---------------------------------------------
// A bar lasts 1.92 s. Shown at 60 frames a second the demo counts down from 90 s and collapses at 100 s;
// the second build's snare roll (92-100 s) runs under the countdown and the second chorus lands with it.
Song ComposeFirst()
{
    Song s(23 * 4);
    const std::vector<std::string> themeA = {"Dm", "Bb", "F", "C", "Dm", "Bb", "Gm", "A"};
    const std::vector<std::string> themeB = {"Bb", "C", "Dm", "Dm", "Gm", "C", "F", "A"};
    const std::vector<std::string> breakP = {"Bb", "F", "Gm", "Dm", "Bb", "F", "Gm", "A"};
    const std::vector<std::string> first(themeA.begin(), themeA.begin() + 4), second(themeA.begin() + 4, themeA.end());

    const std::string melodyA1 =
        "A5:4 D6:2 C6:2 A5:4 F5:2 G5:2  F5:6 G5:2 A5:4 D5:4  C6:4 A5:2 G5:2 F5:4 A5:2 C6:2  E5:6 D5:2 E5:4 G5:4 "
        "A5:4 D6:2 C6:2 A5:4 F5:2 A5:2  D6:6 C6:2 Bb5:4 A5:4  G5:4 Bb5:2 A5:2 G5:4 F5:2 E5:2  C#6:8 A5:4 E5:2 r:2";
    const std::string melodyA2 =
        "D6:4 F6:2 E6:2 D6:4 A5:4  Bb5:4 D6:2 C6:2 Bb5:4 A5:2 G5:2  A5:4 C6:2 F6:2 E6:4 C6:4  G5:8 E5:4 G5:4 "
        "F5:4 A5:2 D6:2 F6:4 E6:2 D6:2  D6:4 C6:2 Bb5:2 D6:4 F6:4  E6:4 D6:2 Bb5:2 G5:4 Bb5:4  A5:12 r:4";
    const std::string melodyB =
        "D6:4 D6:2 C6:2 D6:4 F6:4  E6:4 E6:2 D6:2 C6:4 G5:4  A5:8 F5:4 A5:4  D6:12 r:4 "
        "Bb5:4 Bb5:2 A5:2 G5:4 D6:4  C6:4 C6:2 Bb5:2 A5:4 G5:4  A5:4 C6:4 F6:4 E6:2 D6:2  E6:8 C#6:4 A5:2 r:2";
    const std::string melodyBreak =
        "F5:8 D5:8  C5:8 A4:8  Bb4:8 D5:8  F5:14 r:2  F5:8 Bb5:8  A5:8 C6:8  Bb5:8 G5:8  A5:8 C#6:6 r:2";

    const std::vector<int> upDown = {0, 1, 2, 3, 4, 3, 2, 1};
    const std::vector<int> sparse = {0, -1, 2, -1, 3, -1, 2, -1};
    const std::string kick4 = "X...x...X...x...";
    const std::string snare2 = "....X.......X...";
    const std::string hats8 = "..x...x...x...x.";
    const std::string hats16 = "3.x23.x23.x23.x2";
    const std::string fill = "....x.......x..."
                             "....x.......x..."
                             "....x.......x..."
                             "x.3.x.4.x5x6x7x8";
    std::vector<int> voicing;

    // Intro: the pad alone, then the plucked arpeggio fades in.
    Pads(s, 0, themeA, 40, voicing);
    Arpeggio(s, 4, kArpCh, second, sparse, 4, 24);
    // Build: bass and hats, then the kick and a snare fill into the theme.
    Pads(s, 8, themeA, 40, voicing);
    Arpeggio(s, 8, kArpCh, themeA, upDown, 4, 30);
    Bassline(s, 8, first, kHold, 44);
    Bassline(s, 12, second, kDrive, 46);
    Drum(s, 8, 4, kHatCh, kHat, hats8);
    Drum(s, 12, 4, kKickCh, kKick, kick4);
    Drum(s, 12, 4, kHatCh, kHat, hats16);
    Drum(s, 12, 4, kSnareCh, kSnare, fill);

    // A full chorus: theme A twice (two melodies), theme B, over the whole band.
    auto chorus = [&](int bar, bool second) {
        Crash(s, bar);
        Pads(s, bar, Join(themeA, themeA), 34, voicing);
        Pads(s, bar + 16, themeB, 34, voicing);
        Bassline(s, bar, Join(Join(themeA, themeA), themeB), kDrive, 44);
        Arpeggio(s, bar, kArpCh, Join(Join(themeA, themeA), themeB), upDown, 4, 30);
        Melody(s, bar, kLeadCh, kLead, melodyA1, 58);
        Melody(s, bar + 8, kLeadCh, kLead, melodyA2, 60);
        Crash(s, bar + 16, 40);
        Melody(s, bar + 16, kLeadCh, kLead, melodyB, 60);
        if (second) {  // the theme comes back harmonised, with bells over theme B
            ThirdBelow(s, bar, bar + 16, kLeadCh, kCounterCh, 0.5);
            Arpeggio(s, bar + 16, kCounterCh, themeB, {3, -1, -1, 2, -1, -1, 4, -1}, 5, 20);
        }
        Echo(s, bar, bar + 24, kLeadCh, kEchoCh, 3, 0.4);
        Drum(s, bar, 24, kKickCh, kKick, kick4);
        Drum(s, bar, 24, kSnareCh, kSnare, snare2);
        Drum(s, bar, 24, kHatCh, kHat, hats16);
        Drum(s, bar + 7, 1, kSnareCh, kSnare, "....X.......X.44");
        Drum(s, bar + 15, 1, kSnareCh, kSnare, "....X.....3.X.56");
        Drum(s, bar + 20, 4, kSnareCh, kSnare, fill);
    };
    chorus(16, false);  // bars 16-39, patterns 4-9

    // Break: drums drop out, the lead sings long notes over held bass; then the beat climbs back.
    Pads(s, 40, breakP, 42, voicing);
    Bassline(s, 40, breakP, kHold, 44);
    Arpeggio(s, 40, kArpCh, breakP, upDown, 4, 22);
    Melody(s, 40, kLeadCh, kLead, melodyBreak, 52);
    Echo(s, 40, 48, kLeadCh, kEchoCh, 6, 0.5);
    Drum(s, 44, 4, kHatCh, kHat, hats8);
    Drum(s, 47, 1, kKickCh, kKick, "X.......X...X.X.");
    // Build 2: four-on-the-floor with a long snare roll.
    Pads(s, 48, first, 38, voicing);
    Bassline(s, 48, first, kDrive, 46);
    Arpeggio(s, 48, kArpCh, first, upDown, 4, 28);
    Drum(s, 48, 4, kKickCh, kKick, kick4);
    Drum(s, 48, 4, kHatCh, kHat, hats16);
    Drum(s, 48, 4, kSnareCh, kSnare,
         "....2.......3..."
         "..3...3...4...4."
         "4.4.4.4.5.5.5.5."
         "5656676778788899");

    chorus(52, true);  // bars 52-75, patterns 13-18

    // Theme A once more, then the outro thins out to the pad and falls back to the start.
    Crash(s, 76);
    Pads(s, 76, themeA, 34, voicing);
    Bassline(s, 76, themeA, kDrive, 44);
    Arpeggio(s, 76, kArpCh, themeA, upDown, 4, 30);
    Arpeggio(s, 76, kCounterCh, themeA, {3, -1, -1, 2, -1, -1, 4, -1}, 5, 20);
    Melody(s, 76, kLeadCh, kLead, melodyA1, 60);
    Echo(s, 76, 84, kLeadCh, kEchoCh, 3, 0.4);
    Drum(s, 76, 8, kKickCh, kKick, kick4);
    Drum(s, 76, 8, kSnareCh, kSnare, snare2);
    Drum(s, 76, 8, kHatCh, kHat, hats16);
    Crash(s, 84, 36);
    Pads(s, 84, themeA, 36, voicing);
    Bassline(s, 84, first, kHold, 42);
    Arpeggio(s, 84, kArpCh, themeA, sparse, 4, 22);
    Drum(s, 84, 4, kHatCh, kHat, hats8);
    Drum(s, 84, 4, kKickCh, kKick, "X...............");
    PadsOff(s, 91, 8);
    s.Off(88 * kBarRows, kBassCh);

    SilenceOthersAtStart(s);
    Effect(s, 0, kCounterCh, 0x0F, 6);  // speed: six ticks per row
    Effect(s, 0, kCrashCh, 0x0F, 125);  // tempo
    Effect(s, s.Rows() - 1, kCounterCh, 0x0B, 0);  // loop to order 0
    return s;
}

// ---- Song 2: A minor, 140 BPM, broken beat, 12 patterns ----------------------------------------------
Song ComposeSecond(int firstOrder)
{
    Song s(12 * 4);
    const std::vector<std::string> themeA = {"Am", "F", "C", "G", "Am", "F", "G", "E"};
    const std::vector<std::string> themeB = {"F", "G", "Em", "Am", "Dm", "G", "C", "E7"};
    const std::vector<std::string> breakP = {"F", "F", "Am", "Am", "F", "G", "E", "E7"};
    const std::string melodyA =
        "E5:3 A5:3 B5:2 C6:3 B5:3 A5:2  A5:3 F5:3 A5:2 C6:4 A5:4  G5:3 E5:3 G5:2 C6:3 D6:3 E6:2  D6:6 B5:2 G5:4 r:4 "
        "E6:3 D6:3 C6:2 B5:3 C6:3 A5:2  C6:3 A5:3 F5:2 A5:4 C6:4  B5:3 D6:3 G6:2 F6:3 E6:3 D6:2  E6:4 G#5:4 B5:4 r:4";
    const std::string melodyB =
        "A5:4 C6:4 F6:6 E6:2  D6:4 B5:4 G5:6 A5:2  B5:4 G5:4 E5:4 G5:4  A5:12 r:4 "
        "F5:3 A5:3 D6:2 F6:4 E6:4  D6:3 B5:3 G5:2 B5:4 D6:4  E6:3 C6:3 G5:2 C6:4 E6:4  G#5:8 B5:4 E6:2 r:2";
    const std::vector<int> arp = {0, 2, 3, 2, 1, 2, 4, 2};
    const std::vector<int> bells = {4, -1, 3, -1, -1, -1, 2, -1};
    const std::string kick = "X.....x.X.x.....";
    const std::string snare = "....X.......X..3";
    const std::string hats = "x3x3x3X3x3x3X3x3";
    const std::string roll = "....x.......x..."
                             "....x.......x..."
                             "..3...3...4...4."
                             "4.4.5.5.6.6.7788";
    std::vector<int> voicing;
    const std::vector<std::string> aSecond(themeA.begin() + 4, themeA.end());

    // Intro: beat and bass, then pad and arpeggio.
    Drum(s, 0, 8, kKickCh, kKick, kick);
    Drum(s, 0, 8, kHatCh, kHat, hats);
    Drum(s, 4, 4, kSnareCh, kSnare, snare);
    Bassline(s, 0, themeA, kSyncopated, 50);
    Pads(s, 4, aSecond, 32, voicing);
    Arpeggio(s, 4, kArpCh, aSecond, arp, 4, 24);

    // Eight bars of the full band with one melody; the second time round the lead gets an echo.
    auto section = [&](int bar, const std::vector<std::string>& chords, const std::string& melody, bool echo) {
        Crash(s, bar);
        Pads(s, bar, chords, 30, voicing);
        Bassline(s, bar, chords, kSyncopated, 50);
        Arpeggio(s, bar, kArpCh, chords, arp, 4, 26);
        Melody(s, bar, kLeadCh, kLead, melody, 60);
        if (echo) {
            Echo(s, bar, bar + 8, kLeadCh, kEchoCh, 3, 0.35);
            Arpeggio(s, bar, kCounterCh, chords, bells, 5, 18);
        }
        Drum(s, bar, 8, kKickCh, kKick, kick);
        Drum(s, bar, 8, kSnareCh, kSnare, snare);
        Drum(s, bar, 8, kHatCh, kHat, hats);
    };
    section(8, themeA, melodyA, false);
    section(16, themeB, melodyB, false);
    // Break: pad, arpeggio and a pulsing bass; a snare roll climbs back in.
    Pads(s, 24, breakP, 40, voicing);
    Arpeggio(s, 24, kArpCh, breakP, arp, 4, 24);
    Bassline(s, 24, breakP, kPulse, 42);
    Melody(s, 24, kLeadCh, kLead, "C6:16 A5:16 E6:16 C6:14 r:2", 50);
    Echo(s, 24, 28, kLeadCh, kEchoCh, 6, 0.5);
    Drum(s, 28, 4, kHatCh, kHat, "..x...x...x...x.");
    Drum(s, 28, 4, kSnareCh, kSnare, roll);
    section(32, themeA, melodyA, true);
    section(40, themeB, melodyB, true);

    SilenceOthersAtStart(s);
    Effect(s, 0, kCounterCh, 0x0F, 6);
    Effect(s, 0, kCrashCh, 0x0F, 140);
    Effect(s, s.Rows() - 1, kCounterCh, 0x0B, uint8_t(firstOrder));
    return s;
}

// Cuts a song into 64-row patterns, sharing identical ones, and appends their numbers to the order list.
void AddSong(xm::Module& m, const Song& s)
{
    for (int start = 0; start < s.Rows(); start += kPatternRows) {
        xm::Pattern p;
        p.rows = kPatternRows;
        p.cells.assign(s.cells.begin() + size_t(start) * kChannels,
                       s.cells.begin() + size_t(start + kPatternRows) * kChannels);
        size_t index = 0;
        while (index < m.patterns.size() && !(m.patterns[index].cells == p.cells))
            ++index;
        if (index == m.patterns.size())
            m.patterns.push_back(p);
        m.orders.push_back(uint8_t(index));
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUT.xm\n", argv[0]);
        return 2;
    }
    xm::Module m;
    m.name = "Korvale";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 125;
    m.instruments = {inst::Bass(), inst::Pad(),   inst::Lead(),  inst::Pluck(),
                     inst::Kick(), inst::Snare(), inst::HiHat(), inst::Crash()};
    AddSong(m, ComposeFirst());
    int second = int(m.orders.size());
    AddSong(m, ComposeSecond(second));
    return gen::WriteFile(argv[1], xm::Write(m)) ? 0 : 1;
}
