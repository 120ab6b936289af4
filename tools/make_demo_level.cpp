// make_demo_level: writes the data of the demo's two level folders. Levels/start is indoors: a
// room with a step, a stair up to a ledge to fall from, a window of blended glass with a view
// behind it, and a door to the way out; Levels/yard is outdoors: a fenced yard in fog with
// houses and a fire. Each folder gets its level models with their textures, the actors of its
// "person" file, its tint, the player's start and its texture list. Behaviour is not written
// here: each level's "load script" and the actors' scripts are the demo's own script files.
// Everything the engine reads back and saves is written in the engine's own number format, so
// a "save" of an untouched level reproduces these files.
// Run from the source tree: build/make_demo_level --out demo
#include "tools/tool_support.h"

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

namespace
{

const char* const kTool = "make_demo_level";
const char* const kRerun = "make_demo_level --out demo";
const float kTile = 2.0f; // world units one texture repeat covers

// A level model of one textured material, named after the model; its picture is <name>0.png.
struct levelPiece
{
    meshModel model;
    picture texture;
};

levelPiece Piece(const std::string& name, picture texture)
{
    meshMaterial m;
    m.name = "Surface";
    return {{name, {}, {m}}, texture};
}

picture Checker()
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            int shade = ((x / 32) + (y / 32)) % 2 ? 150 : 110;
            if (x % 32 == 0 || y % 32 == 0) shade = 80;
            shade += Grain(x, y);
            p.Set(x, y, shade, shade, shade - 10);
        }
    return p;
}

picture Bricks(int r, int g, int b)
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const int shift = (y / 16) % 2 ? 16 : 0;
            const bool mortar = y % 16 == 0 || (x + shift) % 32 == 0;
            const int n = Grain(x, y);
            if (mortar)
                p.Set(x, y, 190 + n, 185 + n, 170 + n);
            else
                p.Set(x, y, r + n, g + n, b + n);
        }
    return p;
}

picture Stone(int r, int g, int b)
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const int edge = (x < 2 || y < 2 || x > 61 || y > 61) ? -40 : 0;
            const int n = Grain(x / 2, y / 2) * 2 + edge;
            p.Set(x, y, r + n, g + n, b + n);
        }
    return p;
}

picture Plaster(int r, int g, int b)
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const int n = Grain(x, y) / 2 + Grain(x / 8, y / 8);
            p.Set(x, y, r + n, g + n, b + n);
        }
    return p;
}

picture Grass()
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const int n = Grain(x, y) * 2 + Grain(x / 4, y / 4);
            p.Set(x, y, 70 + n, 115 + n * 2, 45 + n);
        }
    return p;
}

// What the window looks out on: sky brightening to the horizon over green hills.
picture View()
{
    picture p(128, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 128; x++)
        {
            const float hill = 40.0f + 6.0f * std::sin(x * 0.07f) + 3.0f * std::sin(x * 0.19f + 1.0f);
            if (y > hill)
                p.Set(x, y, 60 + Grain(x, y), 110 + Grain(x, y) * 2, 55);
            else
                p.Set(x, y, 110 + y * 2, 150 + y * 1, 220);
        }
    return p;
}

// An open box seen from inside: floor-less walls facing in and a ceiling facing down.
void AddWallsFacingIn(meshModel* m, float x0, float z0, float x1, float z1, float y0, float y1)
{
    AddQuad(m, 0, {x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}, kTile);
    AddQuad(m, 0, {x1, y0, z1}, {x0, y0, z1}, {x0, y1, z1}, {x1, y1, z1}, kTile);
    AddQuad(m, 0, {x0, y0, z1}, {x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}, kTile);
    AddQuad(m, 0, {x1, y0, z0}, {x1, y0, z1}, {x1, y1, z1}, {x1, y1, z0}, kTile);
}

void AddCeiling(meshModel* m, float x0, float z0, float x1, float z1, float y)
{
    AddQuad(m, 0, {x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}, kTile);
}

