#version 120
// Metaballs: eight blobs of chrome melt into one another over a picture
// (texture3), mirroring an environment picture (texture0) and refracting
// the pictures texture1 and texture2. The bass swells them, the mids stir.
// States: 0 chrome, 1 glass over the first picture, 2 glass over the
// second, 3 a swarm of sixteen small hot blobs.
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

vec4 bitmap(sampler2D tex, vec2 uv)
{
    return texture2D(tex, vec2(uv.x, 1.0 - uv.y));
}

void main()
{
    float t = time * 2.322;
    float st = statetime * 2.322;
    int s = int(mod(float(state), 4.0));
    vec4 lv = clamp(fft * 0.1, 0.0, 1.0);
    vec2 p = (texCoord - 0.5) * vec2(640.0 / 360.0, 1.0);

    // The field and its gradient, summed over the balls.
    float field = 0.0;
    vec2 grad = vec2(0.0);
    float stir = t * 0.6 + absfft.y * 0.002;
    int count = s == 3 ? 16 : 8;
    float radius = (s == 3 ? 0.055 : 0.1) * (1.0 + 0.35 * lv.x);
    for (int i = 0; i < 16; i++) {
        if (i >= count) break;
        float fi = float(i);
        vec2 c = vec2(sin(stir * (0.5 + 0.13 * fi) + fi * 1.7) * 0.65,
                      cos(stir * (0.37 + 0.11 * fi) + fi * 2.3) * 0.33);
        vec2 d = p - c;
        float r2 = dot(d, d) + 1e-4;
        float k = radius * radius / r2;
        field += k;
        grad += -2.0 * k / r2 * d;
    }
    float level = 1.0;
    float inside = smoothstep(level * 0.9, level * 1.1, field);
    // A normal for shading from the surface 1 - 1/field, which is a round
    // cap over each ball: it faces out at the rim and up in the middle.
    vec3 nor = normalize(vec3(-grad / (field * field) * radius * 0.75, 1.0));

    vec2 bu = (texCoord - 0.5) * (0.95 - 0.05 * lv.x) + 0.5;
    vec3 back = bitmap(texture3, bu).rgb * 0.55;
    vec3 col = back;
    // A soft glow where the balls come close.
    col += vec3(0.3, 0.5, 0.9) * smoothstep(0.3, 1.0, field) * (1.0 - inside) * 0.4;

    vec2 env = nor.xy * 0.5 + 0.5 + vec2(t * 0.05, 0.0);
    vec3 refl = texture2D(texture0, env).rgb;
    float fres = pow(max(1.0 - nor.z, 0.0), 2.0);
    vec3 ball;
    if (s == 0) {
        ball = refl * (0.7 + 0.6 * lv.y) + fres * 0.5 + vec3(0.12, 0.14, 0.2);
    } else if (s == 3) {
        ball = mix(vec3(1.0, 0.35, 0.05), vec3(1.0, 0.95, 0.6), nor.z) * (0.7 + lv.w)
             + refl * 0.2;
    } else {
        vec2 q = texCoord + nor.xy * 0.08;
        vec4 pic1 = bitmap(texture1, q);
        vec4 pic2 = bitmap(texture2, q);
        vec4 pic = s == 1 ? pic1 : pic2;
        vec3 seen = mix(back * 0.9, pic.rgb, pic.a);
        ball = seen * 0.9 + refl * fres * 0.8 + vec3(0.1, 0.15, 0.2);
        ball += vec3(0.5, 0.75, 1.0) * clamp(fres * 2.5, 0.0, 1.0) * (0.5 + 0.5 * lv.y);  // the glass rim
    }
    // Light from the top left.
    vec3 l = normalize(vec3(-0.5, 0.6, 0.6));
    float spec = pow(clamp(dot(reflect(-l, nor), vec3(0.0, 0.0, 1.0)), 0.0, 1.0), 24.0);
    ball += vec3(1.0) * spec * 0.8;
    col = mix(col, ball, inside);
    // Each new state comes in on a short dip of the light.
    col *= clamp(0.55 + st * 2.0, 0.0, 1.0);
    gl_FragColor = vec4(col, 1.0);
}
