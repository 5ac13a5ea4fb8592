// Starts a program and waits for its first top-level window to be mapped on the X display:
//   mapwait [--name TITLE] [--log FILE] [--timeout SECONDS] [--verbose] -- program [arguments]
// Prints "<pid> <milliseconds>", the time from just before exec to the MapNotify of a window
// of that process (by _NET_WM_PID) whose title, with --name, is TITLE. The program is left
// running, its output going to FILE (default /dev/null) so that it holds no pipe of ours open.
// Listening to the root window's events, not polling, keeps the timing exact.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

double nowMs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

long windowPid(Display *dpy, Window w)
{
    static const Atom pidAtom = XInternAtom(dpy, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    long pid = -1;
    if (XGetWindowProperty(dpy, w, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format, &count, &after,
                           &data) == Success &&
        data && count == 1 && format == 32)
        pid = long(*reinterpret_cast<unsigned long *>(data));
    if (data)
        XFree(data);
    return pid;
}

std::string windowTitle(Display *dpy, Window w)
{
    static const Atom nameAtom = XInternAtom(dpy, "_NET_WM_NAME", False);
    static const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy, w, nameAtom, 0, 256, False, utf8, &type, &format, &count, &after, &data) ==
            Success &&
        data)
        title.assign(reinterpret_cast<char *>(data), count);
    if (data)
        XFree(data);
    if (title.empty()) {
        char *name = nullptr;
        if (XFetchName(dpy, w, &name) && name) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

int ignoreErrors(Display *, XErrorEvent *)
{
    return 0;
} // windows may go while we look

} // namespace

int main(int argc, char **argv)
{
    const char *name = nullptr;
    const char *log = "/dev/null";
    double timeout = 30;
    bool verbose = false;
    int i = 1;
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (!std::strcmp(argv[i], "--name") && i + 1 < argc)
            name = argv[++i];
        else if (!std::strcmp(argv[i], "--log") && i + 1 < argc)
            log = argv[++i];
        else if (!std::strcmp(argv[i], "--timeout") && i + 1 < argc)
            timeout = std::atof(argv[++i]);
        else if (!std::strcmp(argv[i], "--verbose"))
            verbose = true;
        else
            break;
    }
    if (i >= argc - 1 || std::strcmp(argv[i], "--") != 0) {
        std::fprintf(
            stderr,
            "usage: mapwait [--name TITLE] [--log FILE] [--timeout SECONDS] [--verbose] -- program [args]\n");
        return 2;
    }
    char **command = argv + i + 1;

    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "mapwait: cannot open the display\n");
        return 1;
    }
    XSetErrorHandler(ignoreErrors);
    const Window root = DefaultRootWindow(dpy);
    XSelectInput(dpy, root, SubstructureNotifyMask);
    XSync(dpy, False);

    // The child sends the moment it is about to exec through a pipe that exec closes.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return 1;
    const pid_t pid = fork();
    if (pid < 0)
        return 1;
    if (pid == 0) {
        close(ConnectionNumber(dpy));
        const int out = open(log, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
        if (out < 0 || dup2(out, STDOUT_FILENO) < 0 || dup2(out, STDERR_FILENO) < 0)
            _exit(127);
        const double t0 = nowMs();
        if (write(fds[1], &t0, sizeof t0) != sizeof t0)
            _exit(127);
        execvp(command[0], command);
        std::fprintf(stderr, "mapwait: cannot run %s: %s\n", command[0], std::strerror(errno));
        std::fflush(stderr);
        _exit(127);
    }
    close(fds[1]);
    double t0 = 0;
    if (read(fds[0], &t0, sizeof t0) != sizeof t0)
        return 1;
    close(fds[0]);

    const double deadline = nowMs() + timeout * 1000;
    pollfd pfd{ConnectionNumber(dpy), POLLIN, 0};
    for (;;) {
        while (XPending(dpy)) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            if (ev.type != MapNotify || ev.xmap.override_redirect)
                continue;
            const double t = nowMs() - t0;
            const Window w = ev.xmap.window;
            const long wpid = windowPid(dpy, w);
            const std::string title = windowTitle(dpy, w);
            if (verbose)
                std::fprintf(stderr, "%.1f ms: window 0x%lx pid %ld \"%s\"\n", t, w, wpid, title.c_str());
            if (wpid != pid || (name && title != name))
                continue;
            std::printf("%d %.1f\n", int(pid), t);
            return 0;
        }
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "mapwait: %s ended before mapping a window\n", command[0]);
            return 1;
        }
        const double left = deadline - nowMs();
        if (left <= 0) {
            std::fprintf(stderr, "mapwait: no window within %.0f s\n", timeout);
            kill(pid, SIGKILL);
            return 1;
        }
        poll(&pfd, 1, int(std::min(left, 100.0)));
    }
}
