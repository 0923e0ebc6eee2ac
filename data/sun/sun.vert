#version 120
// The sun's box; the fragment program finds the sun inside it.
varying vec3 vObject;

void main() {
  vObject = gl_Vertex.xyz;
  gl_Position = ftransform();
}
