// Vector, point and angle arithmetic shared by every floor above (turning points and bones,
// movement, the camera), plus the exact name comparison every lookup uses. Single precision
// values; angles in degrees.
#pragma once

#include <cstdint>

struct vector_type
{
    float x, y, z;
};

struct fpoint
{
    float x, y;
};

// Screen pixels.
struct Point
{
    int32_t x, y;
};

extern const float kPiOver180;
extern const float k180OverPi;

void vector_Set(vector_type* v, float x, float y, float z);
vector_type fastVector_Set(float x, float y, float z);
fpoint SetFPt(float x, float y);

// Turns p about center by angle degrees; a positive angle turns clockwise (x right, y up).
// An angle of exactly 0, or p on center, gives p back unchanged.
fpoint RotatePoint(fpoint p, fpoint center, float angle);

// (x, y, z) turned by -angZ in the x-y plane, angY in the x-z plane, -angX in the y-z plane,
// then moved by the offset.
void vector_RotSet(vector_type* out, float x, float y, float z, float offX, float offY, float offZ, float angX,
                   float angY, float angZ);

// p turned about pivot by ax degrees about x, then ay about y, then az about z (right-handed).
// A point on the pivot comes back unchanged.
vector_type RotateVector(vector_type p, vector_type pivot, float ax, float ay, float az);

// Euler angles (x, y, z degrees, applied in that order) of a turn by angle degrees about the
// axis (x, y, z). A zero axis gives (0, 0, 0).
vector_type GetEularAngles(float angle, float x, float y, float z);

// Brings an angle into -180..180; exactly 180 and -180 come back unchanged.
float GetCorrectDegree(float a);

// Plane angles (x from (d.z, d.y), y from (d.x, d.z), z from (d.x, d.y)) of d = a - b, each in
// -90..270; a equal to b gives a back. An angle whose two members are both zero is 0.
vector_type GetVectorAngles(vector_type a, vector_type b);

vector_type CrossProduct(vector_type u, vector_type v);
// Unit normal of (b - a) x (c - a); the zero vector for a degenerate triangle.
vector_type GetNormalOfTrig(vector_type a, vector_type b, vector_type c);
float squareOf(float x);

// Index of the largest (smallest) of count float arguments; the running best starts at
// -32767 (32767) and only a strictly better value replaces it, so ties keep the first.
int GetHighestFloatIndexOfList(int count, ...);
int GetLowestFloatIndexOfList(int count, ...);

// Snaps value to a multiple of grid: the candidates are trunc(value / grid) steps and one step
// above; ties go to the lower candidate (so -2.9 on a grid of 1 gives -2).
float roundFloatInGridSystem(float value, float grid);

// 1 when both texts have the same length and bytes (case-sensitive), else 0.
int VXR_EqualString(const char* a, const char* b);
// 1 when text begins with tag (an empty tag always matches), else 0.
int IsTag(const char* text, const char* tag);
// Zeroes every character of text up to its terminator.
void KillString(char* text);
// Every from in text becomes to. Null text is ignored.
void ReplaceCharsInString(char* text, char from, char to);
