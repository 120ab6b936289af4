// The segment-triangle test, the step test for movers and the line queries against the level
// quads and the actors' boxes. The level's spatial index names the quads, platforms and walls
// near a step or along a line, and an actor's box bounds rule it out before its faces are
// tested; candidates are still tested in list and roster order, so every answer, tie and slide
// is the one a test of everything would give. CheckMove keeps only the best ground candidate.
#include "world/collision.h"

#include "core/clock.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "world/camera.h"
#include "world/geometry.h"
#include "world/humans.h"
#include "world/level_index.h"
#include "world/player.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

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
human_being* (*gScriptTargetHook)() = nullptr;

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

// A segment with its bounds widened against rounding: the hit point of a segment test strays
// from the segment and the face by a few units in the last place of the coordinates involved.
struct segmentReach
{
    vector_type a, b;
    float lo[3], hi[3];
    bool finite;
};

segmentReach ReachOf(const vector_type& a, const vector_type& b)
{
    segmentReach r;
    r.a = a, r.b = b;
    const float pa[3] = {a.x, a.y, a.z}, pb[3] = {b.x, b.y, b.z};
    float size = 0.0f;
    for (int axis = 0; axis < 3; axis++)
    {
        if (std::fabs(pa[axis]) > size) size = std::fabs(pa[axis]);
        if (std::fabs(pb[axis]) > size) size = std::fabs(pb[axis]);
    }
    const float m = 0.001f + 2e-5f * size;
    r.finite = std::isfinite(m);
    for (int axis = 0; axis < 3; axis++)
    {
        r.lo[axis] = (pa[axis] < pb[axis] ? pa[axis] : pb[axis]) - m;
        r.hi[axis] = (pa[axis] < pb[axis] ? pb[axis] : pa[axis]) + m;
    }
    return r;
}

// False only when the segment cannot touch what lies within lo..hi: it misses those bounds,
// first as a box of its own, then along its length. Anything not finite is never ruled out.
__attribute__((noinline)) bool SegmentMayTouch(const segmentReach& r, const vector_type& lo,
                                               const vector_type& hi)
{
    if (!r.finite) return true;
    const float low[3] = {lo.x, lo.y, lo.z}, high[3] = {hi.x, hi.y, hi.z};
    for (int axis = 0; axis < 3; axis++)
        if (high[axis] < r.lo[axis] || low[axis] > r.hi[axis]) return false;
    const float pa[3] = {r.a.x, r.a.y, r.a.z}, pb[3] = {r.b.x, r.b.y, r.b.z};
    float t0 = 0.0f, t1 = 1.0f;
    for (int axis = 0; axis < 3; axis++)
    {
        const float d = pb[axis] - pa[axis];
        const float m = (r.hi[axis] - r.lo[axis] - std::fabs(d)) * 0.5f; // the widening
        if (d == 0.0f || !std::isfinite(low[axis]) || !std::isfinite(high[axis])) continue;
        float ta = (low[axis] - m - pa[axis]) / d, tb = (high[axis] + m - pa[axis]) / d;
        if (ta > tb) std::swap(ta, tb);
        if (ta > t0) t0 = ta;
        if (tb < t1) t1 = tb;
        if (t0 > t1) return false;
    }
    return true;
}

// The roster in its order with each model's box bounds, kept in arrays of their own: reading
// the bounds from every model at every step would touch as many scattered pages as there are
// actors, and a step looks at every actor twice. Rebuilt when the roster or any box changed
// (once a frame while the scene is drawn). Whatever scripts change at any time (type, health,
// team) is still read from the actor itself. Boxes never built get endless bounds: always tested.
struct actorBoundsTable
{
    std::vector<human_being*> actors;
    std::vector<float> lo[3], hi[3];
    uint32_t roster = ~0u, boxes = ~0u;
    // A grid over the ground plane naming the actors whose bounds reach into each cell, so that a
    // step asks about the actors near it, not all of them; actors without finite bounds are in
    // `everywhere`. Each cell lists table positions in ascending (roster) order.
    float originX = 0, originZ = 0, cell = 1;
    int columns = 0, rows = 0;
    std::vector<uint32_t> cellStart, entries, everywhere;
    std::vector<uint32_t> stamp, found;
    uint32_t query = 0;
};

actorBoundsTable gActorBounds;

