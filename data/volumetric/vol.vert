#version 120
// The light volumes: each fragment carries its position in eye space, and the
// distance from the eye to the nearest side of the wall (the model transform
// is the identity, so the camera's position comes from the model-view matrix).

varying vec3 vEye;
varying float vNear;

void main() {
  vEye = (gl_ModelViewMatrix * gl_Vertex).xyz;
  mat3 rotation = mat3(gl_ModelViewMatrix);
  vec3 eye = -(transpose(rotation) * gl_ModelViewMatrix[3].xyz);
  // the boxes ripple two units to either side of x = 0 and are 0.7 thick
  vNear = max(abs(eye.x) - 2.7, 0.0);
  gl_FrontColor = gl_Color;
  gl_BackColor = gl_Color;
  gl_Position = ftransform();
}
