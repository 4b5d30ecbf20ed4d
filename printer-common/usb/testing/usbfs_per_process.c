/*
 * A preload for programs that run against the umockdev test bed and fork
 * processes that use an inherited usbfs device file: loaded before umockdev's
 * preload (LD_PRELOAD="<this>:<umockdev's>"), it gives every process its own
 * connection to the bed's handler.
 *
 * umockdev carries the requests on one opened file, the exchanges for their
 * arguments and their replies over one connection, which a forked process
 * shares with its parent; two processes using the file at once would mix
 * their messages, and a process killed inside a request would leave half an
 * exchange behind. So in a process other than the one that opened a device
 * file under /dev/bus/usb/, the first ioctl or read on it reopens the node
 * once, and that process's requests go through its own descriptor. The bed
 * keeps its device state per device, so the reopened file reaches the same
 * device.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <string.h>
#include <sys/types.h>
#include <unistd.h>

#define TRACKED_DESCRIPTORS 1024
#define NODE_PREFIX "/dev/bus/usb/"

struct tracked_file {
    pid_t opener;       /* 0: not a device file */
    char node[64];
    pid_t reopened_in;  /* the process that owns reopened_fd */
    int reopened_fd;
};

static struct tracked_file files[TRACKED_DESCRIPTORS];
/* Recursive: umockdev's functions that these call may come back here. */
static pthread_mutex_t files_lock = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

static void *next_symbol(const char *name)
{
    return dlsym(RTLD_NEXT, name);
}

static int next_open(const char *path, int flags, mode_t mode)
{
    static int (*real)(const char *, int, ...);
    if (!real)
        real = (int (*)(const char *, int, ...))next_symbol("open");
    return real(path, flags, mode);
}

static int next_openat(int dirfd, const char *path, int flags, mode_t mode)
{
    static int (*real)(int, const char *, int, ...);
    if (!real)
        real = (int (*)(int, const char *, int, ...))next_symbol("openat");
    return real(dirfd, path, flags, mode);
}

static void track(int fd, const char *path)
{
    if (fd < 0 || fd >= TRACKED_DESCRIPTORS)
        return;
    pthread_mutex_lock(&files_lock);
    struct tracked_file *file = &files[fd];
    memset(file, 0, sizeof *file);
    file->reopened_fd = -1;
    if (path && strncmp(path, NODE_PREFIX, strlen(NODE_PREFIX)) == 0 && strlen(path) < sizeof file->node) {
        file->opener = getpid();
        strcpy(file->node, path);
    }
    pthread_mutex_unlock(&files_lock);
}

/* The descriptor this process's requests on fd go through. */
static int route(int fd)
{
    if (fd < 0 || fd >= TRACKED_DESCRIPTORS)
        return fd;
    const pid_t self = getpid();
    int target = fd;
    pthread_mutex_lock(&files_lock);
    struct tracked_file *file = &files[fd];
    if (file->opener != 0 && file->opener != self) {
        if (file->reopened_in != self) {
            file->reopened_in = self;
            file->reopened_fd = next_open(file->node, O_RDWR | O_CLOEXEC, 0);
        }
        if (file->reopened_fd >= 0)
            target = file->reopened_fd;
    }
    pthread_mutex_unlock(&files_lock);
    return target;
}

static mode_t mode_argument(int flags, va_list args)
{
    return (flags & O_CREAT) || (flags & O_TMPFILE) == O_TMPFILE ? (mode_t)va_arg(args, int) : 0;
}

int open(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = next_open(path, flags, mode);
    track(fd, path);
    return fd;
}

int open64(const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = next_open(path, flags, mode);
    track(fd, path);
    return fd;
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = next_openat(dirfd, path, flags, mode);
    track(fd, path[0] == '/' ? path : NULL);
    return fd;
}

int openat64(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = next_openat(dirfd, path, flags, mode);
    track(fd, path[0] == '/' ? path : NULL);
    return fd;
}

int close(int fd)
{
    static int (*real)(int);
    if (!real)
        real = (int (*)(int))next_symbol("close");
    if (fd >= 0 && fd < TRACKED_DESCRIPTORS) {
        pthread_mutex_lock(&files_lock);
        struct tracked_file *file = &files[fd];
        if (file->opener != 0 && file->reopened_in == getpid() && file->reopened_fd >= 0)
            real(file->reopened_fd);
        memset(file, 0, sizeof *file);
        pthread_mutex_unlock(&files_lock);
    }
    return real(fd);
}

int ioctl(int fd, unsigned long request, ...)
{
    static int (*real)(int, unsigned long, ...);
    if (!real)
        real = (int (*)(int, unsigned long, ...))next_symbol("ioctl");
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    return real(route(fd), request, argument);
}

ssize_t read(int fd, void *buffer, size_t count)
{
    static ssize_t (*real)(int, void *, size_t);
    if (!real)
        real = (ssize_t (*)(int, void *, size_t))next_symbol("read");
    return real(route(fd), buffer, count);
}
