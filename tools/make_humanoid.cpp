// make_humanoid: writes the demo's humanoid model (a textured, skinned low-poly figure with an
// eleven-bone skeleton), its texture, its pose file, and lists it in the data folder's "cache".
// Run from the source tree: build/make_humanoid --out demo
#include "tools/tool_support.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

const float kFileScale = 660.0f; // model units to file units
const int kSides = 8;            // sides of every limb tube
const float kPi = 3.14159265358979f;

struct fileVertex
{
    float x, y, z; // model units
    std::string bone, secondBone, parent;
    int weight;
    float u, row; // row: 0 at the top of the picture, 1 at the bottom
};

struct fileTriangle
{
    int a, b, c;
    int slot;
};

struct ring
{
    float y, cx, cz, rx, rz;
    const char* bone;
    const char* secondBone;
    int weight;
    float row;
};

struct humanoid
{
    std::vector<fileVertex> vertices;
    std::vector<fileTriangle> triangles;
};

int AddVertex(humanoid* h, float x, float y, float z, const char* bone, const char* second, int weight,
              float u, float row)
{
    fileVertex v;
    v.x = x;
    v.y = y;
    v.z = z;
    v.bone = bone;
    v.secondBone = second;
    v.weight = weight;
    v.u = u;
    v.row = row;
    h->vertices.push_back(v);
    return (int)h->vertices.size() - 1;
}

// A bone is defined by a vertex line that names a parent; the line's position is the joint.
// These joint vertices belong to no triangle.
void AddBone(humanoid* h, const char* bone, const char* parent, float x, float y, float z)
{
    int n = AddVertex(h, x, y, z, bone, "None", 100, 0.0f, 0.0f);
    h->vertices[n].parent = parent;
}

// A closed tube through rings given from bottom to top, each of kSides + 1 vertices (the last
// repeats the first with u at the end of the range, so the texture does not wrap). Side 0 is at
// the back, the middle of the u range faces +z, the way the figure looks. Triangles wind
// counter-clockwise seen from outside.
void AddTube(humanoid* h, const std::vector<ring>& rings, float u0, float u1, int slot, bool capBottom,
             bool capTop)
{
    std::vector<std::vector<int>> ids;
    for (const ring& r : rings)
    {
        std::vector<int> row;
        for (int j = 0; j <= kSides; j++)
        {
            float a = -kPi + 2.0f * kPi * j / kSides;
            row.push_back(AddVertex(h, r.cx + r.rx * sinf(a), r.y, r.cz + r.rz * cosf(a), r.bone,
                                    r.secondBone, r.weight, u0 + (u1 - u0) * j / kSides, r.row));
        }
        ids.push_back(row);
    }
    for (size_t i = 0; i + 1 < rings.size(); i++)
        for (int j = 0; j < kSides; j++)
        {
            int a = ids[i][j], b = ids[i][j + 1], c = ids[i + 1][j + 1], d = ids[i + 1][j];
            h->triangles.push_back({a, b, c, slot});
            h->triangles.push_back({a, c, d, slot});
        }
    float um = 0.5f * (u0 + u1);
    if (capBottom)
    {
        const ring& r = rings.front();
        int centre = AddVertex(h, r.cx, r.y, r.cz, r.bone, r.secondBone, r.weight, um, r.row);
        for (int j = 0; j < kSides; j++)
            h->triangles.push_back({centre, ids.front()[j + 1], ids.front()[j], slot});
    }
    if (capTop)
    {
        const ring& r = rings.back();
        int centre = AddVertex(h, r.cx, r.y, r.cz, r.bone, r.secondBone, r.weight, um, r.row);
        for (int j = 0; j < kSides; j++)
            h->triangles.push_back({centre, ids.back()[j], ids.back()[j + 1], slot});
    }
}

// Picture regions (u range, row range): head, torso, arms, legs.
const float kHeadU0 = 0.0f, kHeadU1 = 0.5f, kHeadR0 = 0.0f, kHeadR1 = 0.375f;
const float kTorsoU0 = 0.5f, kTorsoU1 = 1.0f, kTorsoR0 = 0.0f, kTorsoR1 = 0.5f;
const float kArmU0 = 0.0f, kArmU1 = 0.5f, kArmR0 = 0.375f, kArmR1 = 0.75f;
const float kLegU0 = 0.5f, kLegU1 = 1.0f, kLegR0 = 0.5f, kLegR1 = 1.0f;

float Lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

// Row in a region for a height between top and bottom of the part.
float RowFor(float y, float top, float bottom, float r0, float r1)
{
    return Lerp(r0, r1, (top - y) / (top - bottom));
}

void BuildFigure(humanoid* h)
{
    // Skeleton: the hips carry the body and the thighs; the body carries head and arms.
    AddBone(h, "Hips", "None", 0.0f, 0.52f, 0.0f);
    AddBone(h, "Body", "Hips", 0.0f, 0.62f, 0.0f);
    AddBone(h, "Head", "Body", 0.0f, 0.93f, 0.0f);
    AddBone(h, "LArm", "Body", 0.215f, 0.88f, 0.0f);
    AddBone(h, "LFor", "LArm", 0.215f, 0.67f, 0.0f);
    AddBone(h, "RArm", "Body", -0.215f, 0.88f, 0.0f);
    AddBone(h, "RFor", "RArm", -0.215f, 0.67f, 0.0f);
    AddBone(h, "LThi", "Hips", 0.085f, 0.50f, 0.0f);
    AddBone(h, "LShn", "LThi", 0.085f, 0.28f, 0.0f);
    AddBone(h, "RThi", "Hips", -0.085f, 0.50f, 0.0f);
    AddBone(h, "RShn", "RThi", -0.085f, 0.28f, 0.0f);

    // Torso from the seat to the neck; the waist ring bends with both hips and body.
    const float tTop = 0.93f, tBottom = 0.45f;
    auto torsoRow = [&](float y) { return RowFor(y, tTop, tBottom, kTorsoR0, kTorsoR1); };
    AddTube(h,
            {{0.45f, 0.0f, 0.0f, 0.135f, 0.080f, "Hips", "None", 100, torsoRow(0.45f)},
             {0.54f, 0.0f, 0.0f, 0.150f, 0.085f, "Hips", "None", 100, torsoRow(0.54f)},
             {0.62f, 0.0f, 0.0f, 0.140f, 0.080f, "Body", "Hips", 50, torsoRow(0.62f)},
             {0.75f, 0.0f, 0.005f, 0.155f, 0.090f, "Body", "None", 100, torsoRow(0.75f)},
             {0.86f, 0.0f, 0.0f, 0.175f, 0.085f, "Body", "None", 100, torsoRow(0.86f)},
             {0.91f, 0.0f, 0.0f, 0.090f, 0.060f, "Body", "None", 100, torsoRow(0.91f)},
             {0.93f, 0.0f, 0.0f, 0.045f, 0.045f, "Head", "Body", 50, torsoRow(0.93f)}},
            kTorsoU0, kTorsoU1, 0, true, false);

    // Head: neck to crown, the face in the middle of the head region (the front).
    const float hTop = 1.13f, hBottom = 0.93f;
    auto headRow = [&](float y) { return RowFor(y, hTop, hBottom, kHeadR0, kHeadR1); };
    AddTube(h,
            {{0.93f, 0.0f, 0.0f, 0.045f, 0.045f, "Head", "Body", 50, headRow(0.93f)},
             {0.96f, 0.0f, 0.005f, 0.060f, 0.065f, "Head", "None", 100, headRow(0.96f)},
             {0.99f, 0.0f, 0.01f, 0.075f, 0.085f, "Head", "None", 100, headRow(0.99f)},
             {1.05f, 0.0f, 0.005f, 0.085f, 0.095f, "Head", "None", 100, headRow(1.05f)},
             {1.10f, 0.0f, 0.0f, 0.070f, 0.080f, "Head", "None", 100, headRow(1.10f)},
             {1.13f, 0.0f, 0.0f, 0.035f, 0.040f, "Head", "None", 100, headRow(1.13f)}},
            kHeadU0, kHeadU1, 0, false, true);

    // Arms hang beside the body: sleeve, elbow, forearm, hand.
    const float aTop = 0.90f, aBottom = 0.40f;
    auto armRow = [&](float y) { return RowFor(y, aTop, aBottom, kArmR0, kArmR1); };
    for (int side = 0; side < 2; side++)
    {
        float x = side == 0 ? 0.215f : -0.215f;
        const char* upper = side == 0 ? "LArm" : "RArm";
        const char* lower = side == 0 ? "LFor" : "RFor";
        AddTube(h,
                {{0.40f, x, 0.0f, 0.028f, 0.035f, lower, "None", 100, armRow(0.40f)},
                 {0.46f, x, 0.0f, 0.038f, 0.042f, lower, "None", 100, armRow(0.46f)},
                 {0.56f, x, 0.0f, 0.040f, 0.040f, lower, "None", 100, armRow(0.56f)},
                 {0.67f, x, 0.0f, 0.045f, 0.045f, lower, upper, 50, armRow(0.67f)},
                 {0.78f, x, 0.0f, 0.052f, 0.052f, upper, "None", 100, armRow(0.78f)},
                 {0.88f, x, 0.0f, 0.058f, 0.058f, upper, "Body", 50, armRow(0.88f)},
                 {0.92f, x * 0.9f, 0.0f, 0.040f, 0.045f, upper, "Body", 50, armRow(0.90f)}},
                kArmU0, kArmU1, 0, true, true);
    }

    // Legs: thigh from the hip joint, knee, shin; the shoe is a plain-coloured second material.
    const float lTop = 0.55f, lBottom = 0.07f;
    auto legRow = [&](float y) { return RowFor(y, lTop, lBottom, kLegR0, kLegR1); };
    for (int side = 0; side < 2; side++)
    {
        float x = side == 0 ? 0.085f : -0.085f;
        const char* thigh = side == 0 ? "LThi" : "RThi";
        const char* shin = side == 0 ? "LShn" : "RShn";
        AddTube(h,
                {{0.07f, x, 0.0f, 0.040f, 0.042f, shin, "None", 100, legRow(0.07f)},
                 {0.18f, x, -0.005f, 0.048f, 0.052f, shin, "None", 100, legRow(0.18f)},
                 {0.28f, x, 0.0f, 0.055f, 0.058f, shin, thigh, 50, legRow(0.28f)},
                 {0.40f, x, 0.0f, 0.068f, 0.068f, thigh, "None", 100, legRow(0.40f)},
                 {0.50f, x, 0.0f, 0.075f, 0.075f, thigh, "Hips", 50, legRow(0.50f)},
                 {0.55f, x * 0.8f, 0.0f, 0.070f, 0.070f, thigh, "Hips", 50, legRow(0.55f)}},
                kLegU0, kLegU1, 0, false, false);
        AddTube(h,
                {{0.00f, x, 0.035f, 0.050f, 0.100f, shin, "None", 100, 0.0f},
                 {0.04f, x, 0.030f, 0.050f, 0.095f, shin, "None", 100, 0.0f},
                 {0.08f, x, 0.0f, 0.043f, 0.045f, shin, "None", 100, 0.0f}},
                0.0f, 1.0f, 1, true, true);
    }
}

