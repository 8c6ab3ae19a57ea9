#version 120
// Maze of cubes carrying the credits: the camera glides over a field of
// cubes; the cubes under the letters of a credits picture rise out of the
// field and glow, so the text is spelled by the cubes, while the rest of the
// field ripples on the bass. One credits picture per state: texture0 to
// texture3 for states 0 to 3, each state lit in its own colour.
uniform float time;
uniform float statetime;
uniform vec4 fft;
uniform vec3 absfft;
uniform int state;
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform sampler2D texture2;
uniform sampler2D texture3;
varying vec2 texCoord;

const vec2 GRID = vec2(64.0, 32.0);  // cells that the picture is spread over

float hash(vec2 p)
{
    p = fract(p * vec2(123.34, 456.21));
    p += dot(p, p + 45.32);
    return fract(p.x * p.y);
}

// The credits picture of the state, sampled at a cell; its top row is the
// far edge of the field, so the text reads upright from the camera.
float ink(vec2 cell, int s)
{
    vec2 uv = (cell + 0.5) / GRID;
    uv = vec2(uv.x, 1.0 - uv.y);
    vec4 c;
    if (s == 0) c = texture2D(texture0, uv);
    else if (s == 1) c = texture2D(texture1, uv);
    else if (s == 2) c = texture2D(texture2, uv);
    else c = texture2D(texture3, uv);
    float inside = step(0.0, uv.x) * step(uv.x, 1.0) * step(0.0, uv.y) * step(uv.y, 1.0);
    return c.a * max(c.r, max(c.g, c.b)) * inside;
}

