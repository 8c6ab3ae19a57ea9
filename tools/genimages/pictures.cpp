// The pictures. Every picture is stored upright (row 0 is its top); text
// pictures are letters on a fully transparent background, so a scene can
// lay them over anything; overlays keep soft alpha, backgrounds are opaque.
#include "tools/genimages/pictures.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tools/genimages/glyphs.h"

namespace {

const float kPi = 3.14159265f;

// The show's heat colours: white-hot yellow down to deep red.
const Rgb kHeat[] = {{1.0f, 0.97f, 0.62f}, {1.0f, 0.80f, 0.18f}, {1.0f, 0.45f, 0.05f},
                     {0.80f, 0.10f, 0.02f}};
const Rgb kGold[] = {{1.0f, 1.0f, 0.92f}, {1.0f, 0.88f, 0.55f}, {0.95f, 0.62f, 0.22f}};
const Rgb kIce[] = {{1.0f, 1.0f, 1.0f}, {0.75f, 1.0f, 0.98f}, {0.35f, 0.85f, 0.95f}};
const Rgb kMoss[] = {{0.88f, 1.0f, 0.45f}, {0.50f, 0.88f, 0.22f}, {0.16f, 0.52f, 0.12f}};

TextStyle heat_style(float glow_radius_scale) {
    TextStyle st;
    st.fill = kHeat;
    st.nfill = 4;
    st.glow = rgb(1.0f, 0.30f, 0.02f);
    st.glow_opacity = 0.55f;
    st.glow_radius = (int)(glow_radius_scale + 0.5f);
    st.shadow = rgb(0.12f, 0.0f, 0.0f);
    st.shadow_opacity = 0.6f;
    st.shadow_offset = 2;
    return st;
}

TextStyle style(const Rgb* fill, int n, Rgb glow, float glow_op, int radius) {
    TextStyle st;
    st.fill = fill;
    st.nfill = n;
    st.glow = glow;
    st.glow_opacity = glow_op;
    st.glow_radius = radius;
    st.shadow = rgb(0, 0, 0);
    st.shadow_opacity = 0.5f;
    st.shadow_offset = 2;
    return st;
}

float fract(float v) { return v - floorf(v); }

// Ridged noise: sharp crests where the noise crosses its middle.
float ridged(float x, float y, int oct, int seed, int period) {
    return 1.0f - fabsf(2.0f * fbm(x, y, oct, seed, period) - 1.0f);
}

// ------------------------------------------------------------- figures

// A standing person drawn from capsules. Angles are in radians from
// straight down, positive turning towards +x; lengths scale with h.
struct Pose {
    float lean;
    float arm_l[2], arm_r[2];  // upper arm, forearm
    float foot_l, foot_r;      // feet from the hips, in heights
    float knee_l, knee_r;      // sideways bend of the knees, in heights
    int hair;                  // 0 short, 1 long
    int skirt;
};

struct Figure {
    float hand_l[2], hand_r[2], hip[2], head[2];
};

Figure add_person(ShapeList* l, float fx, float fy, float h, const Pose* p) {
    Figure f;
    float hipx = fx, hipy = fy - 0.50f * h;
    float ux = sinf(p->lean), uy = -cosf(p->lean);
    float shx = hipx + 0.30f * h * ux, shy = hipy + 0.30f * h * uy;
    float hx = hipx + 0.43f * h * ux, hy = hipy + 0.43f * h * uy;
    f.hip[0] = hipx, f.hip[1] = hipy, f.head[0] = hx, f.head[1] = hy;
    // Torso: shoulders, waist and hips as a tapered outline in the body's
    // own frame (across, up), turned by the lean about the hips.
    float px = cosf(p->lean), py = sinf(p->lean);
    auto at = [&](float across, float up, float* ox, float* oy) {
        *ox = hipx + (across * px + up * ux) * h;
        *oy = hipy + (across * py + up * uy) * h;
    };
    const float outline[4][2] = {{0.10f, 0.29f}, {0.062f, 0.13f}, {0.088f, 0.0f}, {0.08f, -0.05f}};
    for (int i = 0; i + 1 < 4; i++) {
        float ax, ay, bx, by, cx, cy, dx, dy;
        at(-outline[i][0], outline[i][1], &ax, &ay);
        at(outline[i][0], outline[i][1], &bx, &by);
        at(outline[i + 1][0], outline[i + 1][1], &cx, &cy);
        at(-outline[i + 1][0], outline[i + 1][1], &dx, &dy);
        shape_triangle(l, ax, ay, bx, by, cx, cy);
        shape_triangle(l, ax, ay, cx, cy, dx, dy);
    }
    float slx, sly, srx, sry;
    at(-0.085f, 0.28f, &slx, &sly);
    at(0.085f, 0.28f, &srx, &sry);
    shape_capsule(l, slx, sly, srx, sry, 0.035f * h);                         // shoulders
    shape_capsule(l, shx, shy, hx, hy, 0.03f * h);                            // neck
    shape_ellipse(l, hx, hy, 0.055f * h, 0.066f * h, p->lean);                // head
    if (p->hair) {
        shape_circle(l, hx - 0.01f * h, hy - 0.01f * h, 0.07f * h);
        shape_capsule(l, hx - 0.02f * h, hy, hx - 0.05f * h, hy + 0.17f * h, 0.055f * h);
        shape_capsule(l, hx + 0.02f * h, hy, hx + 0.04f * h, hy + 0.15f * h, 0.045f * h);
    } else {
        shape_circle(l, hx - 0.012f * h, hy - 0.018f * h, 0.058f * h);
    }
    // Arms.
    for (int side = 0; side < 2; side++) {
        const float* a = side ? p->arm_r : p->arm_l;
        float sx = side ? srx : slx, sy = side ? sry : sly;
        float ex = sx + 0.17f * h * sinf(a[0]), ey = sy + 0.17f * h * cosf(a[0]);
        float wx = ex + 0.16f * h * sinf(a[1]), wy = ey + 0.16f * h * cosf(a[1]);
        shape_capsule(l, sx, sy, ex, ey, 0.034f * h);
        shape_capsule(l, ex, ey, wx, wy, 0.027f * h);
        shape_circle(l, wx, wy, 0.03f * h);
        float* hand = side ? f.hand_r : f.hand_l;
        hand[0] = wx, hand[1] = wy;
    }
    // Legs.
    for (int side = 0; side < 2; side++) {
        float hx0 = hipx + (side ? 0.05f : -0.05f) * h;
        float footx = fx + (side ? p->foot_r : p->foot_l) * h, footy = fy - 0.02f * h;
        float kx = (hx0 + footx) * 0.5f + (side ? p->knee_r : p->knee_l) * h;
        float ky = (hipy + footy) * 0.5f;
        shape_capsule(l, hx0, hipy, kx, ky, 0.05f * h);
        shape_capsule(l, kx, ky, footx, footy, 0.038f * h);
        float dir = side ? 1.0f : -1.0f;
        shape_capsule(l, footx, footy, footx + dir * 0.06f * h, footy + 0.005f * h, 0.022f * h);
    }
    if (p->skirt)
        shape_triangle(l, hipx - 0.09f * h, hipy - 0.06f * h, hipx + 0.09f * h, hipy - 0.06f * h,
                       hipx, hipy + 0.02f * h),
            shape_triangle(l, hipx - 0.09f * h, hipy - 0.06f * h, hipx + 0.09f * h,
                           hipy - 0.06f * h, hipx + 0.19f * h, hipy + 0.17f * h),
            shape_triangle(l, hipx - 0.09f * h, hipy - 0.06f * h, hipx + 0.19f * h,
                           hipy + 0.17f * h, hipx - 0.19f * h, hipy + 0.17f * h);
    return f;
}

// A guitar: body at (bx, by), neck towards angle (radians, 0 = +x).
void add_guitar(ShapeList* l, float bx, float by, float size, float angle, float neck) {
    float c = cosf(angle), s = sinf(angle);
    shape_ellipse(l, bx, by, 0.55f * size, 0.42f * size, angle);
    shape_ellipse(l, bx + 0.45f * size * c, by + 0.45f * size * s, 0.38f * size, 0.30f * size, angle);
    float nx = bx + neck * size * c, ny = by + neck * size * s;
    shape_capsule(l, bx, by, nx, ny, 0.07f * size);
    shape_capsule(l, nx, ny, nx + 0.25f * size * c, ny + 0.25f * size * s, 0.11f * size);
}

// Silhouette with a rim of light on the edges that face the light
// (direction lx, ly in pixels), the rest in a dark body colour.
void paint_silhouette(Canvas* c, const Mask* m, Rgb body, Rgb body_low, Rgb rim, int lx, int ly,
                      float rim_strength, bool keep_background) {
    for (int y = 0; y < c->h; y++) {
        Rgb b = mix(body, body_low, (float)y / (float)c->h);
        for (int x = 0; x < c->w; x++) {
            float a = mask_get(m, x, y);
            if (a <= 0.0f) continue;
            float lit = a * (1.0f - mask_get(m, x + lx, y + ly));
            float lit2 = a * (1.0f - mask_get(m, x + 2 * lx, y + 2 * ly));
            Rgb col = mix(b, rim, clamp01((lit * 0.9f + lit2 * 0.5f) * rim_strength));
            if (keep_background)
                canvas_over(c, x, y, col, a);
            else
                canvas_set(c, x, y, col, a);
        }
    }
}

}  // namespace

