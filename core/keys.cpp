// The keys and mouse input of the scene window and panel, as --help and the panel list them.
#include "core/keys.h"

const char* const kKeyList =
    "drag        turn the still life (up/down: zoom in Zoom Mode, else tilt)\n"
    "wheel       zoom in and out\n"
    "c / s       cylindrical / spherical picture on the vase\n"
    "y           start or stop turning the whole view\n"
    "r           reset rotation, zoom and turn to the start-up view\n"
    "p           print the page link of the current scene\n"
    "Ctrl+Z      undo the last change of a setting or the view\n"
    "Ctrl+Y      redo it (also Ctrl+Shift+Z)\n"
    "q / Esc     quit (Esc in a panel field cancels the edit)\n"
    "F1 / h      show or hide this list in the panel\n";
