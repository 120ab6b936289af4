// make_demo_level: writes the demo's first level folder: level models for a floor, the walls
// round it, a raised step and a ledge behind it, each with a generated PNG texture; three
// actors (the humanoid) with names and scripts; a tint, the player's start, the level's load
// script and its texture list. Everything the engine reads back and saves is written in the
// engine's own number format, so a "save" of the untouched level reproduces these files.
// Run from the source tree: build/make_demo_level --out demo
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace
{

const float kFileScale = 660.0f; // world units to model file units
const float kTile = 2.0f;        // world units one texture repeat covers
const char* const kLevel = "Levels/start";

struct point
{
    float x, y, z;
};

struct faceVertex
{
    point p;
    float u, v;
};

// A level model: vertices listed once per face corner so each face has its own texture
// coordinates; triangles wind counter-clockwise seen from the side they face.
struct levelModel
{
    std::string name;
    std::vector<faceVertex> vertices;
    std::vector<int> triangles;
};

// A rectangle a, b, c, d given counter-clockwise seen from its front; the texture runs along
// a→b (u) and a→d (v), one repeat every kTile units.
void AddQuad(levelModel* m, point a, point b, point c, point d)
{
    auto length = [](point from, point to)
    {
        return std::sqrt((to.x - from.x) * (to.x - from.x) + (to.y - from.y) * (to.y - from.y) +
                         (to.z - from.z) * (to.z - from.z));
    };
    const float u = length(a, b) / kTile, v = length(a, d) / kTile;
    int first = (int)m->vertices.size();
    m->vertices.push_back({a, 0.0f, 0.0f});
    m->vertices.push_back({b, u, 0.0f});
    m->vertices.push_back({c, u, v});
    m->vertices.push_back({d, 0.0f, v});
    for (int k : {0, 1, 2, 0, 2, 3})
        m->triangles.push_back(first + k);
}

// An upright box from (x0, 0, z0) to (x1, h, z1): its top and four sides, facing out.
void AddBlock(levelModel* m, float x0, float z0, float x1, float z1, float h)
{
    AddQuad(m, {x0, h, z1}, {x1, h, z1}, {x1, h, z0}, {x0, h, z0});
    AddQuad(m, {x0, 0, z1}, {x1, 0, z1}, {x1, h, z1}, {x0, h, z1});
    AddQuad(m, {x1, 0, z0}, {x0, 0, z0}, {x0, h, z0}, {x1, h, z0});
    AddQuad(m, {x1, 0, z1}, {x1, 0, z0}, {x1, h, z0}, {x1, h, z1});
    AddQuad(m, {x0, 0, z0}, {x0, 0, z1}, {x0, h, z1}, {x0, h, z0});
}

// The four walls of a room from (x0, z0) to (x1, z1), h high, facing in.
void AddRoomWalls(levelModel* m, float x0, float z0, float x1, float z1, float h)
{
    AddQuad(m, {x0, 0, z0}, {x1, 0, z0}, {x1, h, z0}, {x0, h, z0});
    AddQuad(m, {x1, 0, z1}, {x0, 0, z1}, {x0, h, z1}, {x1, h, z1});
    AddQuad(m, {x0, 0, z1}, {x0, 0, z0}, {x0, h, z0}, {x0, h, z1});
    AddQuad(m, {x1, 0, z0}, {x1, 0, z1}, {x1, h, z1}, {x1, h, z0});
}

int WriteModel(const std::string& path, const levelModel& m, const char* material)
{
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return 0;
    fprintf(f, "Kesrow level model %s, written by tools/make_demo_level.\n", m.name.c_str());
    fprintf(f, "Do not edit by hand: change the tool and run it again (make_demo_level --out demo).\n");
    for (size_t i = 0; i < m.vertices.size(); i++)
    {
        const point& p = m.vertices[i].p;
        fprintf(f, "%d %.3f %.3f %.3f\n", (int)i, p.x * kFileScale, p.y * kFileScale, p.z * kFileScale);
    }
    fprintf(f, "EDGES\n");
    fprintf(f, "MATERIAL %s 65535 65535 65535 1 4 0 0 0.0 0.0 0.0 0.0 0.0 0.0 0\n", material);
    for (size_t t = 0; t + 2 < m.triangles.size(); t += 3)
        fprintf(f, "%d %d %d\n", m.triangles[t], m.triangles[t + 1], m.triangles[t + 2]);
    // v runs up the picture; the loader turns it round for pictures stored top row first.
    fprintf(f, "UVS\n");
    for (size_t i = 0; i < m.vertices.size(); i++)
        fprintf(f, "%d %.5f %.5f\n", (int)i, m.vertices[i].u, m.vertices[i].v);
    fprintf(f, "END\n");
    return fclose(f) == 0;
}

// A square RGB picture painted pixel by pixel.
struct picture
{
    int size = 64;
    std::vector<unsigned char> rgb;
    picture() : rgb((size_t)64 * 64 * 3) {}
    void Set(int x, int y, int r, int g, int b)
    {
        unsigned char* p = &rgb[((size_t)y * size + x) * 3];
        p[0] = (unsigned char)r;
        p[1] = (unsigned char)g;
        p[2] = (unsigned char)b;
    }
};

// A little fixed noise so the surfaces do not look flat; the same on every run.
int Grain(int x, int y)
{
    unsigned h = (unsigned)(x * 374761393 + y * 668265263);
    h = (h ^ (h >> 13)) * 1274126177u;
    return (int)((h >> 24) % 17) - 8;
}

picture Checker()
{
    picture p;
    for (int y = 0; y < p.size; y++)
        for (int x = 0; x < p.size; x++)
        {
            int shade = ((x / 32) + (y / 32)) % 2 ? 150 : 110;
            if (x % 32 == 0 || y % 32 == 0) shade = 80;
            shade += Grain(x, y);
            p.Set(x, y, shade, shade, shade - 10);
        }
    return p;
}

picture Bricks()
{
    picture p;
    for (int y = 0; y < p.size; y++)
        for (int x = 0; x < p.size; x++)
        {
            int row = y / 16;
            int shift = row % 2 ? 16 : 0;
            bool mortar = y % 16 == 0 || (x + shift) % 32 == 0;
            int g = Grain(x, y);
            if (mortar)
                p.Set(x, y, 190 + g, 185 + g, 170 + g);
            else
                p.Set(x, y, 150 + g, 70 + g, 50 + g);
        }
    return p;
}

picture Stone(int r, int g, int b)
{
    picture p;
    for (int y = 0; y < p.size; y++)
        for (int x = 0; x < p.size; x++)
        {
            int edge = (x < 2 || y < 2 || x > 61 || y > 61) ? -40 : 0;
            int n = Grain(x / 2, y / 2) * 2 + edge;
            p.Set(x, y, r + n, g + n, b + n);
        }
    return p;
}

int WritePng(const std::string& path, const picture& p)
{
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = p.size;
    image.height = p.size;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, p.rgb.data(), 0, nullptr);
}

