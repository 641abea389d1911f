/* Guest-side helper of the system scenarios, a static armel program.
 *
 *   probe fb          prints the framebuffer's geometry and fills /dev/fb0 with four
 *                     vertical bars: red, green, blue and (10, 20, 30), packed as the
 *                     device program packs them (32 bits: blue, green, red, 0; otherwise
 *                     RGB565, low byte first)
 *   probe ev DEVICE   prints the device's name and axis ranges, then one line per input
 *                     report ("EV type:code:value ..."), so the host can wait until the
 *                     guest kernel has delivered each touch it sent
 */
#include <fcntl.h>
#include <linux/fb.h>
#include <linux/input.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <sys/mman.h>
#include <unistd.h>

static int drawBars(void) {
    int fd = open("/dev/fb0", O_RDWR);
    if (fd < 0) {
        perror("probe: /dev/fb0");
        return 1;
    }
    struct fb_var_screeninfo var;
    struct fb_fix_screeninfo fix;
    if (ioctl(fd, FBIOGET_FSCREENINFO, &fix) != 0 || ioctl(fd, FBIOGET_VSCREENINFO, &var) != 0) {
        perror("probe: screen information");
        return 1;
    }
    printf("FB %u %u %u %u\n", var.xres, var.yres, var.bits_per_pixel, fix.line_length);
    size_t length = (size_t)fix.line_length * var.yres;
    uint8_t* map = mmap(NULL, length, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (map == MAP_FAILED) {
        perror("probe: mmap");
        return 1;
    }
    static const uint8_t bars[4][3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {10, 20, 30}};
    unsigned bytes = var.bits_per_pixel / 8;
    for (unsigned y = 0; y < var.yres; y++) {
        for (unsigned x = 0; x < var.xres; x++) {
            const uint8_t* c = bars[x * 4 / var.xres];
            uint8_t* p = map + (size_t)fix.line_length * y + (size_t)x * bytes;
            if (bytes == 4) {
                p[0] = c[2];
                p[1] = c[1];
                p[2] = c[0];
                p[3] = 0;
            } else {
                unsigned v = ((c[0] << 8) & 0xF800) | ((c[1] << 3) & 0x07E0) | (c[2] >> 3);
                p[0] = v & 0xFF;
                p[1] = v >> 8;
            }
        }
    }
    msync(map, length, MS_SYNC);
    printf("FB drawn\n");
    return 0;
}

static int printReports(const char* path) {
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        perror(path);
        return 1;
    }
    char name[128] = "";
    struct input_absinfo ax, ay;
    memset(&ax, 0, sizeof ax);
    memset(&ay, 0, sizeof ay);
    ioctl(fd, EVIOCGNAME(sizeof name - 1), name);
    ioctl(fd, EVIOCGABS(ABS_X), &ax);
    ioctl(fd, EVIOCGABS(ABS_Y), &ay);
    printf("EVDEV %s: x %d..%d, y %d..%d\n", name, ax.minimum, ax.maximum, ay.minimum, ay.maximum);
    fflush(stdout);
    /* One report per line, written at once, so console lines never tear. */
    char line[1024];
    size_t used = 0;
    struct input_event event;
    while (read(fd, &event, sizeof event) == (ssize_t)sizeof event) {
        if (event.type == EV_SYN) {
            line[used] = '\0';
            printf("EV%s\n", line);
            fflush(stdout);
            used = 0;
        } else if (used < sizeof line - 40) {
            used += (size_t)sprintf(line + used, " %u:%u:%d", event.type, event.code, event.value);
        }
    }
    return 0;
}

int main(int argc, char** argv) {
    setvbuf(stdout, NULL, _IOLBF, 0);
    if (argc == 2 && strcmp(argv[1], "fb") == 0)
        return drawBars();
    if (argc == 3 && strcmp(argv[1], "ev") == 0)
        return printReports(argv[2]);
    fprintf(stderr, "usage: probe fb | probe ev DEVICE\n");
    return 2;
}
