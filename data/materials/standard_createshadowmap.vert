#version 120
// The sun's pass: the view is the sun's, looking straight down.
attribute vec3 va_position;
attribute vec3 va_normal;

varying vec3 vLightPos;

void main() {
  vec4 lightPos = gl_ModelViewMatrix * vec4(va_position, 1.0);
  vLightPos = lightPos.xyz;
  gl_Position = gl_ProjectionMatrix * lightPos;
}
