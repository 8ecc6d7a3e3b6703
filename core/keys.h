// The keys and mouse input of the scene window and panel, as --help and the panel list them.
#pragma once

// Lines of "input  effect", one per key, ending with a newline.
extern const char* const kKeyList;

// ASCII Escape, as GLUT delivers it to a keyboard callback.
constexpr unsigned char kEscapeKey = 27;
