// Drawing helpers of the image generator: float RGBA canvases, coverage
// masks, hashed value noise, supersampled shapes and text in our own glyphs.
// Everything is a pure function of its arguments, so the images come out
// the same on every run.
#pragma once

struct Rgb {
    float r, g, b;
};

// Straight (not premultiplied) RGBA, 0 to 1 per channel, rows top first.
struct Canvas {
    int w, h;
    float* px;
};

// One coverage value (0 to 1) per pixel.
struct Mask {
    int w, h;
    float* v;
};

bool canvas_new(Canvas* c, int w, int h);
void canvas_free(Canvas* c);
float* canvas_at(const Canvas* c, int x, int y);
void canvas_set(Canvas* c, int x, int y, Rgb col, float a);
// Paints col with opacity a over pixel (x, y) ("over" compositing).
void canvas_over(Canvas* c, int x, int y, Rgb col, float a);
// Paints col over the canvas wherever the mask covers, scaled by opacity.
void canvas_over_mask(Canvas* c, const Mask* m, Rgb col, float opacity);
// Writes an 8-bit RGBA PNG; prints a message and returns false on failure.
bool canvas_save_png(const Canvas* c, const char* path);

bool mask_new(Mask* m, int w, int h);
void mask_free(Mask* m);
float mask_get(const Mask* m, int x, int y);  // 0 outside
bool mask_copy(Mask* dst, const Mask* src);
// Three passes of a box blur of the given radius (close to a Gaussian).
void mask_blur(Mask* m, int radius);
// Moves the mask by (dx, dy) pixels.
void mask_shift(Mask* m, int dx, int dy);

// Colour helpers.
Rgb rgb(float r, float g, float b);
Rgb mix(Rgb a, Rgb b, float t);
Rgb scale(Rgb a, float k);
Rgb add(Rgb a, Rgb b);
// Piecewise linear ramp through n colours spaced evenly over t = 0..1.
Rgb ramp(const Rgb* stops, int n, float t);
float clamp01(float v);
float smooth(float e0, float e1, float v);

// Noise. hash01 is uniform in [0, 1). noise2 is smooth value noise on the
// unit lattice; with period > 0 it repeats every period cells in x and y.
float hash01(int x, int y, int seed);
float noise2(float x, float y, int seed, int period);
// Sum of octaves, each twice the frequency and half the amplitude, scaled to
// 0..1. With period > 0 the sum repeats every period cells of octave 0.
float fbm(float x, float y, int octaves, int seed, int period);

// Shapes, filled into a mask with ss by ss samples per pixel. A shape with
// cut set clears what earlier shapes filled.
enum ShapeKind { SH_CIRCLE, SH_CAPSULE, SH_ELLIPSE, SH_RECT, SH_TRIANGLE, SH_STAR };
struct Shape {
    int kind;
    int cut;
    // circle: cx cy r; capsule: x0 y0 x1 y1 r; ellipse: cx cy rx ry angle;
    // rect: x0 y0 x1 y1; triangle: x0 y0 x1 y1 x2 y2;
    // star: cx cy inner outer spikes angle jitter-seed
    float a[7];
};
enum { SHAPES_MAX = 512 };
struct ShapeList {
    int count;
    Shape s[SHAPES_MAX];
};
void shapes_clear(ShapeList* l);
void shape_circle(ShapeList* l, float cx, float cy, float r);
void shape_capsule(ShapeList* l, float x0, float y0, float x1, float y1, float r);
void shape_ellipse(ShapeList* l, float cx, float cy, float rx, float ry, float angle);
void shape_rect(ShapeList* l, float x0, float y0, float x1, float y1);
void shape_triangle(ShapeList* l, float x0, float y0, float x1, float y1, float x2, float y2);
void shape_star(ShapeList* l, float cx, float cy, float inner, float outer, int spikes,
                float angle, int seed);
void shape_cut_last(ShapeList* l);  // turns the last shape into a cut
bool mask_shapes(Mask* m, const ShapeList* l, int ss);

// Text in the glyph table, scaled smoothly: scale is the size of one glyph
// cell in pixels; ytop is the top of the capitals.
float text_width(const char* s, float scale);
void mask_text(Mask* m, const char* s, float x, float ytop, float scale);
void mask_text_centered(Mask* m, const char* s, float cx, float ytop, float scale);

// A text line composed onto a canvas: a soft glow, a drop shadow and a fill
// running through the colours of fill[0..nfill-1] from the top of the
// capitals (ytop) to the baseline (ytop + 7 cells). Letter cores end fully
// opaque; glow and shadow stay below 80% opacity.
struct TextStyle {
    const Rgb* fill;
    int nfill;
    Rgb glow;
    float glow_opacity;
    int glow_radius;
    Rgb shadow;
    float shadow_opacity;
    int shadow_offset;
};
bool draw_text_line(Canvas* c, const char* s, float cx, float ytop, float scale,
                    const TextStyle* st);
