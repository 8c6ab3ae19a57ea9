#include "tools/genimages/paint.h"

#include <lodepng.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/genimages/glyphs.h"

// ---------------------------------------------------------------- canvases

bool canvas_new(Canvas* c, int w, int h) {
    c->w = w;
    c->h = h;
    c->px = (float*)calloc((size_t)w * h * 4, sizeof(float));
    if (!c->px) printf("genimages: out of memory for a %d by %d image\n", w, h);
    return c->px != nullptr;
}

void canvas_free(Canvas* c) {
    free(c->px);
    c->px = nullptr;
}

float* canvas_at(const Canvas* c, int x, int y) { return c->px + ((size_t)y * c->w + x) * 4; }

void canvas_set(Canvas* c, int x, int y, Rgb col, float a) {
    if (x < 0 || y < 0 || x >= c->w || y >= c->h) return;
    float* p = canvas_at(c, x, y);
    p[0] = col.r;
    p[1] = col.g;
    p[2] = col.b;
    p[3] = a;
}

void canvas_over(Canvas* c, int x, int y, Rgb col, float a) {
    if (x < 0 || y < 0 || x >= c->w || y >= c->h || a <= 0.0f) return;
    if (a > 1.0f) a = 1.0f;
    float* p = canvas_at(c, x, y);
    float da = p[3] * (1.0f - a);
    float oa = a + da;
    if (oa <= 0.0f) return;
    p[0] = (col.r * a + p[0] * da) / oa;
    p[1] = (col.g * a + p[1] * da) / oa;
    p[2] = (col.b * a + p[2] * da) / oa;
    p[3] = oa;
}

void canvas_over_mask(Canvas* c, const Mask* m, Rgb col, float opacity) {
    for (int y = 0; y < c->h && y < m->h; y++)
        for (int x = 0; x < c->w && x < m->w; x++) {
            float a = m->v[(size_t)y * m->w + x] * opacity;
            if (a > 0.0f) canvas_over(c, x, y, col, a);
        }
}

static unsigned char to8(float v) {
    if (!(v > 0.0f)) return 0;  // also NaN
    if (v >= 1.0f) return 255;
    return (unsigned char)(v * 255.0f + 0.5f);
}

bool canvas_save_png(const Canvas* c, const char* path) {
    size_t n = (size_t)c->w * c->h * 4;
    unsigned char* bytes = (unsigned char*)malloc(n);
    if (!bytes) {
        printf("genimages: out of memory writing %s\n", path);
        return false;
    }
    for (size_t i = 0; i < n; i++) bytes[i] = to8(c->px[i]);
    unsigned err = lodepng_encode32_file(path, bytes, (unsigned)c->w, (unsigned)c->h);
    free(bytes);
    if (err) {
        printf("genimages: cannot write %s: %s\n", path, lodepng_error_text(err));
        return false;
    }
    return true;
}

// ------------------------------------------------------------------- masks

bool mask_new(Mask* m, int w, int h) {
    m->w = w;
    m->h = h;
    m->v = (float*)calloc((size_t)w * h, sizeof(float));
    if (!m->v) printf("genimages: out of memory for a %d by %d mask\n", w, h);
    return m->v != nullptr;
}

void mask_free(Mask* m) {
    free(m->v);
    m->v = nullptr;
}

float mask_get(const Mask* m, int x, int y) {
    if (x < 0 || y < 0 || x >= m->w || y >= m->h) return 0.0f;
    return m->v[(size_t)y * m->w + x];
}

bool mask_copy(Mask* dst, const Mask* src) {
    if (!mask_new(dst, src->w, src->h)) return false;
    memcpy(dst->v, src->v, (size_t)src->w * src->h * sizeof(float));
    return true;
}

