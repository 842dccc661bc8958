/*
 * An open file of an emulated device: the V4L2 calls answered as the kernel's capture
 * drivers answer them (formats, frame sizes and intervals, controls, one input, read()
 * I/O and mmap streaming), frames paced at the device's frame interval.
 *
 * Frame n of a stream is ready n + 1 intervals after the stream started (the first
 * read(), poll() or STREAMON); a reader that comes late gets the latest frame, whose
 * counter says how many intervals have passed, so frames are dropped as on hardware.
 *
 * Every file's state is kept under one lock; a call that waits for a frame leaves the
 * lock while it sleeps.
 */
#define _GNU_SOURCE
#include "v4l2emu.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#define MAX_FILES 64

static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static struct emu_file* files[MAX_FILES];

static const struct {
    uint32_t id;
    const char* name;
    int32_t minimum, maximum, default_value;
} controls[EMU_CONTROLS] = {
    {V4L2_CID_BRIGHTNESS, "Brightness", 0, 255, 128},
    {V4L2_CID_CONTRAST, "Contrast", 0, 255, 128},
    {V4L2_CID_SATURATION, "Saturation", 0, 255, 128},
    {V4L2_CID_HUE, "Hue", -180, 180, 0},
};

int64_t emu_now_ns(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (int64_t)now.tv_sec * 1000000000 + now.tv_nsec;
}

static int64_t interval_ns(const struct emu_file* file) {
    return 1000000000 / (int64_t)file->device->rate;
}

static int fail(int error) {
    errno = error;
    return -1;
}

struct emu_file* emu_file_open(struct emu_device* device, int flags, int* error) {
    switch (emu_current_fault(device)) {
    case EMU_FAULT_UNPLUGGED:
        *error = ENOENT;
        return NULL;
    case EMU_FAULT_BUSY:
        *error = EBUSY;
        return NULL;
    case EMU_FAULT_FORBIDDEN:
        *error = EACCES;
        return NULL;
    default:
        break;
    }
    /* A real descriptor stands for the file, so close, fcntl and the O_NONBLOCK flag
     * behave as for a device node. */
    int fd = eventfd(0, ((flags & O_CLOEXEC) ? EFD_CLOEXEC : 0) |
                            ((flags & O_NONBLOCK) ? EFD_NONBLOCK : 0));
    if (fd < 0) {
        *error = errno;
        return NULL;
    }
    struct emu_file* file = calloc(1, sizeof(*file));
    if (file == NULL) {
        emu_sys(SYS_close, fd, 0, 0, 0, 0, 0);
        *error = ENOMEM;
        return NULL;
    }
    file->fd = fd;
    file->device = device;
    file->memfd = -1;
    pthread_mutex_lock(&lock);
    int slot = 0;
    while (slot < MAX_FILES && files[slot] != NULL)
        slot++;
    if (slot < MAX_FILES)
        files[slot] = file;
    pthread_mutex_unlock(&lock);
    if (slot == MAX_FILES) {
        emu_sys(SYS_close, fd, 0, 0, 0, 0, 0);
        free(file);
        *error = EMFILE;
        return NULL;
    }
    return file;
}

static void free_buffers(struct emu_file* file) {
    if (file->buffers != NULL)
        munmap(file->buffers, file->buffer_size * (size_t)file->buffer_count);
    if (file->memfd >= 0)
        emu_sys(SYS_close, file->memfd, 0, 0, 0, 0, 0);
    file->buffers = NULL;
    file->memfd = -1;
    file->buffer_count = 0;
    file->queued = 0;
    file->streaming = 0;
}

void emu_file_close(struct emu_file* file) {
    pthread_mutex_lock(&lock);
    for (int slot = 0; slot < MAX_FILES; slot++)
        if (files[slot] == file)
            files[slot] = NULL;
    pthread_mutex_unlock(&lock);
    free_buffers(file);
    free(file->scratch);
    free(file);
}

