#version 120
// Floor of blobs: a glossy floor out of which rows of blobs bulge and
// sink, each row on its own band level, under the pictures (texture0,
// texture1) that hang as a screen in the sky behind; the blobs mirror the
// sky and the screen's glow. (Texture reads are the dearest part on a
// software rasteriser, and every branch is paid for: two reads in all.)
// States: 0 the first picture, 1 the second, 2 the blobs turn to chrome
// and the pictures blend back and forth, 3 a low flight over the blobs at
// night.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
varying vec2 texCoord;

vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

float smin(float a, float b, float k)
{
    float h = clamp(0.5 + 0.5 * (b - a) / k, 0.0, 1.0);
    return mix(b, a, h) - k * h * (1.0 - h);
}

// The floor, with a sphere in every cell of a 2x2 grid, rising and sinking.
float floorBlobs(vec3 p, float tt, vec4 l)
{
    vec2 cell = floor(p.xz / 2.0);
    vec2 q = mod(p.xz, 2.0) - 1.0;
    float r = mod(cell.y, 4.0);
    float band = r < 0.5 ? l.x : (r < 1.5 ? l.y : (r < 2.5 ? l.z : l.w));
    // A smooth up and down, cheaper than a sine: a rounded triangle wave.
    float w = abs(fract(tt * 0.24 + cell.x * 0.143 + cell.y * 0.207) - 0.5) * 4.0 - 1.0;
    float lift = 0.25 + 0.35 * w * (1.5 - 0.5 * w * w) + 0.5 * band;
    float ball = length(vec3(q.x, p.y - lift, q.y)) - 0.55;
    return smin(p.y, ball, 0.4);
}

void main()
{
    float tt = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 l = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    float camY = s == 3 ? 1.7 : 2.6;
    vec3 ro = vec3(sin(tt * 0.2) * 2.0, camY, tt * 1.5 + absfft.x * 0.001);
    vec3 rd = normalize(vec3(p.x, p.y - (s == 3 ? 0.15 : 0.35), 1.3));

    // The picture screen, hung far ahead over the horizon.
    vec2 sky = vec2(0.5 + rd.x * 0.8, 0.5 + (rd.y - 0.12) * 1.6);
    float blendPics = s == 2 ? 0.5 + 0.5 * sin(tt * 0.8 + l.y * 3.0) : (s == 1 ? 1.0 : 0.0);

    // March: start where the ray crosses the top of the tallest blob.
    float dist = 0.0;
    float top = 1.7;
    if (rd.y < 0.0) dist = max(0.0, (ro.y - top) / -rd.y);
    bool hit = false;
    float d = 1.0;
    for (int i = 0; i < 24; i++) {
        vec3 pos = ro + rd * dist;
        d = floorBlobs(pos, tt, l);
        if (d < 0.006 * dist) break;
        dist += d * 0.9 + dist * 0.006;
        if (dist > 25.0 || pos.y > top + 0.5 && rd.y > 0.0) break;
    }
    // A ray that ran out of steps close to the surface (grazing the far
    // floor) is shaded where it stopped; the fog hides the difference.
    hit = dist < 25.0 && d < 0.1 + 0.02 * dist;

    vec3 col;
    vec3 skyc = s == 3 ? vec3(0.01, 0.01, 0.04) : mix(vec3(0.3, 0.2, 0.35), vec3(0.05, 0.05, 0.15), clamp(rd.y * 3.0, 0.0, 1.0));
    vec4 pic = mix(bitmap(texture0, sky), bitmap(texture1, sky), blendPics);
    float onScreen = step(0.0, sky.x) * step(sky.x, 1.0) * step(0.0, sky.y) * step(sky.y, 1.0);
    col = mix(skyc, pic.rgb * (s == 3 ? 0.5 : 1.0), onScreen * pic.a);
    if (hit) {
        vec3 pos = ro + rd * dist;
        vec2 e = vec2(0.01, -0.01);
        vec3 nor = normalize(e.xyy * floorBlobs(pos + e.xyy, tt, l) + e.yyx * floorBlobs(pos + e.yyx, tt, l)
                           + e.yxy * floorBlobs(pos + e.yxy, tt, l) + e.xxx * floorBlobs(pos + e.xxx, tt, l));
        vec3 r = reflect(rd, nor);
        vec2 su = vec2(0.5 + r.x * 0.8, 0.5 + (r.y - 0.12) * 1.6);
        float rs = step(0.0, su.x) * step(su.x, 1.0) * step(0.0, su.y) * step(su.y, 1.0);
        vec3 glowc = 0.55 + 0.35 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + su.x * 0.7 + su.y * 0.4 + blendPics * 0.3));
        vec3 env = mix(skyc, glowc * (s == 3 ? 0.4 : 1.0), rs);
        float fres = 0.2 + 0.8 * pow(1.0 - clamp(-dot(rd, nor), 0.0, 1.0), 3.0);
        vec2 cell = floor(pos.xz / 2.0);
        vec3 baseC = 0.5 + 0.4 * cos(6.2832 * (vec3(0.0, 0.33, 0.67) + cell.y * 0.13 + cell.x * 0.07));
        float diff = clamp(dot(nor, normalize(vec3(0.3, 0.8, 0.4))), 0.0, 1.0);
        if (s == 2) {
            baseC = vec3(0.05);
            fres = 0.7 + 0.3 * fres;
        }
        col = baseC * (0.15 + 0.5 * diff) * (s == 3 ? 0.4 : 1.0) + env * fres;
        col = mix(col, skyc, clamp(dist / 25.0, 0.0, 1.0));
    }
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