// One box pass along a line of n values spaced stride apart, through tmp.
static void box_line(float* v, int n, int stride, int r, float* tmp) {
    double sum = 0.0;
    for (int i = -r; i <= r; i++)
        if (i >= 0 && i < n) sum += v[(size_t)i * stride];
    for (int i = 0; i < n; i++) {
        tmp[i] = (float)(sum / (2 * r + 1));
        int out = i - r, in = i + r + 1;
        if (out >= 0) sum -= v[(size_t)out * stride];
        if (in < n) sum += v[(size_t)in * stride];
    }
    for (int i = 0; i < n; i++) v[(size_t)i * stride] = tmp[i];
}

void mask_blur(Mask* m, int radius) {
    if (radius <= 0) return;
    int n = m->w > m->h ? m->w : m->h;
    float* tmp = (float*)malloc((size_t)n * sizeof(float));
    if (!tmp) return;
    for (int pass = 0; pass < 3; pass++) {
        for (int y = 0; y < m->h; y++) box_line(m->v + (size_t)y * m->w, m->w, 1, radius, tmp);
        for (int x = 0; x < m->w; x++) box_line(m->v + x, m->h, m->w, radius, tmp);
    }
    free(tmp);
}

void mask_shift(Mask* m, int dx, int dy) {
    Mask t;
    if (!mask_copy(&t, m)) return;
    for (int y = 0; y < m->h; y++)
        for (int x = 0; x < m->w; x++) m->v[(size_t)y * m->w + x] = mask_get(&t, x - dx, y - dy);
    mask_free(&t);
}

// ------------------------------------------------------------------ colour

Rgb rgb(float r, float g, float b) { return Rgb{r, g, b}; }
Rgb mix(Rgb a, Rgb b, float t) {
    return Rgb{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}
Rgb scale(Rgb a, float k) { return Rgb{a.r * k, a.g * k, a.b * k}; }
Rgb add(Rgb a, Rgb b) { return Rgb{a.r + b.r, a.g + b.g, a.b + b.b}; }

Rgb ramp(const Rgb* stops, int n, float t) {
    if (n <= 1) return stops[0];
    t = clamp01(t) * (float)(n - 1);
    int i = (int)t;
    if (i >= n - 1) return stops[n - 1];
    return mix(stops[i], stops[i + 1], t - (float)i);
}

float clamp01(float v) { return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v); }

float smooth(float e0, float e1, float v) {
    float t = clamp01((v - e0) / (e1 - e0));
    return t * t * (3.0f - 2.0f * t);
}

// ------------------------------------------------------------------- noise

float hash01(int x, int y, int seed) {
    uint32_t h = (uint32_t)x * 0x8da6b343u ^ (uint32_t)y * 0xd8163841u ^ (uint32_t)seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return (float)(h >> 8) / 16777216.0f;
}

static int wrap(int i, int period) {
    if (period <= 0) return i;
    i %= period;
    return i < 0 ? i + period : i;
}

