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
#include <sys/stat.h>
#include <sys/syscall.h>
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

static int (*next_open)(const char *, int, ...);
static int (*next_openat)(int, const char *, int, ...);
static int (*next_close)(int);
static int (*next_ioctl)(int, unsigned long, ...);
static ssize_t (*next_read)(int, void *, size_t);
static int (*next_mkdir)(const char *, mode_t);
static int ready;

__attribute__((constructor)) static void set_up(void)
{
    next_open = (int (*)(const char *, int, ...))dlsym(RTLD_NEXT, "open");
    next_openat = (int (*)(int, const char *, int, ...))dlsym(RTLD_NEXT, "openat");
    next_close = (int (*)(int))dlsym(RTLD_NEXT, "close");
    next_ioctl = (int (*)(int, unsigned long, ...))dlsym(RTLD_NEXT, "ioctl");
    next_read = (ssize_t (*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
    next_mkdir = (int (*)(const char *, mode_t))dlsym(RTLD_NEXT, "mkdir");
    ready = next_open && next_openat && next_close && next_ioctl && next_read && next_mkdir;
}

static int open_next(int dirfd, const char *path, int flags, mode_t mode)
{
    if (!ready)
        return (int)syscall(SYS_openat, dirfd, path, flags, mode);
    return dirfd == AT_FDCWD ? next_open(path, flags, mode) : next_openat(dirfd, path, flags, mode);
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
            file->reopened_fd = open_next(AT_FDCWD, file->node, O_RDWR | O_CLOEXEC, 0);
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
    const int fd = open_next(AT_FDCWD, path, flags, mode);
    track(fd, path);
    return fd;
}

int openat(int dirfd, const char *path, int flags, ...)
{
    va_list args;
    va_start(args, flags);
    const mode_t mode = mode_argument(flags, args);
    va_end(args);
    const int fd = open_next(dirfd, path, flags, mode);
    track(fd, path[0] == '/' ? path : NULL);
    return fd;
}

/* The 64-bit names are the same calls on this platform. */
int open64(const char *path, int flags, ...) __attribute__((alias("open")));
int openat64(int dirfd, const char *path, int flags, ...) __attribute__((alias("openat")));

int close(int fd)
{
    if (!ready)
        return (int)syscall(SYS_close, fd);
    if (fd >= 0 && fd < TRACKED_DESCRIPTORS) {
        pthread_mutex_lock(&files_lock);
        struct tracked_file *file = &files[fd];
        if (file->opener != 0 && file->reopened_in == getpid() && file->reopened_fd >= 0)
            next_close(file->reopened_fd);
        memset(file, 0, sizeof *file);
        pthread_mutex_unlock(&files_lock);
    }
    return next_close(fd);
}

int ioctl(int fd, unsigned long request, ...)
{
    va_list args;
    va_start(args, request);
    void *argument = va_arg(args, void *);
    va_end(args);
    if (!ready)
        return (int)syscall(SYS_ioctl, fd, request, argument);
    return next_ioctl(route(fd), request, argument);
}

ssize_t read(int fd, void *buffer, size_t count)
{
    if (!ready)
        return syscall(SYS_read, fd, buffer, count);
    return next_read(route(fd), buffer, count);
}

int mkdir(const char *path, mode_t mode)
{
    if (!ready)
        return (int)syscall(SYS_mkdir, path, mode);
    return next_mkdir(path, mode);
}