void AddFloor(meshModel* m, float x0, float z0, float x1, float z1, float y)
{
    AddQuad(m, 0, {x0, y, z1}, {x1, y, z1}, {x1, y, z0}, {x0, y, z0}, kTile);
}

// Fog is worked out at the corners of each face: ground and walls that the fog must fade are
// cut into tiles of at most `size` across, so that no face spans from near to far.
void AddFloorTiles(meshModel* m, float x0, float z0, float x1, float z1, float y, float size)
{
    for (float x = x0; x < x1 - 0.001f; x += size)
        for (float z = z0; z < z1 - 0.001f; z += size)
            AddFloor(m, x, z, std::fmin(x + size, x1), std::fmin(z + size, z1), y);
}

// A wall 0.4 thick and h high along x (from x0 to x1 at z) or along z, in pieces of 4.
void AddFenceAlongX(meshModel* m, float x0, float x1, float z, float h)
{
    for (float x = x0; x < x1 - 0.001f; x += 4)
        AddBox(m, 0, {x, 0, z}, {std::fmin(x + 4, x1), h, z + 0.4f}, kTile, false);
}

void AddFenceAlongZ(meshModel* m, float x, float z0, float z1, float h)
{
    for (float z = z0; z < z1 - 0.001f; z += 4)
        AddBox(m, 0, {x, 0, z}, {x + 0.4f, h, std::fmin(z + 4, z1)}, kTile, false);
}

// The engine's line formats (the level writer uses the same ones).
std::string LevelModelLine(const std::string& model)
{
    char line[256];
    snprintf(line, sizeof line, "%s,%f,%f,%f,%f,%f,%f,%f\n", model.c_str(), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f,
             0.0f, 100.0f);
    return line;
}

struct actor
{
    const char* model;
    point at;
    float heading;
    int team, type, health;
    float scale;
    const char* name;
    std::vector<std::pair<std::string, int>> scripts;
};

// Records are separated by line ends written before every record but the first, as the
// engine writes them.
std::string PersonFile(const std::vector<actor>& actors)
{
    std::string out;
    for (const actor& a : actors)
    {
        char line[600];
        snprintf(line, sizeof line, "%s%s,%f,%f,%f,%f,%f,%f,%d,%d,%d,%f,%s", out.empty() ? "" : "\n", a.model,
                 a.at.x, a.at.y, a.at.z, 0.0f, a.heading, 0.0f, a.team, a.type, a.health, a.scale, a.name);
        out += line;
        for (const auto& s : a.scripts)
        {
            snprintf(line, sizeof line, ",\"%s\",%d", s.first.c_str(), s.second);
            out += line;
        }
    }
    return out;
}

std::string Starting(point at, float heading)
{
    char text[128];
    snprintf(text, sizeof text, "%f\n%f\n%f\n%f\n%f\n%f\n", at.x, at.y, at.z, 0.0f, heading, 0.0f);
    return text;
}

struct level
{
    std::string folder; // "Levels/<name>"
    std::vector<levelPiece> pieces;
    std::vector<meshModel> plainModels; // coloured, without a texture
    std::vector<actor> actors;
    point start;
    float heading; // the view's turn at the start, in degrees: 0 looks along -z
    std::string tint;
};

int WriteLevel(const std::string& out, const level& l)
{
    const std::string dir = out + "/" + l.folder + "/";
    if (!MakeFolder(dir + "Models", kTool)) return 0;
    std::string models, tex;
    int ok = 1;
    for (const levelPiece& p : l.pieces)
    {
        ok = ok && WriteMeshModel(dir + "Models/" + p.model.name, p.model, kTool, kRerun) &&
             WritePng(dir + "Models/" + p.model.name + "0.png", p.texture);
        models += LevelModelLine(p.model.name);
        tex += l.folder + "/Models/" + p.model.name + "0.png\n";
    }
    for (const meshModel& m : l.plainModels)
    {
        ok = ok && WriteMeshModel(dir + "Models/" + m.name, m, kTool, kRerun);
        models += LevelModelLine(m.name);
    }
    // The crate's picture is listed so that scripts (the editor) can put it on any material.
    tex += "Models/crate0.png\n";
    return ok && WriteText(dir + "level models", models) && WriteText(dir + "tint", l.tint) &&
           WriteText(dir + "person", PersonFile(l.actors)) &&
           WriteText(dir + "starting", Starting(l.start, l.heading)) && WriteText(dir + "tex", tex);
}

