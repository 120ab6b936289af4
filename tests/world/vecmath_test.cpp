// Vector, angle, grid and text helpers: the awkward values every caller depends on.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>

#include "world/vecmath.h"

static const float kTol = 1e-4f;

static void ExpectVec(vector_type v, float x, float y, float z)
{
    EXPECT_NEAR(v.x, x, kTol);
    EXPECT_NEAR(v.y, y, kTol);
    EXPECT_NEAR(v.z, z, kTol);
}

TEST(VecMath, CorrectDegreeWrapsIntoRangeKeepingBothEnds)
{
    EXPECT_EQ(GetCorrectDegree(180.0f), 180.0f);
    EXPECT_EQ(GetCorrectDegree(-180.0f), -180.0f);
    EXPECT_EQ(GetCorrectDegree(540.0f), 180.0f);
    EXPECT_EQ(GetCorrectDegree(-540.0f), -180.0f);
    EXPECT_EQ(GetCorrectDegree(190.0f), -170.0f);
    EXPECT_EQ(GetCorrectDegree(-190.0f), 170.0f);
    EXPECT_EQ(GetCorrectDegree(360.0f), 0.0f);
    EXPECT_EQ(GetCorrectDegree(45.5f), 45.5f);
    EXPECT_EQ(GetCorrectDegree(3600.25f), 0.25f);
    EXPECT_EQ(GetCorrectDegree(-3780.0f), -180.0f);
    // Huge and infinite angles must come back, and in range.
    float huge = GetCorrectDegree(1e20f);
    EXPECT_TRUE(huge >= -180.0f && huge <= 180.0f);
    EXPECT_EQ(GetCorrectDegree(INFINITY), 0.0f);
    EXPECT_EQ(GetCorrectDegree(NAN), 0.0f);
}

TEST(VecMath, RotatePointTurnsClockwise)
{
    fpoint r = RotatePoint(SetFPt(1, 0), SetFPt(0, 0), 90);
    EXPECT_NEAR(r.x, 0.0f, kTol);
    EXPECT_NEAR(r.y, -1.0f, kTol);

    // A point left of its centre takes the pi - beta branch.
    r = RotatePoint(SetFPt(-1, 0), SetFPt(0, 0), 90);
    EXPECT_NEAR(r.x, 0.0f, kTol);
    EXPECT_NEAR(r.y, 1.0f, kTol);

    r = RotatePoint(SetFPt(5, 3), SetFPt(3, 3), 90);
    EXPECT_NEAR(r.x, 3.0f, kTol);
    EXPECT_NEAR(r.y, 1.0f, kTol);

    r = RotatePoint(SetFPt(4, 4), SetFPt(3, 3), -45);
    EXPECT_NEAR(r.x, 3.0f, kTol);
    EXPECT_NEAR(r.y, 3.0f + std::sqrt(2.0f), kTol);

    // By 0, or on its centre, the point is returned bit for bit.
    fpoint p = SetFPt(0.1f, -7.3f);
    r = RotatePoint(p, SetFPt(2, 2), 0);
    EXPECT_EQ(r.x, p.x);
    EXPECT_EQ(r.y, p.y);
    r = RotatePoint(p, p, 33);
    EXPECT_EQ(r.x, p.x);
    EXPECT_EQ(r.y, p.y);
}

TEST(VecMath, RotSetAxisConventions)
{
    vector_type v;
    vector_RotSet(&v, 1, 0, 0, 0, 0, 0, 0, 0, 90); // about z: x turns towards +y
    ExpectVec(v, 0, 1, 0);
    vector_RotSet(&v, 1, 0, 0, 0, 0, 0, 0, 90, 0); // about y: x turns towards -z
    ExpectVec(v, 0, 0, -1);
    vector_RotSet(&v, 0, 1, 0, 0, 0, 0, 90, 0, 0); // about x: y turns towards +z
    ExpectVec(v, 0, 0, 1);
    vector_RotSet(&v, 0, 0, -1, 0, 0, 0, 0, 90, 0); // the view direction turns towards -x
    ExpectVec(v, -1, 0, 0);

    // The offset is added after turning; order is z, then y, then x.
    vector_RotSet(&v, 1, 0, 0, 10, 20, 30, 90, 90, 90);
    // z: (1,0,0)->(0,1,0); y: x-z plane unchanged (0,1,0); x: y->+z -> (0,0,1).
    ExpectVec(v, 10, 20, 31);
    vector_RotSet(&v, 2, 3, 4, 1, 1, 1, 0, 0, 0);
    ExpectVec(v, 3, 4, 5);
}