float noise2(float x, float y, int seed, int period) {
    float fx = floorf(x), fy = floorf(y);
    int ix = (int)fx, iy = (int)fy;
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * tx * (tx * (tx * 6.0f - 15.0f) + 10.0f);
    ty = ty * ty * ty * (ty * (ty * 6.0f - 15.0f) + 10.0f);
    int x0 = wrap(ix, period), x1 = wrap(ix + 1, period);
    int y0 = wrap(iy, period), y1 = wrap(iy + 1, period);
    float a = hash01(x0, y0, seed), b = hash01(x1, y0, seed);
    float c = hash01(x0, y1, seed), d = hash01(x1, y1, seed);
    return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

float fbm(float x, float y, int octaves, int seed, int period) {
    float sum = 0.0f, amp = 0.5f, norm = 0.0f;
    for (int o = 0; o < octaves; o++) {
        sum += amp * noise2(x, y, seed + o * 101, period);
        norm += amp;
        x *= 2.0f;
        y *= 2.0f;
        if (period > 0) period *= 2;
        amp *= 0.5f;
    }
    return sum / norm;
}

// ------------------------------------------------------------------ shapes

void shapes_clear(ShapeList* l) { l->count = 0; }

static Shape* shape_add(ShapeList* l, int kind) {
    static Shape spare;
    if (l->count >= SHAPES_MAX) {
        printf("genimages: more than %d shapes in one picture, the rest dropped\n", SHAPES_MAX);
        return &spare;
    }
    Shape* s = &l->s[l->count++];
    memset(s, 0, sizeof *s);
    s->kind = kind;
    return s;
}

void shape_circle(ShapeList* l, float cx, float cy, float r) {
    Shape* s = shape_add(l, SH_CIRCLE);
    s->a[0] = cx, s->a[1] = cy, s->a[2] = r;
}
void shape_capsule(ShapeList* l, float x0, float y0, float x1, float y1, float r) {
    Shape* s = shape_add(l, SH_CAPSULE);
    s->a[0] = x0, s->a[1] = y0, s->a[2] = x1, s->a[3] = y1, s->a[4] = r;
}
void shape_ellipse(ShapeList* l, float cx, float cy, float rx, float ry, float angle) {
    Shape* s = shape_add(l, SH_ELLIPSE);
    s->a[0] = cx, s->a[1] = cy, s->a[2] = rx, s->a[3] = ry, s->a[4] = angle;
}
void shape_rect(ShapeList* l, float x0, float y0, float x1, float y1) {
    Shape* s = shape_add(l, SH_RECT);
    s->a[0] = x0, s->a[1] = y0, s->a[2] = x1, s->a[3] = y1;
}
void shape_triangle(ShapeList* l, float x0, float y0, float x1, float y1, float x2, float y2) {
    Shape* s = shape_add(l, SH_TRIANGLE);
    s->a[0] = x0, s->a[1] = y0, s->a[2] = x1, s->a[3] = y1, s->a[4] = x2, s->a[5] = y2;
}
void shape_star(ShapeList* l, float cx, float cy, float inner, float outer, int spikes, float angle,
                int seed) {
    Shape* s = shape_add(l, SH_STAR);
    s->a[0] = cx, s->a[1] = cy, s->a[2] = inner, s->a[3] = outer, s->a[4] = (float)spikes;
    s->a[5] = angle, s->a[6] = (float)seed;
}
void shape_cut_last(ShapeList* l) {
    if (l->count > 0) l->s[l->count - 1].cut = 1;
}

static void shape_bounds(const Shape* s, float* x0, float* y0, float* x1, float* y1) {
    const float* a = s->a;
    switch (s->kind) {
    case SH_CIRCLE: *x0 = a[0] - a[2], *y0 = a[1] - a[2], *x1 = a[0] + a[2], *y1 = a[1] + a[2]; break;
    case SH_CAPSULE:
        *x0 = fminf(a[0], a[2]) - a[4], *x1 = fmaxf(a[0], a[2]) + a[4];
        *y0 = fminf(a[1], a[3]) - a[4], *y1 = fmaxf(a[1], a[3]) + a[4];
        break;
    case SH_ELLIPSE: {
        float r = fmaxf(a[2], a[3]);
        *x0 = a[0] - r, *y0 = a[1] - r, *x1 = a[0] + r, *y1 = a[1] + r;
        break;
    }
    case SH_RECT: *x0 = a[0], *y0 = a[1], *x1 = a[2], *y1 = a[3]; break;
    case SH_TRIANGLE:
        *x0 = fminf(a[0], fminf(a[2], a[4])), *x1 = fmaxf(a[0], fmaxf(a[2], a[4]));
        *y0 = fminf(a[1], fminf(a[3], a[5])), *y1 = fmaxf(a[1], fmaxf(a[3], a[5]));
        break;
    default: {
        float r = a[3] * 1.2f;
        *x0 = a[0] - r, *y0 = a[1] - r, *x1 = a[0] + r, *y1 = a[1] + r;
    }
    }
}

static float edge(float ax, float ay, float bx, float by, float px, float py) {
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax);
}

