/*
 * The emulated devices' settings: V4L2EMU_DEVICE0..9 (one device each, read once when the
 * library loads) and the control file V4L2EMU_CONTROL (read again whenever it changed),
 * whose words put a device into a fault state at run time. A setting that cannot be
 * understood is reported on stderr and leaves that device out; nothing is guessed.
 */
#define _GNU_SOURCE
#include "v4l2emu.h"

#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

static struct emu_device devices[EMU_MAX_DEVICES];
static int trace_enabled;

int emu_tracing(void) {
    return trace_enabled;
}

void emu_trace(const char* format, ...) {
    if (!trace_enabled)
        return;
    char line[512];
    va_list args;
    va_start(args, format);
    int length = vsnprintf(line, sizeof(line) - 1, format, args);
    va_end(args);
    if (length < 0)
        return;
    if (length > (int)sizeof(line) - 2)
        length = (int)sizeof(line) - 2;
    line[length++] = '\n';
    /* Straight to the kernel: stdio here could take locks the caller holds. */
    (void)emu_sys(SYS_write, 2, (long)line, length, 0, 0, 0);
}

const char* emu_format_name(uint32_t pixelformat) {
    switch (pixelformat) {
    case V4L2_PIX_FMT_BGR24:
        return "BGR24";
    case V4L2_PIX_FMT_YUYV:
        return "YUYV";
    default:
        return "?";
    }
}

uint32_t emu_bytes_per_pixel(uint32_t pixelformat) {
    return pixelformat == V4L2_PIX_FMT_YUYV ? 2 : 3;
}

static int config_error(const char* variable, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

static int config_error(const char* variable, const char* format, ...) {
    char message[256];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof(message), format, args);
    va_end(args);
    fprintf(stderr, "v4l2emu: %s: %s; that device is left out\n", variable, message);
    return -1;
}

/* "a+b+c" into words; returns their count, or -1 when there are more than `most`. */
static int split_list(char* text, char** words, int most) {
    int count = 0;
    char* rest = NULL;
    for (char* word = strtok_r(text, "+/ ", &rest); word != NULL;
         word = strtok_r(NULL, "+/ ", &rest)) {
        if (count == most)
            return -1;
        words[count++] = word;
    }
    return count;
}

static int parse_number(const char* text, uint32_t low, uint32_t high, uint32_t* value) {
    char* end = NULL;
    errno = 0;
    unsigned long number = strtoul(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || text[0] == '-' || number < low ||
        number > high)
        return -1;
    *value = (uint32_t)number;
    return 0;
}

static int parse_setting(const char* variable, struct emu_device* device, const char* key,
                         char* value) {
    char* words[EMU_MAX_SIZES + 1];
    if (strcmp(key, "name") == 0) {
        if (value[0] == '\0' || strlen(value) > sizeof(device->name) - 1)
            return config_error(variable, "name must have 1 to 31 characters");
        strcpy(device->name, value);
    } else if (strcmp(key, "formats") == 0) {
        int count = split_list(value, words, EMU_MAX_FORMATS);
        if (count <= 0)
            return config_error(variable, "formats: BGR24, YUYV or BGR24+YUYV");
        for (int i = 0; i < count; i++) {
            if (strcasecmp(words[i], "BGR24") == 0)
                device->formats[i] = V4L2_PIX_FMT_BGR24;
            else if (strcasecmp(words[i], "YUYV") == 0)
                device->formats[i] = V4L2_PIX_FMT_YUYV;
            else
                return config_error(variable, "unknown format '%s' (BGR24 or YUYV)", words[i]);
        }
        device->format_count = count;
    } else if (strcmp(key, "sizes") == 0) {
        int count = split_list(value, words, EMU_MAX_SIZES);
        if (count <= 0)
            return config_error(variable, "sizes: 1 to %d sizes WxH", EMU_MAX_SIZES);
        for (int i = 0; i < count; i++) {
            char* x = strchr(words[i], 'x');
            if (x == NULL)
                return config_error(variable, "size '%s' is not WxH", words[i]);
            *x = '\0';
            struct emu_size* size = &device->sizes[i];
            /* Even widths only: YUYV carries two pixels in four bytes. */
            if (parse_number(words[i], 16, 4096, &size->width) != 0 ||
                parse_number(x + 1, 16, 4096, &size->height) != 0 || size->width % 2 != 0)
                return config_error(variable,
                                    "size '%sx%s': an even width and a height from "
                                    "16 to 4096",
                                    words[i], x + 1);
        }
        device->size_count = count;
    } else if (strcmp(key, "fps") == 0) {
        int count = split_list(value, words, EMU_MAX_RATES);
        if (count <= 0)
            return config_error(variable, "fps: 1 to %d rates", EMU_MAX_RATES);
        for (int i = 0; i < count; i++)
            if (parse_number(words[i], 1, 240, &device->rates[i]) != 0)
                return config_error(variable, "fps '%s': a whole number from 1 to 240", words[i]);
        device->rate_count = count;
    } else if (strcmp(key, "io") == 0) {
        if (strcmp(value, "read") == 0)
            device->readwrite = 1;
        else if (strcmp(value, "mmap") == 0)
            device->readwrite = 0;
        else
            return config_error(variable, "io is read (read() and mmap) or mmap (mmap only)");
    } else if (strcmp(key, "read") == 0) {
        if (strcmp(value, "wait") == 0)
            device->read_mode = EMU_READ_WAIT;
        else if (strcmp(value, "eagain") == 0)
            device->read_mode = EMU_READ_EAGAIN;
        else
            return config_error(variable, "read is wait or eagain");
    } else if (strcmp(key, "fault") == 0) {
        if (strcmp(value, "none") == 0)
            device->fault = EMU_FAULT_NONE;
        else if (strcmp(value, "busy") == 0)
            device->fault = EMU_FAULT_BUSY;
        else if (strcmp(value, "forbidden") == 0)
            device->fault = EMU_FAULT_FORBIDDEN;
        else if (strcmp(value, "in-use") == 0)
            device->fault = EMU_FAULT_IN_USE;
        else
            return config_error(variable, "fault is none, busy, forbidden or in-use");
    } else {
        return config_error(variable, "unknown setting '%s'", key);
    }
    return 0;
}

