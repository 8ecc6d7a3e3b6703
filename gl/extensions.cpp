// Finding optional GL features at run time, through the lookup the front end gives.
#include "gl/extensions.h"

#include <GL/gl.h>

#include <cstring>

bool extensionListHas(const char* list, const char* name)
{
    if (!list)
        return false;
    const std::size_t length = std::strlen(name);
    for (const char* p = std::strstr(list, name); p; p = std::strstr(p + 1, name)) {
        const bool startsWord = p == list || p[-1] == ' ';
        const bool endsWord = p[length] == ' ' || p[length] == '\0';
        if (startsWord && endsWord)
            return true;
    }
    return false;
}

const char* glExtensionList()
{
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

namespace {

GlEntryPointLookup lookup = nullptr;

}  // namespace

void setGlEntryPointLookup(GlEntryPointLookup lookupFunction)
{
    lookup = lookupFunction;
}

void (*glEntryPoint(const char* name))()
{
    return lookup ? lookup(name) : nullptr;
}