static bool shape_inside(const Shape* s, float x, float y) {
    const float* a = s->a;
    switch (s->kind) {
    case SH_CIRCLE: return (x - a[0]) * (x - a[0]) + (y - a[1]) * (y - a[1]) <= a[2] * a[2];
    case SH_CAPSULE: {
        float dx = a[2] - a[0], dy = a[3] - a[1];
        float len2 = dx * dx + dy * dy;
        float t = len2 > 0.0f ? ((x - a[0]) * dx + (y - a[1]) * dy) / len2 : 0.0f;
        t = clamp01(t);
        float ex = x - (a[0] + t * dx), ey = y - (a[1] + t * dy);
        return ex * ex + ey * ey <= a[4] * a[4];
    }
    case SH_ELLIPSE: {
        float c = cosf(a[4]), sn = sinf(a[4]);
        float u = (x - a[0]) * c + (y - a[1]) * sn, v = -(x - a[0]) * sn + (y - a[1]) * c;
        return (u * u) / (a[2] * a[2]) + (v * v) / (a[3] * a[3]) <= 1.0f;
    }
    case SH_RECT: return x >= a[0] && x < a[2] && y >= a[1] && y < a[3];
    case SH_TRIANGLE: {
        float e0 = edge(a[0], a[1], a[2], a[3], x, y);
        float e1 = edge(a[2], a[3], a[4], a[5], x, y);
        float e2 = edge(a[4], a[5], a[0], a[1], x, y);
        return (e0 >= 0 && e1 >= 0 && e2 >= 0) || (e0 <= 0 && e1 <= 0 && e2 <= 0);
    }
    default: {
        // A star: the radius runs linearly from inner to outer and back
        // between neighbouring spikes; each spike gets its own length.
        float dx = x - a[0], dy = y - a[1];
        float r = sqrtf(dx * dx + dy * dy);
        int n = (int)a[4];
        float t = (atan2f(dy, dx) - a[5]) / 6.2831853f * (float)n;
        t -= floorf(t / (float)n) * (float)n;
        int k = (int)t;
        float f = t - (float)k;
        float tri = 1.0f - fabsf(2.0f * f - 1.0f);
        float len = a[3] * (0.8f + 0.2f * hash01(k % n, 7, (int)a[6]));
        return r <= a[2] + (len - a[2]) * tri;
    }
    }
}

bool mask_shapes(Mask* m, const ShapeList* l, int ss) {
    int W = m->w * ss, H = m->h * ss;
    unsigned char* hi = (unsigned char*)calloc((size_t)W * H, 1);
    if (!hi) {
        printf("genimages: out of memory for shapes\n");
        return false;
    }
    for (int i = 0; i < l->count; i++) {
        const Shape* s = &l->s[i];
        float bx0, by0, bx1, by1;
        shape_bounds(s, &bx0, &by0, &bx1, &by1);
        int X0 = (int)floorf(bx0 * ss) - 1, X1 = (int)ceilf(bx1 * ss) + 1;
        int Y0 = (int)floorf(by0 * ss) - 1, Y1 = (int)ceilf(by1 * ss) + 1;
        if (X0 < 0) X0 = 0;
        if (Y0 < 0) Y0 = 0;
        if (X1 > W) X1 = W;
        if (Y1 > H) Y1 = H;
        for (int Y = Y0; Y < Y1; Y++)
            for (int X = X0; X < X1; X++)
                if (shape_inside(s, ((float)X + 0.5f) / ss, ((float)Y + 0.5f) / ss))
                    hi[(size_t)Y * W + X] = s->cut ? 0 : 1;
    }
    for (int y = 0; y < m->h; y++)
        for (int x = 0; x < m->w; x++) {
            int n = 0;
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) n += hi[(size_t)(y * ss + j) * W + x * ss + i];
            float v = (float)n / (float)(ss * ss);
            float* d = &m->v[(size_t)y * m->w + x];
            if (v > *d) *d = v;
        }
    free(hi);
    return true;
}

// -------------------------------------------------------------------- text

