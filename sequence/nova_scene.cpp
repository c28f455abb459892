// The nova scene: big bang, camera offset, backdrop, title word, the three particle passes and the flares.
#include "sequence/nova_scene.h"

#include "sequence/timeline.h"

// PLACEHOLDER: only the big bang and the count-down so far; the drawing lands with the nova issue.
void DrawNovaScene()
{
    if (switchCooldown == 70)
        PlayEffect("data/bang.wav");

    if (switchCooldown > 0)
        --switchCooldown;
}
