#version 120
// Dissolve: the incoming picture eats through the outgoing one in a grain
// of small noise specks, each pixel flipping when the blend passes its
// threshold; a thin bright seam runs along the edge of the specks.
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform float blend;
uniform vec4 fft;
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
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), f.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), f.x), f.y);
}

void main()
{
    vec4 a = texture2D(texture0, texCoord);
    vec4 b = texture2D(texture1, texCoord);
    vec2 px = texCoord * vec2(640.0, 360.0);
    // Specks of a few pixels, with single-pixel grain in them.
    float n = vnoise(px / 6.0) * 0.75 + hash(floor(px)) * 0.25;
    float edge = 0.04;
    float k = clamp(blend, 0.0, 1.0) * (1.0 + 2.0 * edge) - edge;
    float m = smoothstep(k - edge, k + edge, n);
    vec3 col = mix(b.rgb, a.rgb, m);
    // The seam: brightest where the mix is half way; the highs brighten it.
    float seam = 1.0 - abs(m - 0.5) * 2.0;
    col += seam * (0.25 + 0.03 * clamp(fft.w, 0.0, 10.0)) * step(0.001, blend) * step(blend, 0.999);
    gl_FragColor = vec4(col, 1.0);
}
