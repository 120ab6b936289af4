// The level's spatial index against a scan of everything: random levels (floors at several
// heights, slopes, walls at any angle, invisible and non-colliding faces, placements turned and
// scaled, now and then a sky of huge triangles) and random segments (steps, ground probes, shots
// from every direction, segments through corners and along cell borders). Every record a
// segment really crosses must be a candidate, candidates come in list order, and the nearest
// quad and actor found through the index are the ones a scan of all of them finds.
#include "world/level_index.h"

#include "level_fixtures.h"
#include "model/bounds.h"
#include "script/interpreter.h"
#include "world/collision.h"

#include <cmath>
#include <algorithm>
#include <functional>
#include <random>

class LevelIndex : public LevelTest
{
  protected:
    std::mt19937 rng;
    float U(float a, float b) { return std::uniform_real_distribution<float>(a, b)(rng); }
    int I(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }

    void BuildRandomLevel(bool sky)
    {
        mesh_mod* m = NewModel();
        const float heights[] = {0.0f, 0.0f, 0.2f, 0.4f, 1.0f, 3.0f};
        for (int i = I(20, 120); i > 0; i--)
        {
            float x = std::round(U(-12, 12) * 2) / 2, z = std::round(U(-12, 12) * 2) / 2;
            float w = (float)(1 << I(0, 3)) * 0.5f;
            AddFloor(m, x, z, x + w, z + w, heights[I(0, 5)]);
        }
        const char* bones[] = {"None", "None", "None", "invs", "nocl"};
        for (int i = I(10, 60); i > 0; i--)
            AddWall(m, U(-12, 12), U(-12, 12), U(-12, 12), U(-12, 12), bones[I(0, 4)]);
        for (int i = I(0, 10); i > 0; i--)
        {
            float x = U(-10, 10), z = U(-10, 10);
            AddLevelTriangle(m, V(x, 0, z), V(x + U(0.5f, 3), U(0, 2), z), V(x, U(0, 1), z + U(0.5f, 3)));
        }
        if (sky)
            for (int i = 0; i < 60; i++)
                AddLevelTriangle(m, V(-300, 30 + i, -300), V(300, 30 + i, -300), V(-300, 30 + i, 300));
        Place(m);
        mesh_mod* turned = NewModel();
        for (int i = I(5, 30); i > 0; i--)
        {
            float x = U(-6, 6), z = U(-6, 6);
            AddFloor(turned, x, z, x + 1, z + 1, 0.5f);
            AddWall(turned, x, z, x + U(-3, 3), z + U(-3, 3));
        }
        Place(turned, V(I(0, 1) * 10.0f, U(0, 360), 0), V(U(-3, 3), 0, U(-3, 3)), I(0, 1) ? 100.0f : 130.0f);
        Build();
    }

    human_being* AddActor(int type)
    {
        human_being* h = AppendNewHuman();
        mesh_mod* m = h->model = NewRecord<mesh_mod>();
        m->owner = h;
        for (int b = I(1, 3); b > 0; b--)
        {
            bonus* bone = AddBone(m, b == 1 ? "None" : "Limb");
            bone->minX = U(-0.6f, 0), bone->maxX = U(0, 0.6f), bone->minZ = U(-0.6f, 0),
            bone->maxZ = U(0, 0.6f), bone->minY = U(0, 0.5f), bone->maxY = U(0.6f, 2);
        }
        h->type = type, h->team = I(0, 1), h->position = V(U(-12, 12), U(-0.5f, 2), U(-12, 12)),
        h->rotation = V(0, U(-180, 180), 0);
        // One actor in three has never had its boxes built: it must be tested all the same.
        if (I(0, 2)) UpdateModelBoxes(m, h->position, h->rotation);
        return h;
    }

