#version 120
// Voronoi cells: the picture (texture0, or texture1) shattered into moving
// cells, each showing its own piece slightly shifted and tinted, with
// edges that light up on the highs and cells that throb on the bass.
// States: 0 large cells of the first picture, 1 small cells of the second,
// 2 cells flipping between both pictures, 3 cells over the text (texture2).
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform sampler2D texture2;
varying vec2 texCoord;

vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

// A smooth wave between -1 and 1 with period 1, cheaper than a sine.
vec2 wave(vec2 x)
{
    vec2 t = abs(fract(x) - 0.5) * 4.0 - 1.0;
    return t * (1.5 - 0.5 * t * t);
}

vec2 hash2(vec2 p)
{
    vec3 q = fract(vec3(p.xyx) * vec3(0.1031, 0.1030, 0.0973));
    q += dot(q, q.yzx + 33.33);
    return fract((q.xx + q.yz) * q.zy);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 asp = vec2(640.0 / 360.0, 1.0);
    float scale = s == 1 ? 9.0 : (s == 3 ? 7.0 : 4.5);
    vec2 p = texCoord * asp * scale;
    vec2 cell = floor(p);
    vec2 f = fract(p);

    // Nearest and second nearest feature point.
    float d1 = 8.0, d2 = 8.0;
    vec2 best = vec2(0.0), bestc = vec2(0.0);
    for (int j = -1; j <= 1; j++) {
        for (int i = -1; i <= 1; i++) {
            vec2 g = vec2(float(i), float(j));
            vec2 h = hash2(cell + g);
            vec2 o = 0.5 + 0.4 * wave(t * 0.13 + h + absfft.y * 0.00015);
            vec2 r = g + o - f;
            float d = dot(r, r);
            if (d < d1) {
                d2 = d1;
                d1 = d;
                best = r;
                bestc = cell + g;
            } else if (d < d2) {
                d2 = d;
            }
        }
    }
    float edge = sqrt(d2) - sqrt(d1);
    vec2 h = hash2(bestc);

    // The cell's piece of the picture: pushed out from the cell's middle on
    // the bass, so the cells seem to lift.
    vec2 centre = (p + best) / (asp * scale);
    float lift = 0.04 * lv.x * (h.x - 0.5);
    vec2 q = texCoord + (texCoord - centre) * lift * 4.0 + (h - 0.5) * 0.015;
    // One read of each picture (texture reads are dear), then the choice.
    vec3 pic0 = bitmap(texture0, q).rgb;
    vec3 pic1 = bitmap(texture1, q).rgb;
    bool second = s == 1 || (s == 2 && fract(h.y + t * 0.25) >= 0.5);
    vec3 pic = second ? pic1 : pic0;
    if (s == 3) pic *= 0.35;

    vec3 tint = 0.75 + 0.25 * cos(6.2832 * (h.x + vec3(0.0, 0.33, 0.67)));
    vec3 col = pic * tint * (0.75 + 0.35 * sin(h.y * 6.2832 + t * 2.0) * lv.x);
    // Each cell darkens towards its rim, the rims glow.
    col *= 0.7 + 0.3 * smoothstep(0.0, 0.25, edge);
    vec3 glowc = vec3(0.6, 0.9, 1.0) * (0.4 + 1.2 * lv.w);
    col += glowc * smoothstep(0.06, 0.0, edge);

    if (s == 3) {
        vec2 tu = texCoord + vec2(0.0, 0.01 * sin(t * 2.0 + texCoord.x * 8.0));
        vec4 txt = bitmap(texture2, tu);
        float ink = txt.a * max(txt.r, max(txt.g, txt.b));
        col = mix(col, txt.rgb * (1.0 + lv.y) * tint, ink);
    }
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
