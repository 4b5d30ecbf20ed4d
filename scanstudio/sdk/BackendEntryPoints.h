#pragma once

#include <sane/sane.h>

#include <mutex>

// Serialises every call into the backend, whichever thread makes it. Taken per
// call, never across a wait.
extern std::mutex g_mutex;

// The backend's entry points, in binding order. All null until every one of
// them is bound, so a partly bound backend is never called.
struct BackendEntryPoints {
    SANE_Status (*init)(SANE_Int *versionCode, SANE_Auth_Callback authorize);
    SANE_Status (*get_devices)(const SANE_Device ***deviceList, SANE_Bool localOnly);
    SANE_Status (*open)(SANE_String_Const deviceName, SANE_Handle *handle);
    const SANE_Option_Descriptor *(*get_option_descriptor)(SANE_Handle handle, SANE_Int option);
    SANE_Status (*control_option)(SANE_Handle handle, SANE_Int option, SANE_Action action, void *value,
                                  SANE_Int *info);
    SANE_Status (*get_parameters)(SANE_Handle handle, SANE_Parameters *params);
    SANE_Status (*start)(SANE_Handle handle);
    SANE_Status (*read)(SANE_Handle handle, SANE_Byte *data, SANE_Int maxLength, SANE_Int *length);
    SANE_Status (*set_io_mode)(SANE_Handle handle, SANE_Bool nonBlocking);
    SANE_Status (*get_select_fd)(SANE_Handle handle, SANE_Int *fd);
    void (*cancel)(SANE_Handle handle);
    void (*close)(SANE_Handle handle);
    void (*exit)();
};

extern BackendEntryPoints g_backend;

// Binds all thirteen entry points from a loaded backend object. On the first
// missing one prints "dlsym:<error>" and returns false, leaving all unbound.
bool bindBackendEntryPoints(void *library);
void unbindBackendEntryPoints();