// ----------------------------------------------------------------- curtain

// Red velvet folds across the width (repeating seamlessly every 640
// pixels), darkening towards the bottom, with a gold hem in the last rows.
bool paint_curtain(Canvas* c) {
    const Rgb velvet[] = {{0.08f, 0.0f, 0.02f}, {0.42f, 0.01f, 0.05f}, {0.78f, 0.06f, 0.10f},
                          {1.0f, 0.42f, 0.38f}};
    const Rgb gold[] = {{0.35f, 0.18f, 0.02f}, {0.85f, 0.60f, 0.15f}, {1.0f, 0.92f, 0.55f}};
    for (int x = 0; x < c->w; x++) {
        float u = (float)x / (float)c->w;
        float phase = 13.0f * u + 0.18f * sinf(2 * kPi * 3.0f * u) + 0.07f * sinf(2 * kPi * 7.0f * u);
        float fold = 0.5f + 0.5f * cosf(2 * kPi * phase);
        fold = powf(fold, 1.6f) * 0.85f + 0.15f * (0.5f + 0.5f * cosf(2 * kPi * 29.0f * u));
        float fibre = noise2(u * 160.0f, 0.0f, 11, 160);
        for (int y = 0; y < c->h; y++) {
            float v = (float)y / (float)(c->h - 1);
            Rgb col;
            if (y >= c->h - 3) {
                // Hem: gold braid catching the light on the folds.
                float braid = 0.5f + 0.5f * sinf(2 * kPi * (u * 160.0f + (float)y * 0.5f));
                col = ramp(gold, 3, fold * 0.7f + braid * 0.3f);
            } else {
                float t = fold * (1.0f - 0.35f * v) + (fibre - 0.5f) * 0.08f;
                col = ramp(velvet, 4, t);
            }
            canvas_set(c, x, y, col, 1.0f);
        }
    }
    return true;
}

// ------------------------------------------------------------ intro, vote

