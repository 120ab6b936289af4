// Messages, HUD text lines and the screen flash: their records, the register references filled
// into their text, and the instructions "message", "hudText" and "flash".
#include "script/screen_text.h"

#include "core/clock.h"
#include "script/decode.h"
#include "script/instruction_checks.h"
#include "script/variables.h"

#include <cmath>
#include <cstdio>
#include <cstring>

screenMessage gScreenMessages[kMessageSlots];
hudTextLine gHudTextLines[kHudTextLines];
screenFlash gScreenFlash;

// A flash's opacity when none is given.
static const float kDefaultFlashOpacity = 0.5f;

void ExpireScreenMessages(uint32_t now)
{
    int kept = 0;
    for (int i = 0; i < kMessageSlots; i++)
    {
        screenMessage& m = gScreenMessages[i];
        if (!m.shown || (uint32_t)(now - m.start) >= m.duration) continue;
        if (kept != i) gScreenMessages[kept] = m;
        kept++;
    }
    for (int i = kept; i < kMessageSlots; i++)
        gScreenMessages[i].shown = 0;
}

void ClearLevelScreenText()
{
    memset(gHudTextLines, 0, sizeof gHudTextLines);
    memset(&gScreenFlash, 0, sizeof gScreenFlash);
}

void ClearAllScreenText()
{
    ClearLevelScreenText();
    memset(gScreenMessages, 0, sizeof gScreenMessages);
}

// ---------------------------------------------------------------------------------------------
// Register references
//
// reference -> '$' kind number       kind: i f b s; number: 1 to 16
//            | "$$"                   a '$'

// At a '$' that starts a reference: its kind and register number, and the text after it.
static int ReadReference(const char* p, char* kind, long* number, const char** after)
{
    if (p[0] != '$' || !p[1] || !strchr("ifbs", p[1]) || p[2] < '0' || p[2] > '9') return 0;
    *kind = p[1];
    const char* q = p + 2;
    if (!VXR_ReadLong(&q, number)) return 0;
    *after = q;
    return 1;
}

int VXR_BadTextRegister(const char* text, long* number)
{
    for (const char* p = text; *p; p++)
    {
        char kind;
        const char* after;
        if (p[0] == '$' && p[1] == '$')
            p++;
        else if (ReadReference(p, &kind, number, &after) && VXR_RegisterIndex(*number) < 0)
            return 1;
    }
    return 0;
}

// A float as a person writes it: at most two decimals, no trailing zeros.
static void FormatReal(double v, char* out, int size)
{
    snprintf(out, size, "%.2f", v);
    char* dot = strchr(out, '.');
    if (!dot) return;
    char* end = out + strlen(out);
    while (end > dot + 1 && end[-1] == '0')
        *--end = 0;
    if (end == dot + 1) *dot = 0;
    if (!strcmp(out, "-0")) snprintf(out, size, "0");
}

void VXR_ExpandScreenText(const char* text, char* out, int size)
{
    if (size <= 0) return;
    int n = 0;
    for (const char* p = text; *p && n < size - 1;)
    {
        char kind;
        long number;
        const char* after;
        char value[64];
        if (p[0] == '$' && p[1] == '$')
        {
            out[n++] = '$';
            p += 2;
            continue;
        }
        if (!ReadReference(p, &kind, &number, &after) || VXR_RegisterIndex(number) < 0)
        {
            out[n++] = *p++;
            continue;
        }
        const int r = VXR_RegisterIndex(number);
        if (kind == 'i')
            snprintf(value, sizeof value, "%d", gScriptVars.i[r]);
        else if (kind == 'b')
            snprintf(value, sizeof value, "%s", gScriptVars.b[r] ? "true" : "false");
        else if (kind == 'f')
            FormatReal(gScriptVars.f[r], value, sizeof value);
        else
            snprintf(value, sizeof value, "%.*s", kScriptStringMax, gScriptVars.s[r]);
        for (const char* v = value; *v && n < size - 1; v++)
            out[n++] = *v;
        p = after;
    }
    out[n] = 0;
}

// ---------------------------------------------------------------------------------------------
// Decoders
//
// The text's register references are checked once, here: a number outside 1 to 16 is a fault.

static int TextReferencesUsable(VXR_DecodedArgs* a)
{
    long bad = 0;
    if (!VXR_BadTextRegister(a->text, &bad)) return 1;
    VXR_DecodeFault(a, kFaultRegister, bad);
    return 0;
}