void GridTheActors(actorBoundsTable& t)
{
    const size_t n = t.actors.size();
    std::vector<uint32_t> gridded;
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0, widest = 0;
    t.everywhere.clear();
    for (uint32_t i = 0; i < n; i++)
    {
        const bool finite = std::isfinite(t.lo[0][i]) && std::isfinite(t.hi[0][i]) &&
                            std::isfinite(t.lo[2][i]) && std::isfinite(t.hi[2][i]);
        if (!finite)
        {
            t.everywhere.push_back(i);
            continue;
        }
        if (gridded.empty()) minX = t.lo[0][i], maxX = t.hi[0][i], minZ = t.lo[2][i], maxZ = t.hi[2][i];
        minX = std::fmin(minX, t.lo[0][i]), maxX = std::fmax(maxX, t.hi[0][i]);
        minZ = std::fmin(minZ, t.lo[2][i]), maxZ = std::fmax(maxZ, t.hi[2][i]);
        widest = std::fmax(widest, std::fmax(t.hi[0][i] - t.lo[0][i], t.hi[2][i] - t.lo[2][i]));
        gridded.push_back(i);
    }
    // Cells about twice an actor wide, and never many more cells than actors.
    const double width = (double)maxX - minX + 1.0, depth = (double)maxZ - minZ + 1.0;
    double cell = std::max(2.0 * widest, 1.0);
    cell = std::max(cell, std::sqrt(width * depth / (4.0 * (double)gridded.size() + 64.0)));
    t.cell = (float)cell;
    t.originX = minX - 0.5f, t.originZ = minZ - 0.5f;
    t.columns = std::max(1, (int)std::ceil(width / cell));
    t.rows = std::max(1, (int)std::ceil(depth / cell));
    t.cellStart.assign((size_t)t.columns * t.rows + 1, 0);
    auto range = [&](uint32_t i, int* c0, int* c1, int* r0, int* r1)
    {
        *c0 = std::clamp((int)std::floor((t.lo[0][i] - t.originX) / t.cell), 0, t.columns - 1);
        *c1 = std::clamp((int)std::floor((t.hi[0][i] - t.originX) / t.cell), 0, t.columns - 1);
        *r0 = std::clamp((int)std::floor((t.lo[2][i] - t.originZ) / t.cell), 0, t.rows - 1);
        *r1 = std::clamp((int)std::floor((t.hi[2][i] - t.originZ) / t.cell), 0, t.rows - 1);
    };
    for (int pass = 0; pass < 2; pass++)
    {
        std::vector<uint32_t> next;
        if (pass == 1)
        {
            for (size_t c = 0; c + 1 < t.cellStart.size(); c++)
                t.cellStart[c + 1] += t.cellStart[c];
            t.entries.assign(t.cellStart.back(), 0);
            next.assign(t.cellStart.begin(), t.cellStart.end() - 1);
        }
        for (uint32_t i : gridded)
        {
            int c0, c1, r0, r1;
            range(i, &c0, &c1, &r0, &r1);
            for (int r = r0; r <= r1; r++)
                for (int c = c0; c <= c1; c++)
                {
                    const size_t at = (size_t)r * t.columns + c;
                    if (pass == 0)
                        t.cellStart[at + 1]++;
                    else
                        t.entries[next[at]++] = i;
                }
        }
    }
    t.stamp.assign(n, 0);
    t.query = 0;
}

const actorBoundsTable& ActorBoundsTable()
{
    actorBoundsTable& t = gActorBounds;
    if (t.roster == gRosterVersion && t.boxes == gModelBoxesVersion) return t;
    t.actors.clear();
    for (int axis = 0; axis < 3; axis++)
        t.lo[axis].clear(), t.hi[axis].clear();
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
    {
        const bool bounded = h->model && h->model->boxValid;
        const float lo[3] = {bounded ? h->model->boxMin.x : -INFINITY,
                             bounded ? h->model->boxMin.y : -INFINITY,
                             bounded ? h->model->boxMin.z : -INFINITY};
        const float hi[3] = {bounded ? h->model->boxMax.x : INFINITY, bounded ? h->model->boxMax.y : INFINITY,
                             bounded ? h->model->boxMax.z : INFINITY};
        t.actors.push_back(h);
        for (int axis = 0; axis < 3; axis++)
            t.lo[axis].push_back(lo[axis]), t.hi[axis].push_back(hi[axis]);
    }
    GridTheActors(t);
    t.roster = gRosterVersion;
    t.boxes = gModelBoxesVersion;
    return t;
}

