// Owns how the player and the actors move over the level: every step goes through CheckMove,
// blocked steps try the offered slides, and falls advance by a fixed clock per tick.
#include "world/movement.h"

#include "core/vecmath.h"
#include "model/blending.h"
#include "model/bounds.h"
#include "world/camera.h"
#include "world/collision.h"
#include "world/humans.h"
#include "world/player.h"

#include <cmath>

int GoForward(human_being* mover, float distance)
{
    vector_type step = RotateVector(fastVector_Set(0.0f, 0.0f, distance), fastVector_Set(0.0f, 0.0f, 0.0f),
                                    0.0f, viewangle, 0.0f);
    return GoDirection(nullptr, step, viewangle);
}

int HumanGoForward(human_being* actor, float distance)
{
    const float heading = -(actor->rotation.y - 180.0f);
    vector_type step = RotateVector(fastVector_Set(0.0f, 0.0f, distance), fastVector_Set(0.0f, 0.0f, 0.0f),
                                    0.0f, heading, 0.0f);
    return GoDirection(actor, step, heading);
}

// The player's step. The translation is the negated world position, so world moves are
// subtracted from it.
static int PlayerGoDirection(vector_type direction, float angle)
{
    const float oldEntfl = entfl, oldEntf = entf;
    entfl -= direction.x;
    entf += direction.z;
    int taken = CheckMove(-oldEntfl, -oldEntf, -entfl, -entf, &updown, angle, &fall, &fallStartTime, nullptr,
                          gSliders, nullptr);
    if (!taken)
    {
        int slid = 0;
        for (int i = 0; i < kMaxSliders && gSliders[i].valid; i++)
        {
            entfl = oldEntfl - gSliders[i].dx;
            entf = oldEntf - gSliders[i].dz;
            if (CheckMove(-oldEntfl, -oldEntf, -entfl, -entf, &updown, angle, &fall, &fallStartTime, nullptr,
                          nullptr, &gSliders[i]))
            {
                slid = 1;
                break;
            }
        }
        if (!slid)
        {
            entfl = oldEntfl;
            entf = oldEntf;
        }
    }
    GeneratePlayerBox();
    return taken;
}

static int HumanGoDirection(human_being* actor, vector_type direction, float angle)
{
    const float oldX = actor->position.x, oldZ = actor->position.z;
    actor->position.x += direction.x;
    actor->position.z -= direction.z;
    if (alwaysWalk) return 1;
    int taken = CheckMove(oldX, oldZ, actor->position.x, actor->position.z, &actor->position.y, angle,
                          &actor->fallHeight, &actor->fallStartTime, actor, gSliders, nullptr);
    if (taken) return 1;
    for (int i = 0; i < kMaxSliders && gSliders[i].valid; i++)
    {
        actor->position.x = oldX + gSliders[i].dx;
        actor->position.z = oldZ + gSliders[i].dz;
        if (CheckMove(oldX, oldZ, actor->position.x, actor->position.z, &actor->position.y, angle,
                      &actor->fallHeight, &actor->fallStartTime, actor, nullptr, &gSliders[i]))
            return 0;
    }
    actor->position.x = oldX;
    actor->position.z = oldZ;
    return 0;
}

int GoDirection(human_being* mover, vector_type direction, float angle)
{
    // CheckMove marks only the end of what it writes: slides of an earlier step must not be tried.
    for (int i = 0; i < kMaxSliders; i++)
        gSliders[i].valid = 0;
    // A step that would leave the range of numbers (a speed of 1e38) is not taken: positions stay
    // finite, as the level files must hold them.
    const float x = mover ? mover->position.x + direction.x : entfl - direction.x;
    const float z = mover ? mover->position.z - direction.z : entf + direction.z;
    if (!std::isfinite(x) || !std::isfinite(z)) return 0;
    return mover ? HumanGoDirection(mover, direction, angle) : PlayerGoDirection(direction, angle);
}

void player_idle()
{
    if (fall > 0.0f)
    {
        const float t = gPlayerFallTime;
        const float sink = 1.5f * 4.905f * t * t;
        gPlayerFallTime += kFallTickSeconds;
        fall -= sink;
        updown += sink;
    }
    if (fall <= 0.0f)
    {
        updown += fall;
        fall = 0.0f;
        gPlayerFallTime = 0.0f;
    }
}

// Distance fallen after t seconds of fall time.
static float FallenBy(float t)
{
    return t > 0.0f ? 4.905f * t * t : 0.0f;
}

void HumanFallTick(human_being* actor)
{
    if (actor->deadlyFall)
    {
        actor->returnToStandard = 0;
        TargetPoses(actor, "Fall1", "Fall2", 500, 16);
        actor->diesOnZeroHealth = 1;
        if (actor->fallHeight <= 0.0f)
        {
            actor->deadlyFall = 0;
            actor->health = 0;
        }
    }
    if (actor->fallHeight > 0.0f)
    {
        const float t = actor->fallTime;
        actor->fallStep = t > 0.0f ? (FallenBy(t) - FallenBy(t - kFallTickSeconds)) * 1.5f : 0.0f;
        if (actor->fallHeight >= kDeadlyFallHeight) actor->deadlyFall = 1;
        actor->fallHeight -= actor->fallStep;
        actor->position.y -= actor->fallStep;
        actor->fallTime += kFallTickSeconds;
        if (actor->fallHeight <= 0.0f)
        {
            actor->position.y -= actor->fallHeight;
            actor->fallHeight = 0.0f;
            actor->fallTime = 0.0f;
        }
    }
}

void HumanWalkTick(human_being* actor)
{
    if (actor->health <= 0 || actor->type != 1) return;
    const float dz = actor->position.z - actor->walkTarget.z;
    const float dx = actor->position.x - actor->walkTarget.x;
    // Also stops an actor that is not walking but stands near its last target.
    if (sqrtf(dz * dz + dx * dx) < actor->speed)
    {
        actor->walking = 0;
        actor->returnToStandard = 1;
    }
    if (!actor->walking) return;
    actor->rotation.y = GetTwoPointAngle(SetFPt(actor->position.x, actor->position.z),
                                         SetFPt(actor->walkTarget.x, actor->walkTarget.z));
    actor->returnToStandard = 0;
    if (!HumanGoForward(actor, actor->speed))
    {
        actor->walking = 0;
        actor->returnToStandard = 1;
    }
}
