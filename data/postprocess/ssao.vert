#version 120
// The composite: one quad over the screen.
varying vec2 vUV;

void main() {
  vUV = gl_MultiTexCoord0.xy;
  gl_Position = vec4(gl_Vertex.xy, 0.0, 1.0);
}