    // A segment of one of the kinds the engine asks about.
    void RandomSegment(vector_type* from, vector_type* to)
    {
        float ox, oz, cell, a, l, x, z;
        int columns, rows;
        GetLevelIndexGrid(&ox, &oz, &cell, &columns, &rows);
        const vector_type corner =
            LevelQuadAt((uint32_t)I(0, LevelIndexCount(kLevelQuads) - 1))->collisionTriangle[I(0, 2)];
        switch (I(0, 5))
        {
        case 0: // anywhere
            *from = V(U(-15, 15), U(-1, 4), U(-15, 15));
            *to = V(U(-15, 15), U(-1, 4), U(-15, 15));
            break;
        case 1: // a ground probe
            *from = V(U(-13, 13), U(0, 5), U(-13, 13));
            if (I(0, 1)) from->x = corner.x, from->z = corner.z;
            *to = V(from->x, from->y - 1002.0f, from->z);
            break;
        case 2: // a step at knee height
            *from = V(U(-13, 13), U(0, 1.5f), U(-13, 13));
            a = U(0, 6.2832f), l = U(0.01f, 0.3f);
            *to = V(from->x + l * std::cos(a), from->y, from->z + l * std::sin(a));
            break;
        case 3: // a shot through a corner of the level, from far off
            a = U(0, 6.2832f), l = U(2, 40);
            *from = V(corner.x + l * std::cos(a), corner.y + U(-1, 1), corner.z + l * std::sin(a));
            *to = V(2 * corner.x - from->x, 2 * corner.y - from->y, 2 * corner.z - from->z);
            break;
        case 4: // along a cell border, or from one cell corner to another
            x = ox + cell * I(0, columns), z = oz + cell * I(0, rows);
            *from = V(x, U(-0.5f, 3), z);
            *to = I(0, 1) ? V(x, from->y, oz + cell * I(0, rows))
                          : V(ox + cell * I(0, columns), U(-0.5f, 3), oz + cell * I(0, rows));
            break;
        default: // straight along an axis, as a walker heading north or east
            *from = V(U(-13, 13), U(0, 1.5f), U(-13, 13));
            *to = *from;
            (I(0, 1) ? to->x : to->z) += U(-8, 8);
        }
    }
};

static const vector_type* TriangleOf(int kind, uint32_t i)
{
    return kind == kLevelQuads       ? LevelQuadAt(i)->collisionTriangle
           : kind == kLevelPlatforms ? LevelPlatformAt(i)->points
                                     : LevelWallAt(i)->triangle;
}

static float Distance(vector_type a, vector_type b)
{
    return std::sqrt(squareOf(a.x - b.x) + squareOf(a.y - b.y) + squareOf(a.z - b.z));
}

struct nearest
{
    int result;
    human_being* actor;
    vector_type point;
    float faceAngle;
};

// The nearest quad and actor as a walk of every quad and every actor's faces finds them: what
// StandardCollision and GetPersonFromLineIntersection answered before the index.
static nearest ScanEverything(vector_type from, vector_type to, bool quads)
{
    nearest n = {0, nullptr, V(-7, -7, -7), 0};
    float best = 65535.0f;
    vector_type h;
    for (fourcorner* q = quads ? baseQ.next : nullptr; q; q = q->next)
        if (!(q->flags & kQuadInvisible) &&
            LineSegmentCollidesWithTriangle(q->collisionTriangle, &from, &to, &h) == 1 &&
            Distance(h, from) < best)
            best = Distance(h, from), n = {1, nullptr, h, 0};
    for (human_being* a = baseHuman->next; a; a = a->next)
    {
        if (a->type == 2 || (quads && a == gHumanScriptTarget)) continue;
        bonus* b = a->type == 0 ? a->model->boneListHead.next : nullptr;
        do
            for (int f = 0; f < 6; f++)
                if (LineSegmentCollidesWithTriangle(b ? b->boxPlanes[f] : a->model->boxPlanes[f], &to, &from,
                                                    &h) &&
                    Distance(h, from) < best)
                {
                    const float angle = -((a->rotation.y + (b ? b->rotationY[2] : 0.0f)) - 180.0f);
                    best = Distance(h, from), n = {2, a, h, f < 2 ? GetCorrectDegree(angle - 90.0f) : angle};
                }
        while (b && (b = b->next));
    }
    return n;
}