struct emu_file* emu_file_for_fd(int fd) {
    if (fd < 0)
        return NULL;
    struct emu_file* found = NULL;
    pthread_mutex_lock(&lock);
    for (int slot = 0; slot < MAX_FILES && found == NULL; slot++)
        if (files[slot] != NULL && files[slot]->fd == fd)
            found = files[slot];
    pthread_mutex_unlock(&lock);
    return found;
}

/* An unplugged device stays gone for the files opened before, even once it is back. */
static int alive(struct emu_file* file) {
    if (!file->dead && emu_current_fault(file->device) == EMU_FAULT_UNPLUGGED)
        file->dead = 1;
    return !file->dead;
}

static int nonblocking(const struct emu_file* file) {
    int flags = fcntl(file->fd, F_GETFL);
    return flags >= 0 && (flags & O_NONBLOCK) != 0;
}

static int has_format(const struct emu_device* device, uint32_t pixelformat) {
    for (int i = 0; i < device->format_count; i++)
        if (device->formats[i] == pixelformat)
            return 1;
    return 0;
}

/* The nearest offered mode, as drivers adjust a format they are asked for. */
static void adjust_format(const struct emu_device* device, struct v4l2_pix_format* pix) {
    if (!has_format(device, pix->pixelformat))
        pix->pixelformat = device->formats[0];
    int best = 0;
    long best_distance = -1;
    for (int i = 0; i < device->size_count; i++) {
        long distance = labs((long)device->sizes[i].width - (long)pix->width) +
                        labs((long)device->sizes[i].height - (long)pix->height);
        if (best_distance < 0 || distance < best_distance) {
            best = i;
            best_distance = distance;
        }
    }
    uint32_t pixelformat = pix->pixelformat;
    memset(pix, 0, sizeof(*pix));
    pix->pixelformat = pixelformat;
    pix->width = device->sizes[best].width;
    pix->height = device->sizes[best].height;
    pix->field = V4L2_FIELD_NONE;
    pix->bytesperline = pix->width * emu_bytes_per_pixel(pixelformat);
    pix->sizeimage = pix->bytesperline * pix->height;
    pix->colorspace = V4L2_COLORSPACE_SRGB;
}

static uint32_t nearest_rate(const struct emu_device* device, const struct v4l2_fract* wanted) {
    if (wanted->numerator == 0 || wanted->denominator == 0)
        return device->rate;
    double fps = (double)wanted->denominator / wanted->numerator;
    uint32_t best = device->rates[0];
    for (int i = 1; i < device->rate_count; i++) {
        double a = fps - device->rates[i], b = fps - best;
        if (a * a < b * b)
            best = device->rates[i];
    }
    return best;
}

static int control_index(uint32_t id) {
    for (int i = 0; i < EMU_CONTROLS; i++)
        if (controls[i].id == id)
            return i;
    return -1;
}

static int query_control(struct v4l2_queryctrl* query) {
    int index = -1;
    if (query->id & V4L2_CTRL_FLAG_NEXT_CTRL) {
        uint32_t after = query->id & ~(V4L2_CTRL_FLAG_NEXT_CTRL | V4L2_CTRL_FLAG_NEXT_COMPOUND);
        for (int i = 0; i < EMU_CONTROLS; i++)
            if (controls[i].id > after && (index < 0 || controls[i].id < controls[index].id))
                index = i;
    } else {
        index = control_index(query->id);
    }
    if (index < 0)
        return fail(EINVAL);
    memset(query, 0, sizeof(*query));
    query->id = controls[index].id;
    query->type = V4L2_CTRL_TYPE_INTEGER;
    strncpy((char*)query->name, controls[index].name, sizeof(query->name) - 1);
    query->minimum = controls[index].minimum;
    query->maximum = controls[index].maximum;
    query->step = 1;
    query->default_value = controls[index].default_value;
    return 0;
}

