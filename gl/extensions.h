// Finding optional GL and GLX features at run time: extension lists and entry points by name.
#pragma once

// Whether a space-separated extension list (GL_EXTENSIONS, a GLX list) names `name` as a
// whole word; a null list names nothing.
bool extensionListHas(const char* list, const char* name);

// The current GL's extension list (GL_EXTENSIONS), or null without a context.
const char* glExtensionList();

// An entry point by name, cast to `Function`; null where the library has none. Needed for
// ARB/EXT and GL 3.0 calls that libOpenGL need not export. Under glvnd the GLX getter hands
// out dispatch stubs that serve EGL contexts too.
void (*glEntryPoint(const char* name))();
template <typename Function>
Function glEntryPointAs(const char* name)
{
    return reinterpret_cast<Function>(glEntryPoint(name));
}
