// The X class both windows carry, which desktops match to the menu entry's StartupWMClass.
#include "desktop/window_class.h"

#include <GL/glx.h>
#include <X11/Xutil.h>

void setWindowClass()
{
    Display* display = glXGetCurrentDisplay();
    const GLXDrawable window = glXGetCurrentDrawable();
    if (display == nullptr || window == 0)
        return;
    // Xlib takes the strings as writable, though it only reads them.
    char name[] = "tolvane";
    char className[] = "Tolvane";
    XClassHint hint{name, className};
    XSetClassHint(display, window, &hint);
}
