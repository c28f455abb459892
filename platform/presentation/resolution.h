// The picture's resolution: native (drawn at the size shown, multisampled) or classic (drawn at the size the
// program asked for and scaled), as --resolution asks, as the harness's size says, or as a short trial on
// this GL finds it can keep 60 frames a second.
#pragma once

struct PictureWindow;

enum class PictureResolution { Auto, Native, Classic };
// Auto (the default) lets the trial decide, or the harness's size under a harness.
void ChoosePictureResolution(PictureResolution choice);

// Whether a context about to get its picture draws it natively; the context is current and has framebuffer
// objects. The choice and its reason are said once on stderr, outside the harness.
bool DrawsNatively(const PictureWindow* window);
// The native picture the trial chose drops most of its pictures: the run draws the classic one from now on,
// this context's included. False, changing nothing, where the resolution was asked for (or set by a
// harness), which stands.
bool ForgoNative();
