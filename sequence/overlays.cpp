// The 2D overlays: the fading music notice after a music key, and the credits scroller of frames 7001 to
// 8499 with its 72 lines and their heights.
#include "sequence/overlays.h"

#include "resources/fonts.h"
#include "sequence/timeline.h"

#include <GL/gl.h>

const char* creditLines[kCreditLines];
float creditY[kCreditLines];
float creditStep = 1.0f;

namespace {

const char* const creditTexts[kCreditLines] = {
    "-= KORVALE v1.1=-",
    "-----------------",
    " ",
    "Brought to you by:",
    " ",
    "THE KORVALE TEAM 'KRV'",
    " ",
    "Visit my site at:",
    "http://www.korvale.example",
    " ",
    "KEYS:",
    "-----",
    "SPACE = Changes scene",
    "0 = Stops any song playing",
    "1 = Plays song #1",
    "2 = Plays song #2",
    "ESC = Exits this demo ",
    " ",
    "Many THANKS to:",
    "---------------",
    "THE TUTORIAL WRITERS",
    "Check out the best OpenGL",
    "tutorials on the web at:",
    "http://tutorials.example",
    " ",
    "THE OPTIMIZER at THE DEMO PARTY",
    "The optimizer has performed each and every",
    "optimization to make KORVALE faster",
    "and better looking. Hey man, thanks",
    "a bunch for putting your endless",
    "knowledge into my little demo!",
    " ",
    "THE MENTOR",
    "Thanks for introducing me",
    "to OpenGL.",
    " ",
    "MY BROTHER",
    "Thanks so much for your",
    "support, bro.",
    " ",
    "THE IDEA MAN",
    "I really appreciated your ideas.",
    " ",
    "A FELLOW CODER",
    "Hey dude, thanks for your",
    "support! And keep codin'!",
    " ",
    "THE COMPUTER HATER",
    "Thanks for your interest though",
    "I know you hate computers...",
    " ",
    "Extra thanks to all my friends",
    "since they'll be voting this demo",
    "(hope so...) at the DEMO PARTY",
    "website (http://party.example).",
    " ",
    "And many thanks to you",
    "for watching!!!",
    " ",
    "All coding, sounds and",
    "graphics by:",
    " ",
    "The Korvale Team 'KRV'",
    " ",
    "Contact me at:",
    " ",
    "team@korvale.example",
    " ",
    " ",
    " ",
    "Hope to be back soon on your",
    "dirty little screen... BYE!!!",
};

// Fades in over the bottom 80 units and out over the top 80; lines below the bottom edge stay dark.
int CreditAlpha(float y)
{
    if (y >= 80.0f && y <= 400.0f)
        return 255;
    if (y > 400.0f) {
        const int alpha = static_cast<int>(255.0f - (y - 400.0f) * 255.0f / 80.0f);
        return alpha < 0 ? 0 : alpha;
    }
    if (y >= 0.0f)
        return static_cast<int>(255.0f * y / 80.0f);
    return 0;
}

}  // namespace

void InitCredits()
{
    for (int i = 0; i < kCreditLines; ++i)
        creditY[i] = static_cast<float>(-16 * i);
    for (int i = 0; i < kCreditLines; ++i)
        creditLines[i] = creditTexts[i];
}

void DrawMusicNotice(int state)
{
    glPushMatrix();
    glLoadIdentity();
    glColor4ub(255, 255, 255, static_cast<GLubyte>(255 - musicNoticeFrame * 255 / 100));
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    ++musicNoticeFrame;

    if (state == 0)
        Print2DText(2, 2, "MUSIC IS OFF");
    else if (state == 1)
        Print2DText(2, 2, "NOW PLAYING MOD #1");
    else if (state == 2)
        Print2DText(2, 2, "NOW PLAYING MOD #2");

    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

void DrawCredits()
{
    glPushMatrix();
    glLoadIdentity();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);

    for (int i = 0; i < kCreditLines; ++i) {
        const float y = creditY[i];
        if (!(y > -10.0f && y < 490.0f))
            continue;
        glColor4ub(255, 255, 255, static_cast<GLubyte>(CreditAlpha(y)));
        Print2DText(2, static_cast<int>(y), creditLines[i]);
    }

    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glPopMatrix();

    // Moved only after every line is drawn.
    for (int i = 0; i < kCreditLines; ++i)
        creditY[i] += creditStep;
}