bool paint_intro(Canvas* c) {
    TextStyle big = heat_style(6), small = heat_style(3);
    TextStyle gold = style(kGold, 3, rgb(1.0f, 0.5f, 0.1f), 0.4f, 3);
    float cx = (float)c->w * 0.5f;
    return draw_text_line(c, "Ondrave", cx, 70.0f, 8.0f, &big) &&
           draw_text_line(c, "proudly presents", cx, 160.0f, 4.0f, &small) &&
           draw_text_line(c, "a night on stage", cx, 240.0f, 3.0f, &gold);
}

bool paint_vote(Canvas* c) {
    TextStyle big = heat_style(6), mid = heat_style(4);
    TextStyle gold = style(kGold, 3, rgb(1.0f, 0.5f, 0.1f), 0.4f, 3);
    float cx = (float)c->w * 0.5f;
    return draw_text_line(c, "thank you!", cx, 60.0f, 7.0f, &big) &&
           draw_text_line(c, "vote Kastrel", cx, 160.0f, 5.0f, &mid) &&
           draw_text_line(c, "see you at the next party", cx, 250.0f, 2.6f, &gold);
}

// -------------------------------------------------------------------- band

// Four musicians on a stage: guitarist, singer at the microphone, drummer
// behind the kit, bassist by the amplifiers. Black against a transparent
// background, rimmed with warm stage light from the upper left.
bool paint_band(Canvas* c) {
    static ShapeList l;
    shapes_clear(&l);
    const float floor = 322.0f;
    shape_rect(&l, 0, floor, (float)c->w, (float)c->h);                        // stage
    shape_triangle(&l, 196, floor, 252, floor, 252, floor - 24);              // monitor wedges
    shape_triangle(&l, 356, floor, 412, floor, 356, floor - 24);
    shape_rect(&l, 8, 252, 74, floor);                                         // left amp
    shape_rect(&l, 582, 248, 636, floor);                                      // right stack
    shape_rect(&l, 584, 182, 634, 246);

    // Drum kit and drummer, centred at x = 445.
    shape_capsule(&l, 446, 278, 446, 226, 13);                                 // torso
    shape_ellipse(&l, 446, 240, 17, 24, 0.0f);
    shape_circle(&l, 446, 207, 10.5f);                                         // head
    shape_capsule(&l, 433, 230, 418, 254, 5);                                  // left arm, stick
    shape_capsule(&l, 418, 254, 404, 240, 4);
    shape_capsule(&l, 404, 240, 382, 226, 1.6f);
    shape_capsule(&l, 459, 228, 476, 212, 5);                                  // right arm raised
    shape_capsule(&l, 476, 212, 486, 190, 4);
    shape_capsule(&l, 486, 190, 478, 166, 1.6f);
    shape_circle(&l, 446, 290, 31);                                            // bass drum
    shape_rect(&l, 414, 318, 478, floor);
    shape_circle(&l, 498, 290, 17);                                            // floor tom
    shape_capsule(&l, 486, 300, 484, floor, 1.5f);
    shape_capsule(&l, 510, 300, 512, floor, 1.5f);
    shape_circle(&l, 462, 250, 11);                                            // rack tom
    shape_ellipse(&l, 404, 262, 19, 5.5f, 0.05f);                              // snare
    shape_rect(&l, 386, 262, 422, 272);
    shape_capsule(&l, 404, 272, 398, floor, 1.6f);
    shape_ellipse(&l, 384, 214, 25, 3.5f, -0.25f);                             // crash
    shape_capsule(&l, 384, 214, 376, floor, 1.5f);
    shape_ellipse(&l, 514, 222, 27, 3.5f, 0.22f);                              // ride
    shape_capsule(&l, 514, 222, 520, floor, 1.5f);
    shape_ellipse(&l, 368, 254, 16, 3.0f, 0.0f);                               // hi-hat
    shape_ellipse(&l, 368, 259, 16, 3.0f, 0.0f);
    shape_capsule(&l, 368, 254, 368, floor, 1.5f);

    // Guitarist, leaning back, guitar across the hips.
    Pose g = {-0.10f, {-0.55f, -1.75f}, {0.25f, -0.9f}, -0.09f, 0.12f, -0.02f, 0.03f, 0, 0};
    Figure fg = add_person(&l, 140, floor, 150, &g);
    add_guitar(&l, fg.hip[0] + 16, fg.hip[1] + 4, 36, kPi + 0.40f, 2.0f);
    (void)fg;

    // Singer with the microphone stand, free arm raised.
    Pose s = {0.05f, {0.35f, 2.75f}, {kPi - 0.45f, kPi - 0.25f}, -0.07f, 0.08f, -0.01f, 0.02f, 1, 0};
    Figure fs = add_person(&l, 300, floor, 158, &s);
    shape_capsule(&l, 276, floor - 1, 280, 222, 1.8f);                        // stand
    shape_capsule(&l, 280, 222, fs.head[0] - 6, fs.head[1] + 8, 1.8f);
    shape_capsule(&l, fs.head[0] - 6, fs.head[1] + 8, fs.head[0] - 1, fs.head[1] + 5, 3.2f);
    shape_capsule(&l, 276, floor - 2, 262, floor, 1.6f);                       // tripod
    shape_capsule(&l, 276, floor - 2, 290, floor, 1.6f);

    // Bassist by the amplifiers, leaning into the groove.
    Pose b = {0.14f, {0.2f, 1.3f}, {0.55f, 1.75f}, -0.10f, 0.10f, 0.02f, 0.0f, 0, 0};
    Figure fb = add_person(&l, 548, floor, 152, &b);
    add_guitar(&l, fb.hip[0] - 14, fb.hip[1] + 6, 34, -0.45f, 2.5f);

    Mask m;
    if (!mask_new(&m, c->w, c->h)) return false;
    bool ok = mask_shapes(&m, &l, 4);
    if (ok)
        paint_silhouette(c, &m, rgb(0.035f, 0.025f, 0.05f), rgb(0.01f, 0.0f, 0.02f),
                         rgb(1.0f, 0.62f, 0.25f), -1, -2, 0.85f, false);
    mask_free(&m);
    return ok;
}