// The figure's picture is 128 x 128 RGB: face and hair, shirt with collar and belt, sleeves and
// hands, trousers. Regions are given in texture coordinates (u across, row down).
const int kPictureSize = 128;

void FillRegion(picture* p, float u0, float u1, float r0, float r1, int red, int green, int blue)
{
    p->Fill((int)lroundf(u0 * kPictureSize), (int)lroundf(r0 * kPictureSize), (int)lroundf(u1 * kPictureSize),
            (int)lroundf(r1 * kPictureSize), red, green, blue);
}

void PaintPicture(picture* p, const int shirt[3])
{
    const int skin[3] = {224, 172, 134};
    const int hair[3] = {70, 45, 25};
    const int trousers[3] = {55, 60, 75};
    const int belt[3] = {90, 55, 30};

    // Head: u 0 and 0.5 are the back, 0.25 the front.
    auto headU = [](float t) { return Lerp(kHeadU0, kHeadU1, t); };
    auto headR = [](float y) { return RowFor(y, 1.13f, 0.93f, kHeadR0, kHeadR1); };
    FillRegion(p, kHeadU0, kHeadU1, kHeadR0, kHeadR1, skin[0], skin[1], skin[2]);
    FillRegion(p, kHeadU0, kHeadU1, kHeadR0, headR(1.085f), hair[0], hair[1], hair[2]);
    FillRegion(p, headU(0.0f), headU(0.30f), kHeadR0, headR(0.97f), hair[0], hair[1], hair[2]);
    FillRegion(p, headU(0.70f), headU(1.0f), kHeadR0, headR(0.97f), hair[0], hair[1], hair[2]);
    FillRegion(p, headU(0.40f), headU(0.46f), headR(1.065f), headR(1.045f), 30, 30, 40);
    FillRegion(p, headU(0.54f), headU(0.60f), headR(1.065f), headR(1.045f), 30, 30, 40);
    FillRegion(p, headU(0.49f), headU(0.51f), headR(1.04f), headR(1.005f), 200, 140, 110);
    FillRegion(p, headU(0.44f), headU(0.56f), headR(0.99f), headR(0.975f), 150, 60, 60);

    // Torso: shirt, collar, buttons, belt, then trousers below the belt.
    auto torsoU = [](float t) { return Lerp(kTorsoU0, kTorsoU1, t); };
    auto torsoR = [](float y) { return RowFor(y, 0.93f, 0.45f, kTorsoR0, kTorsoR1); };
    FillRegion(p, kTorsoU0, kTorsoU1, kTorsoR0, kTorsoR1, shirt[0], shirt[1], shirt[2]);
    FillRegion(p, kTorsoU0, kTorsoU1, torsoR(0.93f), torsoR(0.90f), skin[0], skin[1], skin[2]);
    FillRegion(p, torsoU(0.42f), torsoU(0.58f), torsoR(0.90f), torsoR(0.86f), 230, 230, 230);
    for (float y = 0.82f; y > 0.6f; y -= 0.06f)
        FillRegion(p, torsoU(0.49f), torsoU(0.51f), torsoR(y), torsoR(y - 0.012f), 230, 230, 230);
    FillRegion(p, kTorsoU0, kTorsoU1, torsoR(0.585f), torsoR(0.555f), belt[0], belt[1], belt[2]);
    FillRegion(p, torsoU(0.47f), torsoU(0.53f), torsoR(0.585f), torsoR(0.555f), 200, 180, 60);
    FillRegion(p, kTorsoU0, kTorsoU1, torsoR(0.555f), kTorsoR1, trousers[0], trousers[1], trousers[2]);

    // Arms: short sleeve above the elbow, skin below, darker hands.
    auto armR = [](float y) { return RowFor(y, 0.90f, 0.40f, kArmR0, kArmR1); };
    FillRegion(p, kArmU0, kArmU1, kArmR0, kArmR1, skin[0], skin[1], skin[2]);
    FillRegion(p, kArmU0, kArmU1, kArmR0, armR(0.72f), shirt[0], shirt[1], shirt[2]);
    FillRegion(p, kArmU0, kArmU1, armR(0.46f), kArmR1, 205, 150, 115);

    // Legs: trousers with a seam down the sides and a crease at the knee.
    auto legU = [](float t) { return Lerp(kLegU0, kLegU1, t); };
    auto legR = [](float y) { return RowFor(y, 0.55f, 0.07f, kLegR0, kLegR1); };
    FillRegion(p, kLegU0, kLegU1, kLegR0, kLegR1, trousers[0], trousers[1], trousers[2]);
    FillRegion(p, legU(0.24f), legU(0.26f), kLegR0, kLegR1, 40, 44, 56);
    FillRegion(p, legU(0.74f), legU(0.76f), kLegR0, kLegR1, 40, 44, 56);
    FillRegion(p, kLegU0, kLegU1, legR(0.29f), legR(0.28f), 45, 50, 62);
    FillRegion(p, kLegU0, kLegU1, legR(0.09f), kLegR1, 35, 38, 48);
}

