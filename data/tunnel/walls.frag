#version 120
// A head light at the camera, a cool metal tint, warm glowing arcs (what lies
// inside the panels' radius) and a fade into the dark far away.
varying vec3 vEye;
varying vec3 vNormal;
varying vec3 vLocal;
varying vec4 vColor;

const float kPanelRadius = 2.0;
const vec3 kFogColor = vec3(0.01, 0.01, 0.02);

void main() {
  float dist = length(vEye);
  vec3 toEye = -vEye / max(dist, 0.0001);
  vec3 n = normalize(vNormal);
  // faces seen from behind light as their front
  if (dot(n, toEye) < 0.0) n = -n;

  float diffuse = max(dot(n, toEye), 0.0);
  // diffuse^24 by squaring: a handful of products instead of a logarithm and
  // an exponential on every pixel
  float d2 = diffuse * diffuse;
  float d8 = d2 * d2 * d2 * d2;
  float specular = d8 * d8 * d8;
  float falloff = 1.0 / (1.0 + 0.015 * dist * dist);

  float radius = length(vLocal.xz);
  // panel seams: darker toward the panel's front and back edges
  float along = clamp((vLocal.y - 0.02) / 0.44, 0.0, 1.0);
  float seam = smoothstep(0.0, 0.12, along) * smoothstep(0.0, 0.12, 1.0 - along);

  vec3 metal = vColor.rgb * vec3(0.75, 0.9, 1.25);
  vec3 lit = metal * (0.12 + 1.3 * diffuse) * (0.55 + 0.45 * seam) + vec3(0.9, 0.95, 1.0) * specular * 0.6;
  vec3 color = lit * falloff;
  if (radius < kPanelRadius - 0.01) {
    // a neon tube: a hot line along the middle of the arc's face
    float across = (vLocal.y - 0.035) / 0.014;
    float core = exp(-across * across);
    vec3 glow = mix(vec3(1.0, 0.38, 0.1), vec3(1.0, 0.85, 0.6), core * 0.8);
    color = glow * (0.55 + 0.45 * diffuse + 0.5 * core) / (1.0 + 0.004 * dist * dist);
  }
  float fog = exp(-0.035 * dist);
  gl_FragColor = vec4(mix(kFogColor, color, fog), 1.0);
}
