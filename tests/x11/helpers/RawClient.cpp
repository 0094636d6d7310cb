// A plain Xlib window that logs the key and button events it receives on
// standard output, one a line:
//   ready WINDOW X Y W H
//   keypress KEYCODE KEYSYM STATE      (hexadecimal keysym and state)
//   keyrelease KEYCODE KEYSYM STATE
//   buttonpress BUTTON ROOTX ROOTY STATE
//   buttonrelease BUTTON ROOTX ROOTY STATE
// It exits when standard input closes or says "quit".
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <sys/select.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    int x = 700, y = 300, w = 400, h = 300;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--area") == 0)
            std::sscanf(argv[i + 1], "%d,%d,%d,%d", &x, &y, &w, &h);
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) return 1;
    XSetWindowAttributes attributes;
    attributes.override_redirect = True;
    attributes.background_pixel = WhitePixel(dpy, DefaultScreen(dpy));
    attributes.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                            StructureNotifyMask | ExposureMask;
    const Window win =
        XCreateWindow(dpy, DefaultRootWindow(dpy), x, y, w, h, 0, CopyFromParent, InputOutput,
                      CopyFromParent, CWOverrideRedirect | CWBackPixel | CWEventMask, &attributes);
    XMapRaised(dpy, win);
    XFlush(dpy);

    bool ready = false;
    char line[16];
    size_t used = 0;
    for (;;) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            switch (e.type) {
                case MapNotify:
                    if (!ready) {
                        XSetInputFocus(dpy, win, RevertToParent, CurrentTime);
                        XSync(dpy, False);
                        std::printf("ready %lu %d %d %d %d\n", win, x, y, w, h);
                        ready = true;
                    }
                    break;
                case MappingNotify:
                    XRefreshKeyboardMapping(&e.xmapping);
                    break;
                case KeyPress:
                case KeyRelease: {
                    KeySym sym = NoSymbol;
                    char text[32];
                    XLookupString(&e.xkey, text, sizeof text, &sym, nullptr);
                    std::printf("%s %u %lx %x\n", e.type == KeyPress ? "keypress" : "keyrelease",
                                e.xkey.keycode, sym, e.xkey.state);
                    break;
                }
                case ButtonPress:
                case ButtonRelease:
                    std::printf(
                        "%s %u %d %d %x\n", e.type == ButtonPress ? "buttonpress" : "buttonrelease",
                        e.xbutton.button, e.xbutton.x_root, e.xbutton.y_root, e.xbutton.state);
                    break;
                default:
                    break;
            }
            std::fflush(stdout);
        }
        fd_set fds;
        FD_ZERO(&fds);
        FD_SET(ConnectionNumber(dpy), &fds);
        FD_SET(STDIN_FILENO, &fds);
        if (select(ConnectionNumber(dpy) + 1, &fds, nullptr, nullptr, nullptr) < 0) break;
        if (FD_ISSET(STDIN_FILENO, &fds)) {
            char c;
            if (read(STDIN_FILENO, &c, 1) <= 0) break;
            if (c == '\n') {
                line[used] = 0;
                if (std::strcmp(line, "quit") == 0) break;
                used = 0;
            } else if (used + 1 < sizeof line) {
                line[used++] = c;
            }
        }
    }
    XCloseDisplay(dpy);
    return 0;
}