// The heads-up actors, placed relative to the eye (type 2: line tests and movers ignore them).
void AddHeadsUp(std::vector<actor>* actors)
{
    actors->push_back({"gun", {0.24f, -0.22f, -0.6f}, 0, 0, 2, 100, 100, "Gun", {}});
    actors->push_back({"crosshair", {0, 0, -1}, 0, 0, 2, 100, 100, "Crosshair", {}});
    actors->push_back({"healthbar", {-0.52f, -0.37f, -1}, 0, 0, 2, 100, 100, "HealthBar", {}});
}

level StartLevel()
{
    level l;
    l.folder = "Levels/start";
    const std::string scripts = l.folder + "/Scripts/";
    // A room 16 wide and 18 deep, 3 high. The far wall (z = -10) has a door opening 2 wide and
    // 2.5 high into a short passage, the left wall (x = -8) a window 4 wide from 1 to 2.2 up.
    levelPiece floor = Piece("start_floor", Checker());
    AddFloor(&floor.model, -8, -13, 8, 8, 0);
    levelPiece walls = Piece("start_walls", Bricks(150, 70, 50));
    meshModel& w = walls.model;
    AddQuad(&w, 0, {-8, 0, -10}, {-1, 0, -10}, {-1, 3, -10}, {-8, 3, -10}, kTile);
    AddQuad(&w, 0, {1, 0, -10}, {8, 0, -10}, {8, 3, -10}, {1, 3, -10}, kTile);
    AddQuad(&w, 0, {-1, 2.5f, -10}, {1, 2.5f, -10}, {1, 3, -10}, {-1, 3, -10}, kTile);
    AddQuad(&w, 0, {8, 0, 8}, {-8, 0, 8}, {-8, 3, 8}, {8, 3, 8}, kTile);
    AddQuad(&w, 0, {8, 0, -10}, {8, 0, 8}, {8, 3, 8}, {8, 3, -10}, kTile);
    AddQuad(&w, 0, {-8, 0, 8}, {-8, 0, 2}, {-8, 3, 2}, {-8, 3, 8}, kTile);
    AddQuad(&w, 0, {-8, 0, -2}, {-8, 0, -10}, {-8, 3, -10}, {-8, 3, -2}, kTile);
    AddQuad(&w, 0, {-8, 0, 2}, {-8, 0, -2}, {-8, 1, -2}, {-8, 1, 2}, kTile);
    AddQuad(&w, 0, {-8, 2.2f, 2}, {-8, 2.2f, -2}, {-8, 3, -2}, {-8, 3, 2}, kTile);
    // The passage behind the door, 3 wide and 3 deep, with a lower ceiling.
    AddQuad(&w, 0, {-1.5f, 0, -10}, {-1.5f, 0, -13}, {-1.5f, 2.5f, -13}, {-1.5f, 2.5f, -10}, kTile);
    AddQuad(&w, 0, {1.5f, 0, -13}, {1.5f, 0, -10}, {1.5f, 2.5f, -10}, {1.5f, 2.5f, -13}, kTile);
    AddQuad(&w, 0, {-1.5f, 0, -13}, {1.5f, 0, -13}, {1.5f, 2.5f, -13}, {-1.5f, 2.5f, -13}, kTile);
    levelPiece ceiling = Piece("start_ceiling", Plaster(200, 195, 180));
    AddCeiling(&ceiling.model, -8, -10, 8, 8, 3);
    AddCeiling(&ceiling.model, -1.5f, -13, 1.5f, -10, 2.5f);
    // A single step in the middle of the room, and on the right a stair of three steps up to a
    // ledge 1 high along the right wall: walking off its left edge is a fall.
    levelPiece step = Piece("start_step", Stone(120, 125, 135));
    AddBox(&step.model, 0, {-3, 0, 1}, {-1, 0.25f, 3}, kTile, false);
    levelPiece ledge = Piece("start_ledge", Stone(95, 110, 90));
    AddBox(&ledge.model, 0, {5, 0, 1}, {8, 0.25f, 2}, kTile, false);
    AddBox(&ledge.model, 0, {5, 0, 0}, {8, 0.5f, 1}, kTile, false);
    AddBox(&ledge.model, 0, {5, 0, -1}, {8, 0.75f, 0}, kTile, false);
    AddBox(&ledge.model, 0, {5, 0, -7}, {8, 1.0f, -1}, kTile, false);
    // Beyond the window, out of reach: the view it looks out on.
    levelPiece view = Piece("start_view", View());
    AddQuad(&view.model, 0, {-12, -2, 8}, {-12, -2, -8}, {-12, 6, -8}, {-12, 6, 8}, 0);
    l.pieces = {floor, walls, ceiling, step, ledge, view};
    // The window pane: pale blue glass, 60 percent transparent, drawn blended.
    meshMaterial glass;
    glass.name = "Glass";
    glass.red = 42000, glass.green = 52000, glass.blue = 62000;
    glass.kind = 0, glass.transparency = 60, glass.blended = 1;
    meshModel pane{"start_window", {}, {glass}};
    AddQuad(&pane, 0, {-7.95f, 1, 2}, {-7.95f, 1, -2}, {-7.95f, 2.2f, -2}, {-7.95f, 2.2f, 2}, 0);
    AddQuad(&pane, 0, {-7.95f, 1, -2}, {-7.95f, 1, 2}, {-7.95f, 2.2f, 2}, {-7.95f, 2.2f, -2}, 0);
    l.plainModels = {pane};

    // The warden patrols in front of the door, the lookout on the ledge; both are guards of team 1
    // (the humanoid in a red shirt, written by make_humanoid --name guard).
    // The visitor (team 0, the player's) walks along the window side; the door and the crates
    // stand still. Each walker's first script sets its route, the second its behaviour.
    l.actors = {
        {"guard",
         {0, 0, -8},
         0,
         1,
         1,
         100,
         100,
         "Warden",
         {{scripts + "warden route", 1}, {"Data/guard", 1}}},
        {"guard",
         {6.5f, 1, -5.5f},
         0,
         1,
         1,
         100,
         90,
         "Lookout",
         {{scripts + "lookout route", 1}, {"Data/guard", 1}}},
        {"humanoid",
         {-5, 0, 5},
         180,
         0,
         1,
         100,
         110,
         "Visitor",
         {{scripts + "visitor route", 1}, {"Data/guard", 1}}},
        {"door", {0, 0, -10}, 0, 0, 0, 100, 100, "Door", {}},
        {"crate", {-6.5f, 0, -8.5f}, 0, 0, 0, 100, 100, "Crate1", {}},
        {"crate", {-5.3f, 0, -8.6f}, 20, 0, 0, 100, 80, "Crate2", {}},
    };
    AddHeadsUp(&l.actors);
    l.start = {0, 1, 6};
    l.heading = -25;
    l.tint = "1.000000, 0.950000, 0.900000\n";
    return l;
}

