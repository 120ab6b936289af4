// The content tools' shared pictures, PNG writing, text files and bone-less mesh models.
#include "tools/tool_support.h"

#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace
{

const float kFileScale = 660.0f; // world units to model file units

float Length(point from, point to)
{
    return std::sqrt((to.x - from.x) * (to.x - from.x) + (to.y - from.y) * (to.y - from.y) +
                     (to.z - from.z) * (to.z - from.z));
}

} // namespace

picture::picture(int w, int h, bool withAlpha)
    : width(w), height(h), alpha(withAlpha), pixels((size_t)w * h * (withAlpha ? 4 : 3), 0)
{
}

void picture::Set(int x, int y, int r, int g, int b, int a)
{
    if (x < 0 || y < 0 || x >= width || y >= height) return;
    auto clamp = [](int v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v); };
    const int n = alpha ? 4 : 3;
    unsigned char* p = &pixels[((size_t)y * width + x) * n];
    p[0] = clamp(r);
    p[1] = clamp(g);
    p[2] = clamp(b);
    if (alpha) p[3] = clamp(a);
}

void picture::Fill(int x0, int y0, int x1, int y1, int r, int g, int b)
{
    for (int y = y0; y < y1 && y < height; y++)
        for (int x = x0; x < x1 && x < width; x++)
            Set(x, y, r, g, b);
}

int WritePng(const std::string& path, const picture& p)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = p.width;
    image.height = p.height;
    image.format = p.alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, p.pixels.data(), 0, nullptr);
}

int WriteText(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    const bool written = fputs(text.c_str(), f) >= 0;
    return (fclose(f) == 0) && written;
}

int Grain(int x, int y)
{
    // Unsigned: the hash wraps on purpose, and signed overflow would be undefined.
    unsigned h = (unsigned)x * 374761393u + (unsigned)y * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (int)((h >> 24) % 17) - 8;
}

void AddQuad(meshModel* model, int m, point a, point b, point c, point d, float tile)
{
    const float u = tile > 0 ? Length(a, b) / tile : 1.0f, v = tile > 0 ? Length(a, d) / tile : 1.0f;
    const int first = (int)model->vertices.size();
    model->vertices.push_back({a, 0.0f, 0.0f});
    model->vertices.push_back({b, u, 0.0f});
    model->vertices.push_back({c, u, v});
    model->vertices.push_back({d, 0.0f, v});
    for (int k : {0, 1, 2, 0, 2, 3})
        model->materials[m].triangles.push_back(first + k);
}

void AddBox(meshModel* model, int m, point lo, point hi, float tile, bool bottom)
{
    const float x0 = lo.x, y0 = lo.y, z0 = lo.z, x1 = hi.x, y1 = hi.y, z1 = hi.z;
    AddQuad(model, m, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}, {x0, y1, z0}, tile);
    AddQuad(model, m, {x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, tile);
    AddQuad(model, m, {x1, y0, z0}, {x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, tile);
    AddQuad(model, m, {x1, y0, z1}, {x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, tile);
    AddQuad(model, m, {x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}, tile);
    if (bottom) AddQuad(model, m, {x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, tile);
}

int WriteMeshModel(const std::string& path, const meshModel& model, const char* tool, const char* rerun)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    fprintf(f, "Kesrow model %s, written by tools/%s.\n", model.name.c_str(), tool);
    fprintf(f, "Do not edit by hand: change the tool and run it again (%s).\n", rerun);
    for (size_t i = 0; i < model.vertices.size(); i++)
    {
        const point& p = model.vertices[i].p;
        fprintf(f, "%d %.3f %.3f %.3f\n", (int)i, p.x * kFileScale, p.y * kFileScale, p.z * kFileScale);
    }
    fprintf(f, "EDGES\n");
    for (const meshMaterial& m : model.materials)
    {
        fprintf(f, "MATERIAL %s %d %d %d 1 %d %d 0 0.0 0.0 0.0 0.0 0.0 0.0 %d\n", m.name.c_str(), m.red,
                m.green, m.blue, m.kind, m.transparency, m.blended);
        std::vector<bool> used(model.vertices.size(), false);
        for (size_t t = 0; t + 2 < m.triangles.size(); t += 3)
        {
            fprintf(f, "%d %d %d\n", m.triangles[t], m.triangles[t + 1], m.triangles[t + 2]);
            used[m.triangles[t]] = used[m.triangles[t + 1]] = used[m.triangles[t + 2]] = true;
        }
        if (m.kind != 4) continue;
        // v runs up the picture; the loader turns it round for pictures stored top row first.
        fprintf(f, "UVS\n");
        for (size_t i = 0; i < model.vertices.size(); i++)
            if (used[i]) fprintf(f, "%d %.5f %.5f\n", (int)i, model.vertices[i].u, model.vertices[i].v);
    }
    fprintf(f, "END\n");
    return fclose(f) == 0;
}

int ReadOutOption(int argc, char** argv, std::string* out, const char* usage)
{
    for (int i = 1; i < argc; i++)
    {
        const std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            *out = argv[++i];
        else
        {
            fputs(usage, stderr);
            return a == "--help" ? 0 : 2;
        }
    }
    return -1;
}

int MakeFolder(const std::string& path, const char* tool)
{
    std::error_code ec;
    std::filesystem::create_directories(path, ec);
    if (!ec) return 1;
    fprintf(stderr, "%s: cannot make the folder %s: %s\n", tool, path.c_str(), ec.message().c_str());
    return 0;
}

// Adds name to the precache file unless it is listed already. The list ends at the first empty
// line, so lines are kept only up to there.
int ListInCache(const std::string& cachePath, const std::string& name)
{
    std::vector<std::string> names;
    if (FILE* f = fopen(cachePath.c_str(), "rb"))
    {
        std::string line;
        int c;
        bool ended = false;
        while (!ended && (c = fgetc(f)) != EOF)
        {
            if (c == '\r' || c == '\n')
            {
                if (line.empty())
                    ended = true;
                else
                    names.push_back(line);
                line.clear();
            }
            else
                line += (char)c;
        }
        if (!ended && !line.empty()) names.push_back(line);
        fclose(f);
    }
    bool listed = false;
    for (const std::string& n : names)
        listed = listed || n == name;
    if (!listed) names.push_back(name);
    FILE* f = fopen(cachePath.c_str(), "w");
    if (!f) return 0;
    for (const std::string& n : names)
        fprintf(f, "%s\n", n.c_str());
    return fclose(f) == 0;
}
