/*
 * Modem lines for Linux pseudo-terminals, for running the serial tests under Wine.
 *
 * A pty has no modem lines: TIOCMGET and friends fail with ENOTTY, and Wine's comm event
 * wait then gives up at once. Loaded with LD_PRELOAD into Wine, this answers the
 * modem-line ioctls for pty slaves (device majors 136-143) from a state the test
 * controls:
 *
 *   PTYSHIM_STATE=<file>   the file holds the asserted input lines as words
 *                          (CTS DSR RI CD); read at every TIOCMGET. Absent or empty
 *                          file: no input line asserted.
 *
 * DTR and RTS set by the program (TIOCMSET/TIOCMBIS/TIOCMBIC) are kept per process and
 * reported back by TIOCMGET.
 *
 * A Linux pty forces 8 data bits without parity whatever is asked. So that a test can
 * see the framing the program asked for, a tcsetattr on a pty slave that changes the
 * framing (data bits, parity) is written to <PTYSHIM_STATE>.termios.<pty number>
 * ("iflag cflag" in octal).
 *
 * Every other call and every other device goes to the C library untouched.
 */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <pthread.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

typedef int (*ioctl_fn)(int, unsigned long, ...);

static int output_lines = TIOCM_DTR | TIOCM_RTS;

static int is_pty_slave(int fd) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode))
        return 0;
    unsigned int maj = major(st.st_rdev);
    return maj >= 136 && maj <= 143;
}

static int parse_lines(char* text) {
    int lines = 0;
    char* rest = NULL;
    for (char* word = strtok_r(text, " \t\r\n,", &rest); word != NULL;
         word = strtok_r(NULL, " \t\r\n,", &rest)) {
        if (strcmp(word, "CTS") == 0)
            lines |= TIOCM_CTS;
        else if (strcmp(word, "DSR") == 0)
            lines |= TIOCM_DSR;
        else if (strcmp(word, "RI") == 0)
            lines |= TIOCM_RI;
        else if (strcmp(word, "CD") == 0)
            lines |= TIOCM_CD;
    }
    return lines;
}

/* Wine polls the lines about every millisecond: the file is parsed again only when it
 * was replaced or changed. */
static int input_lines(void) {
    static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
    static struct stat seen;
    static int lines;
    const char* path = getenv("PTYSHIM_STATE");
    struct stat st;
    if (path == NULL || stat(path, &st) != 0)
        return 0;
    pthread_mutex_lock(&lock);
    if (st.st_ino != seen.st_ino || st.st_size != seen.st_size ||
        st.st_mtim.tv_sec != seen.st_mtim.tv_sec || st.st_mtim.tv_nsec != seen.st_mtim.tv_nsec) {
        char text[256];
        ssize_t got = -1;
        int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd >= 0) {
            got = read(fd, text, sizeof(text) - 1);
            close(fd);
        }
        text[got > 0 ? got : 0] = '\0';
        lines = parse_lines(text);
        seen = st;
    }
    int result = lines;
    pthread_mutex_unlock(&lock);
    return result;
}

#ifndef CMSPAR
#define CMSPAR 010000000000
#endif
#define FRAMING (CSIZE | PARENB | PARODD | CMSPAR)

typedef int (*tcsetattr_fn)(int, int, const struct termios*);

int tcsetattr(int fd, int actions, const struct termios* settings) {
    static tcsetattr_fn real_tcsetattr;
    if (real_tcsetattr == NULL)
        real_tcsetattr = (tcsetattr_fn)dlsym(RTLD_NEXT, "tcsetattr");
    const char* path = getenv("PTYSHIM_STATE");
    struct stat st;
    struct termios current;
    /* Only a request that changes the framing is recorded: the read-modify-write calls
     * that follow carry the framing the pty forced back. */
    if (path != NULL && settings != NULL && is_pty_slave(fd) && fstat(fd, &st) == 0 &&
        tcgetattr(fd, &current) == 0 && ((current.c_cflag ^ settings->c_cflag) & FRAMING) != 0) {
        unsigned int number = (major(st.st_rdev) - 136) * 256 + minor(st.st_rdev);
        char record[4096];
        snprintf(record, sizeof(record), "%s.termios.%u", path, number);
        FILE* file = fopen(record, "w");
        if (file != NULL) {
            fprintf(file, "%o %o\n", (unsigned)settings->c_iflag, (unsigned)settings->c_cflag);
            fclose(file);
        }
    }
    return real_tcsetattr(fd, actions, settings);
}

int ioctl(int fd, unsigned long request, ...) {
    static ioctl_fn real_ioctl;
    if (real_ioctl == NULL)
        real_ioctl = (ioctl_fn)dlsym(RTLD_NEXT, "ioctl");
    va_list args;
    va_start(args, request);
    void* argument = va_arg(args, void*);
    va_end(args);

    if ((request == TIOCMGET || request == TIOCMSET || request == TIOCMBIS ||
         request == TIOCMBIC) &&
        is_pty_slave(fd)) {
        int* value = (int*)argument;
        if (value == NULL) {
            errno = EFAULT;
            return -1;
        }
        const int writable = TIOCM_DTR | TIOCM_RTS;
        switch (request) {
        case TIOCMGET:
            *value = (output_lines & writable) | input_lines();
            return 0;
        case TIOCMSET:
            output_lines = *value & writable;
            return 0;
        case TIOCMBIS:
            output_lines |= *value & writable;
            return 0;
        case TIOCMBIC:
            output_lines &= ~(*value & writable);
            return 0;
        }
    }
    return real_ioctl(fd, request, argument);
}
