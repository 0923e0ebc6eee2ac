#version 120
// The light volumes: each fragment carries its position in eye space, so that
// the fragment program can put out its distance from the eye.

varying vec3 vEye;

void main() {
  vEye = (gl_ModelViewMatrix * gl_Vertex).xyz;
  gl_FrontColor = gl_Color;
  gl_BackColor = gl_Color;
  gl_Position = ftransform();
}