// ------------------------------------------------------------------- title

bool paint_title(Canvas* c) {
    TextStyle big = heat_style(10), small = heat_style(3);
    big.shadow_offset = 5;
    float cx = (float)c->w * 0.5f;
    return draw_text_line(c, "Ondrave", cx, 14.0f, 5.0f, &small) &&
           draw_text_line(c, "KASTREL", cx, 78.0f, 20.0f, &big);
}

// ---------------------------------------------------------------- lumitide

// Glowing crests of waves rolling in, on a transparent background: an
// overlay for the metaballs.
bool paint_lumitide_waves(Canvas* c) {
    const int waves = 7;
    for (int x = 0; x < c->w; x++) {
        float crest[waves];
        for (int k = 0; k < waves; k++)
            crest[k] = 240.0f + (float)k * (float)k * 7.0f + (float)k * 22.0f +
                       (5.0f + 3.0f * k) * sinf((float)x * (0.004f + 0.0011f * k) + 1.3f * k) +
                       (16.0f + 8.0f * k) * (fbm((float)x * 0.003f, 3.1f * k, 4, 21, 0) - 0.5f);
        for (int y = 0; y < c->h; y++) {
            float core = 0.0f, glow = 0.0f, foam = 0.0f;
            for (int k = 0; k < waves; k++) {
                float sigma = 1.6f + 0.7f * k;
                float d = (float)y - crest[k];
                core += expf(-(d * d) / (sigma * sigma));
                glow += 0.45f * expf(-(d * d) / (sigma * sigma * 40.0f));
                if (d > 0.0f) {
                    float n = fbm((float)x * 0.02f, (float)y * 0.05f + 7.0f * k, 4, 23, 0);
                    foam += powf(clamp01(n * 1.6f - 0.45f), 2.0f) * expf(-d / (10.0f + 4.0f * k));
                }
            }
            float a = clamp01(core + glow + foam * 0.8f);
            if (a <= 0.002f) continue;
            Rgb col = mix(rgb(0.05f, 0.55f, 0.85f), rgb(0.55f, 1.0f, 0.95f), clamp01(glow * 1.2f));
            col = mix(col, rgb(1.0f, 1.0f, 1.0f), clamp01(core));
            canvas_set(c, x, y, col, a);
        }
    }
    return true;
}

// A luminous sea under a sky: the light plays in bands over the waves,
// with a column of reflected light under the moon (or the sun at dawn).
struct SeaLook {
    Rgb sky[4];
    Rgb water, glow, orb;
    float orb_x, orb_y, orb_r;
    float stars;
    int seed;
};

static bool paint_sea(Canvas* c, const SeaLook* k) {
    const float hz = 330.0f;
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            Rgb col;
            float dx = (float)x - k->orb_x;
            if ((float)y < hz) {
                col = ramp(k->sky, 4, (float)y / hz);
                float dy = (float)y - k->orb_y;
                float d = sqrtf(dx * dx + dy * dy);
                float halo = expf(-fmaxf(d - k->orb_r, 0.0f) / 90.0f) * 0.6f;
                col = add(col, scale(k->orb, halo));
                if (d < k->orb_r) {
                    float rim = smooth(k->orb_r, k->orb_r - 1.5f, d);
                    Rgb face = mix(k->orb, rgb(1, 1, 1), 0.5f);
                    face = scale(face, 0.85f + 0.15f * fbm((float)x * 0.05f, (float)y * 0.05f, 4, k->seed, 0));
                    col = mix(col, face, rim);
                }
                float s = hash01(x, y, k->seed + 5);
                if (s > 1.0f - k->stars) col = add(col, scale(rgb(1, 1, 1), hash01(y, x, 9) * (1.0f - (float)y / hz)));
                float haze = smooth(hz - 60.0f, hz, (float)y);
                col = mix(col, mix(k->sky[3], k->glow, 0.3f), haze * 0.5f);
            } else {
                float z = ((float)y - hz) / ((float)c->h - hz);  // 0 at the horizon
                float depth = 1.0f / (z + 0.03f);
                float u = dx / ((float)c->w) * depth * 0.9f;
                float v = depth * 0.6f;
                float warp = fbm(u * 1.2f, v * 1.2f, 4, k->seed + 1, 0);
                float r = ridged(u * 1.4f + warp * 1.8f, v * 2.4f + warp, 5, k->seed + 2, 0);
                float band = powf(r, 7.0f) * (0.25f + 0.75f * z);
                float deep = fbm(u * 0.5f, v * 0.5f, 3, k->seed + 3, 0);
                col = mix(k->water, scale(k->water, 1.8f), deep);
                col = add(col, scale(k->glow, band * 1.3f));
                float column = expf(-(dx * dx) / powf(18.0f + 160.0f * z, 2.0f));
                // Glitter: short horizontal ripples broken up along x.
                float ripple = 0.5f + 0.5f * sinf(v * 90.0f + 6.0f * fbm((float)x * 0.015f, v * 3.0f, 3, k->seed + 4, 0));
                float shimmer = powf(ripple, 8.0f) * (0.4f + fbm((float)x * 0.05f, v * 10.0f, 3, k->seed + 5, 0));
                col = add(col, scale(k->orb, column * shimmer * 1.4f));
                col = mix(col, k->sky[3], expf(-z * 18.0f) * 0.6f);  // haze at the horizon
            }
            canvas_set(c, x, y, rgb(clamp01(col.r), clamp01(col.g), clamp01(col.b)), 1.0f);
        }
    return true;
}