static int request_buffers(struct emu_file* file, struct v4l2_requestbuffers* request) {
    if (request->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || request->memory != V4L2_MEMORY_MMAP)
        return fail(EINVAL);
    if (file->reading || file->streaming || emu_current_fault(file->device) == EMU_FAULT_IN_USE)
        return fail(EBUSY);
    free_buffers(file);
    memset(request->reserved, 0, sizeof(request->reserved));
    request->capabilities = V4L2_BUF_CAP_SUPPORTS_MMAP;
    if (request->count == 0)
        return 0;
    uint32_t count = request->count < 2 ? 2 : request->count;
    if (count > EMU_MAX_BUFFERS)
        count = EMU_MAX_BUFFERS;
    size_t page = (size_t)sysconf(_SC_PAGESIZE);
    size_t size = (file->device->format.sizeimage + page - 1) / page * page;
    int memfd = (int)emu_sys(SYS_memfd_create, (long)"v4l2emu", MFD_CLOEXEC, 0, 0, 0, 0);
    if (memfd < 0)
        return fail(ENOMEM);
    void* mapping = MAP_FAILED;
    if (ftruncate(memfd, (off_t)(size * count)) == 0)
        mapping = (void*)emu_sys(SYS_mmap, 0, (long)(size * count), PROT_READ | PROT_WRITE,
                                 MAP_SHARED, memfd, 0);
    if (mapping == MAP_FAILED) {
        emu_sys(SYS_close, memfd, 0, 0, 0, 0, 0);
        return fail(ENOMEM);
    }
    file->memfd = memfd;
    file->buffers = mapping;
    file->buffer_size = size;
    file->buffer_count = (int)count;
    memset(file->buffer_flags, 0, sizeof(file->buffer_flags));
    request->count = count;
    return 0;
}

static void describe_buffer(const struct emu_file* file, uint32_t index, struct v4l2_buffer* b) {
    memset(b, 0, sizeof(*b));
    b->index = index;
    b->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    b->memory = V4L2_MEMORY_MMAP;
    b->m.offset = (uint32_t)(index * file->buffer_size);
    b->length = file->device->format.sizeimage;
    b->field = V4L2_FIELD_NONE;
    b->flags = file->buffer_flags[index] | V4L2_BUF_FLAG_TIMESTAMP_MONOTONIC;
}

static int queue_buffer(struct emu_file* file, struct v4l2_buffer* buffer) {
    if (buffer->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffer->memory != V4L2_MEMORY_MMAP ||
        buffer->index >= (uint32_t)file->buffer_count ||
        (file->buffer_flags[buffer->index] & V4L2_BUF_FLAG_QUEUED))
        return fail(EINVAL);
    file->buffer_flags[buffer->index] = V4L2_BUF_FLAG_QUEUED;
    file->queue[file->queued++] = buffer->index;
    describe_buffer(file, buffer->index, buffer);
    return 0;
}

static void start_clock(struct emu_file* file) {
    if (file->clock_start_ns == 0) {
        file->clock_start_ns = emu_now_ns();
        file->last_sequence = -1;
    }
}

/* When the next frame is ready (the clock started). */
static int64_t next_frame_ns(const struct emu_file* file) {
    return file->clock_start_ns + (file->last_sequence + 2) * interval_ns(file);
}

/* Waits (the lock left meanwhile) until the next frame is ready and takes it: its
 * sequence number, or -1 with errno set. Called with the lock held; `usable` is asked
 * again after every wait, since another thread may have stopped the stream meanwhile. */
static int64_t take_frame(struct emu_file* file, int (*usable)(struct emu_file*)) {
    for (;;) {
        if (!alive(file))
            return fail(ENODEV);
        if (!usable(file))
            return -1;
        start_clock(file);
        int64_t now = emu_now_ns();
        int64_t ready = next_frame_ns(file);
        if (now >= ready) {
            int64_t sequence = (now - file->clock_start_ns) / interval_ns(file) - 1;
            file->last_sequence = sequence;
            return sequence;
        }
        if (nonblocking(file) && file->device->read_mode == EMU_READ_EAGAIN)
            return fail(EAGAIN);
        pthread_mutex_unlock(&lock);
        struct timespec until = {(time_t)(ready / 1000000000), (long)(ready % 1000000000)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &until, NULL) == EINTR)
            ;
        pthread_mutex_lock(&lock);
    }
}

