#pragma once
// The card maker's pictures: the five backgrounds drawn with the program's own display
// code for the layout in force, on the framebuffer as it is open.
#include "props/layout.h"

// Which screens a picture serves, whether it is the pressed look, and its body colour.
struct PictureJob {
    Picture slot;
    int screens;
    bool active;
    Colour body;
};
extern const PictureJob JOBS[PICTURE_COUNT];

// Paints the picture of job over the whole framebuffer, in layout coordinates.
void paintPicture(const PictureJob& job);