// Table positions, ascending, of the actors whose bounds may reach the segment's; every actor
// when the segment's bounds are not finite or cross more cells than there are actors.
const std::vector<uint32_t>& ActorsNear(const segmentReach& r)
{
    actorBoundsTable& t = gActorBounds;
    t.found.clear();
    const float cells[4] = {(r.lo[0] - t.originX) / t.cell, (r.hi[0] - t.originX) / t.cell,
                            (r.lo[2] - t.originZ) / t.cell, (r.hi[2] - t.originZ) / t.cell};
    const bool finite = r.finite && std::isfinite(cells[0]) && std::isfinite(cells[1]) &&
                        std::isfinite(cells[2]) && std::isfinite(cells[3]);
    const double span =
        finite ? ((double)cells[1] - cells[0] + 1.0) * ((double)cells[3] - cells[2] + 1.0) : 0.0;
    if (!finite || span > (double)t.actors.size())
    {
        for (uint32_t i = 0; i < t.actors.size(); i++)
            t.found.push_back(i);
        return t.found;
    }
    if (++t.query == 0)
    {
        std::fill(t.stamp.begin(), t.stamp.end(), 0);
        t.query = 1;
    }
    t.found = t.everywhere;
    if (cells[1] >= 0.0f && cells[0] < (float)t.columns && cells[3] >= 0.0f && cells[2] < (float)t.rows)
    {
        const int c0 = std::max(0, (int)std::floor(cells[0])),
                  c1 = std::min(t.columns - 1, (int)std::floor(cells[1]));
        const int r0 = std::max(0, (int)std::floor(cells[2])),
                  r1 = std::min(t.rows - 1, (int)std::floor(cells[3]));
        for (int row = r0; row <= r1; row++)
            for (int c = c0; c <= c1; c++)
            {
                const size_t at = (size_t)row * t.columns + c;
                for (uint32_t e = t.cellStart[at]; e < t.cellStart[at + 1]; e++)
                {
                    const uint32_t i = t.entries[e];
                    if (t.stamp[i] == t.query) continue;
                    t.stamp[i] = t.query;
                    t.found.push_back(i);
                }
            }
    }
    std::sort(t.found.begin(), t.found.end());
    return t.found;
}

// False only when the segment cannot touch the boxes of the table's actor i. Called for every
// actor at every step: the comparisons that rule out most of them come first, inline.
inline bool MayTouch(const actorBoundsTable& t, size_t i, const segmentReach& r)
{
    if (t.hi[0][i] < r.lo[0] || t.lo[0][i] > r.hi[0] || t.hi[2][i] < r.lo[2] || t.lo[2][i] > r.hi[2] ||
        t.hi[1][i] < r.lo[1] || t.lo[1][i] > r.hi[1])
        return false;
    const vector_type lo = {t.lo[0][i], t.lo[1][i], t.lo[2][i]}, hi = {t.hi[0][i], t.hi[1][i], t.hi[2][i]};
    return SegmentMayTouch(r, lo, hi);
}

