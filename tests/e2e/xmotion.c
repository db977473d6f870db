/* xmotion: moves the X pointer at a steady cadence with the X test extension.
 *
 * The pointer steps back and forth between two points inside a rectangle, one
 * step every period, for a given time. Each step is due at an absolute
 * deadline (start + n * period on the monotonic clock), so a late step does
 * not push the ones after it. At the end it prints what it actually did: the
 * number of moves and the mean and spread of the times between them, which is
 * the cadence the program under test should have measured.
 *
 * usage: xmotion X Y WIDTH HEIGHT PERIOD_US SECONDS
 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

int main(int argc, char** argv)
{
    if (argc != 7) {
        fprintf(stderr, "usage: %s X Y WIDTH HEIGHT PERIOD_US SECONDS\n", argv[0]);
        return 2;
    }
    const int x = atoi(argv[1]), y = atoi(argv[2]);
    const int w = atoi(argv[3]), h = atoi(argv[4]);
    const long period_ns = atol(argv[5]) * 1000L;
    const double seconds = atof(argv[6]);
    if (w < 4 || h < 4 || period_ns <= 0 || seconds <= 0) {
        fprintf(stderr, "xmotion: bad arguments\n");
        return 2;
    }

    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xmotion: cannot open display %s\n", getenv("DISPLAY") ? getenv("DISPLAY") : "(unset)");
        return 3;
    }
    int ev, er, maj, min;
    if (!XTestQueryExtension(dpy, &ev, &er, &maj, &min)) {
        fprintf(stderr, "xmotion: the X server has no XTEST extension\n");
        return 3;
    }
    const int screen = DefaultScreen(dpy);
    const long steps = (long)(seconds * 1e9 / period_ns);

    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    double prev = 0, sum = 0, sumsq = 0, lateMax = 0;
    long intervals = 0;
    for (long n = 0; n <= steps; ++n) {
        long long due_ns = (long long)start.tv_sec * 1000000000LL + start.tv_nsec + n * (long long)period_ns;
        struct timespec due = {(time_t)(due_ns / 1000000000LL), (long)(due_ns % 1000000000LL)};
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL) != 0) {
        }
        /* Alternate between two points a quarter of the rectangle apart. */
        const int px = x + w / 2 + ((n & 1) ? w / 4 : -w / 4);
        const int py = y + h / 2 + ((n & 2) ? h / 8 : -h / 8);
        XTestFakeMotionEvent(dpy, screen, px, py, CurrentTime);
        XFlush(dpy);
        const double t = now_ms();
        const double late = t - due_ns / 1e6;
        if (late > lateMax)
            lateMax = late;
        if (n > 0) {
            const double d = t - prev;
            sum += d;
            sumsq += d * d;
            ++intervals;
        }
        prev = t;
    }
    XSync(dpy, False);
    XCloseDisplay(dpy);

    const double mean = intervals ? sum / intervals : 0;
    const double sd = intervals ? sqrt(fmax(0, sumsq / intervals - mean * mean)) : 0;
    printf("xmotion: moves=%ld mean_ms=%.3f sd_ms=%.3f max_late_ms=%.3f\n", steps + 1, mean, sd, lateMax);
    return 0;
}