int WriteModel(const std::string& path, const std::string& name, const humanoid& h)
{
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return 0;
    fprintf(f, "Kesrow model %s: a textured humanoid with eleven bones, written by tools/make_humanoid.\n",
            name.c_str());
    fprintf(f, "Do not edit by hand: change the tool and run it again (make_humanoid --out demo).\n");
    for (size_t i = 0; i < h.vertices.size(); i++)
    {
        const fileVertex& v = h.vertices[i];
        fprintf(f, "%d %.3f %.3f %.3f", (int)i, v.x * kFileScale, v.y * kFileScale, v.z * kFileScale);
        if (!v.bone.empty()) fprintf(f, " %s %s %d", v.bone.c_str(), v.secondBone.c_str(), v.weight);
        if (!v.parent.empty()) fprintf(f, " %s", v.parent.c_str());
        fprintf(f, "\n");
    }
    fprintf(f, "EDGES\n");
    // Slot 0: the textured body. Slot 1: plain dark brown shoes.
    fprintf(f, "MATERIAL Body 65535 65535 65535 1 4 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n");
    std::vector<int> usedBySlot0(h.vertices.size(), 0);
    for (const fileTriangle& t : h.triangles)
        if (t.slot == 0)
        {
            fprintf(f, "%d %d %d\n", t.a, t.b, t.c);
            usedBySlot0[t.a] = usedBySlot0[t.b] = usedBySlot0[t.c] = 1;
        }
    // v runs up the picture; the loader turns it round for pictures stored top row first.
    fprintf(f, "UVS\n");
    for (size_t i = 0; i < h.vertices.size(); i++)
        if (usedBySlot0[i]) fprintf(f, "%d %.5f %.5f\n", (int)i, h.vertices[i].u, 1.0f - h.vertices[i].row);
    fprintf(f, "MATERIAL Shoes 17000 11500 8000 1 0 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n");
    for (const fileTriangle& t : h.triangles)
        if (t.slot == 1) fprintf(f, "%d %d %d\n", t.a, t.b, t.c);
    fprintf(f, "END\n");
    return fclose(f) == 0;
}

