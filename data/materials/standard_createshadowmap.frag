#version 120
uniform float sun_ymin;
uniform float sun_ymax;
uniform mat4 mat_view2world;
uniform mat4 mat_sun2world;

varying vec3 vLightPos;

// Depth below the top of the shadow volume, 0..1 in two bytes.
void main() {
  float worldY = (mat_sun2world * vec4(vLightPos, 1.0)).y;
  float depth = clamp((sun_ymax - worldY) / (sun_ymax - sun_ymin), 0.0, 1.0);
  float high = floor(depth * 255.0) / 255.0;
  float low = fract(depth * 255.0);
  gl_FragData[0] = vec4(high, low, 0.0, 1.0);
}
