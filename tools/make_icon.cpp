// Content tool: the program's icon for desktop menus, a 256 x 256 picture of the demo's world in
// a square (a brick wall over a chequered floor, seen through a cross-hair), written as PNG.
// make_icon --out FILE   (packaging/kesrow.png is written by it; the install puts it where
// desktops look for application icons)
#include "tools/tool_support.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace
{

const int kSide = 256;

// The rounded square every icon theme expects, with a one-pixel soft edge.
float Inside(int x, int y)
{
    const float r = 40.0f, half = kSide / 2.0f - 8.0f;
    float dx = std::fabs(x + 0.5f - kSide / 2.0f) - (half - r);
    float dy = std::fabs(y + 0.5f - kSide / 2.0f) - (half - r);
    float outside = std::sqrt(std::fmax(dx, 0.0f) * std::fmax(dx, 0.0f) + std::fmax(dy, 0.0f) * std::fmax(dy, 0.0f)) +
                    std::fmin(std::fmax(dx, dy), 0.0f) - r;
    return std::fmin(1.0f, std::fmax(0.0f, 0.5f - outside));
}

void Paint(picture* p)
{
    const int horizon = 150;
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++)
        {
            int r, g, b;
            if (y < horizon)
            {
                // Bricks 32 x 16 with pale mortar, every other row shifted by half a brick.
                int row = y / 16, shift = (row % 2) * 16;
                bool mortar = y % 16 < 2 || (x + shift) % 32 < 2;
                r = mortar ? 200 : 150 + Grain(x, y) * 2;
                g = mortar ? 190 : 58 + Grain(y, x);
                b = mortar ? 170 : 44 + Grain(x + y, x);
            }
            else
            {
                // A floor of dark and light tiles running away from the eye: a row y below the
                // horizon lies at distance k / (y - horizon), and x spreads with the distance.
                float distance = 900.0f / (y - horizon + 6.0f);
                float across = (x - kSide / 2.0f) * distance / 320.0f;
                int u = (int)std::floor(across / 8.0f + 0.5f);
                int v = (int)std::floor(distance / 8.0f);
                bool light = (u + v) % 2 == 0;
                int shade = light ? 120 : 70;
                r = g = b = shade + Grain(x, y);
            }
            // The cross-hair in the middle, pale yellow as in the game.
            int cx = x - kSide / 2, cy = y - kSide / 2 + 20;
            if ((std::abs(cx) < 3 && std::abs(cy) < 40 && std::abs(cy) > 10) ||
                (std::abs(cy) < 3 && std::abs(cx) < 40 && std::abs(cx) > 10))
                r = 255, g = 240, b = 150;
            const int alpha = (int)std::lround(255.0f * Inside(x, y));
            p->Set(x, y, r, g, b, alpha);
        }
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || strcmp(argv[1], "--out") != 0)
    {
        fprintf(stderr, "usage: make_icon --out FILE\n");
        return 2;
    }
    picture icon(kSide, kSide, true);
    Paint(&icon);
    if (!WritePng(argv[2], icon))
    {
        fprintf(stderr, "make_icon: could not write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