level YardLevel()
{
    level l;
    l.folder = "Levels/yard";
    const std::string scripts = l.folder + "/Scripts/";
    // Grass in 2-unit tiles inside the wall, in large ones out to the sky box.
    levelPiece ground = Piece("yard_ground", Grass());
    AddFloorTiles(&ground.model, -16, -16, 16, 16, 0, 2);
    levelPiece field = Piece("yard_field", Grass());
    const float cuts[] = {-45, -30.5f, -16, 16, 30.5f, 45};
    for (int i = 0; i < 5; i++)
        for (int j = 0; j < 5; j++)
            if (i != 2 || j != 2)
                AddFloorTiles(&field.model, cuts[i], cuts[j], cuts[i + 1], cuts[j + 1], 0, 5);
    // A stone wall 1.2 high round the yard, 32 across.
    levelPiece wall = Piece("yard_wall", Stone(130, 125, 115));
    AddFenceAlongX(&wall.model, -16, 16, -16, 1.2f);
    AddFenceAlongX(&wall.model, -16, 16, 15.6f, 1.2f);
    AddFenceAlongZ(&wall.model, -16, -15.6f, 15.6f, 1.2f);
    AddFenceAlongZ(&wall.model, 15.6f, -15.6f, 15.6f, 1.2f);
    // Two houses and a low stone hearth that carries the fire.
    levelPiece houses = Piece("yard_houses", Bricks(160, 150, 130));
    AddBox(&houses.model, 0, {-13, 0, -13}, {-7, 3.5f, -8}, kTile, false);
    AddBox(&houses.model, 0, {7, 0, 4}, {12, 3, 10}, kTile, false);
    AddBox(&houses.model, 0, {3.5f, 0, -4.5f}, {4.5f, 0.4f, -3.5f}, kTile, false);
    // A sky box far beyond the fog's end: the fog colours it, so the yard fades into the mist.
    levelPiece sky = Piece("yard_sky", Plaster(120, 130, 150));
    AddWallsFacingIn(&sky.model, -45, -45, 45, 45, 0, 40);
    AddCeiling(&sky.model, -45, -45, 45, 45, 40);
    l.pieces = {ground, field, wall, houses, sky};

    l.actors = {
        {"guard",
         {-6, 0, -2},
         90,
         1,
         1,
         100,
         100,
         "Sentry",
         {{scripts + "sentry route", 1}, {"Data/guard", 1}}},
        {"guard",
         {10, 0, -12},
         0,
         1,
         1,
         100,
         105,
         "Keeper",
         {{scripts + "keeper route", 1}, {"Data/guard", 1}}},
        {"humanoid",
         {-10, 0, 6},
         0,
         0,
         1,
         100,
         95,
         "Farmer",
         {{scripts + "farmer route", 1}, {"Data/guard", 1}}},
        {"fire", {4, 0.4f, -4}, 0, 0, 2, 100, 100, "Fire", {}},
        {"crate", {-6, 0, -9}, 10, 0, 0, 100, 100, "Crate1", {}},
    };
    AddHeadsUp(&l.actors);
    l.start = {0, 1, 12};
    l.heading = 0;
    l.tint = "0.750000, 0.800000, 0.880000\n";
    return l;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out = "demo";
    const int status =
        ReadOutOption(argc, argv, &out,
                      "usage: make_demo_level [--out DATA_FOLDER]\n"
                      "Writes the data of the level folders DATA_FOLDER/Levels/start and\n"
                      "DATA_FOLDER/Levels/yard (default: --out demo). The actors use the models\n"
                      "that make_humanoid and make_props write into DATA_FOLDER/Models.\n");
    if (status >= 0) return status;
    for (const level& l : {StartLevel(), YardLevel()})
    {
        if (!WriteLevel(out, l))
        {
            fprintf(stderr, "%s: could not write the level files under %s/%s\n", kTool, out.c_str(),
                    l.folder.c_str());
            return 1;
        }
        printf("Wrote %s/%s: %d level models, %d actors, tint, start, texture list\n", out.c_str(),
               l.folder.c_str(), (int)(l.pieces.size() + l.plainModels.size()), (int)l.actors.size());
    }
    return 0;
}
