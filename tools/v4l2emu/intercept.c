/*
 * Emulated V4L2 capture devices (webcams, HDMI grabbers) for the processes this library
 * is loaded into with LD_PRELOAD: Wine's capture source then finds /dev/videoN as it
 * finds real hardware. Native Linux, like the modem-line shim (tools/ptyshim).
 *
 * Settings, from the environment:
 *
 *   V4L2EMU_DEVICE<N>=<settings>  (N = 0..9) /dev/video<N> is an emulated device.
 *                          <settings> is empty (every default) or key=value items
 *                          separated by commas:
 *       name=TEXT          the card name, 1 to 31 characters (Emulated Webcam <N>)
 *       formats=LIST       BGR24, YUYV or BGR24+YUYV (BGR24+YUYV); the first is the
 *                          format the device starts in
 *       sizes=LIST         discrete frame sizes WxH joined by +, the first the start size
 *                          (640x480+1280x720+1920x1080)
 *       fps=LIST           frame rates joined by +, the first the start rate (30)
 *       io=read|mmap       read() and mmap streaming, or mmap streaming only as most
 *                          USB webcams (read)
 *       read=wait|eagain   what a read or dequeue on a non-blocking file answers before
 *                          the next frame is ready: wait for it, or EAGAIN as the
 *                          kernel's drivers do (wait)
 *       fault=none|busy|forbidden|in-use
 *                          open says EBUSY (busy) or EACCES (forbidden); in-use opens,
 *                          but format and streaming calls say EBUSY, as a device another
 *                          program streams from (none)
 *   V4L2EMU_CONTROL=<file> its words change the devices at run time, read again whenever
 *                          the file changes: unplugged, busy, forbidden, in-use or plugged
 *                          for every device, or videoN:<word> for one. An unplugged
 *                          device has no path, and its open files say ENODEV to every
 *                          call from then on, also once it is plugged in again.
 *   V4L2EMU_HIDE_CONVERTER=1  libv4l2 cannot be loaded (dlopen of it fails), as on a
 *                          machine without libv4l-0: Wine's source then reads the device
 *                          directly, BGR24 only.
 *   V4L2EMU_TRACE=1        every call on an emulated device is written to stderr.
 *   V4L2EMU_CHECK=1        the library only checks the settings: it prints one line per
 *                          device and ends the process, with status 2 when a setting was
 *                          not understood (scripts/run.sh checks a device this way).
 *
 * A setting that is not understood is reported on stderr and leaves its device out.
 *
 * The calls answered for the device paths and files: stat (and the glibc variants), open
 * (and its variants), close, read, ioctl, mmap, poll, select, and syscall() for those of
 * open, close, read, ioctl and mmap (libv4l2 makes its device calls through syscall()).
 * Every other call, path and file goes to the C library untouched.
 */
#define _GNU_SOURCE
#include "v4l2emu.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <sys/select.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#define VIDEO_MAJOR 81

static void* next_symbol(const char* name) {
    return dlsym(RTLD_NEXT, name);
}

