#version 120
// Moss tunnel: a flight down a round tunnel overgrown with moss, the
// greeting strip (texture1) running along its wall and bands of light in
// the curtain's colours (texture0) rushing past on the beat.
// States: 0 a slow run, 1 faster with the text, 2 the tunnel twists,
// 3 a square tunnel in the dark, lit only by the light bands.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
varying vec2 texCoord;

float hash(vec2 p)
{
    p = fract(p * vec2(123.34, 456.21));
    p += dot(p, p + 45.32);
    return fract(p.x * p.y);
}

// Value noise that repeats every `period` cells across, so it wraps
// around the tunnel without a seam.
float vnoise(vec2 p, float period)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    float x0 = mod(i.x, period);
    float x1 = mod(i.x + 1.0, period);
    return mix(mix(hash(vec2(x0, i.y)), hash(vec2(x1, i.y)), f.x),
               mix(hash(vec2(x0, i.y + 1.0)), hash(vec2(x1, i.y + 1.0)), f.x), f.y);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);
    // The tunnel's vanishing point wanders.
    p -= vec2(sin(t * 0.4), cos(t * 0.3)) * 0.12;

    float r = s == 3 ? max(abs(p.x), abs(p.y)) : length(p);
    float a = atan(p.y, p.x) / 6.2832 + 0.5;
    float speed = s == 0 ? 0.6 : 1.2;
    float run = t * speed + absfft.x * 0.0015;
    float depth = 0.3 / max(r, 0.01);
    if (s == 2) a += depth * 0.05 * sin(t * 0.7) + t * 0.05;
    vec2 tc = vec2(a * 8.0, depth + run);

    // Moss: two octaves of noise, tufts picked out by a sharper third.
    float m = vnoise(tc * vec2(3.0, 2.0), 24.0) * 0.6 + vnoise(tc * vec2(9.0, 6.0), 72.0) * 0.3;
    float tuft = smoothstep(0.55, 0.8, vnoise(tc * vec2(20.0, 14.0), 160.0));
    vec3 moss = mix(vec3(0.05, 0.12, 0.03), vec3(0.35, 0.6, 0.12), m) + vec3(0.3, 0.4, 0.1) * tuft * m;
    if (s == 3) moss *= 0.15;

    // Light bands rushing towards the viewer, coloured from the curtain strip.
    float ring = fract(depth * 0.5 + run * 0.5);
    vec3 light = texture2D(texture0, vec2(fract(a + run * 0.1), 0.5)).rgb;
    float bandl = exp(-ring * (s == 3 ? 25.0 : 10.0)) * (0.5 + 1.5 * lv.x);
    vec3 col = moss * (0.6 + 0.8 * lv.y) + light * bandl * 1.5;

    // The greeting, wrapped once round the wall, comes rushing out of the
    // distance as a ring, again and again.
    if (s == 1 || s == 2) {
        // The ring's radius on screen grows as it nears; the letters keep
        // their shape: their height is 0.4 of the radius, their tops inwards.
        float ringR = mix(0.12, 0.95, pow(fract(t * 0.3), 1.5));
        vec2 tu = vec2(fract(a + 0.25 - t * 0.03), (r / ringR - 1.0) / 0.4 + 0.5);
        vec4 txt = texture2D(texture1, vec2(tu.x, tu.y));
        float ink = txt.a * max(txt.r, max(txt.g, txt.b)) * step(0.0, tu.y) * step(tu.y, 1.0);
        col = mix(col, vec3(1.0, 1.0, 0.8) * (1.0 + lv.w), ink);
    }
    // Fog in the distance, bright at the far end.
    col *= smoothstep(0.0, 0.25, r);
    col += vec3(0.5, 0.7, 0.3) * exp(-r * 12.0) * (0.3 + 0.7 * lv.z);
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