static int can_dequeue(struct emu_file* file) {
    if (!file->streaming) {
        errno = EINVAL;
        return 0;
    }
    if (file->queued == 0) {
        /* Nothing queued: a blocking wait would never end. */
        errno = nonblocking(file) ? EAGAIN : EINVAL;
        return 0;
    }
    return 1;
}

static int dequeue_buffer(struct emu_file* file, struct v4l2_buffer* buffer) {
    if (buffer->type != V4L2_BUF_TYPE_VIDEO_CAPTURE || buffer->memory != V4L2_MEMORY_MMAP)
        return fail(EINVAL);
    int64_t sequence = take_frame(file, can_dequeue);
    if (sequence < 0)
        return -1;
    uint32_t index = file->queue[0];
    memmove(file->queue, file->queue + 1, sizeof(file->queue[0]) * (size_t)--file->queued);
    emu_render_frame(&file->device->format, (uint64_t)sequence,
                     file->buffers + index * file->buffer_size);
    file->buffer_flags[index] = V4L2_BUF_FLAG_DONE;
    describe_buffer(file, index, buffer);
    buffer->bytesused = file->device->format.sizeimage;
    buffer->sequence = (uint32_t)sequence;
    int64_t taken = file->clock_start_ns + (sequence + 1) * interval_ns(file);
    buffer->timestamp.tv_sec = (time_t)(taken / 1000000000);
    buffer->timestamp.tv_usec = (suseconds_t)(taken % 1000000000 / 1000);
    return 0;
}