TEST_F(LevelIndex, CandidatesHoldEveryCrossingInListOrderAndNearestHitsMatchAScan)
{
    for (int level = 0; level < 14; level++)
    {
        rng.seed(1000 + level);
        BuildRandomLevel(level % 4 == 3);
        for (int a = I(0, 12); a > 0; a--)
            AddActor(I(0, 2));
        gHumanScriptTarget = baseHuman->next;
        for (int s = 0; s < 300; s++)
        {
            vector_type from, to;
            RandomSegment(&from, &to);
            SCOPED_TRACE(testing::Message() << "level " << level << " segment " << s);
            vector_type h;
            for (int kind = 0; kind < kLevelIndexKinds; kind++)
            {
                const uint32_t* found;
                const int count = GatherLevelCandidates(kind, &from, &to, &found);
                ASSERT_EQ(std::adjacent_find(found, found + count, std::greater_equal<uint32_t>()),
                          found + count);
                for (uint32_t i = 0; i < (uint32_t)LevelIndexCount(kind); i++)
                    ASSERT_TRUE(LineSegmentCollidesWithTriangle(TriangleOf(kind, i), &from, &to, &h) != 1 ||
                                std::binary_search(found, found + count, i))
                        << "kind " << kind << " record " << i;
            }

            s1 = s2 = s3 = -7.0f, vecDistance = 123.0f; // a query restores what it found
            const nearest want = ScanEverything(from, to, true);
            ASSERT_EQ(want.result, StandardCollision(from, to));
            // A miss leaves the hit point as it was.
            EXPECT_TRUE(s1 == want.point.x && s2 == want.point.y && s3 == want.point.z &&
                        vecDistance == 123.0f && (want.result != 2 || want.actor == gHitPerson));

            float gotAngle = 0;
            const nearest person = ScanEverything(from, to, false);
            ASSERT_EQ(person.actor, GetPersonFromLineIntersection(from, to, &gotAngle));
            EXPECT_EQ(person.faceAngle, gotAngle);
        }
        TearDown(), models.clear(), SetUp();
    }
}

TEST_F(LevelIndex, FollowsTheGeometryItIsBuiltFromAndHandsHugeSegmentsEverything)
{
    AddFloor(NewModel(), 0, 0, 4, 4, 0);
    Build(models.back());
    const vector_type down[2] = {V(1, 2, 1), V(1, -1000, 1)};
    const uint32_t* found;
    EXPECT_EQ(2, GatherLevelCandidates(kLevelPlatforms, &down[0], &down[1], &found));

    // A platform appended to the list after the build, as a tool might: the index follows.
    platfor* p = NewRecord<platfor>();
    p->points[0] = V(0, 1, 0), p->points[1] = V(2, 1, 0), p->points[2] = V(0, 1, 2);
    platPtr = platPtr->next = p, gNumPlatforms++;
    ASSERT_EQ(3, GatherLevelCandidates(kLevelPlatforms, &down[0], &down[1], &found));
    EXPECT_EQ(p, LevelPlatformAt(found[2]));

    // Far outside the level nothing is near; a segment with no finite end gets everything.
    const vector_type away[2] = {V(500, 0, 500), V(501, 0, 500)};
    EXPECT_EQ(0, GatherLevelCandidates(kLevelQuads, &away[0], &away[1], &found));
    const vector_type wild[2] = {V(1, 0, 1), V(INFINITY, 0, NAN)};
    EXPECT_EQ(LevelIndexCount(kLevelQuads), GatherLevelCandidates(kLevelQuads, &wild[0], &wild[1], &found));
    EXPECT_EQ(0, StandardCollision(wild[0], wild[1]));
    // (A level freed and built again is followed: the differential test, level after level.)
}
