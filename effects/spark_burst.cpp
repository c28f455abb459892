// The spark burst: 500 coloured star sprites flying out from the centre, slowing and fading with distance,
// laid out anew with a bang every 251 nova frames. Its first five colours also tint the opening words.
#include "effects/spark_burst.h"

#include "core/rand15.h"
#include "resources/effect_sound.h"
#include "resources/primitives.h"

#include <GL/gl.h>

Spark sparks[kSparks];
int burstFrame = 0;

void ResetSpark(int index)
{
    // One statement per draw: the order of draws is part of the shared random sequence.
    Spark& spark = sparks[index];
    spark.r = Rand15() % 256;
    spark.g = Rand15() % 256;
    spark.b = Rand15() % 256;
    spark.distance = 0.0f;
    spark.speed = static_cast<float>((Rand15() % 100) * 0.01);
    spark.angleX = static_cast<float>(Rand15() % 360);
    spark.angleZ = static_cast<float>(Rand15() % 360);
}

void InitSparks()
{
    for (int i = 0; i < kSparks; ++i) {
        ResetSpark(i);
    }
}

void DrawSpark(int index)
{
    Spark& spark = sparks[index];
    // The spark moves with the speed left by the previous frame, then slows down to a floor of 0.1.
    spark.distance = spark.distance + spark.speed;
    glPushMatrix();
    spark.speed = static_cast<float>(spark.speed - 0.0001);
    if (spark.speed < 0.1) {
        spark.speed = 0.1f;
    }
    glRotatef(spark.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(spark.angleZ, 0.0f, 0.0f, 1.0f);
    glTranslatef(spark.distance, 0.0f, 0.0f);
    // Fades out over the first 50 units and stays drawn, invisible, beyond them.
    int alpha = static_cast<int>(255 - spark.distance / 50 * 255);
    if (alpha < 0) {
        alpha = 0;
    }
    glColor4ub(static_cast<GLubyte>(spark.r), static_cast<GLubyte>(spark.g), static_cast<GLubyte>(spark.b),
               static_cast<GLubyte>(alpha));
    // Undo the turn so the sprite faces the viewer's base orientation.
    glRotatef(-spark.angleZ, 0.0f, 0.0f, 1.0f);
    glRotatef(-spark.angleX, 1.0f, 0.0f, 0.0f);
    DrawStarSprite(0.5f);
    glPopMatrix();
}

void DrawSparkBurst()
{
    for (int i = 0; i < kSparks; ++i) {
        DrawSpark(i);
    }
    ++burstFrame;
    if (burstFrame > 250) {
        // The new layout shows from the next frame on; this one still showed the old sparks.
        burstFrame = 0;
        PlayEffect("data/bang.wav");
        InitSparks();
    }
}