float cellHeight(vec2 cell, int s, float t, float rise, float bass)
{
    float k = ink(cell, s);
    float ripple = 0.12 * sin(cell.x * 0.4 + cell.y * 0.3 - t * 2.0) * (0.5 + bass);
    // Low maze walls every fourth row and column, broken by random gaps.
    vec2 m = mod(cell, 4.0);
    float wall = (m.x < 0.5 || m.y < 0.5) && hash(cell * 1.7) > 0.35 ? 0.3 : 0.0;
    return 0.1 + ripple + max(k * rise, wall) + 0.05 * hash(cell);
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    // The letters rise during the first seconds of each state.
    float rise = 1.2 * smoothstep(0.0, 2.5, st) * (0.9 + 0.2 * lv.x);

    // Camera above the field, looking down at it, drifting sideways.
    vec3 ro = vec3(32.0 + 2.0 * sin(t * 0.15), 11.0, -4.0 + 2.0 * sin(t * 0.1));
    vec3 target = vec3(32.0 + sin(t * 0.2), 0.0, 15.0);
    vec3 fw = normalize(target - ro);
    vec3 rt = normalize(cross(vec3(0.0, 1.0, 0.0), fw));
    vec3 up = cross(fw, rt);
    vec3 rd = normalize(p.x * rt + p.y * up + 0.95 * fw);

    // Start at the top of the tallest cubes.
    float top = 0.4 + rise;
    float dist = (ro.y - top) / max(-rd.y, 0.01);
    vec3 col = vec3(0.0);
    bool hit = false;
    vec3 pos = ro;
    vec3 nor = vec3(0.0, 1.0, 0.0);
    vec2 cell = vec2(0.0);
    float h = 0.0;
    // Walk the grid cell by cell, testing the column in each.
    pos = ro + rd * dist;
    cell = floor(pos.xz);
    // A ray exactly along a grid line would divide by zero: nudge it.
    vec2 dir = mix(rd.xz, vec2(1e-4), step(abs(rd.xz), vec2(1e-4)));
    vec2 stepDir = sign(dir);
    vec2 delta = abs(1.0 / dir);
    vec2 nextT = (cell + max(stepDir, 0.0) - pos.xz) / dir;
    nextT = max(nextT, 0.0);
    float travelled = 0.0;
    float lastSide = 1.0;  // 0: x wall, 1: z wall, 2: top
    for (int i = 0; i < 32; i++) {
        h = cellHeight(cell, s, t, rise, lv.x);
        // The ray's height at the cell's entry and exit.
        float tExit = min(nextT.x, nextT.y);
        float yIn = pos.y + rd.y * travelled;
        float yOut = pos.y + rd.y * tExit;
        if (yIn < h) { hit = true; break; }
        if (yOut < h) {
            travelled += (h - yIn) / rd.y;
            lastSide = 2.0;
            hit = true;
            break;
        }
        if (nextT.x < nextT.y) {
            travelled = nextT.x;
            nextT.x += delta.x;
            cell.x += stepDir.x;
            lastSide = 0.0;
        } else {
            travelled = nextT.y;
            nextT.y += delta.y;
            cell.y += stepDir.y;
            lastSide = 1.0;
        }
        // Below the floor, or so far that the fog hides everything: stop.
        if (yOut < 0.0 || travelled + dist > 44.0) break;
    }

    vec3 hue = s == 0 ? vec3(1.0, 0.55, 0.2) : (s == 1 ? vec3(0.3, 0.8, 1.0)
             : (s == 2 ? vec3(0.6, 1.0, 0.4) : vec3(1.0, 0.4, 0.8)));
    vec3 sky = mix(vec3(0.0, 0.0, 0.02), hue * 0.15, clamp(rd.y + 0.6, 0.0, 1.0));
    col = sky;
    if (hit) {
        vec3 hp = pos + rd * travelled;
        if (lastSide == 2.0) nor = vec3(0.0, 1.0, 0.0);
        else if (lastSide == 0.0) nor = vec3(-stepDir.x, 0.0, 0.0);
        else nor = vec3(0.0, 0.0, -stepDir.y);
        float k = ink(cell, s);
        vec2 f = lastSide == 2.0 ? fract(hp.xz) : (lastSide == 0.0 ? vec2(fract(hp.z), hp.y) : vec2(fract(hp.x), hp.y));
        float edge = lastSide == 2.0 ? max(abs(f.x - 0.5), abs(f.y - 0.5)) : abs(f.x - 0.5);
        float diff = 0.35 + 0.65 * clamp(dot(nor, normalize(vec3(0.4, 0.9, -0.3))), 0.0, 1.0);
        vec3 base = vec3(0.12, 0.13, 0.16) * diff;
        vec3 lit = hue * (0.9 + 0.6 * lv.w) * diff;
        col = mix(base, lit, k);
        col += hue * smoothstep(0.42, 0.5, edge) * (0.15 + 0.5 * k);
        // Fog with distance.
        col = mix(col, sky, clamp((travelled + dist) / 44.0, 0.0, 1.0));
    }
    // Once the letters have risen, the same credits float above the field
    // as a hologram at full resolution, so that they can be read: the cubes
    // alone carry too few cells per letter.
    vec2 tuv = (texCoord - vec2(0.18, 0.40)) / vec2(0.64, 0.56);
    tuv.x += 0.004 * sin(tuv.y * 60.0 + t * 4.0) * (0.5 + lv.z);
    tuv = vec2(tuv.x, 1.0 - tuv.y);
    float show = smoothstep(1.2, 2.8, st);
    if (show > 0.0 && tuv.x >= 0.0 && tuv.x <= 1.0 && tuv.y >= 0.0 && tuv.y <= 1.0) {
        vec4 tc;
        if (s == 0) tc = texture2D(texture0, tuv);
        else if (s == 1) tc = texture2D(texture1, tuv);
        else if (s == 2) tc = texture2D(texture2, tuv);
        else tc = texture2D(texture3, tuv);
        float glyph = tc.a * max(tc.r, max(tc.g, tc.b));
        float scan = 0.8 + 0.2 * sin(texCoord.y * 360.0 * 3.14159);
        col += (hue * 0.9 + vec3(0.35)) * glyph * scan * show * (0.85 + 0.3 * lv.y);
    }

    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
