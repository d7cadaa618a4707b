// A small X client for the Linux saver's tests.
//
//   xhelper window W H X Y   create and map a white W x H window at (X, Y), print its id, then
//                            obey lines on stdin: "resize W H", "destroy", "quit"
//   xhelper close ID         ask window ID to close, as a window manager does (WM_DELETE_WINDOW)
//   xhelper look X Y W H     describe that part of the screen: pixels that are black, white
//                            (the test's root and windows) or coloured (walkers), the box
//                            around the coloured ones
//   xhelper walkers X Y W H N  check that the part holds exactly the bands of N walkers
//                            (exit 0), or say why not (exit 1)
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

Display* OpenOrDie() {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xhelper: cannot open display\n");
        std::exit(2);
    }
    return display;
}

int RunWindow(int w, int h, int x, int y) {
    Display* display = OpenOrDie();
    const int screen = DefaultScreen(display);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, screen);
    attributes.override_redirect = True;  // placed exactly where asked, window manager or not
    Window window =
        XCreateWindow(display, RootWindow(display, screen), x, y, static_cast<unsigned>(w),
                      static_cast<unsigned>(h), 0, CopyFromParent, InputOutput, CopyFromParent,
                      CWBackPixel | CWOverrideRedirect, &attributes);
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("0x%lx\n", window);
    std::fflush(stdout);
    char line[128];
    while (std::fgets(line, sizeof line, stdin)) {
        int nw, nh;
        if (std::sscanf(line, "resize %d %d", &nw, &nh) == 2) {
            XResizeWindow(display, window, static_cast<unsigned>(nw), static_cast<unsigned>(nh));
        } else if (std::strncmp(line, "destroy", 7) == 0) {
            XDestroyWindow(display, window);
        } else if (std::strncmp(line, "quit", 4) == 0) {
            break;
        }
        XSync(display, False);
        std::puts("ok");
        std::fflush(stdout);
    }
    XCloseDisplay(display);
    return 0;
}

int RunClose(const char* id) {
    Display* display = OpenOrDie();
    const Window window = std::strtoul(id, nullptr, 0);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    XSync(display, False);
    XCloseDisplay(display);
    return 0;
}

enum Kind { Black, White, Coloured };

struct Picture {
    int w = 0, h = 0;
    std::vector<Kind> kinds;
    Kind At(int x, int y) const { return kinds[static_cast<size_t>(y) * w + x]; }
};

Picture Grab(int x, int y, int w, int h) {
    Display* display = OpenOrDie();
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, static_cast<unsigned>(w),
                              static_cast<unsigned>(h), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "xhelper: cannot read the screen\n");
        std::exit(2);
    }
    Picture picture;
    picture.w = w;
    picture.h = h;
    picture.kinds.resize(static_cast<size_t>(w) * h);
    const unsigned long white = WhitePixel(display, DefaultScreen(display));
    const bool direct = image->bits_per_pixel == 32;  // the usual case: read words, not pixels
    for (int row = 0; row < h; ++row) {
        const auto* words =
            reinterpret_cast<const uint32_t*>(image->data + row * image->bytes_per_line);
        for (int column = 0; column < w; ++column) {
            const unsigned long pixel =
                direct ? (words[column] & 0xFFFFFFu) : XGetPixel(image, column, row);
            picture.kinds[static_cast<size_t>(row) * w + column] =
                pixel == 0 ? Black : (pixel == white ? White : Coloured);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return picture;
}

int RunLook(int x, int y, int w, int h) {
    const Picture picture = Grab(x, y, w, h);
    long counts[3] = {};
    int left = w, top = h, right = -1, bottom = -1;
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w; ++column) {
            const Kind kind = picture.At(column, row);
            ++counts[kind];
            if (kind == Coloured) {
                if (column < left) left = column;
                if (column > right) right = column;
                if (row < top) top = row;
                if (row > bottom) bottom = row;
            }
        }
    }
    std::printf("black %ld white %ld coloured %ld", counts[Black], counts[White], counts[Coloured]);
    if (counts[Coloured]) std::printf(" box %d %d %d %d", left, top, right, bottom);
    std::printf("\n");
    return 0;
}

// Walker i of n only ever draws in rows i*band - 5 to (i+1)*band - 13 (her band, less the rows
// her images and scene shifts cannot reach), so with n walkers every band shows colour and the
// 7 rows before each band boundary stay free. Meant for bands of 199 rows or more.
int RunWalkers(int x, int y, int w, int h, int n) {
    const Picture picture = Grab(x, y, w, h);
    std::vector<bool> rowColoured(static_cast<size_t>(h), false);
    for (int row = 0; row < h; ++row) {
        for (int column = 0; column < w && !rowColoured[row]; ++column) {
            if (picture.At(column, row) == Coloured) rowColoured[row] = true;
        }
    }
    const int band = h / n;
    bool ok = true;
    for (int i = 0; i < n; ++i) {
        bool seen = false;
        for (int row = i * band; row < (i + 1) * band; ++row) seen = seen || rowColoured[row];
        if (!seen) {
            std::printf("band %d (rows %d-%d) is empty\n", i, i * band, (i + 1) * band - 1);
            ok = false;
        }
        if (i + 1 < n) {
            for (int row = (i + 1) * band - 12; row < (i + 1) * band - 5; ++row) {
                if (rowColoured[row]) {
                    std::printf("row %d between bands %d and %d is coloured\n", row, i, i + 1);
                    ok = false;
                    break;
                }
            }
        }
    }
    // Rows below the last band belong to nobody.
    for (int row = n * band; row < h; ++row) {
        if (rowColoured[row]) {
            std::printf("row %d below the last band is coloured\n", row);
            ok = false;
            break;
        }
    }
    if (ok) std::printf("%d walkers\n", n);
    return ok ? 0 : 1;
}

int Usage() {
    std::fprintf(stderr,
                 "usage: xhelper window W H X Y | close ID | look X Y W H | walkers X Y W H N\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    std::vector<int> numbers;
    for (int i = 2; i < argc; ++i) numbers.push_back(std::atoi(argv[i]));
    if (command == "window" && numbers.size() == 4) {
        return RunWindow(numbers[0], numbers[1], numbers[2], numbers[3]);
    }
    if (command == "close" && argc == 3) return RunClose(argv[2]);
    if (command == "look" && numbers.size() == 4) {
        return RunLook(numbers[0], numbers[1], numbers[2], numbers[3]);
    }
    if (command == "walkers" && numbers.size() == 5 && numbers[4] > 0) {
        return RunWalkers(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]);
    }
    return Usage();
}
