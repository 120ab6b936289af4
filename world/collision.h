// Collision and line queries: the segment-triangle test everything rests on, the step test for
// the player and the actors (ground, falls, step-up, walls, slides) and the queries that find
// what a straight line hits first, a level quad or an actor. Keeps no state beyond the result
// globals below.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct human_being;
struct vertWall;

// A slide option offered by CheckMove along whatever blocked a step.
struct fpl
{
    float dx, dz;   // world displacement along the blocking surface to try instead
    float angle;    // between the step's heading and the surface, 0..180
    int32_t valid;  // 1: holds a slide; 0: ends the table
    vertWall* wall; // the wall that produced it; null for an actor or the player
};

enum
{
    kMaxSliders = 8
};

// The slide table movement hands to CheckMove.
extern fpl gSliders[kMaxSliders];

// Last point found by the segment test (written when it is called without a hit pointer), and
// the nearest hit of the last line query that hit something. Steps (CheckMove) and queries that
// hit nothing leave them as they were.
extern float s1, s2, s3;
// Nearest hit of the running line query, and its distance from the query's start.
extern float oldS1, oldS2, oldS3;
extern float vecDistance;
// What the last line query hit: 0 nothing, 1 a quad, 2 an actor.
extern int hitPerson;
// The actor hit by the last StandardCollision or StandardTeamCollision that hit one.
extern human_being* gHitPerson;
// The eye's height above the feet; every CheckMove sets it to 1.0.
extern float lookHeight;

// When wallClipping is 0, steps ignore walls, actors and the player (the ground is still
// required). The game tick sets it and puts defaultWallClipping back.
extern int wallClipping;
extern int defaultWallClipping;

// The clock in sixtieths of a second that falls are stamped with; registered by the program.
// While null the game clock is used.
extern int32_t (*gTickCountHook)();

// The actor whose script is running (the interpreter's gHumanScriptTarget), which line queries
// pass through; registered by the program. While null no actor is passed for that reason.
extern human_being* (*gScriptTargetHook)();

// Segment from -> to against the triangle tri: 0 no crossing (parallel, outside the segment or
// outside the parallelogram tri[0], tri[1], tri[1] + tri[2] - tri[0], tri[2]), 1 inside the
// triangle, 2 inside the other half of that parallelogram. On 1 or 2 the crossing is written to
// hit, or to s1..s3 when hit is null. Platforms and walls accept only 1; box faces accept both.
int LineSegmentCollidesWithTriangle(const vector_type tri[3], const vector_type* from, const vector_type* to,
                                    vector_type* hit);

// Tests a step from (oldX, oldZ) to (newX, newZ). mover null is the player: height is &updown
// (the negated eye height) and fall, fallStartTime the player's fall state; for an actor they
// are &position.y (feet), &fallHeight, &fallStartTime. Returns 1 when the step may be taken,
// 0 when it is blocked or has no ground; the caller moves and puts back the position itself.
// The height is raised by a step of up to 0.3 at once; a lower ground sets *fall and stamps
// *fallStartTime. slides (or null) receives the slide options; only its first entry's valid is
// cleared. retry (or null) is the slide being tried: walls parallel to its wall are not tested.
int CheckMove(float oldX, float oldZ, float newX, float newZ, float* height, float heading, float* fall,
              int32_t* fallStartTime, human_being* mover, fpl* slides, fpl* retry);

// The displacement along a surface at surfaceAngle for a step of length along heading (dx, dz,
// angle set; valid 0, wall null).
fpl GetLineSlideFromRotation(float surfaceAngle, float heading, float length);

// Nearest visible quad (not kQuadInvisible) crossed by the segment: sets hitPerson to 1 and,
// when nearer than vecDistance, vecDistance and oldS1..3; a hit copies the nearest into s1..s3.
void DetectWallCollision(const vector_type* from, const vector_type* to);

// Nearest thing on the segment: 0 nothing, 1 a quad, 2 an actor (gHitPerson set). Type-2 actors
// and the actor whose script is running are passed through. s1..s3 hold the nearest hit.
int StandardCollision(vector_type from, vector_type to);
// The same, also passing through every actor of the given team.
int StandardTeamCollision(vector_type from, vector_type to, int team);

// Nearest actor (not of type 2) whose box the segment crosses, or null. faceAngle (or null)
// receives the direction of the face hit.
human_being* GetPersonFromLineIntersection(vector_type from, vector_type to, float* faceAngle);

// What the editor picks: the nearest actor that is not on the HUD (of any type) whose box the
// segment crosses before any visible quad, or null; hit (or null) receives where. The result
// globals of the line queries (s1..s3, hitPerson, gHitPerson) are left as they were.
human_being* PickActorOnSegment(vector_type from, vector_type to, vector_type* hit);

// 1 when the segment crosses a face of playerBox.
int PlayerIsIntersected(vector_type from, vector_type to);
