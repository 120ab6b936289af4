// Model loader: small model files written here, read back field by field; textures PNG before
// BMP; the precache import; files that break the record limits.
#include "model/loader.h"

#include "app/output.h"
#include "model/mesh_records.h"
#include "platform/window.h"
#include "resources/paths.h"
#include "resources/textures.h"
#include "test_util.h"
#include "world/humans.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{

std::vector<std::string> gConsole;

struct ConsoleCapture
{
    outputProc saved;
    ConsoleCapture()
    {
        saved = toConsole;
        gConsole.clear();
        toConsole = [](const char* text) { gConsole.push_back(text); };
    }
    ~ConsoleCapture() { toConsole = saved; }
    bool Has(const std::string& part) const
    {
        for (const std::string& line : gConsole)
            if (line.find(part) != std::string::npos) return true;
        return false;
    }
};

mesh_mod* NewModel()
{
    return static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
}

vtx_typ* VertexAt(mesh_mod* m, int n)
{
    vtx_typ* v = m->vertexListHead.next;
    for (int i = 0; v && i < n; i++)
        v = v->next;
    return v;
}

int Count(const trio* t)
{
    int n = 0;
    for (; t; t = t->next)
        n++;
    return n;
}

std::string Header()
{
    return "test model\nsecond header line\n";
}

std::string Material(int red, int green, int blue, int kind, int transparency, int blended)
{
    char line[200];
    snprintf(line, sizeof line, "MATERIAL Mat %d %d %d 1 %d %d 0 0.0 0.0 0.0 0.0 0.0 0.0 %d\n", red, green,
             blue, kind, transparency, blended);
    return line;
}

void WritePng(const std::string& path, int width, int height, const unsigned char rgbTop[3],
              const unsigned char rgbBottom[3])
{
    std::vector<unsigned char> pixels((size_t)width * height * 3);
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++)
            memcpy(&pixels[(size_t)(y * width + x) * 3], y < height / 2 ? rgbTop : rgbBottom, 3);
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = width;
    image.height = height;
    image.format = PNG_FORMAT_RGB;
    ASSERT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
}

// A 24-bit uncompressed BMP of one colour.
void WriteBmp(const std::string& path, int size, const unsigned char rgb[3])
{
    int rowBytes = (size * 3 + 3) & ~3;
    int dataBytes = rowBytes * size;
    std::string b(54 + dataBytes, '\0');
    auto put32 = [&](int at, int v)
    {
        for (int i = 0; i < 4; i++)
            b[at + i] = (char)((v >> (8 * i)) & 255);
    };
    b[0] = 'B';
    b[1] = 'M';
    put32(2, 54 + dataBytes);
    put32(10, 54);
    put32(14, 40);
    put32(18, size);
    put32(22, size);
    b[26] = 1;
    b[28] = 24;
    put32(34, dataBytes);
    for (int y = 0; y < size; y++)
        for (int x = 0; x < size; x++)
        {
            size_t at = 54 + (size_t)y * rowBytes + x * 3;
            b[at] = (char)rgb[2];
            b[at + 1] = (char)rgb[1];
            b[at + 2] = (char)rgb[0];
        }
    ASSERT_TRUE(WriteTextFile(path, b));
}

// Texture loads need a GL context: a small window under the test's X server.
bool EnsureGL()
{
    static int state = 0;
    if (state == 0)
    {
        char err[256];
        state =
            PLT_InitVideo(err, sizeof err) && PLT_CreateWindow("loader test", 64, 64, 24, 0, err, sizeof err)
                ? 1
                : -1;
    }
    return state == 1;
}

std::vector<unsigned char> TexturePixel(GLuint id)
{
    glBindTexture(GL_TEXTURE_2D, id);
    GLint w = 0, h = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    std::vector<unsigned char> all((size_t)(w > 0 ? w : 1) * (h > 0 ? h : 1) * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, all.data());
    return std::vector<unsigned char>(all.begin(), all.begin() + 3);
}

} // namespace