float text_width(const char* s, float scale) {
    int units = 0;
    for (const unsigned char* p = (const unsigned char*)s; *p; p++) units += glyph_advance(*p);
    if (units > 0 && s[0]) units -= 1;  // no blank cell after the last letter
    return (float)units * scale;
}

// Enlarged glyphs: each glyph (with a blank border of one cell) doubled
// three times with the EPX rule, which turns the cell staircases of
// diagonal strokes into straight 45-degree edges while square strokes stay
// square. Eight fine pixels per cell.
enum { FINE = 8, FINE_W = (GLYPH_COLS + 2) * FINE, FINE_H = (GLYPH_ROWS + 2) * FINE };
static unsigned char fine[GLYPH_LAST - GLYPH_FIRST + 1][FINE_H][FINE_W];
static bool fine_ready = false;

static void epx(const unsigned char* src, int w, int h, unsigned char* dst) {
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned char p = src[y * w + x];
            unsigned char a = y > 0 ? src[(y - 1) * w + x] : 0;
            unsigned char b = x + 1 < w ? src[y * w + x + 1] : 0;
            unsigned char c = x > 0 ? src[y * w + x - 1] : 0;
            unsigned char d = y + 1 < h ? src[(y + 1) * w + x] : 0;
            unsigned char q1 = p, q2 = p, q3 = p, q4 = p;
            if (c == a && c != d && a != b) q1 = a;
            if (a == b && a != c && b != d) q2 = b;
            if (d == c && d != b && c != a) q3 = c;
            if (b == d && b != a && d != c) q4 = d;
            int W = 2 * w;
            dst[(2 * y) * W + 2 * x] = q1;
            dst[(2 * y) * W + 2 * x + 1] = q2;
            dst[(2 * y + 1) * W + 2 * x] = q3;
            dst[(2 * y + 1) * W + 2 * x + 1] = q4;
        }
}

// Where diagonal strokes cross or meet, EPX leaves a checker of single
// pixels; a blank pixel with three or four set neighbours is filled.
static void fill_notches(unsigned char* g, int w, int h) {
    for (int pass = 0; pass < 2; pass++)
        for (int y = 1; y + 1 < h; y++)
            for (int x = 1; x + 1 < w; x++) {
                unsigned char* p = &g[y * w + x];
                if (!*p && p[-1] + p[1] + p[-w] + p[w] >= 3) *p = 1;
            }
}

static void fine_prepare() {
    if (fine_ready) return;
    unsigned char a[FINE_W * FINE_H], b[FINE_W * FINE_H];
    for (int c = GLYPH_FIRST; c <= GLYPH_LAST; c++) {
        int w = GLYPH_COLS + 2, h = GLYPH_ROWS + 2;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) a[y * w + x] = (unsigned char)glyph_cell(c, x - 1, y - 1);
        epx(a, w, h, b);
        fill_notches(b, 2 * w, 2 * h);
        epx(b, 2 * w, 2 * h, a);
        fill_notches(a, 4 * w, 4 * h);
        epx(a, 4 * w, 4 * h, b);
        fill_notches(b, 8 * w, 8 * h);
        memcpy(fine[c - GLYPH_FIRST], b, sizeof b);
    }
    fine_ready = true;
}

// The enlarged glyph interpolated bilinearly at cell coordinates (u, v),
// where cell (i, j) has its centre at (i, j).
static float glyph_sample(int c, int first, float u, float v) {
    const unsigned char(*g)[FINE_W] = fine[c - GLYPH_FIRST];
    float X = ((float)first + u + 1.5f) * FINE - 0.5f, Y = (v + 1.5f) * FINE - 0.5f;
    float fx = floorf(X), fy = floorf(Y);
    int ix = (int)fx, iy = (int)fy;
    float tx = X - fx, ty = Y - fy;
    auto at = [g](int x, int y) -> float {
        return (x < 0 || y < 0 || x >= FINE_W || y >= FINE_H) ? 0.0f : (float)g[y][x];
    };
    float top = at(ix, iy) + (at(ix + 1, iy) - at(ix, iy)) * tx;
    float bot = at(ix, iy + 1) + (at(ix + 1, iy + 1) - at(ix, iy + 1)) * tx;
    return top + (bot - top) * ty;
}