TEST(VecMath, VectorAnglesOfGroundDirections)
{
    vector_type o = fastVector_Set(0, 0, 0);
    ExpectVec(GetVectorAngles(fastVector_Set(1, 0, 0), o), 0, 0, 0);
    ExpectVec(GetVectorAngles(fastVector_Set(0, 0, 1), o), 0, 90, 0);
    ExpectVec(GetVectorAngles(fastVector_Set(-1, 0, 0), o), 0, 180, 180);
    ExpectVec(GetVectorAngles(fastVector_Set(0, 0, -1), o), 180, -90, 0);
    ExpectVec(GetVectorAngles(fastVector_Set(3, 0, 3), o), 0, 45, 0);

    // The direction is from b to a, not from a to b.
    ExpectVec(GetVectorAngles(o, fastVector_Set(0, 0, 1)), 180, -90, 0);

    // Straight up: the y angle has nothing to measure and reads 0.
    ExpectVec(GetVectorAngles(fastVector_Set(2, 5, 7), fastVector_Set(2, 3, 7)), 90, 0, 90);
    ExpectVec(GetVectorAngles(fastVector_Set(2, 1, 7), fastVector_Set(2, 3, 7)), -90, 0, -90);

    // Equal points give the point itself.
    ExpectVec(GetVectorAngles(fastVector_Set(4, -5, 6), fastVector_Set(4, -5, 6)), 4, -5, 6);
}

TEST(VecMath, CrossProductAndNormals)
{
    ExpectVec(CrossProduct(fastVector_Set(1, 0, 0), fastVector_Set(0, 1, 0)), 0, 0, 1);
    ExpectVec(CrossProduct(fastVector_Set(2, 3, 4), fastVector_Set(5, 6, 7)), -3, 6, -3);

    // A floor triangle wound counter-clockwise seen from above faces up.
    ExpectVec(GetNormalOfTrig(fastVector_Set(0, 0, 0), fastVector_Set(0, 0, 2), fastVector_Set(2, 0, 0)), 0,
              1, 0);
    ExpectVec(GetNormalOfTrig(fastVector_Set(1, 1, 1), fastVector_Set(1, 4, 1), fastVector_Set(1, 1, 9)), 1,
              0, 0);

    vector_type n =
        GetNormalOfTrig(fastVector_Set(0, 0, 0), fastVector_Set(1, 1, 1), fastVector_Set(3, 3, 3));
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_EQ(n.z, 0.0f);
    n = GetNormalOfTrig(fastVector_Set(5, 5, 5), fastVector_Set(5, 5, 5), fastVector_Set(5, 5, 5));
    EXPECT_EQ(n.x, 0.0f);
    EXPECT_FALSE(std::isnan(n.y) || std::isnan(n.z));

    EXPECT_EQ(squareOf(-3.0f), 9.0f);
}

TEST(VecMath, IndexOfHighestAndLowest)
{
    EXPECT_EQ(GetHighestFloatIndexOfList(4, 1.0, 7.5, 3.0, 7.5), 1);
    EXPECT_EQ(GetLowestFloatIndexOfList(4, 4.0, -2.0, 3.0, -2.0), 1);
    // Floats promoted to double work the same.
    float a = 0.5f, b = 0.25f, c = 0.75f;
    EXPECT_EQ(GetHighestFloatIndexOfList(3, a, b, c), 2);
    EXPECT_EQ(GetLowestFloatIndexOfList(3, a, b, c), 1);
    // Values are compared as floats: these two doubles round to the same float, a tie.
    EXPECT_EQ(GetHighestFloatIndexOfList(2, 1.0, 1.00000001), 0);
    // Nothing beats the start value: index 0.
    EXPECT_EQ(GetHighestFloatIndexOfList(3, -40000.0, -32767.0, -50000.0), 0);
    EXPECT_EQ(GetLowestFloatIndexOfList(3, 40000.0, 32767.0, 50000.0), 0);
    EXPECT_EQ(GetHighestFloatIndexOfList(3, -40000.0, -50000.0, -32766.0), 2);
    EXPECT_EQ(GetHighestFloatIndexOfList(0), 0);
}

