// Player and actor movement: steps along a heading or a direction with sliding along what
// blocks them, the player's fall, and the per-tick fall and walk of the actors.
#pragma once

#include "core/vecmath.h"

struct human_being;

// Moves the player (mover must be null) by distance along viewangle: with viewangle 0 towards
// -z, the way the camera looks. Returns GoDirection's result.
int GoForward(human_being* mover, float distance);
// Moves the actor by distance along its heading rotation.y: with heading 0 towards +z.
int HumanGoForward(human_being* actor, float distance);
// Moves the player (mover null) or an actor by (+direction.x, -direction.z) in world x and z
// (direction.y is ignored), tested by CheckMove with angle as the heading. When the step is
// blocked, the slides CheckMove offered are tried in order and the first that passes is kept;
// if none does, the mover stays where it was. Returns 1 when the step was taken as asked (or
// without tests, alwaysWalk), 0 when it was blocked, slide or not. The player's box follows.
int GoDirection(human_being* mover, vector_type direction, float angle);

// One tick of the player's fall: the fall clock runs 0.02 per tick, the player sinks by
// 1.5 * 4.905 * t^2 of the clock before the step, and the overshoot of the last step is taken
// back so that the player lands exactly.
void player_idle();

// Fall gravity per tick of 0.02 s, in world units: half of g, slightly stretched by 1.5.
const float kFallTickSeconds = 0.02f;
// An actor that starts a fall from this height or more dies when it lands.
const float kDeadlyFallHeight = 5.0f;

// One tick of an actor's fall (a fixed 0.02 of fall time per tick, whatever the real step): a
// deadly fall plays the poses "Fall1"/"Fall2" and kills on landing; the last step's overshoot is
// given back so the feet end exactly on the ground. The caller turns wall clipping off around it.
void HumanFallTick(human_being* actor);
// One tick of an actor's walk towards walkTarget: within speed of the target (horizontally) the
// walk ends; otherwise the actor turns to face the target and steps forward by speed; a blocked
// step ends the walk. Only living actors of type 1 walk.
void HumanWalkTick(human_being* actor);