TEST(ModelLoader, VerticesBonesWeightsAndBothMaterialHeaders)
{
    TempDir dir;
    std::string path = dir / "Models/guard";
    ASSERT_TRUE(WriteTextFile(path, Header() +
                                        "0 0 0 0\n"
                                        "1 660 0 0 Arm Body 80 Body\n"
                                        "2 0 660 0 Body None 100 None\n"
                                        "3 0\t0  -132 Arm\n"
                                        "12 66 0 -132\n"
                                        "EDGES\n0 1\n1 2\n" +
                                        Material(65535, 0, 0, 0, 50, 1) + "0 1 2\n" +
                                        "MATERIAL\t0 32767 65535 0 0 100 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n"
                                        "1 2 3\n"
                                        "END\nMATERIAL Mat 1 1 1 1 0 0 0 0 0 0 0 0 0 0\n5 6 7\n"));
    mesh_mod* m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, path.c_str()));
    EXPECT_EQ(dir.path + "/Models/", std::string(m->folder));
    EXPECT_STREQ("guard", m->name);
    EXPECT_EQ(5, m->vertexCount);
    EXPECT_EQ(2, m->triangleCount);
    EXPECT_EQ(2, Count(m->triangleListHead.next));
    EXPECT_EQ(0, m->boxValid);
    EXPECT_EQ(nullptr, m->owner);

    vtx_typ* v0 = VertexAt(m, 0);
    EXPECT_STREQ("None", v0->boneSignature);
    EXPECT_STREQ("None", v0->secondBoneSignature);
    EXPECT_EQ(100, v0->weight);
    vtx_typ* v1 = VertexAt(m, 1);
    EXPECT_FLOAT_EQ(1.0f, v1->x);
    EXPECT_STREQ("Arm", v1->boneSignature);
    EXPECT_STREQ("Body", v1->secondBoneSignature);
    EXPECT_EQ(80, v1->weight);
    // A first bone without a weight: the first bone alone.
    vtx_typ* v3 = VertexAt(m, 3);
    EXPECT_STREQ("Arm", v3->boneSignature);
    EXPECT_STREQ("None", v3->secondBoneSignature);
    EXPECT_EQ(100, v3->weight);
    EXPECT_FLOAT_EQ(-0.2f, v3->z);
    // The vertex numbered 12 is vertex 4 by position; no triangle uses it.
    vtx_typ* v4 = VertexAt(m, 4);
    EXPECT_EQ(12, v4->number);
    EXPECT_FLOAT_EQ(0.1f, v4->x);
    EXPECT_FLOAT_EQ(-0.2f, v4->z);
    EXPECT_EQ(1, v4->detached);
    EXPECT_FLOAT_EQ(1.0f, v4->normal.z);
    EXPECT_EQ(0, v0->detached);
    EXPECT_NEAR(1.0f, v0->normal.z, 1e-6);

    // Bones: the root, then one per line with a parent, in line order.
    bonus* root = m->boneListHead.next;
    ASSERT_NE(nullptr, root);
    EXPECT_STREQ("None", root->signature);
    EXPECT_EQ(root, root->parent);
    bonus* arm = root->next;
    ASSERT_NE(nullptr, arm);
    bonus* body = arm->next;
    ASSERT_NE(nullptr, body);
    EXPECT_EQ(nullptr, body->next);
    EXPECT_STREQ("Arm", arm->signature);
    EXPECT_EQ(body, arm->parent);
    EXPECT_EQ(root, body->parent);
    EXPECT_FLOAT_EQ(1.0f, arm->pivot.x);
    EXPECT_FLOAT_EQ(1.0f, body->pivot.y);
    // Bones are resolved on the vertices of triangles.
    EXPECT_EQ(arm, v1->bone);
    EXPECT_EQ(body, v1->secondBone);
    EXPECT_EQ(root, v0->bone);
    EXPECT_EQ(arm, v3->bone);
    EXPECT_EQ(nullptr, v4->bone);
    // Rest extents come with the load: Arm moves both triangles (vertices 1 and 3).
    EXPECT_FLOAT_EQ(1.0f, arm->maxX);
    EXPECT_FLOAT_EQ(-0.2f, arm->minZ);

    model_material* red = &m->materials[0];
    EXPECT_FLOAT_EQ(1.0f, red->red);
    EXPECT_FLOAT_EQ(0.0f, red->green);
    EXPECT_EQ(50, red->transparency);
    EXPECT_FLOAT_EQ(127.0f / 255.0f, red->alpha);
    EXPECT_EQ(1, red->blended);
    EXPECT_EQ(1, red->used);
    ASSERT_EQ(1, red->elementTriangles);
    EXPECT_EQ(0, red->indices[0]);
    EXPECT_EQ(1, red->indices[1]);
    EXPECT_EQ(2, red->indices[2]);
    model_material* blue = &m->materials[1];
    EXPECT_FLOAT_EQ(32767.0f / 65535.0f, blue->green);
    EXPECT_FLOAT_EQ(1.0f, blue->blue);
    EXPECT_FLOAT_EQ(0.0f, blue->alpha);
    EXPECT_EQ(0, blue->blended);
    EXPECT_EQ(1, blue->used);
    EXPECT_EQ(3, blue->indices[2]);
    EXPECT_EQ(&m->materials[1], m->triangleListHead.next->next->material);
    // Nothing after "END" is read.
    EXPECT_EQ(0, m->materials[2].used);
}