bool paint_lumitide_night(Canvas* c) {
    SeaLook k = {{{0.01f, 0.01f, 0.06f}, {0.03f, 0.04f, 0.16f}, {0.10f, 0.08f, 0.30f}, {0.28f, 0.18f, 0.42f}},
                 {0.0f, 0.03f, 0.08f}, {0.10f, 0.95f, 0.80f}, {0.85f, 0.90f, 1.0f},
                 900.0f, 150.0f, 48.0f, 0.0025f, 31};
    return paint_sea(c, &k);
}

bool paint_lumitide_dawn(Canvas* c) {
    SeaLook k = {{{0.08f, 0.18f, 0.35f}, {0.30f, 0.45f, 0.60f}, {0.95f, 0.55f, 0.45f}, {1.0f, 0.75f, 0.45f}},
                 {0.03f, 0.10f, 0.16f}, {1.0f, 0.55f, 0.65f}, {1.0f, 0.80f, 0.45f},
                 380.0f, 290.0f, 70.0f, 0.0f, 47};
    return paint_sea(c, &k);
}

bool paint_lumitide_text(Canvas* c) {
    TextStyle big = style(kIce, 3, rgb(0.1f, 0.85f, 1.0f), 0.6f, 10);
    TextStyle small = style(kIce, 3, rgb(0.1f, 0.7f, 1.0f), 0.5f, 3);
    float cx = (float)c->w * 0.5f;
    return draw_text_line(c, "LUMITIDE", cx, 36.0f, 16.0f, &big) &&
           draw_text_line(c, "the glowing tide rises", cx, 180.0f, 4.0f, &small);
}

// Caustic light on a sea floor; repeats seamlessly every 512 pixels.
bool paint_lumitide_tile(Canvas* c) {
    const Rgb sea[] = {{0.0f, 0.04f, 0.14f}, {0.02f, 0.25f, 0.45f}, {0.20f, 0.80f, 0.90f},
                       {0.95f, 1.0f, 1.0f}};
    const int period = 6;
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            float u = (float)x / (float)c->w * period, v = (float)y / (float)c->h * period;
            float w = fbm(u, v, 3, 61, period);
            float a = ridged(u + w * 0.7f, v - w * 0.7f, 4, 62, period);
            float b = ridged(u * 2.0f - w, v * 2.0f + w, 3, 63, period * 2);
            float t = powf(a, 5.0f) * 0.75f + powf(b, 6.0f) * 0.45f + w * 0.25f;
            canvas_set(c, x, y, ramp(sea, 4, t), 1.0f);
        }
    return true;
}

// ---------------------------------------------------------- comic bursts

// A comic burst with a shout in it, on a transparent background.
static bool paint_burst(Canvas* c, const char* word, float word_scale, Rgb outer, Rgb inner,
                        Rgb dots, int seed) {
    static ShapeList l;
    Mask out, in, text, edge;
    float cx = (float)c->w * 0.5f, cy = (float)c->h * 0.5f;
    if (!mask_new(&out, c->w, c->h)) return false;
    if (!mask_new(&in, c->w, c->h)) return mask_free(&out), false;
    shapes_clear(&l);
    shape_star(&l, cx, cy, 118.0f, 176.0f, 15, 0.1f, seed);
    bool ok = mask_shapes(&out, &l, 3);
    shapes_clear(&l);
    shape_star(&l, cx, cy, 100.0f, 150.0f, 15, 0.1f, seed);
    ok = ok && mask_shapes(&in, &l, 3);
    if (ok) {
        canvas_over_mask(c, &out, outer, 1.0f);
        // Halftone dots in the inner burst, bigger towards its rim.
        for (int y = 0; y < c->h; y++)
            for (int x = 0; x < c->w; x++) {
                float a = mask_get(&in, x, y);
                if (a <= 0.0f) continue;
                float dx = (float)x - cx, dy = (float)y - cy;
                float r = sqrtf(dx * dx + dy * dy) / 150.0f;
                float gx = fract((float)x / 9.0f) - 0.5f, gy = fract((float)y / 9.0f) - 0.5f;
                float dot = smooth(0.12f + 0.32f * r, 0.06f + 0.32f * r, sqrtf(gx * gx + gy * gy));
                canvas_over(c, x, y, mix(inner, dots, dot * 0.55f), a);
            }
        ok = mask_new(&text, c->w, c->h);
    }
    if (ok) {
        mask_text_centered(&text, word, cx, cy - 3.5f * word_scale, word_scale);
        ok = mask_copy(&edge, &text);
        if (ok) {
            mask_blur(&edge, 3);
            for (size_t i = 0; i < (size_t)edge.w * edge.h; i++) edge.v[i] = smooth(0.02f, 0.15f, edge.v[i]);
            Mask shadow;
            if (mask_copy(&shadow, &edge)) {
                mask_shift(&shadow, 6, 6);
                canvas_over_mask(c, &shadow, rgb(0, 0, 0), 0.7f);
                mask_free(&shadow);
            }
            canvas_over_mask(c, &edge, rgb(1, 1, 1), 1.0f);
            for (int y = 0; y < c->h; y++)
                for (int x = 0; x < c->w; x++) {
                    float a = mask_get(&text, x, y);
                    float t = ((float)y - (cy - 3.5f * word_scale)) / (7.0f * word_scale);
                    if (a > 0.0f) canvas_over(c, x, y, mix(rgb(0.95f, 0.05f, 0.1f), rgb(0.35f, 0.0f, 0.05f), clamp01(t)), a);
                }
            mask_free(&edge);
        }
        mask_free(&text);
    }
    mask_free(&out);
    mask_free(&in);
    return ok;
}

bool paint_ko1(Canvas* c) {
    return paint_burst(c, "KO!", 11.0f, rgb(0.9f, 0.1f, 0.05f), rgb(1.0f, 0.88f, 0.1f),
                       rgb(1.0f, 0.45f, 0.0f), 71);
}