struct poseBone
{
    const char* bone;
    float moveY, moveZ, rotX, rotY, rotZ;
};

const char* const kBones[] = {"Hips", "Body", "Head", "LArm", "LFor", "RArm",
                              "RFor", "LThi", "LShn", "RThi", "RShn"};

// Writes one pose; every bone gets an entry, those not listed hold the rest shape.
void WritePose(FILE* f, const char* name, const std::vector<poseBone>& bones)
{
    fprintf(f, "%s\n{\n", name);
    for (const char* sig : kBones)
    {
        poseBone p = {sig, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
        for (const poseBone& b : bones)
            if (strcmp(b.bone, sig) == 0) p = b;
        fprintf(f, "%s %f,%f,%f,%f,%f,%f,%d\n", sig, 0.0f, p.moveY, p.moveZ, p.rotX, p.rotY, p.rotZ, 1);
    }
    fprintf(f, "}\n");
}

// Angles in degrees. A negative x turn swings a hanging limb forward (towards +z, where the
// figure looks); a positive z turn lifts the left arm (+x side) outwards.
int WritePoses(const std::string& path)
{
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return 0;
    fprintf(f, "VXR_Poses\n");
    WritePose(f, "Stand",
              {{"LArm", 0, 0, 0, 0, 6},
               {"RArm", 0, 0, 0, 0, -6},
               {"LFor", 0, 0, -8, 0, 0},
               {"RFor", 0, 0, -8, 0, 0}});
    WritePose(f, "Walk1",
              {{"Hips", -0.01f, 0, 0, 0, 0},
               {"Body", 0, 0, 4, 0, 0},
               {"LThi", 0, 0, -28, 0, 0},
               {"LShn", 0, 0, 10, 0, 0},
               {"RThi", 0, 0, 22, 0, 0},
               {"RShn", 0, 0, 32, 0, 0},
               {"LArm", 0, 0, 22, 0, 6},
               {"LFor", 0, 0, -10, 0, 0},
               {"RArm", 0, 0, -24, 0, -6},
               {"RFor", 0, 0, -28, 0, 0}});
    WritePose(f, "Walk2",
              {{"Hips", -0.01f, 0, 0, 0, 0},
               {"Body", 0, 0, 4, 0, 0},
               {"RThi", 0, 0, -28, 0, 0},
               {"RShn", 0, 0, 10, 0, 0},
               {"LThi", 0, 0, 22, 0, 0},
               {"LShn", 0, 0, 32, 0, 0},
               {"RArm", 0, 0, 22, 0, -6},
               {"RFor", 0, 0, -10, 0, 0},
               {"LArm", 0, 0, -24, 0, 6},
               {"LFor", 0, 0, -28, 0, 0}});
    WritePose(f, "Fall1",
              {{"Body", 0, 0, -10, 0, 0},
               {"Head", 0, 0, -15, 0, 0},
               {"LArm", 0, 0, 0, 0, 125},
               {"RArm", 0, 0, 0, 0, -125},
               {"LFor", 0, 0, -25, 0, 0},
               {"RFor", 0, 0, -25, 0, 0},
               {"LThi", 0, 0, -30, 0, 8},
               {"LShn", 0, 0, 45, 0, 0},
               {"RThi", 0, 0, 12, 0, -8},
               {"RShn", 0, 0, 30, 0, 0}});
    WritePose(f, "Fall2",
              {{"Body", 0, 0, -5, 0, 0},
               {"Head", 0, 0, -5, 0, 0},
               {"LArm", 0, 0, -30, 0, 95},
               {"RArm", 0, 0, 25, 0, -100},
               {"LFor", 0, 0, -40, 0, 0},
               {"RFor", 0, 0, -10, 0, 0},
               {"LThi", 0, 0, 12, 0, 8},
               {"LShn", 0, 0, 30, 0, 0},
               {"RThi", 0, 0, -30, 0, -8},
               {"RShn", 0, 0, 45, 0, 0}});
    // Killed1: sinks onto the knees; Killed2: lies on the back, arms spread.
    WritePose(f, "Killed1",
              {{"Hips", -0.24f, 0, 0, 0, 0},
               {"Body", 0, 0, -12, 0, 0},
               {"Head", 0, 0, 20, 0, 0},
               {"LThi", 0, 0, -5, 0, 0},
               {"RThi", 0, 0, -5, 0, 0},
               {"LShn", 0, 0, 88, 0, 0},
               {"RShn", 0, 0, 88, 0, 0},
               {"LArm", 0, 0, -20, 0, 10},
               {"RArm", 0, 0, -20, 0, -10},
               {"LFor", 0, 0, -20, 0, 0},
               {"RFor", 0, 0, -20, 0, 0}});
    WritePose(f, "Killed2",
              {{"Hips", -0.43f, 0.1f, -90, 0, 0},
               {"Head", 0, 0, 0, 35, 0},
               {"LArm", 0, 0, 0, 0, 70},
               {"RArm", 0, 0, 0, 0, -60},
               {"LFor", 0, 0, -15, 0, 0},
               {"RFor", 0, 0, -25, 0, 0},
               {"LThi", 0, 0, 0, 0, 10},
               {"RThi", 0, 0, -4, 0, -8},
               {"LShn", 0, 0, 6, 0, 0}});
    return fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out = "demo", name = "humanoid";
    int shirt[3] = {40, 110, 170};
    for (int i = 1; i < argc; i++)
    {
        std::string a = argv[i];
        if ((a == "--out" || a == "--name") && i + 1 < argc)
            (a == "--out" ? out : name) = argv[++i];
        else if (a == "--shirt" && i + 1 < argc &&
                 sscanf(argv[++i], "%d,%d,%d", &shirt[0], &shirt[1], &shirt[2]) == 3)
            continue;
        else
        {
            fprintf(stderr, "usage: make_humanoid [--out DATA_FOLDER] [--name MODEL_NAME] [--shirt R,G,B]\n"
                            "Writes DATA_FOLDER/Models/MODEL_NAME, its texture and pose file, and lists\n"
                            "the model in DATA_FOLDER/cache (default: --out demo --name humanoid\n"
                            "--shirt 40,110,170, the shirt's colour from 0 to 255).\n");
            return a == "--help" ? 0 : 2;
        }
    }
    if (name.empty() || name.size() > 60 || name.find('/') != std::string::npos)
    {
        fprintf(stderr, "make_humanoid: the model name must be 1 to 60 characters without '/'\n");
        return 2;
    }
    std::string models = out + "/Models";
    std::string modelPath = models + "/" + name;
    std::error_code ec;
    std::filesystem::create_directories(models, ec);
    if (ec)
    {
        fprintf(stderr, "make_humanoid: cannot make the folder %s\n", models.c_str());
        return 1;
    }
    humanoid h;
    BuildFigure(&h);
    picture p(kPictureSize, kPictureSize);
    PaintPicture(&p, shirt);
    if (!WriteModel(modelPath, name, h) || !WritePng(modelPath + "0.png", p) ||
        !WritePoses(modelPath + "_poses") || !ListInCache(out + "/cache", name))
    {
        fprintf(stderr, "make_humanoid: could not write the model files under %s\n", out.c_str());
        return 1;
    }
    printf("Wrote %s (%d vertices, %d triangles), %s0.png, %s_poses; listed in %s/cache\n", modelPath.c_str(),
           (int)h.vertices.size(), (int)h.triangles.size(), modelPath.c_str(), modelPath.c_str(),
           out.c_str());
    return 0;
}
