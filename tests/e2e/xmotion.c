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
 *
 * With --replay it plays a recorded timing instead: FILE holds one time per
 * line, in milliseconds from the start (ascending), and the pointer steps at
 * each of those absolute times. It prints, one per line, the time (ms from
 * the start) each step actually took place in the X server, which is the
 * truth a reader of the pointer should have seen, then
 * "xmotion: replayed=N late_over_1ms=K max_late_ms=L": how many steps took
 * place over a millisecond after their time, and the worst of them.
 *
 * usage: xmotion --replay FILE X Y WIDTH HEIGHT
 */
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

static double now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

/* Waits until due_ns on the monotonic clock. */
static void sleep_until(long long due_ns)
{
    struct timespec due = {(time_t)(due_ns / 1000000000LL), (long)(due_ns % 1000000000LL)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, NULL) != 0) {
    }
}

/* Step n of the back-and-forth: alternate between two points a quarter of the
 * rectangle apart, so that every step is a real motion. */
static void step(Display* dpy, int screen, long n, int x, int y, int w, int h)
{
    const int px = x + w / 2 + ((n & 1) ? w / 4 : -w / 4);
    const int py = y + h / 2 + ((n & 2) ? h / 8 : -h / 8);
    XTestFakeMotionEvent(dpy, screen, px, py, CurrentTime);
    XFlush(dpy);
}

static Display* open_display(void)
{
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "xmotion: cannot open display %s\n", getenv("DISPLAY") ? getenv("DISPLAY") : "(unset)");
        return NULL;
    }
    int ev, er, maj, min;
    if (!XTestQueryExtension(dpy, &ev, &er, &maj, &min)) {
        fprintf(stderr, "xmotion: the X server has no XTEST extension\n");
        XCloseDisplay(dpy);
        return NULL;
    }
    return dpy;
}

static int replay(const char* file, int x, int y, int w, int h)
{
    FILE* in = fopen(file, "r");
    if (!in) {
        fprintf(stderr, "xmotion: cannot read %s\n", file);
        return 2;
    }
    size_t n = 0, cap = 1024;
    double* times = malloc(cap * sizeof *times);
    double t;
    while (times && fscanf(in, "%lf", &t) == 1) {
        if (n == cap)
            times = realloc(times, (cap *= 2) * sizeof *times);
        if (times)
            times[n++] = t;
    }
    fclose(in);
    double* sent = times ? malloc(n * sizeof *sent + 1) : NULL;
    if (!sent) {
        fprintf(stderr, "xmotion: out of memory\n");
        return 2;
    }
    Display* dpy = open_display();
    if (!dpy)
        return 3;
    const int screen = DefaultScreen(dpy);
    const double start = now_ms();
    double lateMax = 0;
    long lateSteps = 0;
    for (size_t i = 0; i < n; ++i) {
        const double due = start + times[i];
        sleep_until((long long)(due * 1e6));
        /* The server makes the motion event when it handles the request, and
         * it answers the sync that follows right after: the time the sync
         * returns is when the step took place, even when the server was slow
         * to get to it (on a busy machine, tens of milliseconds). */
        step(dpy, screen, (long)i, x, y, w, h);
        XSync(dpy, False);
        sent[i] = now_ms() - start;
        const double late = sent[i] - times[i];
        if (late > lateMax)
            lateMax = late;
        if (late > 1.0)
            ++lateSteps;
    }
    XSync(dpy, False);
    XCloseDisplay(dpy);
    for (size_t i = 0; i < n; ++i)
        printf("%.4f\n", sent[i]);
    printf("xmotion: replayed=%zu late_over_1ms=%ld max_late_ms=%.3f\n", n, lateSteps, lateMax);
    free(times);
    free(sent);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 7 && strcmp(argv[1], "--replay") == 0)
        return replay(argv[2], atoi(argv[3]), atoi(argv[4]), atoi(argv[5]), atoi(argv[6]));
    if (argc != 7) {
        fprintf(stderr, "usage: %s X Y WIDTH HEIGHT PERIOD_US SECONDS\n"
                        "       %s --replay FILE X Y WIDTH HEIGHT\n", argv[0], argv[0]);
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

    Display* dpy = open_display();
    if (!dpy)
        return 3;
    const int screen = DefaultScreen(dpy);
    const long steps = (long)(seconds * 1e9 / period_ns);

    struct timespec start;
    clock_gettime(CLOCK_MONOTONIC, &start);
    double prev = 0, sum = 0, sumsq = 0, lateMax = 0;
    long intervals = 0;
    for (long n = 0; n <= steps; ++n) {
        long long due_ns = (long long)start.tv_sec * 1000000000LL + start.tv_nsec + n * (long long)period_ns;
        sleep_until(due_ns);
        step(dpy, screen, n, x, y, w, h);
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