bool paint_ko2(Canvas* c) {
    return paint_burst(c, "WHAT?!", 7.5f, rgb(0.1f, 0.2f, 0.85f), rgb(0.35f, 0.95f, 1.0f),
                       rgb(0.1f, 0.5f, 1.0f), 72);
}

// -------------------------------------------------------------------- heart

// Heart muscle: red tissue with dark veins; repeats every 256 pixels.
bool paint_varu_tissue(Canvas* c) {
    const Rgb flesh[] = {{0.35f, 0.02f, 0.05f}, {0.66f, 0.06f, 0.10f}, {0.90f, 0.28f, 0.30f},
                         {1.0f, 0.62f, 0.58f}};
    const int period = 4;
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            float u = (float)x / (float)c->w * period, v = (float)y / (float)c->h * period;
            float base = fbm(u * 2.0f, v * 2.0f, 5, 81, period * 2);
            float w = fbm(u, v, 3, 82, period);
            float vein = powf(ridged(u + w, v - w, 5, 83, period), 10.0f);
            float fine = powf(ridged(u * 3.0f - w, v * 3.0f + w, 3, 84, period * 3), 14.0f);
            Rgb col = ramp(flesh, 4, base * 0.9f + 0.1f);
            col = mix(col, rgb(0.22f, 0.0f, 0.06f), clamp01(vein * 0.85f + fine * 0.45f));
            float wet = powf(fbm(u * 4.0f, v * 4.0f, 3, 85, period * 4), 6.0f) * 2.5f;
            col = add(col, scale(rgb(1.0f, 0.75f, 0.75f), clamp01(wet) * 0.35f));
            canvas_set(c, x, y, col, 1.0f);
        }
    return true;
}

// Rows of little hearts, every other row shifted by half a heart; repeats
// every 256 pixels.
bool paint_varu_hearts(Canvas* c) {
    const int cell = 64, ss = 3;
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            int row = y / cell;
            int sx = (x + (row & 1) * cell / 2) % c->w;
            int col = sx / cell;
            float inside = 0.0f, glow = 0.0f;
            for (int j = 0; j < ss; j++)
                for (int i = 0; i < ss; i++) {
                    float lx = (float)(sx % cell) + ((float)i + 0.5f) / ss - cell * 0.5f;
                    float ly = (float)(y % cell) + ((float)j + 0.5f) / ss - cell * 0.5f;
                    float X = lx / 21.0f, Y = -ly / 21.0f + 0.15f;
                    float q = X * X + Y * Y - 1.0f;
                    float f = q * q * q - X * X * Y * Y * Y;
                    if (f <= 0.0f) inside += 1.0f;
                    glow += expf(-fmaxf(f, 0.0f) * 3.0f);
                }
            inside /= (float)(ss * ss);
            glow /= (float)(ss * ss);
            float stripe = 0.5f + 0.5f * sinf(2 * kPi * (float)(x + y) / 32.0f);
            Rgb bg = mix(rgb(0.30f, 0.0f, 0.06f), rgb(0.42f, 0.02f, 0.10f), stripe);
            bg = add(bg, scale(rgb(1.0f, 0.25f, 0.45f), glow * 0.35f));
            float pick = hash01(col, row, 91);
            Rgb heart = pick < 0.5f ? rgb(1.0f, 0.22f, 0.35f) : (pick < 0.8f ? rgb(1.0f, 0.55f, 0.70f) : rgb(1.0f, 0.92f, 0.95f));
            float ly = (float)(y % cell) / (float)cell;
            heart = mix(heart, scale(heart, 0.6f), ly);
            canvas_set(c, x, y, mix(bg, heart, inside), 1.0f);
        }
    return true;
}

// ------------------------------------------------------------------ credits

static bool credits(Canvas* c, const char* role, const char* a, const char* b) {
    TextStyle head = heat_style(5);
    TextStyle names = style(kGold, 3, rgb(1.0f, 0.45f, 0.05f), 0.45f, 3);
    float cx = (float)c->w * 0.5f;
    bool ok = draw_text_line(c, role, cx, 30.0f, 6.0f, &head);
    if (ok && a) ok = draw_text_line(c, a, cx, b ? 118.0f : 140.0f, 4.0f, &names);
    if (ok && b) ok = draw_text_line(c, b, cx, 180.0f, 4.0f, &names);
    return ok;
}

bool paint_credits1(Canvas* c) { return credits(c, "code", "brannik", "quelto"); }
bool paint_credits2(Canvas* c) { return credits(c, "music", "sable orin", nullptr); }
bool paint_credits3(Canvas* c) { return credits(c, "graphics", "mirrow", "tessa v."); }
bool paint_credits4(Canvas* c) { return credits(c, "greetings", "to every party", "and every crew"); }

// ------------------------------------------------------------------ dancers

static void add_dancers(ShapeList* l, float floor) {
    Pose a = {0.12f, {-2.55f, -2.90f}, {1.75f, 2.15f}, -0.13f, 0.07f, -0.03f, 0.03f, 1, 1};
    add_person(l, 470, floor, 430, &a);
    Pose b = {-0.10f, {-0.75f, 0.85f}, {2.65f, 3.0f}, -0.05f, 0.15f, 0.0f, 0.05f, 1, 0};
    add_person(l, 815, floor, 420, &b);
}