int WriteText(const std::string& path, const std::string& text)
{
    FILE* f = fopen(path.c_str(), "w");
    if (!f) return 0;
    fputs(text.c_str(), f);
    return fclose(f) == 0;
}

// The engine's line formats (the level writer uses the same ones).
std::string LevelModelLine(const char* model, point at, point angles, float scale)
{
    char line[256];
    snprintf(line, sizeof line, "%s,%f,%f,%f,%f,%f,%f,%f\n", model, at.x, at.y, at.z, angles.x, angles.y,
             angles.z, scale);
    return line;
}

std::string PersonLine(const char* model, point at, point rotation, int team, int type, int health,
                       float scale, const char* name, const std::vector<std::pair<std::string, int>>& scripts)
{
    char line[600];
    snprintf(line, sizeof line, "%s,%f,%f,%f,%f,%f,%f,%d,%d,%d,%f,%s", model, at.x, at.y, at.z, rotation.x,
             rotation.y, rotation.z, team, type, health, scale, name);
    std::string out = line;
    for (const auto& s : scripts)
    {
        snprintf(line, sizeof line, ",\"%s\",%d", s.first.c_str(), s.second);
        out += line;
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out = "demo";
    for (int i = 1; i < argc; i++)
    {
        std::string a = argv[i];
        if (a == "--out" && i + 1 < argc)
            out = argv[++i];
        else
        {
            fprintf(stderr,
                    "usage: make_demo_level [--out DATA_FOLDER]\n"
                    "Writes the level folder DATA_FOLDER/%s with its models, textures, actors\n"
                    "and scripts (default: --out demo). The actors use the humanoid model\n"
                    "that make_humanoid writes into DATA_FOLDER/Models.\n",
                    kLevel);
            return a == "--help" ? 0 : 2;
        }
    }
    const std::string level = out + "/" + kLevel + "/";
    std::error_code ec;
    std::filesystem::create_directories(level + "Models", ec);
    if (!ec) std::filesystem::create_directories(level + "Scripts", ec);
    if (ec)
    {
        fprintf(stderr, "make_demo_level: cannot make the folder %s\n", level.c_str());
        return 1;
    }

    // A 16 x 16 room, 3 high; a step of 0.25 (climbed at once) and, behind it, a ledge of 0.5
    // that is reached from the step only.
    levelModel floor{"demo_floor", {}, {}}, walls{"demo_walls", {}, {}}, step{"demo_step", {}, {}},
        ledge{"demo_ledge", {}, {}};
    AddQuad(&floor, {-8, 0, 8}, {8, 0, 8}, {8, 0, -8}, {-8, 0, -8});
    AddRoomWalls(&walls, -8, -8, 8, 8, 3);
    AddBlock(&step, 2, -3, 4, -1, 0.25f);
    AddBlock(&ledge, 2, -7, 6, -3, 0.5f);

    int ok = WriteModel(level + "Models/demo_floor", floor, "Floor") &&
             WriteModel(level + "Models/demo_walls", walls, "Bricks") &&
             WriteModel(level + "Models/demo_step", step, "Stone") &&
             WriteModel(level + "Models/demo_ledge", ledge, "Stone") &&
             WritePng(level + "Models/demo_floor0.png", Checker()) &&
             WritePng(level + "Models/demo_walls0.png", Bricks()) &&
             WritePng(level + "Models/demo_step0.png", Stone(120, 125, 135)) &&
             WritePng(level + "Models/demo_ledge0.png", Stone(95, 110, 90));

    // Level models are placed where they were built: no move, no turn, full size.
    const point origin = {0, 0, 0};
    std::string models;
    for (const char* name : {"demo_floor", "demo_walls", "demo_step", "demo_ledge"})
        models += LevelModelLine(name, origin, origin, 100.0f);
    ok = ok && WriteText(level + "level models", models);

    // Actors stand on the surfaces (feet at the floor, step and ledge heights), so they do not
    // fall. The person file has no line end after its last record, as the engine writes it.
    const std::string guard = std::string(kLevel) + "/Scripts/guard";
    const std::string watch = std::string(kLevel) + "/Scripts/watch";
    std::string person =
        PersonLine("humanoid", {-3, 0, -4}, {0, 0, 0}, 1, 1, 100, 100.0f, "Guard", {{guard, 1}}) + "\n" +
        PersonLine("humanoid", {4, 0.5f, -5}, {0, 270, 0}, 1, 1, 100, 90.0f, "Lookout",
                   {{guard, 1}, {watch, 2}}) +
        "\n" + PersonLine("humanoid", {-5, 0, 3}, {0, 90, 0}, 0, 0, 100, 110.0f, "Visitor", {});
    ok = ok && WriteText(level + "person", person);
    ok = ok && WriteText(level + "tint", "1.000000, 0.950000, 0.900000\n");
    // The player stands near the door side, eye 1.0 above the floor, looking into the room.
    ok = ok && WriteText(level + "starting", "0.000000\n1.000000\n6.000000\n0.000000\n0.000000\n0.000000\n");
    ok =
        ok && WriteText(level + "tex", std::string(kLevel) + "/Models/demo_floor0.png\n" + kLevel +
                                           "/Models/demo_walls0.png\n" + kLevel + "/Models/demo_step0.png\n" +
                                           kLevel + "/Models/demo_ledge0.png\n");
    ok = ok && WriteText(level + "load script",
                         "// The demo level's start: the game scripts that were running went with the\n"
                         "// level load, so this one takes over. The lookout walks off the ledge and\n"
                         "// falls to the floor, the visitor is caught in a fall, and the guard walks\n"
                         "// across the room; the clock is kept in f1 and the ticks counted in i1 until\n"
                         "// the window is closed.\n"
                         "get \"Lookout\"\n"
                         "pose \"Walk1\",\"Walk2\",0.5,0.2,true\n"
                         "goto 0,0,-5\n"
                         "get \"Visitor\"\n"
                         "pose \"Fall1\",\"Fall2\",0.5,0.2,true\n"
                         "get \"Guard\"\n"
                         "setSpeed 0.05\n"
                         "pose \"Walk1\",\"Walk2\",0.5,0.2,true\n"
                         "goto -3,0,2\n"
                         "player\n"
                         "loop\n"
                         "time 1\n"
                         "addi 1,1\n"
                         "endloop\n");
    ok = ok && WriteText(level + "Scripts/guard", "// Every tick (event 1): counts the guards' ticks in i2.\n"
                                                  "addi 2,1\n");
    ok = ok && WriteText(level + "Scripts/watch", "// Event 2, fired by a script: counts the calls in i3.\n"
                                                  "addi 3,1\n");
    if (!ok)
    {
        fprintf(stderr, "make_demo_level: could not write the level files under %s\n", level.c_str());
        return 1;
    }
    printf("Wrote the level folder %s: 4 level models with textures, 3 actors, tint, start, load script, "
           "texture list\n",
           level.c_str());
    return 0;
}
