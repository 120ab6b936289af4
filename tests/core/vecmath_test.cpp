// Vector, angle and grid helpers: the awkward values every caller depends on.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "core/vecmath.h"

TEST(VecMath, AnglesWrapPointsTurnNormalsFaceUpAndValuesSnapToTheGrid)
{
    // Both ends of the range are kept; huge, infinite and NaN angles come back in range.
    const float wraps[][2] = {{180, 180},        {-180, -180},  {540, 180},    {-540, -180},
                              {190, -170},       {-190, 170},   {360, 0},      {45.5f, 45.5f},
                              {3600.25f, 0.25f}, {-3780, -180}, {INFINITY, 0}, {NAN, 0}};
    for (const auto& w : wraps)
        EXPECT_EQ(GetCorrectDegree(w[0]), w[1]) << w[0];
    EXPECT_LE(std::fabs(GetCorrectDegree(1e20f)), 180.0f);

    // {x, y, centre x, centre y, degrees, expected x, y}; a point left of its centre takes the
    // pi - beta branch.
    const float turns[][7] = {{1, 0, 0, 0, 90, 0, -1},
                              {-1, 0, 0, 0, 90, 0, 1},
                              {5, 3, 3, 3, 90, 3, 1},
                              {4, 4, 3, 3, -45, 3, 3 + std::sqrt(2.0f)}};
    for (const auto& t : turns)
    {
        fpoint r = RotatePoint(SetFPt(t[0], t[1]), SetFPt(t[2], t[3]), t[4]);
        EXPECT_NEAR(r.x, t[5], 1e-4f);
        EXPECT_NEAR(r.y, t[6], 1e-4f);
    }

    // Turning vectors and the angles between points are pinned where the engine uses them: the
    // player's box, the walls' angles.
    const vector_type o = fastVector_Set(0, 0, 0), q = fastVector_Set(5, 5, 5);
    vector_type up = GetNormalOfTrig(o, fastVector_Set(0, 0, 2), fastVector_Set(2, 0, 0)),
                line = GetNormalOfTrig(o, fastVector_Set(1, 1, 1), fastVector_Set(3, 3, 3)),
                point = GetNormalOfTrig(q, q, q);
    EXPECT_TRUE(up.x == 0 && up.y == 1 && up.z == 0 && line.x == 0 && line.y == 0 && line.z == 0 &&
                point.x == 0 && point.y == 0 && point.z == 0);

    // {value, grid, expected}. Negative values pick between the step toward zero and the one above
    // it; quotients within half a millionth of a whole number count as that number; huge quotients
    // fit the text buffer; a zero grid leaves the value alone.
    const float cases[][3] = {
        {2.5f, 1, 2},   {2.6f, 1, 3},  {5, 1, 5},          {-2.9f, 1, -2},        {-2.5f, 1, -2},
        {-1.2f, 1, -1}, {-0.4f, 1, 0}, {-7, 2, -6},        {-0.99999994f, 1, -1}, {-3.9999998f, 1, -4},
        {7.5f, 5, 5},   {7.6f, 5, 10}, {1.3f, 0.5f, 1.5f}, {FLT_MAX, 1, FLT_MAX}, {-FLT_MAX, 1, -FLT_MAX},
        {4.2f, 0, 4.2f}};
    for (const auto& c : cases)
        EXPECT_EQ(roundFloatInGridSystem(c[0], c[1]), c[2]) << c[0] << " on " << c[1];
    EXPECT_NEAR(roundFloatInGridSystem(0.31f, 0.1f), 0.3f, 1e-6f);
}