// Two dancers against a striped evening sun over a glowing grid floor.
bool paint_dancers(Canvas* c) {
    const Rgb sky[] = {{0.08f, 0.01f, 0.18f}, {0.35f, 0.05f, 0.40f}, {0.90f, 0.25f, 0.50f},
                       {1.0f, 0.62f, 0.30f}};
    const float hz = 470.0f, sx = 640.0f, sy = 360.0f, sr = 215.0f;
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            Rgb col;
            float fx = (float)x, fy = (float)y;
            if (fy < hz) {
                col = ramp(sky, 4, fy / hz);
                float dx = fx - sx, dy = fy - sy, d = sqrtf(dx * dx + dy * dy);
                col = add(col, scale(rgb(1.0f, 0.4f, 0.3f), expf(-fmaxf(d - sr, 0.0f) / 120.0f) * 0.35f));
                float gap = fy > sy - 40.0f ? 2.0f + (fy - sy + 40.0f) / 14.0f : 0.0f;
                bool stripe = gap > 0.0f && fmodf(fy - sy + 40.0f, 30.0f) < gap;
                if (d < sr && !stripe) {
                    Rgb sun = mix(rgb(1.0f, 0.95f, 0.35f), rgb(1.0f, 0.25f, 0.55f), clamp01((fy - (sy - sr)) / (2 * sr)));
                    col = mix(col, sun, smooth(sr, sr - 1.5f, d));
                }
            } else {
                float z = fy - hz + 4.0f;
                float wz = 900.0f / z;
                float dz = 900.0f / (z * z) * 1.5f;
                float tz = fract(wz / 2.0f) * 2.0f;
                float lz = 1.0f - smooth(0.0f, dz + 0.02f, fminf(tz, 2.0f - tz));
                float wx = (fx - sx) / z * 0.9f;
                float dxw = 0.9f / z * 1.5f;
                float tx = fract(wx);
                float lx = 1.0f - smooth(0.0f, dxw + 0.01f, fminf(tx, 1.0f - tx));
                float fade = clamp01(z / 200.0f);
                col = mix(rgb(0.10f, 0.01f, 0.18f), rgb(0.04f, 0.0f, 0.08f), fade);
                col = add(col, scale(rgb(1.0f, 0.25f, 0.85f), fmaxf(lz, lx) * (0.35f + 0.65f * fade)));
                col = mix(col, rgb(1.0f, 0.5f, 0.45f), expf(-z / 14.0f) * 0.8f);
            }
            canvas_set(c, x, y, rgb(clamp01(col.r), clamp01(col.g), clamp01(col.b)), 1.0f);
        }
    static ShapeList l;
    shapes_clear(&l);
    add_dancers(&l, 700.0f);
    Mask m;
    if (!mask_new(&m, c->w, c->h)) return false;
    bool ok = mask_shapes(&m, &l, 3);
    if (ok)
        paint_silhouette(c, &m, rgb(0.06f, 0.01f, 0.10f), rgb(0.02f, 0.0f, 0.04f), rgb(1.0f, 0.55f, 0.50f),
                         0, -3, 0.9f, true);
    mask_free(&m);
    return ok;
}

// The same two dancers cut out in neon colours with a soft halo, on a
// transparent background.
bool paint_dancers_cutout(Canvas* c) {
    const Rgb neon[] = {{0.20f, 1.0f, 1.0f}, {0.45f, 0.35f, 1.0f}, {1.0f, 0.20f, 0.80f}};
    static ShapeList l;
    shapes_clear(&l);
    add_dancers(&l, 700.0f);
    Mask m, halo;
    if (!mask_new(&m, c->w, c->h)) return false;
    bool ok = mask_shapes(&m, &l, 3) && mask_copy(&halo, &m);
    if (ok) {
        mask_blur(&halo, 12);
        canvas_over_mask(c, &halo, rgb(0.9f, 0.3f, 1.0f), 0.7f);
        for (int y = 0; y < c->h; y++) {
            Rgb base = ramp(neon, 3, ((float)y - 250.0f) / 450.0f);
            for (int x = 0; x < c->w; x++) {
                float a = mask_get(&m, x, y);
                if (a <= 0.0f) continue;
                float edge = 1.0f - mask_get(&halo, x, y);
                float band = 0.5f + 0.5f * sinf((float)(x + 2 * y) * 0.06f);
                Rgb col = mix(base, scale(base, 0.55f), band * 0.5f);
                col = mix(col, rgb(1, 1, 1), clamp01(edge * 2.2f));
                canvas_over(c, x, y, col, a);
            }
        }
        mask_free(&halo);
    }
    mask_free(&m);
    return ok;
}

// ---------------------------------------------------------------- prolvens

// Ranges of mountains fading into the distance under a sun or a moon.
struct Land {
    Rgb sky[3];
    Rgb far_col, near_col, mist;
    Rgb orb;
    float orb_x, orb_y, orb_r, stars;
    int seed;
};

