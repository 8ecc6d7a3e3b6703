// Finding optional GL features at run time: extension lists and entry points by name.
#pragma once

// Whether a space-separated extension list (GL_EXTENSIONS, a GLX list) names `name` as a
// whole word; a null list names nothing.
bool extensionListHas(const char* list, const char* name);

// The current GL's extension list (GL_EXTENSIONS), or null without a context.
const char* glExtensionList();

// How entry points are found by name: the window system's getter, which the front end that
// made the context sets (gl/ knows no window system). Until one is set, none is found.
using GlEntryPointLookup = void (*(*)(const char* name))();
void setGlEntryPointLookup(GlEntryPointLookup lookup);

// An entry point by name, cast to `Function`; null where the library has none. Needed for
// ARB/EXT and GL 3.0 calls that libOpenGL need not export.
void (*glEntryPoint(const char* name))();
template <typename Function>
Function glEntryPointAs(const char* name)
{
    return reinterpret_cast<Function>(glEntryPoint(name));
}