static void set_defaults(struct emu_device* device, int number) {
    memset(device, 0, sizeof(*device));
    device->number = number;
    snprintf(device->name, sizeof(device->name), "Emulated Webcam %d", number);
    device->formats[0] = V4L2_PIX_FMT_BGR24;
    device->formats[1] = V4L2_PIX_FMT_YUYV;
    device->format_count = 2;
    static const struct emu_size sizes[] = {{640, 480}, {1280, 720}, {1920, 1080}};
    memcpy(device->sizes, sizes, sizeof(sizes));
    device->size_count = 3;
    device->rates[0] = 30;
    device->rate_count = 1;
    device->readwrite = 1;
    device->read_mode = EMU_READ_WAIT;
    device->controls[0] = 128; /* brightness */
    device->controls[1] = 128; /* contrast */
    device->controls[2] = 128; /* saturation */
    device->controls[3] = 0;   /* hue */
}

/* "key=value,key=value"; an empty text keeps every default. */
static int parse_device(const char* variable, const char* text, struct emu_device* device) {
    char copy[1024];
    if (strlen(text) >= sizeof(copy))
        return config_error(variable, "too long");
    strcpy(copy, text);
    char* rest = NULL;
    for (char* item = strtok_r(copy, ",", &rest); item != NULL; item = strtok_r(NULL, ",", &rest)) {
        char* equals = strchr(item, '=');
        if (equals == NULL)
            return config_error(variable, "'%s' is not key=value", item);
        *equals = '\0';
        if (parse_setting(variable, device, item, equals + 1) != 0)
            return -1;
    }
    device->format.width = device->sizes[0].width;
    device->format.height = device->sizes[0].height;
    device->format.pixelformat = device->formats[0];
    device->format.field = V4L2_FIELD_NONE;
    device->format.bytesperline = device->sizes[0].width * emu_bytes_per_pixel(device->formats[0]);
    device->format.sizeimage = device->format.bytesperline * device->sizes[0].height;
    device->format.colorspace = V4L2_COLORSPACE_SRGB;
    device->rate = device->rates[0];
    return 0;
}

int emu_config_load(void) {
    const char* trace = getenv("V4L2EMU_TRACE");
    trace_enabled = trace != NULL && strcmp(trace, "1") == 0;
    int errors = 0;
    for (int number = 0; number < EMU_MAX_DEVICES; number++) {
        char variable[32];
        snprintf(variable, sizeof(variable), "V4L2EMU_DEVICE%d", number);
        const char* text = getenv(variable);
        struct emu_device* device = &devices[number];
        device->present = 0;
        if (text == NULL)
            continue;
        set_defaults(device, number);
        device->present = parse_device(variable, text, device) == 0;
        errors += !device->present;
    }
    return errors;
}