static bool paint_land(Canvas* c, const Land* k) {
    const int layers = 5;
    const float base[layers] = {360, 420, 480, 560, 650};
    const float amp[layers] = {140, 120, 110, 100, 90};
    const float freq[layers] = {2.5f, 3.5f, 5.0f, 6.5f, 8.0f};
    float* ridge = (float*)malloc(sizeof(float) * layers * c->w);
    if (!ridge) return false;
    for (int k2 = 0; k2 < layers; k2++)
        for (int x = 0; x < c->w; x++) {
            float u = (float)x / (float)c->w * freq[k2] + 17.0f * k2;
            float shape = 0.55f * ridged(u, 3.0f * k2, 5, k->seed + k2, 0) + 0.45f * fbm(u * 0.5f, 1.0f + k2, 4, k->seed + 10 + k2, 0);
            ridge[k2 * c->w + x] = base[k2] - amp[k2] * shape;
        }
    for (int y = 0; y < c->h; y++)
        for (int x = 0; x < c->w; x++) {
            float fx = (float)x, fy = (float)y;
            Rgb col;
            // The nearest range whose ridge lies above the pixel hides the others.
            int hit = -1;
            for (int k2 = layers - 1; k2 >= 0; k2--)
                if (fy >= ridge[k2 * c->w + x]) {
                    hit = k2;
                    break;
                }
            if (hit < 0) {
                col = ramp(k->sky, 3, fy / 420.0f);
                float dx = fx - k->orb_x, dy = fy - k->orb_y, d = sqrtf(dx * dx + dy * dy);
                col = add(col, scale(k->orb, expf(-fmaxf(d - k->orb_r, 0.0f) / 110.0f) * 0.5f));
                if (d < k->orb_r) col = mix(col, mix(k->orb, rgb(1, 1, 1), 0.6f), smooth(k->orb_r, k->orb_r - 1.5f, d));
                if (hash01(x, y, k->seed + 50) > 1.0f - k->stars) col = add(col, scale(rgb(1, 1, 1), hash01(y, x, 51)));
            } else {
                float depth = (float)hit / (float)(layers - 1);
                Rgb land = mix(k->far_col, k->near_col, depth);
                float below = fy - ridge[hit * c->w + x];
                float tex = fbm(fx * 0.02f, fy * 0.02f, 4, k->seed + 30 + hit, 0);
                land = scale(land, 0.85f + 0.3f * tex * depth);
                // Light on the slopes that face the sky, mist in the valleys.
                land = mix(land, k->orb, smooth(6.0f, 0.0f, below) * 0.35f * (1.0f - depth * 0.5f));
                land = mix(land, k->mist, smooth(0.0f, 90.0f, below) * (0.55f - 0.45f * depth));
                col = land;
            }
            canvas_set(c, x, y, rgb(clamp01(col.r), clamp01(col.g), clamp01(col.b)), 1.0f);
        }
    free(ridge);
    return true;
}

bool paint_prolvens_day(Canvas* c) {
    Land k = {{{0.20f, 0.26f, 0.50f}, {0.78f, 0.50f, 0.58f}, {1.0f, 0.84f, 0.60f}},
              {0.66f, 0.52f, 0.64f}, {0.10f, 0.07f, 0.14f}, {0.95f, 0.80f, 0.72f},
              {1.0f, 0.92f, 0.70f}, 390.0f, 250.0f, 62.0f, 0.0f, 101};
    return paint_land(c, &k);
}

bool paint_prolvens_night(Canvas* c) {
    Land k = {{{0.01f, 0.01f, 0.05f}, {0.05f, 0.06f, 0.20f}, {0.18f, 0.16f, 0.38f}},
              {0.20f, 0.22f, 0.40f}, {0.02f, 0.03f, 0.07f}, {0.30f, 0.32f, 0.55f},
              {0.80f, 0.88f, 1.0f}, 930.0f, 150.0f, 40.0f, 0.003f, 101};
    return paint_land(c, &k);
}

bool paint_prolvens_text(Canvas* c) {
    TextStyle big = style(kIce, 3, rgb(0.6f, 0.4f, 1.0f), 0.6f, 6);
    TextStyle small = style(kGold, 3, rgb(0.6f, 0.4f, 1.0f), 0.45f, 2);
    float cx = (float)c->w * 0.5f;
    return draw_text_line(c, "PROLVENS", cx, 12.0f, 9.0f, &big) &&
           draw_text_line(c, "cells of light", cx, 90.0f, 3.5f, &small);
}

// -------------------------------------------------------------------- moss

// "GET MOSS - RUN - " twice across the width, so the strip scrolls
// seamlessly when it repeats.
bool paint_moss_scroller(Canvas* c) {
    const char* text = "GET MOSS - RUN - ";
    int units = 0;
    for (const char* p = text; *p; p++) units += glyph_advance((unsigned char)*p);
    float period = (float)c->w * 0.5f;
    float sc = period / (float)units;
    float ytop = ((float)c->h - 7.0f * sc) * 0.5f;
    Mask m, glow;
    if (!mask_new(&m, c->w, c->h)) return false;
    for (int k = -1; k <= 2; k++) mask_text(&m, text, (float)k * period + sc * 0.5f, ytop, sc);
    if (!mask_copy(&glow, &m)) return mask_free(&m), false;
    // The glow wraps around the sides like the text does.
    Mask wide;
    bool ok = mask_new(&wide, c->w * 3, c->h);
    if (ok) {
        for (int y = 0; y < c->h; y++)
            for (int x = 0; x < wide.w; x++) wide.v[(size_t)y * wide.w + x] = mask_get(&m, x % c->w, y);
        mask_blur(&wide, 5);
        for (int y = 0; y < c->h; y++)
            for (int x = 0; x < c->w; x++)
                glow.v[(size_t)y * c->w + x] = clamp01(2.0f * wide.v[(size_t)y * wide.w + x + c->w]);
        mask_free(&wide);
        canvas_over_mask(c, &glow, rgb(0.15f, 0.6f, 0.05f), 0.6f);
        for (int y = 0; y < c->h; y++)
            for (int x = 0; x < c->w; x++) {
                float a = mask_get(&m, x, y);
                if (a <= 0.0f) continue;
                float t = ((float)y - ytop) / (7.0f * sc);
                Rgb col = ramp(kMoss, 3, t);
                float tuft = fbm((float)x * 0.15f, (float)y * 0.15f, 3, 111, 0);
                col = scale(col, 0.8f + 0.4f * tuft);
                canvas_over(c, x, y, rgb(clamp01(col.r), clamp01(col.g), clamp01(col.b)), a);
            }
    }
    mask_free(&glow);
    mask_free(&m);
    return ok;
}

bool paint_glint_strip(Canvas* c) {
    TextStyle st = style(kGold, 3, rgb(1.0f, 0.75f, 0.2f), 0.5f, 4);
    st.shadow_offset = 1;
    return draw_text_line(c, "deep in the moss run  *  Ondrave  *  Kastrel", (float)c->w * 0.5f,
                          18.0f, 4.0f, &st);
}
