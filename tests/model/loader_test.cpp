// Model loader: small model files written here, read back field by field; textures PNG first;
// the precache import; files that break the record limits. The vertex normals (the mean of their
// triangles') are lit in every frame of the recorded sessions.
#include "model/loader.h"

#include "model_fixtures.h"
#include "resources/paths.h"
#include "resources/textures.h"

#include <GL/gl.h>

namespace
{

vtx_typ* VertexAt(mesh_mod* m, int n)
{
    return ListOf(m->vertexListHead.next)[n];
}

const char kHeader[] = "test model\nsecond header line\n";
const char kTriangle[] = "test model\nsecond header line\n0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n";

std::string Material(int red, int kind = 0, int transparency = 0, int blended = 0)
{
    char line[200];
    snprintf(line, sizeof line, "MATERIAL Mat %d 0 0 1 %d %d 0 0.0 0.0 0.0 0.0 0.0 0.0 %d\n", red, kind,
             transparency, blended);
    return line;
}

} // namespace

TEST(ModelLoader, VerticesBonesWeightsMaterialHeadersCoordinatesPicturesAndThePrecacheImport)
{
    TempDir dir;
    mesh_mod* m =
        Load(dir / "Models/guard", std::string(kHeader) +
                                       "0 0 0 0\n"
                                       "1 660 0 0 Arm Body 80 Body\n"
                                       "2 0 660 0 Body None 100 None\n"
                                       "3 0\t0  -132 Arm\n"
                                       "12 66 0 -132\n"
                                       "EDGES\n0 1\n1 2\n" +
                                       Material(65535, 0, 50, 1) + "0 1 2\n" +
                                       "MATERIAL\t0 32767 65535 0 0 100 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n"
                                       "1 2 3\n"
                                       "END\nMATERIAL Mat 1 1 1 1 0 0 0 0 0 0 0 0 0 0\n5 6 7\n");
    vtx_typ *v0 = VertexAt(m, 0), *v1 = VertexAt(m, 1), *v3 = VertexAt(m, 3), *v4 = VertexAt(m, 4);
    // Bones: the root, then one per line with a parent, in line order; resolved on vertices.
    std::vector<bonus*> bones = ListOf(m->boneListHead.next);
    ASSERT_EQ(3u, bones.size());
    EXPECT_EQ((std::vector<bonus*>{bones[2], bones[0], bones[2], bones[1]}),
              (std::vector<bonus*>{bones[1]->parent, bones[2]->parent, v1->secondBone, v3->bone}));
    // A first bone without a weight: the first bone alone. The vertex numbered 12 is vertex 4 by
    // position; no triangle uses it. Rest extents come with the load; nothing after "END" is read.
    model_material *red = &m->materials[0], *blue = &m->materials[1];
    EXPECT_EQ(Nums(m->vertexCount, m->triangleCount, v1->weight, v3->weight, v4->number, v4->detached,
                   v0->detached, v3->z, bones[1]->minZ, red->alpha, red->blended, red->elementTriangles,
                   red->indices[2], blue->green, m->materials[2].used),
              "5 2 80 100 12 1 0 -0.2 -0.2 0.498 1 1 2 0.5 0");
    EXPECT_TRUE(!strcmp("None", v3->secondBoneSignature) && blue == m->triangleListHead.next->next->material);
    DisposeMeshworkModel(m);

    std::string text = std::string(kHeader) +
                       "0 0 0 0\n1 660 0 0\n2 660 660 0\n3 0 660 0\n4 0 0 0\n5 0 0 0\nEDGES\n" + Material(0) +
                       "0 1 2\nUVS\n0 0.0 0.0\n1 1.0 0.0\n2 1.0 0.8\n5 0.25 0.1\n" + Material(0) +
                       "0 2 3\nUVS\n0 0.5 0.5\n3 0.0 1.0\n9 0.3 0.3\nEND\n";
    int savedSwap = gSwapTextureV;
    for (int swap = 0; swap < 2; swap++)
    {
        ConsoleCapture console;
        gSwapTextureV = swap;
        mesh_mod* m = Load(dir / "quad", text);
        trio* first = m->triangleListHead.next;
        trio* second = first->next;
        // Vertex 0 is in both materials and keeps the coordinate each material gave it; vertex 2
        // has no UV line in the second material: it keeps the last coordinate set. A UV line for
        // a vertex that does not exist is left out, with a console line.
        EXPECT_EQ(Nums(first->v[0], second->u[0], second->v[0], second->v[1], m->materials[1].texCoords[3][1],
                       VertexAt(m, 5)->v),
                  swap ? "1 0.5 0.5 0.2 0 0.9" : "0 0.5 0.5 0.8 1 0.1");
        EXPECT_TRUE(console.Has("vertex 9"));
        DisposeMeshworkModel(m);
    }
    gSwapTextureV = savedSwap;

    ASSERT_TRUE(EnsureTestGL());
    std::string path = dir / "Models/guard";
    text = kTriangle + Material(65535, 4) + "0 1 2\n" + Material(65535, 4) + "0 1 2\n" + Material(65535, 0) +
           "0 1 2\nEND\n";
    ASSERT_TRUE(WriteTextFile(path, text));
    ASSERT_TRUE(WriteTestPng(path + "0.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, {0, 255, 0}));
    ASSERT_TRUE(WriteTextFile(path + "0.bmp", "not a picture")); // never opened: the PNG wins
    ASSERT_TRUE(WriteTestPng(path + "2.png", 1, 1, PNG_COLOR_TYPE_RGB, 8, {0, 255, 0}));
    m = NewRecord<mesh_mod>();
    modelLoadReport report;
    ASSERT_EQ(1, LoadMeshworkModelReport(m, path.c_str(), &report));
    // Slot 1: no picture at all, so plain colour; the report says what was tried. Slot 2 is not
    // textured: its picture is not loaded. The texture load sets the v flip for the coordinates.
    EXPECT_EQ((std::vector<int>{4, 1, 0, 0, 1, 0, 0, 1}),
              (std::vector<int>{m->materials[0].kind, m->materials[0].textureId != 0, m->materials[1].kind,
                                (int)m->materials[1].textureId, report.textureWanted[1],
                                report.textureLoaded[1], report.textureWanted[2], gSwapTextureV}));
    DisposeMeshworkModel(m);

    std::string modelText = std::string(kHeader) +
                            "0 0 0 0\n1 660 0 0 Arm None 100 None\n2 0 660 0\nEDGES\n" + Material(0) +
                            "0 1 2\nEND\n";
    for (const char* name : {"robot", "crate"})
        ASSERT_TRUE(WriteTextFile(dir / "Models/" + name, modelText));
    ASSERT_TRUE(WriteTextFile(dir / "Models/robot_poses", "VXR_Poses\nStand\n{\nArm 0,0,0,10,0,0,1\n}\n"));
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    ConsoleCapture console;
    ImportAllMeshworkModels(); // a missing precache file leaves the cache empty
    EXPECT_TRUE(console.Has("//Model precache file was not found! (looked for " + dir.path + "/cache)"));
    ASSERT_TRUE(baseMesh && !baseMesh->next);

    // The last line has no line end and still counts; a missing model is reported and skipped.
    ASSERT_TRUE(WriteTextFile(dir / "cache", "robot\nmissing\ncrate"));
    ImportAllMeshworkModels();
    EXPECT_TRUE(console.Has("//Failed to load model: missing"));
    // Entries are found by their exact name.
    mesh_mod *a = FindCachedModel("robot"), *b = FindCachedModel("crate");
    ASSERT_NE(nullptr, a);
    EXPECT_EQ((std::vector<mesh_mod*>{a, b, b, nullptr, nullptr}),
              (std::vector<mesh_mod*>{baseMesh->next, a->next, meshPtr, FindCachedModel("Robot"),
                                      FindCachedModel("rob")}));
    ASSERT_NE(nullptr, a->poseListHead.next); // the pose file comes with the cache entry
    EXPECT_TRUE(!strcmp("Stand", a->poseListHead.next->name) && !b->poseListHead.next);
    DisposeMeshworkModel(a); // refused: still in the cache
    EXPECT_TRUE(FindCachedModel("robot") == a && a->vertexCount == 3 &&
                console.Has("//Refused to dispose of the cached model robot."));

    // CR LF: the empty line after the first CR ends the list. The cache starts again from empty.
    ASSERT_TRUE(WriteTextFile(dir / "cache", "crate\r\nrobot\r\n"));
    ImportAllMeshworkModels();
    ASSERT_NE(nullptr, baseMesh->next);
    EXPECT_TRUE(!strcmp("crate", baseMesh->next->name) && !baseMesh->next->next);
    routePath[0] = 0;
    EmptyModelCache();
}

TEST(ModelLoaderFaults, MissingFilesLongPathsMaterialAndRecordLimitsEarlyEndsAndOddLines)
{
    ConsoleCapture console;
    EXPECT_EQ(0, LoadMeshworkModel(nullptr, "/nonexistent"));
    TempDir dir;
    mesh_mod* m = NewRecord<mesh_mod>();
    EXPECT_EQ(0, LoadMeshworkModel(m, "/nonexistent/Models/guard"));
    DisposeMeshworkModel(m);
    DisposeMeshworkModel(Load(dir / std::string(70, 'n'), kHeader, 0));
    EXPECT_TRUE(console.Has("too long"));

    // Transparency outside 0 to 100 is kept as read and reported; alpha stays within 0 to 1.
    const int transparency[] = {0, 50, 100, 1000, -50, 101, 0, 0, 0};
    std::string text = kTriangle;
    for (int i = 0; i < 9; i++)
        text += Material(1000 * i, 0, transparency[i]) + "0 1 2\n";
    m = Load(dir / "nine", text + "END\n");
    std::string got = Nums(m->triangleCount, m->materials[7].red * 65535);
    for (int i = 0; i < 6; i++)
        got += " " + Nums(m->materials[i].alpha, m->materials[i].transparency);
    EXPECT_EQ(got, "8 7000 1 0 0.498 50 0 100 0 1000 1 -50 0 101");
    for (const char* line : {"more than 8 materials", "material 3 transparency 1000 is outside 0 to 100",
                             "material 4 transparency -50"})
        EXPECT_TRUE(console.Has(line)) << line;
    DisposeMeshworkModel(m);

    text = kHeader;
    for (int i = 0; i < 2005; i++)
        text += std::to_string(i) + " " + std::to_string(i) + " 0 0\n";
    // The last vertex line past the limit still defines its bone.
    text += "2005 0 660 0 Late None 100 None\nEDGES\n" + Material(0) +
            "0 1 1999\n0 1 2000\n0 1 2004\n-1 0 1\n7 8\n";
    m = Load(dir / "big", text + "UVS\n2003 0.5 0.5\n1999 0.5 0.5\nEND\n");
    EXPECT_EQ((std::vector<int>{kMaxMaterialTexCoords, 1, 1999}),
              (std::vector<int>{m->vertexCount, m->triangleCount, m->materials[0].indices[2]}));
    EXPECT_NE(nullptr, GetBonePtrBySignature(m->boneListHead.next, "Late"));
    DisposeMeshworkModel(m);

    // A vertex number at or beyond a small model's vertex count.
    m = Load(dir / "small", kTriangle + Material(0) + "0 1 3\n0 1 2\nEND\n");
    EXPECT_TRUE(m->triangleCount == 1 && m->triangleListHead.next->vertexNumbers[2] == 2);
    DisposeMeshworkModel(m);

    // 2003 triangles in one material: the element list holds 2000, the rest are left out.
    text = kTriangle + Material(0);
    for (int i = 0; i < 2003; i++)
        text += "0 1 2\n";
    m = Load(dir / "many", text + Material(0) + "2 1 0\nEND\n");
    EXPECT_EQ((std::vector<int>{kMaxMaterialIndices / 3, 1, kMaxMaterialIndices / 3 + 1}),
              (std::vector<int>{m->materials[0].elementTriangles, m->materials[1].elementTriangles,
                                m->triangleCount}));
    DisposeMeshworkModel(m);

    // Every line defines a bone; past the limit the vertices stay but define no more bones.
    text = kHeader;
    for (int i = 0; i < kMaxModelBones + 40; i++)
        text += std::to_string(i) + " 0 0 0 B" + std::to_string(i) + " None 100 None\n";
    m = Load(dir / "bones", text + "EDGES\n" + Material(0) + "0 1 2\nEND\n");
    EXPECT_TRUE(m->vertexCount == kMaxModelBones + 40 &&
                ListOf(m->boneListHead.next).size() == kMaxModelBones + 1u);
    DisposeMeshworkModel(m);
    for (const char* line : {"more than 2000 vertices", "vertex 2000", "vertex -1", "not a triangle line",
                             "vertex 2003", "more than 2000 triangles", "line 259: more than 256 bones"})
        EXPECT_TRUE(console.Has(line)) << line;

    ConsoleCapture::Lines().clear();
    // Vertices but no triangles and no material section: every vertex is detached.
    const char* shortFiles[] = {
        "h1\nh2\n0 0 0 0\n1 660 0 0\nEDGES\n0 1\n",
        "h1\nh2\n0 0 0 0\n1 660 0 0\nEDGES\nMATERIAL Mat 1 1 1 1 0 0 0 0 0 0 0 0 0 0\n",
        "h1\nh2\n0 0 0 0\n1 660 0 0",
        "h1\nh2\n0 0 0 0\n1 660 0 0\nEDGES\nEND\n",
        "h1\n",
        ""};
    for (const char* text : shortFiles)
    {
        mesh_mod* m = Load(dir / "short", text);
        int used = 0, attached = 0;
        for (int i = 0; i < kMaxModelMaterials; i++)
            used += m->materials[i].used;
        for (vtx_typ* v = m->vertexListHead.next; v; v = v->next)
            attached += !v->detached;
        ASSERT_NE(nullptr, m->boneListHead.next);
        EXPECT_EQ(Nums(m->triangleCount, used, attached) + m->boneListHead.next->signature, "0 0 0None")
            << text;
        DisposeMeshworkModel(m);
    }

    // An over-long bone name, a weight out of range and an incomplete material header.
    m = Load(dir / "odd", "h1\nh2\n0 0 0 0\n1 660 0 0 Shoulder None 150 None\n"
                          "2 0 660 0 Shoulder Body\nEDGES\nMATERIAL Mat 65535 0 0\n0 1 2\nEND\n");
    EXPECT_EQ("Shou Body",
              std::string(VertexAt(m, 1)->boneSignature) + " " + VertexAt(m, 2)->secondBoneSignature);
    // An incomplete header keeps what it has; the rest is 0 (opaque, untextured).
    EXPECT_TRUE(m->triangleCount == 1 && VertexAt(m, 1)->weight == 100 &&
                VertexAt(m, 1)->bone == VertexAt(m, 2)->bone && m->materials[0].red == 1.0f &&
                m->materials[0].alpha == 1.0f);
    for (const char* line : {"cut to 4", "outside 0 to 100", "incomplete"})
        EXPECT_TRUE(console.Has(line)) << line;
    DisposeMeshworkModel(m);

    // Lines that are no vertex keep their place, and CR LF ends one line. Vertex 1 is junk and
    // vertex 3 a blank line; triangle 0 4 5 must still reach the last two. A blank line among the
    // triangles is passed over in silence.
    ConsoleCapture::Lines().clear();
    m = Load(dir / "gaps", std::string(kHeader) +
                               "0 0 0 0\r\njunk\r\n2 660 0 0\r\n\r\n4 0 660 0\r\n5 0 0 660 Arm None "
                               "100 None\r\nEDGES\r\n" +
                               Material(0) + "0 4 5\r\n\r\nEND\r\n");
    ASSERT_TRUE(m->vertexCount == 6 && m->triangleCount == 1);
    EXPECT_EQ(2u, ListOf(m->boneListHead.next).size());
    trio* t = m->triangleListHead.next;
    EXPECT_TRUE(t->vertices[1] == VertexAt(m, 4) && t->vertices[1]->y == 1 && t->vertices[2]->z == 1);
    // The stand-ins sit at the origin without bones, under their place's number.
    vtx_typ *junk = VertexAt(m, 1), *blank = VertexAt(m, 3);
    EXPECT_TRUE(junk->x == 0 && junk->number == 1 && !strcmp(junk->boneSignature, "None") &&
                junk->weight == 100);
    EXPECT_TRUE(blank->y == 0 && blank->number == 3);
    const std::string at = "//Model " + dir / "gaps" + ", line ";
    EXPECT_EQ(ConsoleCapture::Lines(),
              (std::vector<std::string>{at + "4: not a vertex line: \"junk\"; vertex 1 is put at the origin",
                                        at + "6: not a vertex line: \"\"; vertex 3 is put at the origin"}));
    DisposeMeshworkModel(m);
}
