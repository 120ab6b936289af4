// make_props: writes the demo's props and heads-up models into DATA_FOLDER/Models (a crate the
// level editor drops, a door, a fire, the gun, the cross-hair and the health bar), their
// textures, the fire's animated frames under DATA_FOLDER/Animations with the animation list,
// and lists the crate in the precache file. Run from the source tree: build/make_props --out demo
#include "tools/tool_support.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace
{

const char* const kTool = "make_props";
const char* const kRerun = "make_props --out demo";
const int kFireFrames = 8;
const int kFireFrameMs = 80;

meshMaterial Plain(const char* name, int r, int g, int b)
{
    meshMaterial m;
    m.name = name;
    m.red = r;
    m.green = g;
    m.blue = b;
    m.kind = 0;
    return m;
}

meshMaterial Textured(const char* name)
{
    meshMaterial m;
    m.name = name;
    return m;
}

// Planks running across, darker seams and a diagonal brace: the crate's and the door's wood.
picture Planks(int r, int g, int b, bool brace)
{
    picture p(64, 64);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            int shade = Grain(x / 4, y) + ((y / 16) % 2 ? 8 : -4);
            if (y % 16 == 0 || y % 16 == 15) shade -= 45;
            if (x < 4 || x > 59 || y < 4 || y > 59) shade -= 25;
            if (brace && std::abs(x - y) < 4) shade += 20;
            p.Set(x, y, r + shade, g + shade, b + shade);
        }
    return p;
}

// Brushed metal: fine streaks along the picture.
picture Metal(int r, int g, int b)
{
    picture p(32, 32);
    for (int y = 0; y < 32; y++)
        for (int x = 0; x < 32; x++)
        {
            const int n = Grain(x / 8, y) + Grain(x, y) / 3;
            p.Set(x, y, r + n, g + n, b + n);
        }
    return p;
}

// One frame of the fire: flame tongues that flicker with the frame number, white-yellow at the
// core fading through orange to black. The frames have no alpha channel: the engine takes
// alpha from the brightness, so the black around the flames is clear.
picture FireFrame(int frame)
{
    picture p(64, 64);
    const float kTwoPi = 6.2831853f;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++)
        {
            const float up = 1.0f - y / 63.0f; // 0 at the bottom row, 1 at the top
            const float across = (x - 31.5f) / 32.0f;
            const float sway = 0.12f * std::sin(kTwoPi * (up * 1.5f + frame / (float)kFireFrames));
            const float width = 0.75f * (1.0f - up) + 0.05f;
            float heat = 1.0f - std::fabs(across - sway * up) / width;
            heat *= 1.0f - up * 0.9f;
            heat += (Grain(x + frame * 7, y / 2 + frame * 3) / 8.0f) * 0.12f;
            if (heat <= 0.0f) continue;
            const float h = std::fmin(1.0f, heat * 1.6f);
            p.Set(x, y, (int)(255 * std::fmin(1.0f, h * 1.4f)), (int)(255 * h * h),
                  (int)(180 * h * h * h * h));
        }
    return p;
}

