#version 120
// Cross-fade: the outgoing picture fades into the incoming one.
uniform sampler2D texture0;
uniform sampler2D texture1;
uniform float blend;
varying vec2 texCoord;

void main()
{
    vec4 a = texture2D(texture0, texCoord);
    vec4 b = texture2D(texture1, texCoord);
    gl_FragColor = vec4(mix(a.rgb, b.rgb, clamp(blend, 0.0, 1.0)), 1.0);
}
