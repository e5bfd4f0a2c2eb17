// click-button.exe CAPTION CONTROL_ID: presses the button CONTROL_ID of the top-level window
// titled CAPTION, as a click does (BM_CLICK), whatever the screen's dots per inch, and returns
// at once. Exit code 0 when it pressed, 1 when there is no such window or control, 2 on a bad
// command line. ./run presses Korvane's buttons with it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    char* end = nullptr;
    const long id = argc == 3 ? std::strtol(argv[2], &end, 10) : 0;
    if (argc != 3 || end == argv[2] || *end != '\0') {
        std::fprintf(stderr, "usage: click-button CAPTION CONTROL_ID\n");
        return 2;
    }
    HWND window = FindWindowA(nullptr, argv[1]);
    if (window == nullptr) {
        std::fprintf(stderr, "click-button: no window titled \"%s\"\n", argv[1]);
        return 1;
    }
    HWND button = GetDlgItem(window, static_cast<int>(id));
    if (button == nullptr) {
        std::fprintf(stderr, "click-button: the window \"%s\" has no control %ld\n", argv[1], id);
        return 1;
    }
    PostMessageA(button, BM_CLICK, 0, 0);
    return 0;
}
