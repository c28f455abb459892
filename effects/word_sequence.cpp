// The opening sentence in extruded words, the turning glyph wheel, the title fade and its white flash, and
// the countdown over the planet phase. Timed by demoFrame alone; wheelFrame is the wheel's own angle.
#include "effects/word_sequence.h"

#include "core/constants.h"
#include "core/rand15.h"
#include "effects/spark_burst.h"
#include "resources/fonts.h"
#include "resources/primitives.h"
#include "resources/texture.h"

#include <GL/gl.h>

#include <cmath>

int wheelFrame = 0;

namespace {

// Slow fade of the sentence and fast fade of the countdown.
double SlowFade(int t) { return std::sin(t * kDemoPi / 1000); }
double FastFade(int t) { return std::sin(t * kDemoPi / 100); }

// Colours are passed as the low byte of the truncated value.
GLubyte LowByte(int value) { return static_cast<GLubyte>(value & 0xFF); }

void DrawWord(const char* word, int r, int g, int b, int a, float x, float y, float z)
{
    glLoadIdentity();
    glColor4ub(LowByte(r), LowByte(g), LowByte(b), LowByte(a));
    glTranslatef(x, y, z);
    Print3DText(word);
}

// A coloured word of the sentence: a dim back copy and a bright front copy in the colour of one spark.
void DrawSparkWord(const char* word, int record, int backAlpha, int frontAlpha, float x, float y, float zBack,
                   float zFront)
{
    const Spark& c = sparks[record];
    DrawWord(word, c.r / 4 + 64, c.g / 4 + 64, c.b / 4 + 64, backAlpha, x, y, zBack);
    DrawWord(word, c.r / 2 + 128, c.g / 2 + 128, c.b / 2 + 128, frontAlpha, x, y, zFront);
}

void DrawGreyWord(const char* word, int backAlpha, int frontAlpha, float x, float y, float zBack, float zFront)
{
    DrawWord(word, 128, 128, 128, backAlpha, x, y, zBack);
    DrawWord(word, 255, 255, 255, frontAlpha, x, y, zFront);
}

void DrawSentence(int f)
{
    if (f >= 0 && f < 1000) {
        int t = f;
        int a = static_cast<int>(SlowFade(t) * 255);
        DrawSparkWord("THIS", 0, a, a, t / 200.0f - 5.0f, 0.0f, -5.0f, -4.25f);
    }
    if (f >= 500 && f < 1500) {
        int t = f - 500;
        int a = static_cast<int>(SlowFade(t) * 255);
        DrawSparkWord("IS", 1, a, a, 0.0f, t / 200.0f - 2.0f, -5.5f, -4.75f);
    }
    if (f >= 1000 && f < 2000) {
        int t = f - 1000;
        DrawSparkWord("WHEN", 2, static_cast<int>(SlowFade(t) * 128), static_cast<int>(SlowFade(t) * 255),
                      2.0f - t / 200.0f, -1.0f, -6.25f, -5.5f);
    }
    if (f >= 1500 && f < 2500) {
        int t = f - 1500;
        DrawSparkWord("IT", 3, static_cast<int>(SlowFade(t) * 128), static_cast<int>(SlowFade(t) * 255), -1.0f, -1.0f,
                      t / 200.0f - 7.25f, t / 200.0f - 6.5f);
    }
    if (f >= 2000 && f < 3000) {
        int t = f - 2000;
        DrawSparkWord("ALL", 4, static_cast<int>(SlowFade(t) * 128), static_cast<int>(SlowFade(t) * 255), -0.5f, 0.0f,
                      -0.75f - t / 100.0f, -t / 100.0f);
    }
    if (f >= 2500 && f < 3000) {
        int t = f - 2500;
        DrawGreyWord("BEGAN", static_cast<int>(SlowFade(t) * 128), static_cast<int>(SlowFade(t) * 255), -2.2f, -0.25f,
                     -4.75f, -4.0f);
    }
    if (f >= 3000 && f < 4500) {
        DrawGreyWord("BEGAN", 128, 255, -2.2f, -0.25f, -4.75f, -4.0f);
    }
    if (f >= 4500 && f < 5000) {
        int t = f - 4500;
        DrawGreyWord("BEGAN", static_cast<int>(128 - SlowFade(t) * 128), static_cast<int>(255 - SlowFade(t) * 255),
                     -2.2f, -0.25f, -4.75f, -4.0f);
        DrawGreyWord("KORVALE", static_cast<int>(SlowFade(t) * 128), static_cast<int>(SlowFade(t) * 255), -2.8f, -0.25f,
                     -5.75f, -5.1f);
    }
}

void DrawWheel(int f)
{
    int w = wheelFrame;
    double phase = std::cos(2 * w * kDemoPi / 360);
    // At w = 0 red and blue come to 256 and wrap to 0; the alpha is 0 then anyway.
    int r = static_cast<int>(phase * 64 + 192);
    int g = static_cast<int>(std::sin(2 * w * kDemoPi / 360) * 64 + 192);
    int b = static_cast<int>(std::cos(4 * w * kDemoPi / 360) * 64 + 192);
    int a = f < 4000 ? static_cast<int>((phase * 64 + 128) * (f - 3000) / 1000) : static_cast<int>(phase * 64 + 128);
    glColor4ub(LowByte(r), LowByte(g), LowByte(b), LowByte(a));
    DrawGlyphWheel(w);
}

void DrawTitleFlash(int f)
{
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -5.0f);
    glDisable(GL_TEXTURE_2D);
    int a = f < 4990 ? (f - 4950) * 255 / 40 : 255;
    glColor4ub(255, 255, 255, LowByte(a));
    DrawFlashSquare();
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();
}

