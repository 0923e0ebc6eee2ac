#version 120
// Distance from the eye times the colour: added for the back faces and taken
// off for the front faces, what stays is the length of the ray inside the
// box. The scale keeps a single box well below the 8-bit ceiling.

uniform float intensity;
varying vec3 vEye;

void main() {
  float thickness = length(vEye) * (1.0 / 32.0);
  gl_FragColor = vec4(gl_Color.rgb * (intensity * thickness), 1.0);
}