TEST(ModelLoader, TextureCoordinatesPerMaterialWithTheVFlip)
{
    TempDir dir;
    std::string path = dir / "quad";
    std::string text = Header() + "0 0 0 0\n1 660 0 0\n2 660 660 0\n3 0 660 0\n4 0 0 0\n5 0 0 0\nEDGES\n" +
                       Material(0, 0, 0, 0, 0, 0) +
                       "0 1 2\nUVS\n0 0.0 0.0\n1 1.0 0.0\n2 1.0 0.8\n5 0.25 0.1\n" +
                       Material(0, 0, 0, 0, 0, 0) + "0 2 3\nUVS\n0 0.5 0.5\n3 0.0 1.0\n9 0.3 0.3\nEND\n";
    ASSERT_TRUE(WriteTextFile(path, text));

    int savedSwap = gSwapTextureV;
    for (int swap = 0; swap < 2; swap++)
    {
        ConsoleCapture console;
        gSwapTextureV = swap;
        mesh_mod* m = NewModel();
        ASSERT_EQ(1, LoadMeshworkModel(m, path.c_str()));
        auto V = [&](float v) { return swap ? 1.0f - v : v; };
        trio* first = m->triangleListHead.next;
        trio* second = first->next;
        // Vertex 0 is in both materials and keeps the coordinate each material gave it.
        EXPECT_FLOAT_EQ(0.0f, first->u[0]);
        EXPECT_FLOAT_EQ(V(0.0f), first->v[0]);
        EXPECT_FLOAT_EQ(0.5f, second->u[0]);
        EXPECT_FLOAT_EQ(V(0.5f), second->v[0]);
        EXPECT_FLOAT_EQ(V(0.8f), first->v[2]);
        // Vertex 2 has no UV line in the second material: it keeps the last coordinate set.
        EXPECT_FLOAT_EQ(1.0f, second->u[1]);
        EXPECT_FLOAT_EQ(V(0.8f), second->v[1]);
        EXPECT_FLOAT_EQ(0.0f, m->materials[0].texCoords[0][0]);
        EXPECT_FLOAT_EQ(0.5f, m->materials[1].texCoords[0][0]);
        EXPECT_FLOAT_EQ(V(1.0f), m->materials[1].texCoords[3][1]);
        // A UV line for a vertex that does not exist is left out, with a console line.
        EXPECT_TRUE(console.Has("vertex 9"));
        EXPECT_FLOAT_EQ(0.25f, VertexAt(m, 5)->u);
        EXPECT_FLOAT_EQ(swap ? 0.9f : 0.1f, VertexAt(m, 5)->v);
    }
    gSwapTextureV = savedSwap;
}

TEST(ModelLoader, NinthMaterialIsIgnored)
{
    TempDir dir;
    std::string text = Header() + "0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n";
    for (int i = 0; i < 9; i++)
        text += Material(1000 * i, 0, 0, 0, 0, 0) + "0 1 2\n";
    text += "END\n";
    ASSERT_TRUE(WriteTextFile(dir / "nine", text));
    ConsoleCapture console;
    mesh_mod* m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "nine").c_str()));
    EXPECT_EQ(8, m->triangleCount);
    for (int i = 0; i < 8; i++)
    {
        EXPECT_EQ(1, m->materials[i].used);
        EXPECT_FLOAT_EQ(1000.0f * i / 65535.0f, m->materials[i].red);
    }
    EXPECT_TRUE(console.Has("more than 8 materials"));
}

