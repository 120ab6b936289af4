// What the content tools share: a picture painted pixel by pixel and its PNG writer, text files,
// a repeatable grain, and plain meshes of textured or coloured faces written as model files.
// Tools only: nothing of the engine includes this.
#pragma once

#include <string>
#include <vector>

struct point
{
    float x, y, z;
};

// An RGB or RGBA picture, rows top first, as the PNG stores them.
struct picture
{
    int width = 0, height = 0;
    bool alpha = false;
    std::vector<unsigned char> pixels;
    picture(int w, int h, bool withAlpha = false);
    void Set(int x, int y, int r, int g, int b, int a = 255);
    // Fills the pixel rectangle [x0, x1) x [y0, y1), clipped to the picture.
    void Fill(int x0, int y0, int x1, int y1, int r, int g, int b);
};

// 1 on success. The same picture always gives the same bytes.
int WritePng(const std::string& path, const picture& p);
int WriteText(const std::string& path, const std::string& text);

// A little fixed noise, -8 to 8, the same on every run.
int Grain(int x, int y);

// One material section of a mesh: colour in file units (0 to 65535), kind 4 for a texture
// (the model's "<name><slot>.png"), transparency in percent, blended 1 to draw with alpha.
struct meshMaterial
{
    std::string name;
    int red = 65535, green = 65535, blue = 65535;
    int kind = 4;
    int transparency = 0;
    int blended = 0;
    std::vector<int> triangles;
};

struct meshVertex
{
    point p;
    float u, v;
};

// A model without bones: every face corner is a vertex of its own, so faces keep their own
// texture coordinates. Coordinates in world units; the writer turns them into file units.
struct meshModel
{
    std::string name;
    std::vector<meshVertex> vertices;
    std::vector<meshMaterial> materials;
};

// A rectangle a, b, c, d given counter-clockwise seen from its front, into material slot m; the
// texture runs along a->b (u) and a->d (v), one repeat every `tile` units (0: once per face).
void AddQuad(meshModel* model, int m, point a, point b, point c, point d, float tile);
// A box from (x0, y0, z0) to (x1, y1, z1) facing out, with or without its bottom.
void AddBox(meshModel* model, int m, point lo, point hi, float tile, bool bottom);
// Writes the model file; `tool` and `rerun` name the program in the header lines.
int WriteMeshModel(const std::string& path, const meshModel& model, const char* tool, const char* rerun);

// Reads the one option of a tool, --out DATA_FOLDER, into out. Returns -1 to go on, or the
// exit status after writing usage to standard error (0 for --help, 2 for anything else).
int ReadOutOption(int argc, char** argv, std::string* out, const char* usage);

// Makes the folder and its parents; 1 on success, else a message naming the tool.
int MakeFolder(const std::string& path, const char* tool);

// Adds a model name to the data folder's precache file unless it is listed already; 1 on success.
int ListInCache(const std::string& cachePath, const std::string& name);