// The player's box bounds (with each face's far corner), taken again whenever the box is rebuilt.
bool PlayerMayBeTouched(const segmentReach& r)
{
    static uint32_t version = ~0u;
    static vector_type lo, hi;
    if (version == gPlayerBoxVersion) return SegmentMayTouch(r, lo, hi);
    version = gPlayerBoxVersion;
    lo = hi = playerBox.faces[0][0];
    for (const auto& face : playerBox.faces)
    {
        const vector_type far =
            fastVector_Set(face[1].x + face[2].x - face[0].x, face[1].y + face[2].y - face[0].y,
                           face[1].z + face[2].z - face[0].z);
        for (const vector_type& p : {face[0], face[1], face[2], far})
        {
            if (p.x < lo.x) lo.x = p.x;
            if (p.y < lo.y) lo.y = p.y;
            if (p.z < lo.z) lo.z = p.z;
            if (p.x > hi.x) hi.x = p.x;
            if (p.y > hi.y) hi.y = p.y;
            if (p.z > hi.z) hi.z = p.z;
        }
    }
    return SegmentMayTouch(r, lo, hi);
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
// picking: every actor in the world counts, type 2 too; only actors on the HUD are passed.
actorHit NearestActorOnSegment(vector_type from, vector_type to, const human_being* skip, bool useTeam,
                               int team, bool picking = false)
{
    actorHit nearest = {nullptr, nullptr, 0};
    if (!baseHuman) return nearest;
    const segmentReach reach = ReachOf(from, to);
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
    const actorBoundsTable& table = ActorBoundsTable();
    for (uint32_t i : ActorsNear(reach))
    {
        if (!MayTouch(table, i, reach)) continue;
        human_being* h = table.actors[i];
        if ((picking ? h->onHud != 0 : h->type == 2) || h == skip || !h->model) continue;
        if (useTeam && h->team == team) continue;
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
    actorHit hit =
        NearestActorOnSegment(from, to, gScriptTargetHook ? gScriptTargetHook() : nullptr, useTeam, team);
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
    // Written out rather than through the vector helpers: every step and shot runs this many
    // times, and the same expressions give the same results.
    const float e1x = tri[1].x - tri[0].x, e1y = tri[1].y - tri[0].y, e1z = tri[1].z - tri[0].z;
    const float e2x = tri[2].x - tri[0].x, e2y = tri[2].y - tri[0].y, e2z = tri[2].z - tri[0].z;
    const float nx = e1y * e2z - e1z * e2y, ny = e1z * e2x - e1x * e2z, nz = e1x * e2y - e1y * e2x;
    const float dx = to->x - from->x, dy = to->y - from->y, dz = to->z - from->z;
    const float nd = nx * dx + ny * dy + nz * dz;
    if (std::fabs(nd) < 0.000001f) return 0;
    const float t = -((from->x - tri[0].x) * nx + (from->y - tri[0].y) * ny + (from->z - tri[0].z) * nz) / nd;
    if (!(t >= 0.0f && t <= 1.0f)) return 0;
    const vector_type H = {from->x + t * dx, from->y + t * dy, from->z + t * dz};

    const float wx = H.x - tri[0].x, wy = H.y - tri[0].y, wz = H.z - tri[0].z;
    const float a = e1x * e1x + e1y * e1y + e1z * e1z;
    const float b = e1x * e2x + e1y * e2y + e1z * e2z;
    const float c = e2x * e2x + e2y * e2y + e2z * e2z;
    const float p = wx * e1x + wy * e1y + wz * e1z, q = wx * e2x + wy * e2y + wz * e2z;
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
        const segmentReach probe = ReachOf(probeFrom, probeTo);
        bool scanEnded = false;
        const actorBoundsTable& table = ActorBoundsTable();
        // A mover whose scan ends at the first actor without bone boxes looks at every actor.
        std::vector<uint32_t> everyone;
        if (scanEndsAtModelBox)
            for (uint32_t i = 0; i < table.actors.size(); i++)
                everyone.push_back(i);
        for (uint32_t i : scanEndsAtModelBox ? everyone : ActorsNear(probe))
        {
            const bool reachable = MayTouch(table, i, probe);
            // Whether the scan ends here does not depend on where the actor stands.
            if (!reachable && !scanEndsAtModelBox) continue;
            human_being* h = table.actors[i];
            if (h == mover || h->type >= 2 || h->health <= 0 || !h->model) continue;
            if (UsesBoneBoxes(h))
            {
                if (reachable)
                    for (bonus* b = h->model->boneListHead.next; b; b = b->next)
                        standOn(b->boxPlanes);
            }
            else if (scanEndsAtModelBox)
            {
                scanEnded = true;
                break;
            }
            else if (reachable)
                standOn(h->model->boxPlanes);
        }
        if (mover && !scanEnded && PlayerMayBeTouched(probe)) standOn(playerBox.faces);
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

        if (mover && healthPercentage != 0.0f && PlayerMayBeTouched(ReachOf(kneeFrom, kneeTo)) &&
            PlayerIsIntersected(kneeFrom, kneeTo))
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

human_being* PickActorOnSegment(vector_type from, vector_type to, vector_type* hit)
{
    float saved = vecDistance;
    vecDistance = kFarAway;
    int savedHit = hitPerson;
    const float keep[6] = {oldS1, oldS2, oldS3, s1, s2, s3};
    DetectWallCollision(&from, &to);
    actorHit found = NearestActorOnSegment(from, to, nullptr, false, 0, true);
    if (found.actor && hit) *hit = fastVector_Set(oldS1, oldS2, oldS3);
    vecDistance = saved;
    hitPerson = savedHit;
    oldS1 = keep[0], oldS2 = keep[1], oldS3 = keep[2];
    s1 = keep[3], s2 = keep[4], s3 = keep[5];
    return found.actor;
}

int PlayerIsIntersected(vector_type from, vector_type to)
{
    for (int f = 0; f < 6; f++)
        if (HitsFace(playerBox.faces[f], from, to, nullptr)) return 1;
    return 0;
}