TEST(ModelLoader, TexturePngThenBmpThenPlainColour)
{
    ASSERT_TRUE(EnsureGL());
    TempDir dir;
    std::string path = dir / "Models/guard";
    const unsigned char green[3] = {0, 255, 0}, red[3] = {255, 0, 0};
    ASSERT_TRUE(WriteTextFile(path, ""));
    WritePng(path + "0.png", 8, 8, green, green);
    WriteBmp(path + "0.bmp", 8, red);
    WriteBmp(path + "1.bmp", 8, red);
    std::string text = Header() + "0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n";
    for (int i = 0; i < 3; i++)
        text += Material(65535, 65535, 65535, 4, 0, 0) + "0 1 2\n";
    text += Material(65535, 65535, 65535, 0, 0, 0) + "0 1 2\nEND\n";
    ASSERT_TRUE(WriteTextFile(path, text));
    WritePng(path + "3.png", 8, 8, green, green);

    mesh_mod* m = NewModel();
    modelLoadReport report;
    ASSERT_EQ(1, LoadMeshworkModelReport(m, path.c_str(), &report));
    EXPECT_EQ(4, report.materialSections);
    // Slot 0: the PNG wins over the BMP beside it.
    EXPECT_EQ(4, m->materials[0].kind);
    ASSERT_NE(0u, m->materials[0].textureId);
    EXPECT_EQ(std::vector<unsigned char>({0, 255, 0}), TexturePixel(m->materials[0].textureId));
    // Slot 1: only a BMP.
    EXPECT_EQ(4, m->materials[1].kind);
    ASSERT_NE(0u, m->materials[1].textureId);
    EXPECT_EQ(std::vector<unsigned char>({255, 0, 0}), TexturePixel(m->materials[1].textureId));
    // Slot 2: no picture at all, so plain colour; the report says what was tried.
    EXPECT_EQ(0, m->materials[2].kind);
    EXPECT_EQ(0u, m->materials[2].textureId);
    EXPECT_EQ(1, report.textureWanted[2]);
    EXPECT_EQ(0, report.textureLoaded[2]);
    EXPECT_EQ(path + "2.png", std::string(report.texturePath[2]));
    // Slot 3 is not textured: its picture is not loaded.
    EXPECT_EQ(0, report.textureWanted[3]);
    EXPECT_EQ(0u, m->materials[3].textureId);
    // The texture load sets the v flip for the model's coordinates.
    EXPECT_EQ(1, gSwapTextureV);
}

TEST(ModelLoader, PrecacheFileImport)
{
    TempDir dir;
    std::string modelText = Header() + "0 0 0 0\n1 660 0 0 Arm None 100 None\n2 0 660 0\nEDGES\n" +
                            Material(0, 0, 0, 0, 0, 0) + "0 1 2\nEND\n";
    ASSERT_TRUE(WriteTextFile(dir / "Models/a", modelText));
    ASSERT_TRUE(WriteTextFile(dir / "Models/b", modelText));
    ASSERT_TRUE(WriteTextFile(dir / "Models/a_poses", "VXR_Poses\nStand\n{\nArm 0,0,0,10,0,0,1\n}\n"));
    snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
    ConsoleCapture console;

    // A missing precache file leaves the cache empty.
    ImportAllMeshworkModels();
    EXPECT_TRUE(console.Has("//Model precache file was not found!"));
    ASSERT_NE(nullptr, baseMesh);
    EXPECT_EQ(nullptr, baseMesh->next);

    // The last line has no line end and still counts; a missing model is reported and skipped.
    ASSERT_TRUE(WriteTextFile(dir / "cache", "a\nmissing\nb"));
    ImportAllMeshworkModels();
    EXPECT_TRUE(console.Has("//Failed to load model: missing"));
    mesh_mod* a = FindCachedModel("a");
    mesh_mod* b = FindCachedModel("b");
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, b);
    EXPECT_EQ(a, baseMesh->next);
    EXPECT_EQ(b, a->next);
    EXPECT_EQ(b, meshPtr);
    EXPECT_EQ(nullptr, FindCachedModel("missing"));
    // The pose file comes with the cache entry.
    ASSERT_NE(nullptr, a->poseListHead.next);
    EXPECT_STREQ("Stand", a->poseListHead.next->name);
    EXPECT_EQ(nullptr, b->poseListHead.next);

    // CR LF: the empty line after the first CR ends the list. The cache starts again from empty.
    ASSERT_TRUE(WriteTextFile(dir / "cache", "b\r\na\r\n"));
    ImportAllMeshworkModels();
    ASSERT_NE(nullptr, baseMesh->next);
    EXPECT_STREQ("b", baseMesh->next->name);
    EXPECT_EQ(nullptr, baseMesh->next->next);
    EXPECT_EQ(nullptr, FindCachedModel("a"));
    routePath[0] = 0;
}

