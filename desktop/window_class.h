// The X class both windows carry, which desktops match to the menu entry's StartupWMClass.
#pragma once

// Sets WM_CLASS ("tolvane", "Tolvane") on the current GLUT window.
void setWindowClass();
