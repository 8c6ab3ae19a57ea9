#version 120
// Waving curtain over the band: a stage curtain of folds taken from the
// curtain strip (texture0) ripples in the draught; behind it spotlights
// sweep over the band's silhouette (texture1), and the text picture
// (texture2: the intro, or the vote at the end) glows in front.
// States: 0 closed curtain with the text, 1 the curtain opens on the band,
// 2 open stage, lights on the beat, 3 the curtain closes over the text.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform sampler2D texture2;
varying vec2 texCoord;

// Bitmaps have their top row at v = 0: screen y must be turned over.
vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

// One curtain half covering [0, width] of its side, x measured from the
// middle of the stage outwards; returns the cloth colour, alpha = coverage.
vec4 curtainHalf(float x, float y, float width, float t, float side)
{
    float bass = clamp(fft.x * 0.1, 0.0, 1.0);
    // The cloth gathers towards the wings: its own coordinate runs 0..1.
    float u = 1.0 - x / max(width, 0.001);
    // A wave travels across the cloth and down its length.
    float phase = u * 9.0 + t * 1.7 + y * 2.5 * side;
    float wave = sin(phase) * (0.02 + 0.03 * bass) + sin(u * 23.0 - t * 2.3 + y * 5.0) * 0.008;
    float hem = 0.03 * sin(u * 14.0 + t * 2.0) * (1.0 - u * 0.5);
    float cover = step(0.0, u) * step(u, 1.0) * step(hem - 0.02, y);
    // The strip's columns hold the folds, its rows the fall of the cloth;
    // an opening curtain keeps its folds, squeezed into less room.
    float fold = u * 0.5 + wave * 2.0;
    vec3 cloth = texture2D(texture0, vec2(fract(fold), clamp(1.0 - y, 0.0, 1.0))).rgb;
    float light = 0.7 + 0.3 * cos(phase) * (0.5 + bass);
    light *= 0.75 + 0.25 * y;
    // The inner edge catches the light.
    light += 0.4 * smoothstep(0.97, 1.0, u) * step(width, 0.99);
    return vec4(cloth * light, cover);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec2 uv = texCoord;
    vec3 band = clamp(fft.xyw * 0.1, 0.0, 1.0);

    // How much of each half of the stage the curtain covers.
    float cover = 1.0;
    if (s == 1) cover = 1.0 - smoothstep(0.0, 3.0, st) * 0.85;
    if (s == 2) cover = 0.15 + 0.03 * sin(t);
    if (s == 3) cover = 0.15 + smoothstep(0.0, 3.0, st) * 0.85;

    // The stage behind: dark boards, coloured spotlight cones from above.
    vec3 stage = vec3(0.02, 0.015, 0.03) + vec3(0.05, 0.03, 0.02) * step(uv.y, 0.12);
    for (int i = 0; i < 3; i++) {
        float fi = float(i);
        float sweep = sin(t * (0.5 + 0.2 * fi) + fi * 2.1 + absfft.x * 0.003);
        vec2 src = vec2(0.2 + 0.3 * fi, 1.05);
        vec2 d = uv - src;
        float ang = atan(d.x, -d.y) - sweep * 0.5;
        float beam = smoothstep(0.16, 0.0, abs(ang)) * (0.5 + 0.5 * uv.y);
        float strobe = s == 2 ? 0.5 + 1.5 * band.z : 0.7 + 0.6 * band.x;
        stage += (0.5 + 0.5 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + fi * 0.3 + t * 0.05)))
               * beam * 0.45 * strobe;
    }
    // A haze lit from behind, so the band stands out dark against it.
    stage += vec3(0.3, 0.12, 0.35) * exp(-length((uv - vec2(0.5, 0.35)) * vec2(1.0, 1.6)) * 3.0)
           * (0.6 + 0.6 * band.x);
    // The band stands in front of the lights, bouncing on the bass.
    vec2 bu = vec2(0.5 + (uv.x - 0.5) * (0.98 + 0.04 * band.x), uv.y - 0.02 * band.x);
    vec4 sil = bitmap(texture1, bu);
    vec3 col = mix(stage, sil.rgb, sil.a);

    // The two halves, left and right of the middle.
    float side = uv.x < 0.5 ? -1.0 : 1.0;
    float x = abs(uv.x - 0.5) * 2.0;
    vec4 cl = curtainHalf(x - (1.0 - cover), uv.y, cover, t, side);
    col = mix(col, cl.rgb, cl.a);
    // The pelmet on top.
    float pel = step(0.9 + 0.015 * sin(uv.x * 40.0), uv.y);
    float pleat = 0.6 + 0.4 * sin(uv.x * 120.0);
    col = mix(col, vec3(0.45, 0.05, 0.08) * pleat * (0.8 + 0.4 * band.x), pel);

    // The text glows on the closed curtain and fades as it opens.
    float show = s == 0 ? smoothstep(0.0, 1.0, st) : (s == 3 ? smoothstep(1.5, 3.0, st) : 0.25);
    vec2 tu = uv + vec2(0.0, 0.006 * sin(uv.x * 20.0 + t * 2.0));
    vec4 txt = bitmap(texture2, tu);
    float ink = txt.a * max(max(txt.r, txt.g), txt.b);
    col = mix(col, txt.rgb * (1.0 + 0.4 * band.y), ink * show);

    // Footlights.
    col += vec3(1.0, 0.7, 0.4) * exp(-uv.y * 18.0) * (0.2 + 0.3 * band.x);
    gl_FragColor = vec4(col, 1.0);
}
