#include "BackendEntryPoints.h"

#include <dlfcn.h>

#include <cstdio>

std::mutex g_mutex;
BackendEntryPoints g_backend{};

namespace {

template <typename EntryPoint>
bool bindOne(void *library, const char *name, EntryPoint &slot)
{
    dlerror();
    void *symbol = dlsym(library, name);
    if (const char *error = dlerror()) {
        std::fprintf(stderr, "dlsym:%s\n", error);
        return false;
    }
    slot = reinterpret_cast<EntryPoint>(symbol);
    return true;
}

}  // namespace

bool bindBackendEntryPoints(void *library)
{
    BackendEntryPoints bound{};
    const bool complete = bindOne(library, "sane_vuro_q804_init", bound.init) &&
                          bindOne(library, "sane_vuro_q804_get_devices", bound.get_devices) &&
                          bindOne(library, "sane_vuro_q804_open", bound.open) &&
                          bindOne(library, "sane_vuro_q804_get_option_descriptor", bound.get_option_descriptor) &&
                          bindOne(library, "sane_vuro_q804_control_option", bound.control_option) &&
                          bindOne(library, "sane_vuro_q804_get_parameters", bound.get_parameters) &&
                          bindOne(library, "sane_vuro_q804_start", bound.start) &&
                          bindOne(library, "sane_vuro_q804_read", bound.read) &&
                          bindOne(library, "sane_vuro_q804_set_io_mode", bound.set_io_mode) &&
                          bindOne(library, "sane_vuro_q804_get_select_fd", bound.get_select_fd) &&
                          bindOne(library, "sane_vuro_q804_cancel", bound.cancel) &&
                          bindOne(library, "sane_vuro_q804_close", bound.close) &&
                          bindOne(library, "sane_vuro_q804_exit", bound.exit);
    g_backend = complete ? bound : BackendEntryPoints{};
    return complete;
}

void unbindBackendEntryPoints()
{
    g_backend = BackendEntryPoints{};
}