// "text"[,seconds[,r,g,b]] -> text, real[0] seconds, real[1..3] colour (given bits 0 to 3);
// empty -> form 's': the text in s1 and the time in f1 when the statement runs.
void VXR_DecodeMessage(const char* p, VXR_DecodedArgs* a)
{
    if (!p[0])
    {
        a->form = 's';
        a->ok = 1;
        return;
    }
    if (*p != '"') return;
    VXR_ReadName(&p, a->text, sizeof a->text);
    if (!TextReferencesUsable(a)) return;
    if (*p == ',') VXR_DecodeFields(p + 1, a, 0, 4, 0);
    a->ok = 1;
}

// n[,"text"[,r,g,b]] -> whole[0] the line index 0-7, text, real[1..3] colour.
void VXR_DecodeHudText(const char* p, VXR_DecodedArgs* a)
{
    long n;
    if (!VXR_ReadLong(&p, &n)) return;
    if (n < 1 || n > kHudTextLines)
    {
        VXR_DecodeFault(a, kFaultHudLine, n);
        return;
    }
    a->whole[0] = n - 1;
    if (*p == ',')
    {
        p++;
        if (*p != '"') return;
        VXR_ReadName(&p, a->text, sizeof a->text);
        if (!TextReferencesUsable(a)) return;
        if (*p == ',') VXR_DecodeFields(p + 1, a, 1, 3, 0);
    }
    a->ok = 1;
}

// r,g,b,seconds[,opacity] -> real[0..3] (f1..f4 where not given), whole[0] the opacity in
// thousandths (given bit 4).
void VXR_DecodeFlash(const char* p, VXR_DecodedArgs* a)
{
    p = VXR_DecodeFields(p, a, 0, 4, 0);
    double opacity;
    const char* q = p;
    if ((a->given & 8) && *q && VXR_ReadDouble(&q, &opacity) && !*q)
    {
        a->whole[0] = std::lround(opacity * 1000.0);
        a->given |= 16;
    }
    a->ok = 1;
}

// ---------------------------------------------------------------------------------------------
// Handlers

static float Channel(double v)
{
    if (std::isnan(v)) return 0.0f;
    return v < 0.0 ? 0.0f : v > 1.0 ? 1.0f : (float)v;
}

static void SetColour(float* colour, const VXR_DecodedArgs* a, int first)
{
    for (int i = 0; i < 3; i++)
        colour[i] = (a->given >> (first + i)) & 1 ? Channel(a->real[first + i]) : 1.0f;
}

// A message with no text or a time of 0 or less takes every message off the screen.
void vxrinstr_message(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "message")) return;
    const char* text = a->form == 's' ? gScriptVars.s[0] : a->text;
    double seconds = a->form == 's' ? gScriptVars.f[0] : (a->given & 1) ? a->real[0] : kDefaultMessageSeconds;
    if (!text[0] || !(seconds > 0.0))
    {
        for (screenMessage& m : gScreenMessages)
            m.shown = 0;
        return;
    }
    ExpireScreenMessages(gCurrentTime);
    int slot = 0;
    while (slot < kMessageSlots && gScreenMessages[slot].shown)
        slot++;
    if (slot == kMessageSlots)
    {
        memmove(&gScreenMessages[0], &gScreenMessages[1], sizeof(screenMessage) * (kMessageSlots - 1));
        slot = kMessageSlots - 1;
    }
    screenMessage& m = gScreenMessages[slot];
    VXR_ExpandScreenText(text, m.text, sizeof m.text);
    SetColour(m.colour, a, 1);
    m.start = gCurrentTime;
    m.duration = VXR_SecondsToMs((float)seconds);
    m.shown = 1;
}

void vxrinstr_hudText(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "hudText")) return;
    hudTextLine& line = gHudTextLines[a->whole[0]];
    VXR_ExpandScreenText(a->text, line.text, sizeof line.text);
    SetColour(line.colour, a, 1);
}

void vxrinstr_flash(VXR_DecodedArgs* a)
{
    if (!VXR_Ready(a, "flash")) return;
    for (int i = 0; i < 3; i++)
        gScreenFlash.colour[i] = Channel(VXR_FieldReal(a, i, i));
    gScreenFlash.opacity = (a->given & 16) ? Channel(a->whole[0] / 1000.0) : kDefaultFlashOpacity;
    const double seconds = VXR_FieldReal(a, 3, 3);
    gScreenFlash.start = gCurrentTime;
    gScreenFlash.duration = seconds > 0.0 ? VXR_SecondsToMs((float)seconds) : 0;
}
