// Shared test helpers: a headless demo window, frame read-back, golden pictures and korvale-capture runs.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

// Installs a harness and opens the demo window (windowed, 640 x 480) with its context current; this runs
// InitScene, as the program does.
bool OpenTestWindow();
void CloseTestWindow();

// The back buffer of the current context, top row first.
std::vector<uint8_t> ReadFrameRgb(int& width, int& height);

bool WritePng(const std::string& path, const std::vector<uint8_t>& rgb, int width, int height);
bool ReadPng(const std::string& path, std::vector<uint8_t>& rgb, int& width, int& height);

// Compares with tests/golden/<name>.png: every channel within a small tolerance, allowing a few outliers
// (software rasterisers differ in the last bit). With KORVALE_UPDATE_GOLDEN=1 writes the golden instead.
::testing::AssertionResult MatchesGolden(const std::string& name, const std::vector<uint8_t>& rgb, int width,
                                         int height);

// Runs korvale-capture with the build folder as working directory; returns its exit code.
int RunCapture(const std::string& args, std::string* stderrText = nullptr);

std::vector<std::string> ReadLines(const std::string& path);

// A fresh empty folder under the build folder's test area, named after the running test.
std::string TempDir(const std::string& name);

// A whole file's bytes; empty when it cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Whether the default course plays the big bang in frame call `call` (counted from 0; below 8500 the call
// index is the demoFrame it starts with): the first nova frame, then one burst every 251 nova frames.
bool BangDue(long call);

// What a scene set-up draws from the generator, measured by building the ring and vortex tables here (they
// count only where they are built) plus the spark and ray tables, which always are. Moves the generator.
uint64_t InitSceneDraws();

// A numeric field of one JSON Lines state record (korvale-capture --state); NaN when absent.
double StateField(const std::string& line, const std::string& field);
// The same as a whole number.
int StateInt(const std::string& line, const std::string& field);
// The "sounds" array of a state record, as its file names.
std::vector<std::string> StateSounds(const std::string& line);
// Whether the record's call played that file.
bool StatePlayed(const std::string& line, const std::string& file);

// Mean of a series, and the correlation of two series of the same length (pictures: their channels as one).
double Mean(const std::vector<double>& values);
double Correlation(const std::vector<double>& a, const std::vector<double>& b);

// How often `part` occurs in `text`.
int Count(const std::string& text, const std::string& part);
