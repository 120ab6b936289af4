// The segment-triangle test, the step test for movers and the line queries against the level
// quads and the actors' boxes. The level's spatial index names the quads, platforms and walls
// near a step or along a line, and an actor's box bounds rule it out before its faces are
// tested; candidates are still tested in list and roster order, so every answer, tie and slide
// is the one a test of everything would give. CheckMove keeps only the best ground candidate.
#include "world/collision.h"

#include "core/clock.h"
#include "model/mesh_records.h"
#include "script/interpreter.h"
#include "world/camera.h"
#include "world/geometry.h"
#include "world/humans.h"
#include "world/level_index.h"
#include "world/player.h"

#include <cmath>
#include <utility>

fpl gSliders[kMaxSliders];
float s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
float oldS1 = 0.0f, oldS2 = 0.0f, oldS3 = 0.0f;
float vecDistance = 65535.0f;
int hitPerson = 0;
human_being* gHitPerson = nullptr;
float lookHeight = 1.0f;
int wallClipping = 1;
int defaultWallClipping = 1;
int32_t (*gTickCountHook)() = nullptr;

namespace
{

const float kFarAway = 65535.0f;      // vecDistance while a query runs: farther than anything
const float kNoGround = -32767.0f;    // ground height before any candidate qualifies
const float kEyeAboveFeet = 1.0f;     // movers' eyes stand this high above their feet
const float kKneeAboveFeet = 0.31f;   // the way is tested at this height
const float kProbeAboveEye = 2.0f;    // the ground probe starts this far above the eye
const float kProbeBelowEye = 1000.0f; // and reaches this far below it
const float kHighestStep = 0.5f;      // ground higher than this above the eye is not ground
const float kClimbedAtOnce = 0.3f;    // a rise up to this is climbed in the same step

vector_type Sub(vector_type a, vector_type b)
{
    return fastVector_Set(a.x - b.x, a.y - b.y, a.z - b.z);
}

float Dot(vector_type a, vector_type b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

float DistanceOf(float x, float y, float z, vector_type from)
{
    return std::sqrt(squareOf(x - from.x) + squareOf(y - from.y) + squareOf(z - from.z));
}

int32_t FallClock()
{
    return gTickCountHook ? gTickCountHook() : (int32_t)((double)gCurrentTime * 0.06);
}

// 1 when a segment test result counts for a box face (either half of its parallelogram).
bool HitsFace(const vector_type face[3], const vector_type& from, const vector_type& to, vector_type* hit)
{
    return LineSegmentCollidesWithTriangle(face, &from, &to, hit) != 0;
}

// An actor's collision volume: one box per bone for a solid type-0 actor whose model has bones,
// else the model box.
bool UsesBoneBoxes(const human_being* h)
{
    return h->type == 0 && h->model->boneListHead.next;
}

// False only when the segment cannot touch any box of the model: it misses the boxes' bounds,
// widened against rounding. Boxes never built yet are always tested.
bool SegmentMayTouchBoxes(const mesh_mod* model, const vector_type& a, const vector_type& b)
{
    if (!model->boxValid) return true;
    const float lo[3] = {model->boxMin.x, model->boxMin.y, model->boxMin.z};
    const float hi[3] = {model->boxMax.x, model->boxMax.y, model->boxMax.z};
    const float pa[3] = {a.x, a.y, a.z};
    const float pb[3] = {b.x, b.y, b.z};
    float t0 = 0.0f, t1 = 1.0f;
    for (int axis = 0; axis < 3; axis++)
    {
        const float m = 0.001f + 1e-5f * (std::fabs(lo[axis]) + std::fabs(hi[axis]) + std::fabs(pa[axis]) +
                                          std::fabs(pb[axis]));
        const float low = lo[axis] - m, high = hi[axis] + m, d = pb[axis] - pa[axis];
        if (!std::isfinite(low) || !std::isfinite(high) || !std::isfinite(pa[axis]) || !std::isfinite(d))
            return true;
        if (d == 0.0f)
        {
            if (pa[axis] < low || pa[axis] > high) return false;
            continue;
        }
        float ta = (low - pa[axis]) / d, tb = (high - pa[axis]) / d;
        if (ta > tb) std::swap(ta, tb);
        t0 = std::fmax(t0, ta);
        t1 = std::fmin(t1, tb);
        if (t0 > t1) return false;
    }
    return true;
}

struct actorHit
{
    human_being* actor;
    bonus* bone; // null for the model box
    int face;
};

// The actor part of the line queries: every actor but type 2, the skipped one and (with
// useTeam) the given team, tested from `to` back to `from`; a face hit nearer to `from` than
// vecDistance becomes the nearest (hitPerson 2, vecDistance, oldS1..3).
actorHit NearestActorOnSegment(vector_type from, vector_type to, const human_being* skip, bool useTeam,
                               int team)
{
    actorHit nearest = {nullptr, nullptr, 0};
    if (!baseHuman) return nearest;
    auto consider = [&](human_being* h, bonus* bone, const vector_type faces[6][3])
    {
        for (int f = 0; f < 6; f++)
        {
            vector_type hit;
            if (!HitsFace(faces[f], to, from, &hit)) continue;
            float d = DistanceOf(hit.x, hit.y, hit.z, from);
            if (d >= vecDistance) continue;
            hitPerson = 2;
            vecDistance = d;
            oldS1 = hit.x, oldS2 = hit.y, oldS3 = hit.z;
            nearest = {h, bone, f};
        }
    };
    for (human_being* h = baseHuman->next; h; h = h->next)
    {
        if (h->type == 2 || h == skip || !h->model) continue;
        if (useTeam && h->team == team) continue;
        if (!SegmentMayTouchBoxes(h->model, from, to)) continue;
        if (UsesBoneBoxes(h))
            for (bonus* b = h->model->boneListHead.next; b; b = b->next)
                consider(h, b, b->boxPlanes);
        else
            consider(h, nullptr, h->model->boxPlanes);
    }
    return nearest;
}

float FaceAngleOf(const actorHit& hit)
{
    float r = hit.bone ? hit.bone->rotationY[2] : 0.0f;
    float angle = -((hit.actor->rotation.y + r) - 180.0f);
    if (hit.face == 0 || hit.face == 1) angle = GetCorrectDegree(angle - 90.0f);
    return angle;
}

int NearestThing(vector_type from, vector_type to, bool useTeam, int team)
{
    float saved = vecDistance;
    vecDistance = kFarAway;
    hitPerson = 0;
    DetectWallCollision(&from, &to);
    actorHit hit = NearestActorOnSegment(from, to, gHumanScriptTarget, useTeam, team);
    vecDistance = saved;
    if (hitPerson == 0) return 0;
    s1 = oldS1, s2 = oldS2, s3 = oldS3;
    if (!hit.actor) return 1;
    gHitPerson = hit.actor;
    return 2;
}

// Writes a slide into the table's current entry; the cursor moves on unless it stands on the
// last entry (later slides then overwrite it) or advance is false.
void OfferSlide(fpl* slides, int* current, float surfaceAngle, float heading, float length, vertWall* wall,
                bool advance)
{
    if (!slides) return;
    fpl slide = GetLineSlideFromRotation(surfaceAngle, heading, length);
    slide.wall = wall;
    slide.valid = 1;
    slides[*current] = slide;
    if (advance && *current < kMaxSliders - 1) (*current)++;
}

// A retried slide has already been stopped by its wall; walls parallel to it, or sharing its
// face, would stop the slide along it again.
bool SkippedForRetry(const vertWall* w, const fpl* retry)
{
    const vertWall* W = retry->wall;
    if (w == W) return true;
    if (w->angle == W->angle || w->angle == GetCorrectDegree(W->angle - 180.0f)) return true;
    return w->quad && W->quad && w->quad->normal.x == W->quad->normal.x &&
           w->quad->normal.y == W->quad->normal.y && w->quad->normal.z == W->quad->normal.z;
}

} // namespace

int LineSegmentCollidesWithTriangle(const vector_type tri[3], const vector_type* from, const vector_type* to,
                                    vector_type* hit)
{
    const vector_type e1 = Sub(tri[1], tri[0]);
    const vector_type e2 = Sub(tri[2], tri[0]);
    const vector_type n = CrossProduct(e1, e2);
    const vector_type d = Sub(*to, *from);
    const float nd = Dot(n, d);
    if (std::fabs(nd) < 0.000001f) return 0;
    const float t = -Dot(Sub(*from, tri[0]), n) / nd;
    if (!(t >= 0.0f && t <= 1.0f)) return 0;
    const vector_type H = fastVector_Set(from->x + t * d.x, from->y + t * d.y, from->z + t * d.z);

    const vector_type w = Sub(H, tri[0]);
    const float a = Dot(e1, e1), b = Dot(e1, e2), c = Dot(e2, e2);
    const float p = Dot(w, e1), q = Dot(w, e2);
    const float denominator = b * b - a * c;
    if (denominator == 0.0f) return 0;
    const float k = 1.0f / denominator;
    const float beta = (b * q - c * p) * k;
    const float gamma = (b * p - a * q) * k;
    if (!(beta >= 0.0f && beta <= 1.0f && gamma >= 0.0f && gamma <= 1.0f)) return 0;
    const int result = (beta + gamma <= 1.0f || (beta == 1.0f && gamma == 1.0f)) ? 1 : 2;

    if (hit)
        *hit = H;
    else
        s1 = H.x, s2 = H.y, s3 = H.z;
    return result;
}

int CheckMove(float oldX, float oldZ, float newX, float newZ, float* height, float heading, float* fall,
              int32_t* fallStartTime, human_being* mover, fpl* slides, fpl* retry)
{
    if (alwaysWalk) return 1;
    lookHeight = kEyeAboveFeet;
    const float e = mover ? *height + kEyeAboveFeet : -*height;
    const float length = std::sqrt(squareOf(newX - oldX) + squareOf(newZ - oldZ));
    const vector_type probeFrom = fastVector_Set(newX, e + kProbeAboveEye, newZ);
    const vector_type probeTo = fastVector_Set(newX, e - kProbeBelowEye, newZ);
    const float knee = e - kEyeAboveFeet + kKneeAboveFeet;
    const vector_type kneeFrom = fastVector_Set(oldX, knee, oldZ);
    const vector_type kneeTo = fastVector_Set(newX, knee, newZ);

    // Ground candidates are eye heights; only the best is kept, so nothing is allocated.
    bool groundRefused = false;
    int platformCandidates = 0;
    float g = kNoGround;
    auto candidate = [&](float crossingY)
    {
        float eye = crossingY + kEyeAboveFeet;
        if (eye < e + kHighestStep && eye > g) g = eye;
    };

    const uint32_t* platforms;
    const int platformCount = GatherLevelCandidates(kLevelPlatforms, &probeFrom, &probeTo, &platforms);
    for (int i = 0; i < platformCount; i++)
    {
        const platfor* p = LevelPlatformAt(platforms[i]);
        vector_type ground, kneeCrossing;
        if (LineSegmentCollidesWithTriangle(p->points, &probeFrom, &probeTo, &ground) != 1) continue;
        if (LineSegmentCollidesWithTriangle(p->points, &kneeFrom, &kneeTo, &kneeCrossing) == 1)
            groundRefused = true;
        // The candidate is where the ground probe met this platform. (Reading the last segment
        // result instead would take the knee test's crossing of the platform's plane outside
        // the triangle for the ground.)
        if (p->height <= e)
        {
            platformCandidates++;
            candidate(ground.y);
        }
    }

    // Movers stand on the tops of solid actors and, for actors, on the player.
    if (platformCandidates > 0 && (!mover || mover->type != 2))
    {
        auto standOn = [&](const vector_type faces[6][3])
        {
            vector_type top;
            for (int f = 4; f <= 5; f++)
                if (HitsFace(faces[f], probeFrom, probeTo, &top)) candidate(top.y);
        };
        const bool scanEndsAtModelBox = mover && mover->type > 2;
        bool scanEnded = false;
        for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        {
            if (h == mover || h->type >= 2 || h->health <= 0 || !h->model) continue;
            const bool mayTouch = SegmentMayTouchBoxes(h->model, probeFrom, probeTo);
            if (UsesBoneBoxes(h))
            {
                if (mayTouch)
                    for (bonus* b = h->model->boneListHead.next; b; b = b->next)
                        standOn(b->boxPlanes);
            }
            else if (scanEndsAtModelBox)
            {
                scanEnded = true;
                break;
            }
            else if (mayTouch)
                standOn(h->model->boxPlanes);
        }
        if (mover && !scanEnded) standOn(playerBox.faces);
    }

    // Without a candidate there is no ground; one that is all too high to step on (the 0.5
    // limit) is no ground either: stepping there would otherwise start a fall from -32767.
    const bool groundAccepted = !groundRefused && g != kNoGround;
    float eye = e;
    if (groundAccepted)
    {
        if (g >= e)
        {
            eye = g;
            *fall = 0.0f;
        }
        else
        {
            *fall = e - g;
            *fallStartTime = FallClock();
        }
        if (g > e + kClimbedAtOnce) eye = e;
    }

    bool blocked = false;
    if (!(mover && mover->type == 2) && wallClipping != 0)
    {
        int current = 0;
        if (slides) slides[0].valid = 0;
        const bool filterForRetry = !slides && retry && retry->wall;
        const uint32_t* walls;
        const int wallCount = GatherLevelCandidates(kLevelWalls, &kneeFrom, &kneeTo, &walls);
        for (int i = 0; i < wallCount; i++)
        {
            vertWall* w = LevelWallAt(walls[i]);
            if (filterForRetry && SkippedForRetry(w, retry)) continue;
            vector_type crossing;
            if (LineSegmentCollidesWithTriangle(w->triangle, &kneeFrom, &kneeTo, &crossing) != 1) continue;
            blocked = true;
            OfferSlide(slides, &current, w->angle, heading, length, w, true);
        }

        float saved = vecDistance;
        vecDistance = kFarAway;
        actorHit hit = NearestActorOnSegment(kneeFrom, kneeTo, mover, false, 0);
        vecDistance = saved;
        if (hit.actor && hit.actor->health > 0)
        {
            blocked = true;
            OfferSlide(slides, &current, FaceAngleOf(hit), heading, length, nullptr, true);
        }

        if (mover && healthPercentage != 0.0f && PlayerIsIntersected(kneeFrom, kneeTo))
        {
            blocked = true;
            OfferSlide(slides, &current, viewangle, heading, length, nullptr, false);
        }
    }

    const int result = groundAccepted && !blocked ? 1 : 0;
    if (!result)
    {
        eye = e;
        *fall = 0.0f;
    }
    *height = mover ? eye - kEyeAboveFeet : -eye;
    return result;
}

fpl GetLineSlideFromRotation(float surfaceAngle, float heading, float length)
{
    if (surfaceAngle < 0.0f) surfaceAngle += 180.0f;
    surfaceAngle = roundFloatInGridSystem(surfaceAngle, 1.0f);
    heading = roundFloatInGridSystem(heading, 1.0f);
    const float delta = GetCorrectDegree(heading - surfaceAngle);
    const fpoint origin = SetFPt(0.0f, 0.0f);
    const fpoint p = RotatePoint(SetFPt(0.0f, length), origin, delta);
    const fpoint q = RotatePoint(SetFPt(0.0f, -p.y), origin, surfaceAngle);
    fpl slide = {};
    slide.dx = (delta >= -90.0f && delta <= 90.0f) ? std::fabs(q.x) : -std::fabs(q.x);
    slide.dz = q.y;
    slide.angle = delta < 0.0f ? delta + 180.0f : delta;
    return slide;
}

namespace
{

// The nearest quad hit so far by a DetectWallCollision walk. Of hits at the same distance the
// one earlier in the list wins, as it would in a walk of the list.
struct quadWalk
{
    const vector_type* from;
    const vector_type* to;
    float length;    // of the segment, to turn distances into segment parameters
    float best;      // vecDistance when the query began, then the nearest hit's distance
    uint32_t bestAt; // list position of the nearest hit
    bool found;      // a hit nearer than vecDistance
    bool any;        // any hit at all
    vector_type point;
};

bool VisitQuads(void* context, const uint32_t* positions, int count, float tRest)
{
    quadWalk* w = static_cast<quadWalk*>(context);
    for (int i = 0; i < count; i++)
    {
        const fourcorner* q = LevelQuadAt(positions[i]);
        if (q->flags & kQuadInvisible) continue;
        vector_type hit;
        if (LineSegmentCollidesWithTriangle(q->collisionTriangle, w->from, w->to, &hit) != 1) continue;
        w->any = true;
        const float d = DistanceOf(hit.x, hit.y, hit.z, *w->from);
        if (d < w->best || (w->found && d == w->best && positions[i] < w->bestAt))
        {
            w->best = d;
            w->bestAt = positions[i];
            w->found = true;
            w->point = hit;
        }
    }
    // Cells not offered yet lie beyond tRest: a hit there is farther than the one in hand.
    return !(w->found && w->best < tRest * w->length);
}

} // namespace

void DetectWallCollision(const vector_type* from, const vector_type* to)
{
    quadWalk w;
    w.from = from;
    w.to = to;
    w.length = DistanceOf(to->x, to->y, to->z, *from);
    w.best = vecDistance;
    w.bestAt = 0;
    w.found = false;
    w.any = false;
    WalkLevelCells(kLevelQuads, from, to, VisitQuads, &w);
    if (!w.any) return;
    hitPerson = 1;
    if (w.found)
    {
        vecDistance = w.best;
        oldS1 = w.point.x, oldS2 = w.point.y, oldS3 = w.point.z;
    }
    s1 = oldS1, s2 = oldS2, s3 = oldS3;
}

int StandardCollision(vector_type from, vector_type to)
{
    return NearestThing(from, to, false, 0);
}

int StandardTeamCollision(vector_type from, vector_type to, int team)
{
    return NearestThing(from, to, true, team);
}

human_being* GetPersonFromLineIntersection(vector_type from, vector_type to, float* faceAngle)
{
    float saved = vecDistance;
    vecDistance = kFarAway;
    actorHit hit = NearestActorOnSegment(from, to, nullptr, false, 0);
    vecDistance = saved;
    if (hit.actor && faceAngle) *faceAngle = FaceAngleOf(hit);
    return hit.actor;
}

int PlayerIsIntersected(vector_type from, vector_type to)
{
    for (int f = 0; f < 6; f++)
        if (HitsFace(playerBox.faces[f], from, to, nullptr)) return 1;
    return 0;
}