TEST(VecMath, GridSnapping)
{
    EXPECT_EQ(roundFloatInGridSystem(2.5f, 1), 2.0f);
    EXPECT_EQ(roundFloatInGridSystem(2.6f, 1), 3.0f);
    EXPECT_EQ(roundFloatInGridSystem(2.4f, 1), 2.0f);
    EXPECT_EQ(roundFloatInGridSystem(5.0f, 1), 5.0f);

    // Negative values pick between the step toward zero and the one above it.
    EXPECT_EQ(roundFloatInGridSystem(-2.9f, 1), -2.0f);
    EXPECT_EQ(roundFloatInGridSystem(-2.5f, 1), -2.0f);
    EXPECT_EQ(roundFloatInGridSystem(-1.2f, 1), -1.0f);
    EXPECT_EQ(roundFloatInGridSystem(-0.4f, 1), 0.0f);
    EXPECT_EQ(roundFloatInGridSystem(-7.0f, 2), -6.0f);

    // Quotients within half a millionth of a whole number count as that number.
    EXPECT_EQ(roundFloatInGridSystem(-0.99999994f, 1), -1.0f);
    EXPECT_EQ(roundFloatInGridSystem(-3.9999998f, 1), -4.0f);

    EXPECT_EQ(roundFloatInGridSystem(7.4f, 5), 5.0f);
    EXPECT_EQ(roundFloatInGridSystem(7.5f, 5), 5.0f);
    EXPECT_EQ(roundFloatInGridSystem(7.6f, 5), 10.0f);
    EXPECT_EQ(roundFloatInGridSystem(1.3f, 0.5f), 1.5f);
    EXPECT_NEAR(roundFloatInGridSystem(0.31f, 0.1f), 0.3f, 1e-6f);

    // Huge quotients fit the text buffer; a zero grid leaves the value alone.
    EXPECT_EQ(roundFloatInGridSystem(FLT_MAX, 1), FLT_MAX);
    EXPECT_EQ(roundFloatInGridSystem(-FLT_MAX, 1), -FLT_MAX);
    EXPECT_EQ(roundFloatInGridSystem(4.2f, 0), 4.2f);
}

TEST(VecMath, TextHelpers)
{
    EXPECT_EQ(VXR_EqualString("Stand", "Stand"), 1);
    EXPECT_EQ(VXR_EqualString("Stand", "stand"), 0);
    EXPECT_EQ(VXR_EqualString("Stand", "Standing"), 0);
    EXPECT_EQ(VXR_EqualString("Standing", "Stand"), 0);
    EXPECT_EQ(VXR_EqualString("", ""), 1);
    EXPECT_EQ(VXR_EqualString(nullptr, "a"), 0);
    EXPECT_EQ(VXR_EqualString("a", nullptr), 0);

    EXPECT_EQ(IsTag("Killed2", "Killed"), 1);
    EXPECT_EQ(IsTag("Killed", "Killed2"), 0);
    EXPECT_EQ(IsTag("killed", "Killed"), 0);
    EXPECT_EQ(IsTag("anything", ""), 1);
    EXPECT_EQ(IsTag("", ""), 1);
    EXPECT_EQ(IsTag(nullptr, "x"), 0);

    char text[12] = "walk";
    text[6] = 'Q'; // beyond the terminator: left alone
    KillString(text);
    for (int i = 0; i < 5; i++)
        EXPECT_EQ(text[i], 0);
    EXPECT_EQ(text[6], 'Q');
    KillString(nullptr);
}
