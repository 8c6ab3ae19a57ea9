// The show's window as a test sees it on the X server: found by its title,
// its client area in screen coordinates, pictures of the part of it that is
// on the screen, real key events (XTest), and a coarse measure of a picture
// (how much of it has which colour) to tell one scene from another.
#pragma once

#include <string>
#include <vector>

struct _XDisplay;  // Xlib's Display

namespace xs {

// RGB bytes, row by row from the top; (0, 0) is the window's client origin.
struct Shot {
    int w = 0;
    int h = 0;
    std::vector<unsigned char> rgb;
};

class ShowScreen {
public:
    ShowScreen();
    ~ShowScreen();
    ShowScreen(const ShowScreen&) = delete;
    ShowScreen& operator=(const ShowScreen&) = delete;

    bool HasDisplay() const { return display_ != nullptr; }
    // Waits up to `seconds` for a window titled "Ondrave - Kastrel" (of the
    // process `pid` by its _NET_WM_PID, or of any process when pid is 0).
    bool Find(double seconds, long pid = 0);
    // The window still exists and is mapped.
    bool Shown();
    // The client area in screen coordinates; false once the window is gone.
    bool Geometry(int* x, int* y, int* w, int* h);
    // Waits up to `seconds` until a frame has reached the screen: a pixel of
    // the client area's middle row that is not black.
    bool WaitForFrame(double seconds);
    // The on-screen part of the client area, read from the screen itself
    // (so that what covers the window, or GL drawing in a child window, is
    // seen as it is shown).
    Shot Grab();
    // Gives the window the input focus and sends a real key press or
    // release through XTest (keysym from X11/keysym.h).
    void Key(unsigned long keysym, bool down);

private:
    unsigned long Search(unsigned long window, long pid);
    long PidOf(unsigned long window);
    bool Read(int x, int y, int w, int h, Shot* shot);

    ::_XDisplay* display_ = nullptr;
    unsigned long window_ = 0;
};

// The share of the top-left w by h pixels of the shot in each colour bin,
// with R, G and B each cut into `levels` equal ranges (levels^3 bins).
std::vector<double> ColourHistogram(const Shot& shot, int w, int h, int levels = 8);
// Sum of the absolute differences of two histograms: 0 for the same mix of
// colours, 2 for no colour in common.
double HistogramDistance(const std::vector<double>& a, const std::vector<double>& b);

bool SavePng(const Shot& shot, const std::string& path);
// An empty shot (w 0) when the file cannot be read.
Shot LoadPng(const std::string& path);

}  // namespace xs