TEST(ModelLoader, ActorsLoadUncachedModelsAndCopiesImportTheirPoses)
{
    TempDir dir;
    std::string modelText = Header() + "0 0 0 0\n1 660 0 0 Arm None 100 None\n2 0 660 0\nEDGES\n" +
                            Material(0, 0, 0, 0, 0, 0) + "0 1 2\nEND\n";
    ASSERT_TRUE(WriteTextFile(dir / "Models/walker", modelText));
    ASSERT_TRUE(WriteTextFile(dir / "Models/walker_poses", "VXR_Poses\nWalk1\n{\nArm 0,0,0,10,0,0,1\n}\n"));
    static std::string root;
    root = dir.path + "/";
    gRoutePathHook = [] { return root.c_str(); };
    gLevelFolderHook = nullptr;
    RegisterModelLoader();
    EXPECT_EQ(&LoadMeshworkModel, gLoadModelHook);
    EnsureModelCache();
    baseMesh->next = nullptr;

    human_being* h = AddHuman("walker");
    ASSERT_NE(nullptr, h);
    mesh_mod* entry = FindCachedModel("walker");
    ASSERT_NE(nullptr, entry);
    EXPECT_NE(entry, h->model);
    // Loaded on demand, the cache entry has no poses; the actor's copy read the pose file.
    EXPECT_EQ(nullptr, entry->poseListHead.next);
    ASSERT_NE(nullptr, h->model->poseListHead.next);
    EXPECT_STREQ("Walk1", h->model->poseListHead.next->name);
    RemoveAllHumans();
    gRoutePathHook = nullptr;
    baseMesh->next = nullptr;
}

TEST(ModelLoaderFaults, MissingFilesAndPathsThatDoNotFit)
{
    ConsoleCapture console;
    EXPECT_EQ(0, LoadMeshworkModel(nullptr, "/nonexistent"));
    mesh_mod* m = NewModel();
    EXPECT_EQ(0, LoadMeshworkModel(m, "/nonexistent/Models/guard"));
    TempDir dir;
    std::string longName = dir / std::string(70, 'n');
    ASSERT_TRUE(WriteTextFile(longName, Header()));
    EXPECT_EQ(0, LoadMeshworkModel(m, longName.c_str()));
    EXPECT_TRUE(console.Has("too long"));
}