struct CountdownWord {
    const char* word;
    int start;
    float x, y;
    int peak;
};

const CountdownWord countdown[] = {
    {"FIVE", 5400, -2.0f, -1.0f, 128}, {"FOUR", 5500, -3.0f, 0.0f, 128},  {"THREE", 5600, -2.0f, 1.0f, 160},
    {"TWO", 5700, 1.2f, 0.0f, 192},    {"ONE", 5800, -0.5f, -1.25f, 224},
};

// Every countdown word starts at the viewer's eye plane and recedes by 0.1 per frame.
void DrawCountdown(int f)
{
    for (const CountdownWord& word : countdown) {
        if (f >= word.start && f < word.start + 100) {
            int t = f - word.start;
            DrawWord(word.word, 255, 255, 255, static_cast<int>(FastFade(t) * word.peak), word.x, word.y, -t / 10.0f);
        }
    }
    if (f >= 5900 && f < 6000) {
        int t = f - 5900;
        glLoadIdentity();
        int peak = Rand15() % 255;  // the last pair flickers at random
        glColor4ub(255, 255, 255, LowByte(static_cast<int>(FastFade(t) * peak)));
        glTranslatef(-2.5f, -1.0f, -t / 10.0f);
        Print3DText("CRITICAL");
        // From the pen position "CRITICAL" left: one line down, back to the left.
        glTranslatef(-6.625f, -0.6f, 0.0f);
        Print3DText("COLLAPSE");
    }
}

}  // namespace

void DrawGlyphWheel(int angle)
{
    glPushMatrix();
    glLoadIdentity();
    glRotatef(static_cast<float>(angle), 0.0f, 0.0f, 1.0f);
    glTranslatef(-0.117f, -0.0215f, -2.0f);
    glPushMatrix();
    Print3DText("%");
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0.145f, 0.14f, 0.0f);
    glRotatef(240.0f, 0.0f, 0.0f, 1.0f);
    Print3DText("%");
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0.19f, -0.05f, 0.0f);
    glRotatef(120.0f, 0.0f, 0.0f, 1.0f);
    Print3DText("%");
    glPopMatrix();
    glPopMatrix();
}

void DrawWordSequence(int frame)
{
    // Set up in every call, drawn or not, and left for whatever comes next.
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    texStelle2.Bind();
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);

    int f = frame;
    DrawSentence(f);
    if (f >= 3000 && f < 5000) {
        DrawWheel(f);
        if (f >= 4951) {
            DrawTitleFlash(f);
        }
        ++wheelFrame;
    }
    DrawCountdown(f);
}
