/*
 * The emulated V4L2 capture devices: what they are (from the environment), the frames
 * they make and the calls they answer. tools/v4l2emu/intercept.c documents the
 * environment variables; docs/v4l2emu.md describes the whole device.
 */
#pragma once

#include <linux/videodev2.h>
#include <stddef.h>
#include <stdint.h>
#include <sys/types.h>

#define EMU_MAX_DEVICES 10
#define EMU_MAX_FORMATS 2
#define EMU_MAX_SIZES 8
#define EMU_MAX_RATES 4
#define EMU_MAX_BUFFERS 8
#define EMU_CONTROLS 4

/* How a read or a buffer dequeue without a frame ready answers on a non-blocking file:
 * it waits for the frame (EMU_READ_WAIT) or says EAGAIN as the kernel's drivers do. */
enum emu_read_mode { EMU_READ_WAIT, EMU_READ_EAGAIN };

/* A state of the device, from its settings or from the control file at run time. */
enum emu_fault {
    EMU_FAULT_NONE,
    EMU_FAULT_BUSY,      /* open says EBUSY */
    EMU_FAULT_FORBIDDEN, /* open says EACCES */
    EMU_FAULT_IN_USE,    /* opens, but format and streaming calls say EBUSY */
    EMU_FAULT_UNPLUGGED, /* gone: no path, and every call on an open file says ENODEV */
};

struct emu_size {
    uint32_t width, height;
};

/* One emulated device as configured, plus the state that the kernel keeps per device
 * (format, frame interval, controls). */
struct emu_device {
    int present;
    int number; /* N of /dev/videoN */
    char name[32];
    uint32_t formats[EMU_MAX_FORMATS];
    int format_count;
    struct emu_size sizes[EMU_MAX_SIZES];
    int size_count;
    uint32_t rates[EMU_MAX_RATES]; /* frames per second */
    int rate_count;
    int readwrite; /* offers read() besides mmap streaming */
    enum emu_read_mode read_mode;
    enum emu_fault fault;

    struct v4l2_pix_format format;
    uint32_t rate;
    int32_t controls[EMU_CONTROLS];
};

/* One open file of a device. */
struct emu_file {
    int fd;
    struct emu_device* device;
    int dead; /* the device was unplugged while it was open: ENODEV from then on */
    int streaming;
    int reading; /* read() was used: buffers are refused, as the kernel does */
    int buffer_count;
    size_t buffer_size; /* page-aligned */
    int memfd;          /* the buffers, mapped by the reader at offset index * buffer_size */
    unsigned char* buffers;
    uint32_t buffer_flags[EMU_MAX_BUFFERS];
    uint32_t queue[EMU_MAX_BUFFERS]; /* queued buffer indexes, oldest first */
    int queued;
    int64_t clock_start_ns; /* when the stream started; frame n is ready n intervals later */
    int64_t last_sequence;
    unsigned char* scratch; /* a frame for a read() shorter than the frame */
};

/* intercept.c: the C library's own syscall(), past this library's */
long emu_sys(long number, long a, long b, long c, long d, long e, long f);

/* config.c */
int emu_config_load(void);
void emu_config_print(void);
struct emu_device* emu_device_for_path(const char* path);
enum emu_fault emu_current_fault(const struct emu_device* device);
const char* emu_format_name(uint32_t pixelformat);
uint32_t emu_bytes_per_pixel(uint32_t pixelformat);
int emu_tracing(void);
void emu_trace(const char* format, ...) __attribute__((format(printf, 1, 2)));

/* frames.c */
void emu_render_frame(const struct v4l2_pix_format* format, uint64_t counter, unsigned char* out);

/* device.c */
struct emu_file* emu_file_open(struct emu_device* device, int flags, int* error);
void emu_file_close(struct emu_file* file);
struct emu_file* emu_file_for_fd(int fd);
int emu_file_ioctl(struct emu_file* file, unsigned long request, void* argument);
ssize_t emu_file_read(struct emu_file* file, void* data, size_t count);
void* emu_file_mmap(struct emu_file* file, void* address, size_t length, int protection, int flags,
                    off_t offset);
int emu_file_ready(struct emu_file* file, int64_t* wait_ns);
int64_t emu_now_ns(void);
