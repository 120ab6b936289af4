// Vector, point and angle arithmetic and the small text helpers every name lookup uses.
// Everything is single precision; angles cross function boundaries in degrees.
#include "world/vecmath.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const float kPiOver180 = 0.017453292519943295f;
const float k180OverPi = 57.29577951308232f;

static const float kPi = 3.14159265358979323846f;

void vector_Set(vector_type* v, float x, float y, float z)
{
    if (!v) return;
    v->x = x;
    v->y = y;
    v->z = z;
}

vector_type fastVector_Set(float x, float y, float z)
{
    vector_type v;
    v.x = x;
    v.y = y;
    v.z = z;
    return v;
}

fpoint SetFPt(float x, float y)
{
    fpoint p;
    p.x = x;
    p.y = y;
    return p;
}

// Polar angle in radians (-pi/2 .. 3pi/2) of (u, v) whose length r is not zero. The clamp keeps
// asin defined should the ratio ever round past 1.
static float PolarAngle(float u, float v, float r)
{
    float s = v / r;
    if (s > 1.0f)
        s = 1.0f;
    else if (s < -1.0f)
        s = -1.0f;
    float beta = std::asin(s);
    if (u < 0.0f) beta = kPi - beta;
    return beta;
}

fpoint RotatePoint(fpoint p, fpoint center, float angle)
{
    if (angle == 0.0f) return p;
    float dx = p.x - center.x;
    float dy = p.y - center.y;
    float r = std::sqrt(dx * dx + dy * dy);
    if (r == 0.0f) return p;
    float phi = PolarAngle(dx, dy, r) - angle * kPiOver180;
    return SetFPt(center.x + r * std::cos(phi), center.y + r * std::sin(phi));
}

void vector_RotSet(vector_type* out, float x, float y, float z, float offX, float offY, float offZ,
                   float angX, float angY, float angZ)
{
    if (!out) return;
    const fpoint origin = SetFPt(0.0f, 0.0f);
    fpoint xy = RotatePoint(SetFPt(x, y), origin, -angZ);
    fpoint xz = RotatePoint(SetFPt(xy.x, z), origin, angY);
    fpoint yz = RotatePoint(SetFPt(xy.y, xz.y), origin, -angX);
    vector_Set(out, xz.x + offX, yz.x + offY, yz.y + offZ);
}

float GetCorrectDegree(float a)
{
    // An infinite angle would never leave the loops below, and a NaN one would spread into the
    // camera; neither has a direction, so both read as 0.
    if (!std::isfinite(a)) return 0.0f;
    // Stepping by 360 is exact below 2^27 but stalls on huge values; the remainder is exact too,
    // so reducing first gives the same answer without thousands of steps.
    if (a > 720.0f || a < -720.0f) a = std::fmod(a, 360.0f);
    while (a > 180.0f)
        a -= 360.0f;
    while (a < -180.0f)
        a += 360.0f;
    return a;
}

// Angle in degrees of the direction (u, v) within one plane; 0 when both are zero.
static float PlaneAngle(float u, float v)
{
    float r = std::sqrt(u * u + v * v);
    if (r == 0.0f) return 0.0f;
    return PolarAngle(u, v, r) * k180OverPi;
}

vector_type GetVectorAngles(vector_type a, vector_type b)
{
    if (a.x == b.x && a.y == b.y && a.z == b.z) return a;
    vector_type d = fastVector_Set(a.x - b.x, a.y - b.y, a.z - b.z);
    return fastVector_Set(PlaneAngle(d.z, d.y), PlaneAngle(d.x, d.z), PlaneAngle(d.x, d.y));
}

vector_type CrossProduct(vector_type u, vector_type v)
{
    return fastVector_Set(u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x);
}

vector_type GetNormalOfTrig(vector_type a, vector_type b, vector_type c)
{
    vector_type n = CrossProduct(fastVector_Set(b.x - a.x, b.y - a.y, b.z - a.z),
                                 fastVector_Set(c.x - a.x, c.y - a.y, c.z - a.z));
    float len = std::sqrt(n.x * n.x + n.y * n.y + n.z * n.z);
    if (len == 0.0f) return fastVector_Set(0.0f, 0.0f, 0.0f);
    return fastVector_Set(n.x / len, n.y / len, n.z / len);
}

float squareOf(float x)
{
    return x * x;
}

int GetHighestFloatIndexOfList(int count, ...)
{
    va_list args;
    va_start(args, count);
    float best = -32767.0f;
    int index = 0;
    for (int i = 0; i < count; i++)
    {
        float v = (float)va_arg(args, double);
        if (v > best)
        {
            best = v;
            index = i;
        }
    }
    va_end(args);
    return index;
}

int GetLowestFloatIndexOfList(int count, ...)
{
    va_list args;
    va_start(args, count);
    float best = 32767.0f;
    int index = 0;
    for (int i = 0; i < count; i++)
    {
        float v = (float)va_arg(args, double);
        if (v < best)
        {
            best = v;
            index = i;
        }
    }
    va_end(args);
    return index;
}

float roundFloatInGridSystem(float value, float grid)
{
    float q = value / grid;
    // A zero grid has no multiples to snap to; leave the value where it is.
    if (grid == 0.0f || !std::isfinite(q)) return value;
    // The step count is q printed with six decimals and cut at the decimal point, so a quotient
    // within half a millionth of a whole number counts as that number (-0.9999999 gives -1).
    // The largest float prints as 39 digits plus sign and decimals: 64 bytes is room enough.
    char text[64];
    snprintf(text, sizeof(text), "%f", (double)q);
    for (char* c = text; *c; c++)
    {
        if (*c != '-' && (*c < '0' || *c > '9'))
        {
            *c = 0;
            break;
        }
    }
    float t = (float)strtod(text, nullptr);
    float low = t * grid;
    float high = (t + 1.0f) * grid;
    if (std::fabs(value - low) <= std::fabs(value - high)) return low;
    return high;
}

int VXR_EqualString(const char* a, const char* b)
{
    if (!a || !b) return 0;
    return strcmp(a, b) == 0 ? 1 : 0;
}

int IsTag(const char* text, const char* tag)
{
    if (!text || !tag) return 0;
    return strncmp(text, tag, strlen(tag)) == 0 ? 1 : 0;
}

void KillString(char* text)
{
    if (!text) return;
    memset(text, 0, strlen(text));
}
