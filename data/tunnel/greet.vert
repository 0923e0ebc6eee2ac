#version 120
// Greeting strips: textured quads in immediate mode.
varying vec2 vUv;
varying vec4 vColor;

void main() {
  vUv = gl_MultiTexCoord0.xy;
  vColor = gl_Color;
  gl_Position = ftransform();
}
