// How the desktop's GL contexts, windowed and offscreen, find entry points by name.
#pragma once

// Hands gl/ GLX's getter; under glvnd it gives dispatch stubs that serve EGL contexts too.
// Call before anything is drawn; calling it again changes nothing.
void useGlxEntryPoints();