static int stream(struct emu_file* file, const int* type, int on) {
    if (*type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
        return fail(EINVAL);
    if (!on) {
        file->streaming = 0;
        file->queued = 0;
        memset(file->buffer_flags, 0, sizeof(file->buffer_flags));
        file->clock_start_ns = 0;
        return 0;
    }
    if (emu_current_fault(file->device) == EMU_FAULT_IN_USE)
        return fail(EBUSY);
    if (file->buffer_count == 0)
        return fail(EINVAL);
    if (!file->streaming) {
        file->streaming = 1;
        file->clock_start_ns = 0;
        start_clock(file);
    }
    return 0;
}

static int enum_format(const struct emu_device* device, struct v4l2_fmtdesc* description) {
    if (description->type != V4L2_BUF_TYPE_VIDEO_CAPTURE ||
        description->index >= (uint32_t)device->format_count)
        return fail(EINVAL);
    uint32_t index = description->index;
    memset(description, 0, sizeof(*description));
    description->index = index;
    description->type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    description->pixelformat = device->formats[index];
    strcpy((char*)description->description,
           device->formats[index] == V4L2_PIX_FMT_YUYV ? "YUYV 4:2:2" : "24-bit BGR 8-8-8");
    return 0;
}

static int has_size(const struct emu_device* device, uint32_t width, uint32_t height) {
    for (int i = 0; i < device->size_count; i++)
        if (device->sizes[i].width == width && device->sizes[i].height == height)
            return 1;
    return 0;
}

static int answer(struct emu_file* file, unsigned int request, void* argument) {
    struct emu_device* device = file->device;
    if (!alive(file))
        return fail(ENODEV);
    switch (request) {
    case VIDIOC_QUERYCAP: {
        struct v4l2_capability* caps = argument;
        memset(caps, 0, sizeof(*caps));
        strcpy((char*)caps->driver, "v4l2emu");
        strcpy((char*)caps->card, device->name);
        snprintf((char*)caps->bus_info, sizeof(caps->bus_info), "platform:v4l2emu-%d",
                 device->number);
        caps->version = (6u << 16) | (1u << 8);
        caps->device_caps = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING |
                            (device->readwrite ? V4L2_CAP_READWRITE : 0);
        caps->capabilities = caps->device_caps | V4L2_CAP_DEVICE_CAPS;
        return 0;
    }
    case VIDIOC_ENUM_FMT:
        return enum_format(device, argument);
    case VIDIOC_G_FMT: {
        struct v4l2_format* format = argument;
        if (format->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return fail(EINVAL);
        format->fmt.pix = device->format;
        return 0;
    }
    case VIDIOC_TRY_FMT:
    case VIDIOC_S_FMT: {
        struct v4l2_format* format = argument;
        if (format->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return fail(EINVAL);
        adjust_format(device, &format->fmt.pix);
        if (request == VIDIOC_TRY_FMT)
            return 0;
        if (file->buffer_count > 0 || file->reading ||
            emu_current_fault(device) == EMU_FAULT_IN_USE)
            return fail(EBUSY);
        device->format = format->fmt.pix;
        return 0;
    }
    case VIDIOC_ENUM_FRAMESIZES: {
        struct v4l2_frmsizeenum* size = argument;
        if (!has_format(device, size->pixel_format) || size->index >= (uint32_t)device->size_count)
            return fail(EINVAL);
        size->type = V4L2_FRMSIZE_TYPE_DISCRETE;
        size->discrete.width = device->sizes[size->index].width;
        size->discrete.height = device->sizes[size->index].height;
        return 0;
    }
    case VIDIOC_ENUM_FRAMEINTERVALS: {
        struct v4l2_frmivalenum* interval = argument;
        if (!has_format(device, interval->pixel_format) ||
            !has_size(device, interval->width, interval->height) ||
            interval->index >= (uint32_t)device->rate_count)
            return fail(EINVAL);
        interval->type = V4L2_FRMIVAL_TYPE_DISCRETE;
        interval->discrete.numerator = 1;
        interval->discrete.denominator = device->rates[interval->index];
        return 0;
    }
    case VIDIOC_G_PARM:
    case VIDIOC_S_PARM: {
        struct v4l2_streamparm* parm = argument;
        if (parm->type != V4L2_BUF_TYPE_VIDEO_CAPTURE)
            return fail(EINVAL);
        if (request == VIDIOC_S_PARM) {
            if (file->streaming || file->reading)
                return fail(EBUSY);
            device->rate = nearest_rate(device, &parm->parm.capture.timeperframe);
        }
        memset(&parm->parm.capture, 0, sizeof(parm->parm.capture));
        parm->parm.capture.capability = V4L2_CAP_TIMEPERFRAME;
        parm->parm.capture.timeperframe.numerator = 1;
        parm->parm.capture.timeperframe.denominator = device->rate;
        parm->parm.capture.readbuffers = 2;
        return 0;
    }
    case VIDIOC_QUERYCTRL:
        return query_control(argument);
    case VIDIOC_G_CTRL:
    case VIDIOC_S_CTRL: {
        struct v4l2_control* control = argument;
        int index = control_index(control->id);
        if (index < 0)
            return fail(EINVAL);
        if (request == VIDIOC_G_CTRL) {
            control->value = device->controls[index];
            return 0;
        }
        if (control->value < controls[index].minimum || control->value > controls[index].maximum)
            return fail(ERANGE);
        device->controls[index] = control->value;
        return 0;
    }
    case VIDIOC_ENUMINPUT: {
        struct v4l2_input* input = argument;
        if (input->index != 0)
            return fail(EINVAL);
        memset(input, 0, sizeof(*input));
        strcpy((char*)input->name, "Camera 1");
        input->type = V4L2_INPUT_TYPE_CAMERA;
        return 0;
    }
    case VIDIOC_G_INPUT:
        *(int*)argument = 0;
        return 0;
    case VIDIOC_S_INPUT:
        return *(int*)argument == 0 ? 0 : fail(EINVAL);
    case VIDIOC_REQBUFS:
        return request_buffers(file, argument);
    case VIDIOC_QUERYBUF: {
        struct v4l2_buffer* buffer = argument;
        if (buffer->type != V4L2_BUF_TYPE_VIDEO_CAPTURE ||
            buffer->index >= (uint32_t)file->buffer_count)
            return fail(EINVAL);
        describe_buffer(file, buffer->index, buffer);
        return 0;
    }
    case VIDIOC_QBUF:
        return queue_buffer(file, argument);
    case VIDIOC_DQBUF:
        return dequeue_buffer(file, argument);
    case VIDIOC_STREAMON:
    case VIDIOC_STREAMOFF:
        return stream(file, argument, request == VIDIOC_STREAMON);
    default:
        emu_trace("v4l2emu: video%d: ioctl %#x not offered", device->number, request);
        return fail(ENOTTY);
    }
}

/* Requests are compared on their low 32 bits: callers pass them sign-extended. */
int emu_file_ioctl(struct emu_file* file, unsigned long request, void* argument) {
    if (argument == NULL)
        return fail(EFAULT);
    pthread_mutex_lock(&lock);
    int result = answer(file, (unsigned int)request, argument);
    int error = errno;
    pthread_mutex_unlock(&lock);
    emu_trace("v4l2emu: video%d: ioctl %#x -> %d%s%s", file->device->number, (unsigned int)request,
              result, result < 0 ? " " : "", result < 0 ? strerror(error) : "");
    errno = error;
    return result;
}

static int can_read(struct emu_file* file) {
    if (!file->device->readwrite) {
        errno = EINVAL;
        return 0;
    }
    if (file->buffer_count > 0 || emu_current_fault(file->device) == EMU_FAULT_IN_USE) {
        errno = EBUSY;
        return 0;
    }
    return 1;
}

ssize_t emu_file_read(struct emu_file* file, void* data, size_t count) {
    pthread_mutex_lock(&lock);
    int64_t sequence = take_frame(file, can_read);
    ssize_t result = -1;
    int error = errno;
    if (sequence >= 0) {
        file->reading = 1;
        const struct v4l2_pix_format* format = &file->device->format;
        if (count >= format->sizeimage) {
            emu_render_frame(format, (uint64_t)sequence, data);
            result = format->sizeimage;
        } else if ((file->scratch = realloc(file->scratch, format->sizeimage)) != NULL) {
            emu_render_frame(format, (uint64_t)sequence, file->scratch);
            memcpy(data, file->scratch, count);
            result = (ssize_t)count;
        } else {
            error = ENOMEM;
        }
    }
    pthread_mutex_unlock(&lock);
    errno = error;
    return result;
}

void* emu_file_mmap(struct emu_file* file, void* address, size_t length, int protection, int flags,
                    off_t offset) {
    pthread_mutex_lock(&lock);
    void* result = MAP_FAILED;
    int error = EINVAL;
    if (!alive(file))
        error = ENODEV;
    else if (file->buffer_count > 0 && offset >= 0 && (size_t)offset % file->buffer_size == 0 &&
             (size_t)offset / file->buffer_size < (size_t)file->buffer_count &&
             length <= file->buffer_size) {
        result = (void*)emu_sys(SYS_mmap, (long)address, (long)length, protection, flags,
                                file->memfd, offset);
        if (result == MAP_FAILED)
            error = errno;
    }
    pthread_mutex_unlock(&lock);
    errno = error;
    return result;
}

/* poll's answer for the file now: POLLIN when a frame can be taken without waiting; else
 * 0 and, in *wait_ns, how long until one can (-1: not before another call). */
int emu_file_ready(struct emu_file* file, int64_t* wait_ns) {
    pthread_mutex_lock(&lock);
    int events = 0;
    *wait_ns = -1;
    if (!alive(file)) {
        events = POLLERR | POLLHUP;
    } else if (file->streaming ? file->queued > 0
                               : file->device->readwrite && !file->buffer_count) {
        /* As the kernel's poll, a poll on a file not yet streaming starts read() capture. */
        start_clock(file);
        int64_t left = next_frame_ns(file) - emu_now_ns();
        if (left <= 0)
            events = POLLIN | POLLRDNORM;
        else
            *wait_ns = left;
    }
    pthread_mutex_unlock(&lock);
    return events;
}
