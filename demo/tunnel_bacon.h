#pragma once
// The tunnel's greetings and sprites: where the greeting strips hang and how
// the particle stream moves around the path ahead of the camera.

#include <vector>

#include "mb_vector3.h"

namespace tunnel {

const int kGreetings = 22;
const int kParticles = 1600;
const float kSpriteHalfSize = 0.15f;

// The greeting positions, the same on every run (seed 42): between 40% and
// 95% of the flight, each 0.5 units off the path in a random direction.
std::vector<zelkor::mathbase::Vector3f> greetPositions();

// How far ahead of the camera, in path parameter, particle b lies.
float particleLead(int b, float pTimer);

// Particle b at the effect's local time and progress: its centre and its
// orbit angle (which also spins the sprite). False when its lead takes it past
// the end of the path: it is not drawn.
bool particle(int b, float pTimer, float pPercent, zelkor::mathbase::Vector3f& pos, float& angle);

}  // namespace tunnel
