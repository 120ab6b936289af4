// Vector, point and angle arithmetic and the small text helpers every name lookup uses.
// Values are single precision (the 3D turns compute in double); angles cross function
// boundaries in degrees.
#include "core/vecmath.h"

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

void ReplaceCharsInString(char* text, char from, char to)
{
    if (!text) return;
    for (; *text; text++)
    {
        if (*text == from) *text = to;
    }
}

// The turns in space below compute in double precision and hand back single-precision results.
static const double kPiDouble = 3.14159265358979323846;
static const double kDegToRad = 0.017453292519943295;
static const double kRadToDeg = 57.29577951308232;

// Rounding can put a ratio a hair outside [-1, 1], where asin has no value.
static double SafeAsin(double v)
{
    if (v > 1.0) v = 1.0;
    if (v < -1.0) v = -1.0;
    return std::asin(v);
}

static double Clamp1(double v)
{
    return v > 1.0 ? 1.0 : (v < -1.0 ? -1.0 : v);
}

// Turns (u, v) within its plane by the given angle in radians: the polar angle of (u, v) comes
// from asin(v / r), mirrored when u < 0, so the result matches the engine's plane turns exactly.
static void TurnInPlane(double* u, double* v, double radians)
{
    double r = std::sqrt(*u * *u + *v * *v);
    if (r == 0.0) return;
    double a = SafeAsin(*v / r);
    if (*u < 0.0) a = kPiDouble - a;
    double t = a + radians;
    *u = r * std::cos(t);
    *v = r * std::sin(t);
}

vector_type RotateVector(vector_type p, vector_type pivot, float ax, float ay, float az)
{
    if (p.x == pivot.x && p.y == pivot.y && p.z == pivot.z) return p;
    double dx = (double)p.x - pivot.x;
    double dy = (double)p.y - pivot.y;
    double dz = (double)p.z - pivot.z;
    // x, then y, then z; the x and y turns run against their angle.
    if (ax != 0.0f) TurnInPlane(&dz, &dy, ax * -kDegToRad);
    if (ay != 0.0f) TurnInPlane(&dx, &dz, ay * -kDegToRad);
    if (az != 0.0f) TurnInPlane(&dx, &dy, az * kDegToRad);
    return fastVector_Set((float)(dx + pivot.x), (float)(dy + pivot.y), (float)(dz + pivot.z));
}

vector_type GetEularAngles(float angle, float x, float y, float z)
{
    double length = std::sqrt((double)x * x + (double)y * y + (double)z * z);
    if (!(length > 0.0) || !std::isfinite(length)) return fastVector_Set(0.0f, 0.0f, 0.0f);
    double ux = x / length, uy = y / length, uz = z / length;
    double a = GetCorrectDegree(angle) * kDegToRad;
    double c = std::cos(a), s = std::sin(a);
    double m00 = ux * ux * (1.0 - c) + c;
    double m10 = ux * uy * (1.0 - c) + uz * s;
    double m11 = uy * uy * (1.0 - c) + c;
    double m12 = uy * uz * (1.0 - c) - ux * s;
    double m20 = ux * uz * (1.0 - c) - uy * s;
    double m21 = uy * uz * (1.0 - c) + ux * s;
    double m22 = uz * uz * (1.0 - c) + c;

    double sy = -m20;
    double d = std::cos(SafeAsin(sy));
    if (d > -0.000001 && d < 0.000001) d = 0.0;
    if (d != 0.0 && m00 / d < 0.0 && sy != 0.0)
    {
        d = -d;
        if (d > -0.000001 && d < 0.000001) d = 0.0;
    }
    double ca, cb, cc, ce;
    if (d != 0.0)
    {
        ca = m22 / d;
        cb = -m21 / d;
        cc = m00 / d;
        ce = -m10 / d;
    }
    else
    {
        ca = 1.0;
        cb = 0.0;
        cc = 1.0;
        ce = 0.0;
    }
    d = Clamp1(d);
    ca = Clamp1(ca);
    cc = Clamp1(cc);
    double ry = std::acos(d);
    if (sy < 0.0) ry = -ry;
    // Pitched straight up or down, the x and z turns fall on one axis and only their sum counts:
    // all of it goes to x, read from the y row, which the y turn leaves alone.
    if (d == 0.0)
        return fastVector_Set((float)(std::atan2(-m12, m11) * kRadToDeg), (float)(ry * kRadToDeg), 0.0f);
    double rx = std::acos(ca);
    if (cb > 0.0) rx = -rx;
    double rz = std::acos(cc);
    if (ce > 0.0) rz = -rz;
    return fastVector_Set((float)(rx * kRadToDeg), (float)(ry * kRadToDeg), (float)(rz * kRadToDeg));
}