void mask_text(Mask* m, const char* s, float x, float ytop, float scale) {
    // A soft threshold of the interpolated fine glyph keeps about one pixel
    // of antialiasing at any scale.
    fine_prepare();
    // Small text, where a fine pixel is smaller than a pixel, takes 3 by 3
    // samples per pixel.
    int n = scale < (float)FINE ? 3 : 1;
    float soft = 0.5f * FINE / (scale * (float)n);
    if (soft > 0.45f) soft = 0.45f;
    float pen = x;
    for (const unsigned char* p = (const unsigned char*)s; *p; p++) {
        int first, last;
        int w = glyph_span(*p, &first, &last);
        if (w > 0) {
            int px0 = (int)floorf(pen - scale), px1 = (int)ceilf(pen + (w + 1) * scale);
            int py0 = (int)floorf(ytop - scale), py1 = (int)ceilf(ytop + (GLYPH_ROWS + 1) * scale);
            for (int py = py0; py <= py1; py++) {
                if (py < 0 || py >= m->h) continue;
                for (int px = px0; px <= px1; px++) {
                    if (px < 0 || px >= m->w) continue;
                    float cov = 0.0f;
                    for (int j = 0; j < n; j++)
                        for (int i = 0; i < n; i++) {
                            float u = ((float)px + ((float)i + 0.5f) / n - pen) / scale - 0.5f;
                            float v = ((float)py + ((float)j + 0.5f) / n - ytop) / scale - 0.5f;
                            cov += smooth(0.5f - soft, 0.5f + soft, glyph_sample(*p, first, u, v));
                        }
                    cov /= (float)(n * n);
                    float* d = &m->v[(size_t)py * m->w + px];
                    if (cov > *d) *d = cov;
                }
            }
        }
        pen += (float)glyph_advance(*p) * scale;
    }
}

void mask_text_centered(Mask* m, const char* s, float cx, float ytop, float scale) {
    mask_text(m, s, cx - 0.5f * text_width(s, scale), ytop, scale);
}

bool draw_text_line(Canvas* c, const char* s, float cx, float ytop, float scale,
                    const TextStyle* st) {
    Mask text, tmp;
    if (!mask_new(&text, c->w, c->h)) return false;
    mask_text_centered(&text, s, cx, ytop, scale);
    if (st->glow_opacity > 0.0f && mask_copy(&tmp, &text)) {
        mask_blur(&tmp, st->glow_radius);
        float op = st->glow_opacity > 0.75f ? 0.75f : st->glow_opacity;
        // The blur spreads the letters thin; lift it so the glow reads.
        for (size_t i = 0; i < (size_t)tmp.w * tmp.h; i++) tmp.v[i] = clamp01(tmp.v[i] * 2.0f);
        canvas_over_mask(c, &tmp, st->glow, op);
        mask_free(&tmp);
    }
    if (st->shadow_opacity > 0.0f && mask_copy(&tmp, &text)) {
        mask_shift(&tmp, st->shadow_offset, st->shadow_offset);
        mask_blur(&tmp, 1);
        canvas_over_mask(c, &tmp, st->shadow, st->shadow_opacity > 0.75f ? 0.75f : st->shadow_opacity);
        mask_free(&tmp);
    }
    float height = 7.0f * scale;
    for (int y = 0; y < c->h; y++) {
        Rgb col = ramp(st->fill, st->nfill, ((float)y - ytop) / height);
        for (int x = 0; x < c->w; x++) {
            float a = text.v[(size_t)y * c->w + x];
            if (a > 0.0f) canvas_over(c, x, y, col, a);
        }
    }
    mask_free(&text);
    return true;
}