#define REAL(type, name)                                                                           \
    static type real_##name;                                                                       \
    if (real_##name == NULL)                                                                       \
        real_##name = (type)next_symbol(#name);

typedef long (*syscall_fn)(long, ...);

long emu_sys(long number, long a, long b, long c, long d, long e, long f) {
    REAL(syscall_fn, syscall);
    return real_syscall(number, a, b, c, d, e, f);
}

__attribute__((constructor)) static void load_settings(void) {
    int errors = emu_config_load();
    const char* check = getenv("V4L2EMU_CHECK");
    if (check != NULL && strcmp(check, "1") == 0) {
        emu_config_print();
        _exit(errors > 0 ? 2 : 0);
    }
}

/* ---- paths */

static struct emu_device* present_device(const char* path, int* error) {
    struct emu_device* device = emu_device_for_path(path);
    if (device != NULL && emu_current_fault(device) == EMU_FAULT_UNPLUGGED) {
        *error = ENOENT;
        return NULL;
    }
    *error = 0;
    return device;
}

static gid_t video_group(void) {
    static gid_t gid = (gid_t)-1;
    if (gid == (gid_t)-1) {
        struct group* group = getgrnam("video");
        gid = group != NULL ? group->gr_gid : 0;
    }
    return gid;
}

/* As udev leaves a capture device: root's, group video, read and write for both. */
static void device_stat(const struct emu_device* device, struct stat* st) {
    memset(st, 0, sizeof(*st));
    st->st_mode = S_IFCHR | 0660;
    st->st_rdev = makedev(VIDEO_MAJOR, device->number);
    st->st_nlink = 1;
    st->st_uid = 0;
    st->st_gid = video_group();
    st->st_blksize = 4096;
    clock_gettime(CLOCK_REALTIME, &st->st_mtim);
    st->st_atim = st->st_ctim = st->st_mtim;
}

/* 1: answered for an emulated device (result in *st), -1: failed with errno set,
 * 0: not an emulated device. */
static int stat_path(const char* path, struct stat* st) {
    int error;
    struct emu_device* device = present_device(path, &error);
    if (error != 0) {
        errno = error;
        return -1;
    }
    if (device == NULL)
        return 0;
    device_stat(device, st);
    return 1;
}

static int stat_fd(int fd, struct stat* st) {
    struct emu_file* file = emu_file_for_fd(fd);
    if (file == NULL)
        return 0;
    device_stat(file->device, st);
    return 1;
}

#define STAT_PATH(path, st, otherwise)                                                             \
    do {                                                                                           \
        int answered = stat_path(path, (struct stat*)(st));                                        \
        if (answered != 0)                                                                         \
            return answered > 0 ? 0 : -1;                                                          \
        return otherwise;                                                                          \
    } while (0)

typedef int (*stat_fn)(const char*, struct stat*);
typedef int (*fstat_fn)(int, struct stat*);
typedef int (*fstatat_fn)(int, const char*, struct stat*, int);
typedef int (*xstat_fn)(int, const char*, struct stat*);
typedef int (*fxstat_fn)(int, int, struct stat*);
typedef int (*fxstatat_fn)(int, int, const char*, struct stat*, int);

int stat(const char* path, struct stat* st) {
    REAL(stat_fn, stat);
    STAT_PATH(path, st, real_stat(path, st));
}

int stat64(const char* path, struct stat64* st) {
    REAL(stat_fn, stat64);
    STAT_PATH(path, st, real_stat64(path, (struct stat*)st));
}

int lstat(const char* path, struct stat* st) {
    REAL(stat_fn, lstat);
    STAT_PATH(path, st, real_lstat(path, st));
}

int lstat64(const char* path, struct stat64* st) {
    REAL(stat_fn, lstat64);
    STAT_PATH(path, st, real_lstat64(path, (struct stat*)st));
}

int fstatat(int dirfd, const char* path, struct stat* st, int flags) {
    REAL(fstatat_fn, fstatat);
    if ((flags & AT_EMPTY_PATH) && path[0] == '\0' && stat_fd(dirfd, st))
        return 0;
    STAT_PATH(path, st, real_fstatat(dirfd, path, st, flags));
}

int fstatat64(int dirfd, const char* path, struct stat64* st, int flags) {
    REAL(fstatat_fn, fstatat64);
    if ((flags & AT_EMPTY_PATH) && path[0] == '\0' && stat_fd(dirfd, (struct stat*)st))
        return 0;
    STAT_PATH(path, st, real_fstatat64(dirfd, path, (struct stat*)st, flags));
}

int fstat(int fd, struct stat* st) {
    REAL(fstat_fn, fstat);
    return stat_fd(fd, st) ? 0 : real_fstat(fd, st);
}

int fstat64(int fd, struct stat64* st) {
    REAL(fstat_fn, fstat64);
    return stat_fd(fd, (struct stat*)st) ? 0 : real_fstat64(fd, (struct stat*)st);
}

/* The entry points of programs built against a glibc older than 2.33. */
int __xstat(int version, const char* path, struct stat* st);
int __xstat64(int version, const char* path, struct stat64* st);
int __lxstat(int version, const char* path, struct stat* st);
int __lxstat64(int version, const char* path, struct stat64* st);
int __fxstat(int version, int fd, struct stat* st);
int __fxstat64(int version, int fd, struct stat64* st);
int __fxstatat(int version, int dirfd, const char* path, struct stat* st, int flags);
int __fxstatat64(int version, int dirfd, const char* path, struct stat64* st, int flags);

int __xstat(int version, const char* path, struct stat* st) {
    REAL(xstat_fn, __xstat);
    STAT_PATH(path, st, real___xstat(version, path, st));
}

int __xstat64(int version, const char* path, struct stat64* st) {
    REAL(xstat_fn, __xstat64);
    STAT_PATH(path, st, real___xstat64(version, path, (struct stat*)st));
}

int __lxstat(int version, const char* path, struct stat* st) {
    REAL(xstat_fn, __lxstat);
    STAT_PATH(path, st, real___lxstat(version, path, st));
}

int __lxstat64(int version, const char* path, struct stat64* st) {
    REAL(xstat_fn, __lxstat64);
    STAT_PATH(path, st, real___lxstat64(version, path, (struct stat*)st));
}

int __fxstat(int version, int fd, struct stat* st) {
    REAL(fxstat_fn, __fxstat);
    return stat_fd(fd, st) ? 0 : real___fxstat(version, fd, st);
}

int __fxstat64(int version, int fd, struct stat64* st) {
    REAL(fxstat_fn, __fxstat64);
    return stat_fd(fd, (struct stat*)st) ? 0 : real___fxstat64(version, fd, (struct stat*)st);
}

int __fxstatat(int version, int dirfd, const char* path, struct stat* st, int flags) {
    REAL(fxstatat_fn, __fxstatat);
    STAT_PATH(path, st, real___fxstatat(version, dirfd, path, st, flags));
}

int __fxstatat64(int version, int dirfd, const char* path, struct stat64* st, int flags) {
    REAL(fxstatat_fn, __fxstatat64);
    STAT_PATH(path, st, real___fxstatat64(version, dirfd, path, (struct stat*)st, flags));
}

int access(const char* path, int mode) {
    typedef int (*access_fn)(const char*, int);
    REAL(access_fn, access);
    int error;
    struct emu_device* device = present_device(path, &error);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return device != NULL ? 0 : real_access(path, mode);
}

/* ---- open and close */

/* -2: not an emulated device; otherwise open's answer. */
static int open_device(const char* path, int flags) {
    struct emu_device* device = emu_device_for_path(path);
    if (device == NULL)
        return -2;
    int error = 0;
    struct emu_file* file = emu_file_open(device, flags, &error);
    emu_trace("v4l2emu: open %s -> %d%s%s", path, file ? file->fd : -1, file ? "" : " ",
              file ? "" : strerror(error));
    if (file == NULL) {
        errno = error;
        return -1;
    }
    return file->fd;
}

static mode_t mode_argument(int flags, va_list args) {
    return (flags & (O_CREAT | O_TMPFILE)) ? (mode_t)va_arg(args, int) : 0;
}

typedef int (*open_fn)(const char*, int, ...);
typedef int (*openat_fn)(int, const char*, int, ...);
typedef int (*open2_fn)(const char*, int);
typedef int (*openat2_fn)(int, const char*, int);

#define OPEN_BODY(name, call)                                                                      \
    va_list args;                                                                                  \
    va_start(args, flags);                                                                         \
    mode_t mode = mode_argument(flags, args);                                                      \
    va_end(args);                                                                                  \
    int fd = open_device(path, flags);                                                             \
    if (fd != -2)                                                                                  \
        return fd;                                                                                 \
    REAL(name##_fn, name);                                                                         \
    return call;

int open(const char* path, int flags, ...) {
    OPEN_BODY(open, real_open(path, flags, mode))
}

int open64(const char* path, int flags, ...) {
    typedef open_fn open64_fn;
    OPEN_BODY(open64, real_open64(path, flags, mode))
}

int openat(int dirfd, const char* path, int flags, ...) {
    OPEN_BODY(openat, real_openat(dirfd, path, flags, mode))
}

int openat64(int dirfd, const char* path, int flags, ...) {
    typedef openat_fn openat64_fn;
    OPEN_BODY(openat64, real_openat64(dirfd, path, flags, mode))
}

int __open_2(const char* path, int flags);
int __open64_2(const char* path, int flags);
int __openat_2(int dirfd, const char* path, int flags);
int __openat64_2(int dirfd, const char* path, int flags);

int __open_2(const char* path, int flags) {
    int fd = open_device(path, flags);
    if (fd != -2)
        return fd;
    REAL(open2_fn, __open_2);
    return real___open_2(path, flags);
}

int __open64_2(const char* path, int flags) {
    int fd = open_device(path, flags);
    if (fd != -2)
        return fd;
    REAL(open2_fn, __open64_2);
    return real___open64_2(path, flags);
}

int __openat_2(int dirfd, const char* path, int flags) {
    int fd = open_device(path, flags);
    if (fd != -2)
        return fd;
    REAL(openat2_fn, __openat_2);
    return real___openat_2(dirfd, path, flags);
}

int __openat64_2(int dirfd, const char* path, int flags) {
    int fd = open_device(path, flags);
    if (fd != -2)
        return fd;
    REAL(openat2_fn, __openat64_2);
    return real___openat64_2(dirfd, path, flags);
}

static void forget_file(int fd) {
    struct emu_file* file = emu_file_for_fd(fd);
    if (file != NULL) {
        emu_trace("v4l2emu: close %d", fd);
        emu_file_close(file);
    }
}

int close(int fd) {
    typedef int (*close_fn)(int);
    REAL(close_fn, close);
    forget_file(fd);
    return real_close(fd);
}

/* ---- read, ioctl, mmap */

ssize_t read(int fd, void* data, size_t count) {
    typedef ssize_t (*read_fn)(int, void*, size_t);
    REAL(read_fn, read);
    struct emu_file* file = emu_file_for_fd(fd);
    return file != NULL ? emu_file_read(file, data, count) : real_read(fd, data, count);
}

ssize_t __read_chk(int fd, void* data, size_t count, size_t size);
ssize_t __read_chk(int fd, void* data, size_t count, size_t size) {
    (void)size;
    return read(fd, data, count);
}

int ioctl(int fd, unsigned long request, ...) {
    typedef int (*ioctl_fn)(int, unsigned long, ...);
    REAL(ioctl_fn, ioctl);
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);
    struct emu_file* file = emu_file_for_fd(fd);
    return file != NULL ? emu_file_ioctl(file, request, argument)
                        : real_ioctl(fd, request, argument);
}

void* mmap(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    typedef void* (*mmap_fn)(void*, size_t, int, int, int, off_t);
    REAL(mmap_fn, mmap);
    struct emu_file* file = emu_file_for_fd(fd);
    return file != NULL ? emu_file_mmap(file, address, length, protection, flags, offset)
                        : real_mmap(address, length, protection, flags, fd, offset);
}

void* mmap64(void* address, size_t length, int protection, int flags, int fd, off_t offset) {
    return mmap(address, length, protection, flags, fd, offset);
}

/* ---- poll and select */

int poll(struct pollfd* fds, nfds_t count, int timeout) {
    typedef int (*poll_fn)(struct pollfd*, nfds_t, int);
    REAL(poll_fn, poll);
    int emulated = 0;
    for (nfds_t i = 0; i < count && !emulated; i++)
        emulated = emu_file_for_fd(fds[i].fd) != NULL;
    if (!emulated)
        return real_poll(fds, count, timeout);

    /* The other files are polled for as long as no emulated file is ready. */
    struct pollfd* others = calloc(count, sizeof(*others));
    if (others == NULL) {
        errno = ENOMEM;
        return -1;
    }
    int64_t deadline = timeout < 0 ? -1 : emu_now_ns() + (int64_t)timeout * 1000000;
    int result;
    for (;;) {
        int ready = 0;
        int64_t wait_ns = -1;
        for (nfds_t i = 0; i < count; i++) {
            others[i] = fds[i];
            struct emu_file* file = emu_file_for_fd(fds[i].fd);
            if (file == NULL)
                continue;
            others[i].fd = -1;
            int64_t file_wait;
            int events = emu_file_ready(file, &file_wait);
            fds[i].revents = (short)(events & (fds[i].events | POLLERR | POLLHUP));
            ready += fds[i].revents != 0;
            if (file_wait >= 0 && (wait_ns < 0 || file_wait < wait_ns))
                wait_ns = file_wait;
        }
        int64_t left = deadline < 0 ? -1 : deadline - emu_now_ns();
        if (left < 0 && deadline >= 0)
            left = 0;
        if (ready > 0)
            wait_ns = 0;
        else if (left >= 0 && (wait_ns < 0 || left < wait_ns))
            wait_ns = left;
        int ms = wait_ns < 0 ? -1 : (int)((wait_ns + 999999) / 1000000);
        result = real_poll(others, count, ms);
        if (result < 0)
            break;
        for (nfds_t i = 0; i < count; i++)
            if (others[i].fd >= 0)
                fds[i].revents = others[i].revents;
        result += ready;
        if (result > 0 || (deadline >= 0 && emu_now_ns() >= deadline))
            break;
    }
    free(others);
    return result;
}

int __poll_chk(struct pollfd* fds, nfds_t count, int timeout, size_t size);
int __poll_chk(struct pollfd* fds, nfds_t count, int timeout, size_t size) {
    (void)size;
    return poll(fds, count, timeout);
}

int select(int count, fd_set* readable, fd_set* writable, fd_set* failed, struct timeval* timeout) {
    typedef int (*select_fn)(int, fd_set*, fd_set*, fd_set*, struct timeval*);
    REAL(select_fn, select);
    int emulated = 0;
    for (int fd = 0; fd < count && fd < FD_SETSIZE && !emulated; fd++)
        emulated = readable != NULL && FD_ISSET(fd, readable) && emu_file_for_fd(fd) != NULL;
    if (!emulated)
        return real_select(count, readable, writable, failed, timeout);

    /* As a poll of the same files. */
    struct pollfd fds[FD_SETSIZE];
    nfds_t used = 0;
    for (int fd = 0; fd < count && fd < FD_SETSIZE; fd++) {
        short events = (short)((readable && FD_ISSET(fd, readable) ? POLLIN : 0) |
                               (writable && FD_ISSET(fd, writable) ? POLLOUT : 0) |
                               (failed && FD_ISSET(fd, failed) ? POLLPRI : 0));
        if (events != 0)
            fds[used++] = (struct pollfd){fd, events, 0};
    }
    int ms = timeout == NULL ? -1 : (int)(timeout->tv_sec * 1000 + timeout->tv_usec / 1000);
    int result = poll(fds, used, ms);
    if (result < 0)
        return -1;
    if (readable)
        FD_ZERO(readable);
    if (writable)
        FD_ZERO(writable);
    if (failed)
        FD_ZERO(failed);
    int bits = 0;
    for (nfds_t i = 0; i < used; i++) {
        short revents = fds[i].revents;
        if (readable && (revents & (POLLIN | POLLERR | POLLHUP)) && (fds[i].events & POLLIN)) {
            FD_SET(fds[i].fd, readable);
            bits++;
        }
        if (writable && (revents & (POLLOUT | POLLERR)) && (fds[i].events & POLLOUT)) {
            FD_SET(fds[i].fd, writable);
            bits++;
        }
        if (failed && (revents & POLLPRI) && (fds[i].events & POLLPRI)) {
            FD_SET(fds[i].fd, failed);
            bits++;
        }
    }
    return bits;
}

/* ---- dlopen, to hide libv4l2 */

void* dlopen(const char* file, int mode) {
    typedef void* (*dlopen_fn)(const char*, int);
    REAL(dlopen_fn, dlopen);
    const char* hide = getenv("V4L2EMU_HIDE_CONVERTER");
    if (file != NULL && hide != NULL && strcmp(hide, "1") == 0 && strstr(file, "libv4l2") != NULL) {
        emu_trace("v4l2emu: dlopen %s hidden", file);
        return NULL;
    }
    return real_dlopen(file, mode);
}

/* ---- syscall(), as libv4l2 reaches the device */

long syscall(long number, ...) {
    va_list args;
    va_start(args, number);
    long a = va_arg(args, long), b = va_arg(args, long), c = va_arg(args, long);
    long d = va_arg(args, long), e = va_arg(args, long), f = va_arg(args, long);
    va_end(args);
    struct emu_file* file;
    int fd;
    switch (number) {
    case SYS_open:
        if ((fd = open_device((const char*)a, (int)b)) != -2)
            return fd;
        break;
    case SYS_openat:
        if ((fd = open_device((const char*)b, (int)c)) != -2)
            return fd;
        break;
    case SYS_close:
        forget_file((int)a);
        break;
    case SYS_read:
        if ((file = emu_file_for_fd((int)a)) != NULL)
            return emu_file_read(file, (void*)b, (size_t)c);
        break;
    case SYS_ioctl:
        if ((file = emu_file_for_fd((int)a)) != NULL)
            return emu_file_ioctl(file, (unsigned long)b, (void*)c);
        break;
    case SYS_mmap:
        if ((file = emu_file_for_fd((int)e)) != NULL)
            return (long)emu_file_mmap(file, (void*)a, (size_t)b, (int)c, (int)d, (off_t)f);
        break;
    default:
        break;
    }
    return emu_sys(number, a, b, c, d, e, f);
}

/* ---- statx, as coreutils (ls) looks at a path */

int statx(int dirfd, const char* path, int flags, unsigned int mask, struct statx* out) {
    typedef int (*statx_fn)(int, const char*, int, unsigned int, struct statx*);
    REAL(statx_fn, statx);
    struct stat st;
    int answered = stat_path(path, &st);
    if (answered == 0)
        return real_statx(dirfd, path, flags, mask, out);
    if (answered < 0)
        return -1;
    memset(out, 0, sizeof(*out));
    out->stx_mask = STATX_BASIC_STATS;
    out->stx_mode = (uint16_t)st.st_mode;
    out->stx_nlink = 1;
    out->stx_gid = st.st_gid;
    out->stx_blksize = 4096;
    out->stx_rdev_major = major(st.st_rdev);
    out->stx_rdev_minor = minor(st.st_rdev);
    out->stx_mtime.tv_sec = out->stx_atime.tv_sec = out->stx_ctime.tv_sec = st.st_mtim.tv_sec;
    return 0;
}
