#include <dlfcn.h>

// Mesa's EGL and software-rendering modules keep allocations in their globals;
// SDL_Quit unloads them, after which LeakSanitizer sees those blocks as
// leaked and cannot even name their module. Pinning the modules for the life
// of the test program keeps the report about our own code. A module that is
// not there (another distribution's layout) is simply not pinned.
namespace {

struct KeepDriversLoaded {
    KeepDriversLoaded()
    {
        const char* const modules[] = { "libEGL.so.1", "libEGL_mesa.so.0",
            "/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so" };
        for (const char* module : modules)
            dlopen(module, RTLD_NOW | RTLD_NODELETE);
    }
} keepDriversLoaded;

}
