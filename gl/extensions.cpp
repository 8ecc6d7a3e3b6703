// Finding optional GL and GLX features at run time.
#include "gl/extensions.h"

#include <GL/gl.h>
#include <GL/glx.h>

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

void (*glEntryPoint(const char* name))()
{
    return glXGetProcAddressARB(reinterpret_cast<const GLubyte*>(name));
}