TEST(ModelLoaderFaults, VertexAndTriangleLimits)
{
    TempDir dir;
    ConsoleCapture console;
    std::string text = Header();
    for (int i = 0; i < 2005; i++)
        text += std::to_string(i) + " " + std::to_string(i) + " 0 0\n";
    // The last vertex line past the limit still defines its bone.
    text += "2005 0 660 0 Late None 100 None\nEDGES\n" + Material(0, 0, 0, 0, 0, 0) +
            "0 1 1999\n0 1 2000\n0 1 2004\n-1 0 1\n7 8\n";
    text += "UVS\n2003 0.5 0.5\n1999 0.5 0.5\nEND\n";
    ASSERT_TRUE(WriteTextFile(dir / "big", text));
    mesh_mod* m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "big").c_str()));
    EXPECT_EQ(kMaxMaterialTexCoords, m->vertexCount);
    EXPECT_EQ(1, m->triangleCount);
    EXPECT_EQ(1, m->materials[0].elementTriangles);
    EXPECT_EQ(1999, m->materials[0].indices[2]);
    EXPECT_TRUE(console.Has("more than 2000 vertices"));
    EXPECT_TRUE(console.Has("vertex 2000"));
    EXPECT_TRUE(console.Has("vertex -1"));
    EXPECT_TRUE(console.Has("not a triangle line"));
    EXPECT_TRUE(console.Has("vertex 2003"));
    EXPECT_NE(nullptr, GetBonePtrBySignature(m->boneListHead.next, "Late"));
    int listed = 0;
    for (vtx_typ* v = m->vertexListHead.next; v; v = v->next)
        listed++;
    EXPECT_EQ(kMaxMaterialTexCoords, listed);

    // A vertex number at or beyond a small model's vertex count.
    ASSERT_TRUE(WriteTextFile(dir / "small", Header() + "0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n" +
                                                 Material(0, 0, 0, 0, 0, 0) + "0 1 3\n0 1 2\nEND\n"));
    m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "small").c_str()));
    EXPECT_EQ(1, m->triangleCount);
    EXPECT_EQ(2, m->triangleListHead.next->vertexNumbers[2]);

    // 2003 triangles in one material: the element list holds 2000, the rest are left out.
    text = Header() + "0 0 0 0\n1 660 0 0\n2 0 660 0\nEDGES\n" + Material(0, 0, 0, 0, 0, 0);
    for (int i = 0; i < 2003; i++)
        text += "0 1 2\n";
    text += Material(0, 0, 0, 0, 0, 0) + "2 1 0\nEND\n";
    ASSERT_TRUE(WriteTextFile(dir / "many", text));
    gConsole.clear();
    m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "many").c_str()));
    EXPECT_EQ(kMaxMaterialIndices / 3, m->materials[0].elementTriangles);
    EXPECT_EQ(1, m->materials[1].elementTriangles);
    EXPECT_EQ(kMaxMaterialIndices / 3 + 1, m->triangleCount);
    EXPECT_TRUE(console.Has("more than 2000 triangles"));
}

TEST(ModelLoaderFaults, FilesThatEndEarlyOrCarryOddLines)
{
    TempDir dir;
    ConsoleCapture console;
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
        ASSERT_TRUE(WriteTextFile(dir / "short", text));
        mesh_mod* m = NewModel();
        ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "short").c_str())) << text;
        EXPECT_EQ(0, m->triangleCount);
        for (int i = 0; i < kMaxModelMaterials; i++)
            EXPECT_EQ(0, m->materials[i].used);
        for (vtx_typ* v = m->vertexListHead.next; v; v = v->next)
            EXPECT_EQ(1, v->detached);
        ASSERT_NE(nullptr, m->boneListHead.next);
        EXPECT_STREQ("None", m->boneListHead.next->signature);
    }

    // CR LF lines, an over-long bone name, a weight out of range and a line that is no vertex.
    ASSERT_TRUE(WriteTextFile(dir / "odd", "h1\r\nh2\n0 0 0 0\r\n1 660 0 0 Shoulder None 150 None\r\n"
                                           "junk\n2 0 660 0 Shoulder Body\r\nEDGES\r\n"
                                           "MATERIAL Mat 65535 0 0\r\n0 1 2\r\nEND\r\n"));
    mesh_mod* m = NewModel();
    ASSERT_EQ(1, LoadMeshworkModel(m, (dir / "odd").c_str()));
    EXPECT_EQ(3, m->vertexCount);
    EXPECT_EQ(1, m->triangleCount);
    EXPECT_STREQ("Shou", VertexAt(m, 1)->boneSignature);
    EXPECT_EQ(100, VertexAt(m, 1)->weight);
    EXPECT_STREQ("Body", VertexAt(m, 2)->secondBoneSignature);
    EXPECT_EQ(100, VertexAt(m, 2)->weight);
    EXPECT_EQ(VertexAt(m, 1)->bone, VertexAt(m, 2)->bone);
    EXPECT_STREQ("Shou", m->boneListHead.next->next->signature);
    // An incomplete header keeps what it has; the rest is 0 (opaque, untextured).
    EXPECT_FLOAT_EQ(1.0f, m->materials[0].red);
    EXPECT_FLOAT_EQ(1.0f, m->materials[0].alpha);
    EXPECT_TRUE(console.Has("cut to 4"));
    EXPECT_TRUE(console.Has("outside 0 to 100"));
    EXPECT_TRUE(console.Has("not a vertex line"));
    EXPECT_TRUE(console.Has("incomplete"));
}
