#version 120
// The strip's picture times its brightness, which grows without bound as the
// camera closes in (and turns negative once it has passed): held to [0, 1].
uniform sampler2D texture;
varying vec2 vUv;
varying vec4 vColor;

void main() {
  vec3 brightness = clamp(vColor.rgb, 0.0, 1.0);
  gl_FragColor = vec4(texture2D(texture, vUv).rgb * brightness, 1.0);
}