/* One line per device, as scripts/run.sh shows what it emulates. */
void emu_config_print(void) {
    for (int number = 0; number < EMU_MAX_DEVICES; number++) {
        const struct emu_device* device = &devices[number];
        if (!device->present)
            continue;
        printf("/dev/video%d: %s;", number, device->name);
        for (int i = 0; i < device->format_count; i++)
            printf(" %s", emu_format_name(device->formats[i]));
        printf(";");
        for (int i = 0; i < device->size_count; i++)
            printf(" %ux%u", device->sizes[i].width, device->sizes[i].height);
        printf(";");
        for (int i = 0; i < device->rate_count; i++)
            printf(" %u", device->rates[i]);
        printf(" fps; %s reads%s%s\n", device->read_mode == EMU_READ_WAIT ? "waiting" : "EAGAIN",
               device->readwrite ? "" : "; mmap only",
               device->fault == EMU_FAULT_BUSY        ? "; busy"
               : device->fault == EMU_FAULT_FORBIDDEN ? "; forbidden"
               : device->fault == EMU_FAULT_IN_USE    ? "; in use"
                                                      : "");
    }
    fflush(stdout);
}

struct emu_device* emu_device_for_path(const char* path) {
    static const char prefix[] = "/dev/video";
    if (path == NULL || strncmp(path, prefix, sizeof(prefix) - 1) != 0)
        return NULL;
    const char* digit = path + sizeof(prefix) - 1;
    if (digit[0] < '0' || digit[0] > '9' || digit[1] != '\0')
        return NULL;
    struct emu_device* device = &devices[digit[0] - '0'];
    return device->present ? device : NULL;
}

/* The control file's words: "unplugged", "busy", "forbidden", "in-use" or "plugged",
 * each for every device, or for one as "videoN:word". */
static enum emu_fault parse_control(const char* text, int number) {
    enum emu_fault fault = EMU_FAULT_NONE;
    int seen = 0;
    char copy[1024];
    snprintf(copy, sizeof(copy), "%s", text);
    char* rest = NULL;
    for (char* word = strtok_r(copy, " \t\r\n,", &rest); word != NULL;
         word = strtok_r(NULL, " \t\r\n,", &rest)) {
        char* colon = strchr(word, ':');
        if (colon != NULL) {
            if (strncmp(word, "video", 5) != 0 || atoi(word + 5) != number)
                continue;
            word = colon + 1;
        }
        seen = 1;
        if (strcmp(word, "unplugged") == 0)
            fault = EMU_FAULT_UNPLUGGED;
        else if (strcmp(word, "busy") == 0)
            fault = EMU_FAULT_BUSY;
        else if (strcmp(word, "forbidden") == 0)
            fault = EMU_FAULT_FORBIDDEN;
        else if (strcmp(word, "in-use") == 0)
            fault = EMU_FAULT_IN_USE;
        else
            fault = EMU_FAULT_NONE;
    }
    return seen ? fault : (enum emu_fault) - 1;
}

/* The frame loop asks at every frame: the file is read again only when it changed. */
enum emu_fault emu_current_fault(const struct emu_device* device) {
    static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    static struct stat seen;
    static char text[1024];
    const char* path = getenv("V4L2EMU_CONTROL");
    struct stat st;
    if (path == NULL || stat(path, &st) != 0)
        return device->fault;
    pthread_mutex_lock(&lock);
    if (st.st_ino != seen.st_ino || st.st_size != seen.st_size ||
        st.st_mtim.tv_sec != seen.st_mtim.tv_sec || st.st_mtim.tv_nsec != seen.st_mtim.tv_nsec) {
        ssize_t got = -1;
        int fd = (int)emu_sys(SYS_openat, AT_FDCWD, (long)path, O_RDONLY | O_CLOEXEC, 0, 0, 0);
        if (fd >= 0) {
            got = emu_sys(SYS_read, fd, (long)text, sizeof(text) - 1, 0, 0, 0);
            emu_sys(SYS_close, fd, 0, 0, 0, 0, 0);
        }
        text[got > 0 ? got : 0] = '\0';
        seen = st;
    }
    enum emu_fault fault = parse_control(text, device->number);
    pthread_mutex_unlock(&lock);
    return (int)fault == -1 ? device->fault : fault;
}
