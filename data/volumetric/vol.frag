#version 120
// Added for the back faces and taken off for the front faces: what stays is
// the length of the ray inside the box, dimmed with its distance. Measured
// from the wall's near side and bounded, so that the sum over the back faces
// along a ray stays below the 8-bit ceiling before the front faces are taken
// off.

uniform float intensity;
varying vec3 vEye;
varying float vNear;

const float kFalloff = 6.0;  // units of depth over which a volume dims by 1/e

void main() {
  float depth = max(length(vEye) - vNear, 0.0);
  float level = kFalloff * (1.0 - exp(-depth / kFalloff)) * 0.35;
  gl_FragColor = vec4(gl_Color.rgb * (intensity * level), 1.0);
}
