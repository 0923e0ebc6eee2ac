#version 120
// A glowing body of radius about 1 in object space, between a rounded cube
// (spheriness 0) and a ball (1), rippled by blobbiness; marched along the
// ray from the camera through the box's far side.
uniform mat4 mat_view2object;
uniform mat4 mat_object2world;
uniform mat4 mat_object2view;
uniform float factor;
uniform float factor3;
uniform float spheriness;
uniform float blobbiness;
uniform vec3 cameraPosOS;

varying vec3 vObject;

float body(vec3 p) {
  vec3 q = abs(p) - vec3(0.72);
  float box = length(max(q, 0.0)) + min(max(q.x, max(q.y, q.z)), 0.0) - 0.2;
  float ball = length(p) - 1.0;
  float d = mix(box, ball, clamp(spheriness, 0.0, 1.0));
  float ripple = sin(p.x * 4.0 + factor3 * 40.0) * sin(p.y * 4.0 + factor * 0.7) * sin(p.z * 4.0 - factor3 * 30.0);
  return d + ripple * 0.18 * blobbiness;
}

void main() {
  vec3 ro = cameraPosOS;
  vec3 rd = normalize(vObject - ro);
  // closest approach to the centre gives the corona
  float tc = max(dot(-ro, rd), 0.0);
  float miss = length(ro + rd * tc);
  float corona = exp(-max(miss - 0.8, 0.0) * 1.6);
  vec4 result = vec4(vec3(1.0, 0.55, 0.25) * 1.2, corona * 0.85);
  float t = max(tc - 2.0, 0.0);
  for (int i = 0; i < 48; ++i) {
    vec3 p = ro + rd * t;
    float d = body(p);
    if (d < 0.01) {
      vec3 e = vec3(0.01, 0.0, 0.0);
      vec3 n = normalize(vec3(body(p + e.xyy) - body(p - e.xyy), body(p + e.yxy) - body(p - e.yxy),
                              body(p + e.yyx) - body(p - e.yyx)));
      float rim = 1.0 - max(dot(n, -rd), 0.0);
      result = vec4(mix(vec3(1.0, 0.97, 0.85), vec3(1.0, 0.6, 0.25), rim * rim), 1.0);
      break;
    }
    t += max(d, 0.02);
    if (t > tc + 2.5) break;
  }
  gl_FragColor = result;
}