int WriteFireAnimation(const std::string& out)
{
    const std::string folder = out + "/Animations/fire";
    if (!MakeFolder(folder, kTool)) return 0;
    int ok = WriteText(out + "/Animations/winlist.txt", "1 \"Animations/fire\",\"Animations/fire\"\n") &&
             WriteText(folder + "/info.txt",
                       std::to_string(kFireFrames) + "\n" + std::to_string(kFireFrameMs) + "\nfire\n");
    for (int i = 1; ok && i <= kFireFrames; i++)
    {
        char name[32];
        snprintf(name, sizeof name, "/fire %02d.png", i);
        ok = WritePng(folder + name, FireFrame(i - 1));
    }
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    std::string out = "demo";
    const int status =
        ReadOutOption(argc, argv, &out,
                      "usage: make_props [--out DATA_FOLDER]\n"
                      "Writes the props, the heads-up models and the fire animation of the demo\n"
                      "into DATA_FOLDER/Models and DATA_FOLDER/Animations (default: --out demo).\n");
    if (status >= 0) return status;
    const std::string models = out + "/Models/";
    if (!MakeFolder(models, kTool)) return 1;

    // The crate: a one-unit box standing on its origin, one picture on every face.
    meshModel crate{"crate", {}, {Textured("Wood")}};
    AddBox(&crate, 0, {-0.5f, 0, -0.5f}, {0.5f, 1, 0.5f}, 0, true);

    // The door fills a 2 x 2.5 opening; the level script lifts it out of the way.
    meshModel door{"door", {}, {Textured("Planks")}};
    AddBox(&door, 0, {-1, 0, -0.1f}, {1, 2.5f, 0.1f}, 0, true);

    // The fire: two crossed upright quads, each faced both ways, drawn blended.
    meshModel fire{"fire", {}, {Textured("Flames")}};
    fire.materials[0].blended = 1;
    AddQuad(&fire, 0, {-0.5f, 0, 0}, {0.5f, 0, 0}, {0.5f, 1.2f, 0}, {-0.5f, 1.2f, 0}, 0);
    AddQuad(&fire, 0, {0.5f, 0, 0}, {-0.5f, 0, 0}, {-0.5f, 1.2f, 0}, {0.5f, 1.2f, 0}, 0);
    AddQuad(&fire, 0, {0, 0, 0.5f}, {0, 0, -0.5f}, {0, 1.2f, -0.5f}, {0, 1.2f, 0.5f}, 0);
    AddQuad(&fire, 0, {0, 0, -0.5f}, {0, 0, 0.5f}, {0, 1.2f, 0.5f}, {0, 1.2f, -0.5f}, 0);

    // Heads-up models are placed relative to the eye, which looks along -z: the gun's barrel
    // points that way from the lower right of the view.
    meshModel gun{"gun", {}, {Textured("Barrel"), Textured("Body"), Textured("Grip")}};
    AddBox(&gun, 0, {-0.022f, -0.005f, -0.42f}, {0.022f, 0.035f, -0.08f}, 0, true);
    AddBox(&gun, 1, {-0.035f, -0.04f, -0.1f}, {0.035f, 0.05f, 0.12f}, 0, true);
    AddBox(&gun, 2, {-0.028f, -0.2f, 0.03f}, {0.028f, -0.04f, 0.1f}, 0, true);

    // The cross-hair marks where shots go (the middle of the view with the mouse view on).
    meshModel cross{"crosshair", {}, {Plain("Mark", 65535, 65535, 52000)}};
    AddQuad(&cross, 0, {-0.014f, -0.0015f, 0}, {0.014f, -0.0015f, 0}, {0.014f, 0.0015f, 0},
            {-0.014f, 0.0015f, 0}, 0);
    AddQuad(&cross, 0, {-0.0015f, -0.014f, 0}, {0.0015f, -0.014f, 0}, {0.0015f, 0.014f, 0},
            {-0.0015f, 0.014f, 0}, 0);

    // The health bar grows from its left end, so a script's "size" shortens it towards the left.
    meshModel bar{"healthbar", {}, {Plain("Health", 12000, 60000, 15000)}};
    AddBox(&bar, 0, {0, 0, -0.004f}, {0.32f, 0.028f, 0.004f}, 0, false);

    int ok = 1;
    for (const meshModel* m : {&crate, &door, &fire, &gun, &cross, &bar})
        ok = ok && WriteMeshModel(models + m->name, *m, kTool, kRerun);
    ok = ok && WritePng(models + "crate0.png", Planks(150, 105, 55, true)) &&
         WritePng(models + "gun0.png", Metal(95, 97, 105)) &&
         WritePng(models + "gun1.png", Metal(150, 150, 158)) &&
         WritePng(models + "gun2.png", Planks(120, 75, 40, false)) &&
         WritePng(models + "door0.png", Planks(110, 70, 40, false)) &&
         WritePng(models + "fire0.png", FireFrame(0)) && WriteFireAnimation(out) &&
         ListInCache(out + "/cache", "crate");
    if (!ok)
    {
        fprintf(stderr, "%s: could not write the props under %s\n", kTool, out.c_str());
        return 1;
    }
    printf("Wrote the crate, door, fire, gun, crosshair and healthbar models under %s, and %d fire frames "
           "under %s/Animations\n",
           models.c_str(), kFireFrames, out.c_str());
    return 0;
}
