#version 120
// Noise field: domain-warped value noise flowing over the screen.
// The bass pushes the warp, the highs sharpen the ridges, the running sum of
// the mids drives the flow. States: 0 grey smoke, 1 burning colours,
// 2 contour lines, 3 a zooming cold storm.
uniform float time;
uniform float statetime;
uniform vec3 spectrum;
uniform vec3 absfft;
uniform vec4 fft;
uniform int state;
varying vec2 texCoord;

float hash(vec2 p)
{
    p = fract(p * vec2(123.34, 456.21));
    p += dot(p, p + 45.32);
    return fract(p.x * p.y);
}

float vnoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    f = f * f * (3.0 - 2.0 * f);
    float a = hash(i);
    float b = hash(i + vec2(1.0, 0.0));
    float c = hash(i + vec2(0.0, 1.0));
    float d = hash(i + vec2(1.0, 1.0));
    return mix(mix(a, b, f.x), mix(c, d, f.x), f.y);
}

float fbm(vec2 p)
{
    float v = 0.0;
    float a = 0.5;
    for (int i = 0; i < 4; i++) {
        v += a * vnoise(p);
        p = p * 2.03 + vec2(1.7, 9.2);
        a *= 0.5;
    }
    return v;
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    vec3 band = clamp(fft.xyw * 0.1, 0.0, 1.0);
    int s = int(mod(float(state), 4.0));

    vec2 uv = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);
    float zoom = 3.0;
    if (s == 3) zoom = 3.0 + 2.0 * sin(st * 0.6);
    vec2 p = uv * zoom;
    float flow = t * 0.15 + absfft.y * 0.002;

    vec2 q = vec2(fbm(p + vec2(0.0, flow)), fbm(p + vec2(5.2, 1.3 - flow)));
    float warp = 1.5 + 2.5 * band.x;
    float n = fbm(p + warp * q + vec2(flow * 0.7, 0.0));

    vec3 col;
    if (s == 0) {
        col = vec3(n * n * 1.6) * vec3(0.9, 0.95, 1.0);
    } else if (s == 1) {
        float h = n * 1.4;
        col = vec3(h * 1.6, h * h * 1.1, h * h * h * 0.8);
        col += vec3(0.4, 0.1, 0.0) * q.x * band.y;
    } else if (s == 2) {
        float lines = abs(fract(n * 7.0 - t * 0.5) - 0.5) * 2.0;
        float ink = smoothstep(0.15 + 0.2 * band.z, 0.0, lines);
        col = mix(vec3(0.02, 0.04, 0.08), vec3(0.3, 0.9, 0.7), ink) + vec3(0.1, 0.05, 0.2) * n;
    } else {
        col = vec3(0.1, 0.3, 0.6) * n + vec3(0.7, 0.9, 1.0) * pow(n, 4.0) * 4.0;
        col += vec3(0.3, 0.0, 0.5) * q.y * q.y;
    }
    // Ridges flash on the highs.
    col += vec3(1.0) * pow(clamp(1.0 - abs(n - 0.5) * 8.0, 0.0, 1.0), 3.0) * band.z * 0.5;
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
