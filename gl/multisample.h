// A multisampled framebuffer object to draw a picture into, resolved into the bound window
// or pbuffer before its pixels are read (antialiasing for --render).
#pragma once

// Binds a framebuffer of width x height with `samples` a pixel, or the nearest lower count this
// GL offers; returns the samples obtained, 0 when none could be made (then nothing is bound
// and frames draw as before).
int beginMultisampledPicture(int width, int height, int samples);

// Averages the samples into the default framebuffer and binds it again.
void resolveMultisampledPicture();

// Binds the multisampled framebuffer again for another frame of the same picture (a
// transparent picture draws the frame twice); does nothing when there is none.
void rebindMultisampledPicture();
