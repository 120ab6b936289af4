// The flat layer over the frame: text from the font texture in window pixels, the screen flash,
// HUD text lines, messages, problem notices and the console. Drawn after the heads-up actors, so
// nothing of the world or the HUD covers it.
#include "app/overlay.h"

#include "app/console.h"
#include "app/blend_modes.h"
#include "core/clock.h"
#include "resources/font.h"
#include "script/screen_text.h"

#include <GL/gl.h>

#include <cmath>
#include <cstring>

namespace
{

GLuint gFontTexture = 0;
int gFontTried = 0;
float gCellAspect = 0.5f;

void UseFont()
{
    if (!gFontTried)
    {
        gFontTried = 1;
        gFontTexture = LoadFontTexture(&gCellAspect);
    }
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, gFontTexture);
}

void Rectangle(float x0, float y0, float x1, float y1, float r, float g, float b, float a)
{
    glDisable(GL_TEXTURE_2D);
    glColor4f(r, g, b, a);
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

// The characters of text, each a cell-sized quad; a byte the font has no glyph for is a box.
void Glyphs(float x, float y, float height, const char* text, int count)
{
    const float width = height * gCellAspect;
    glBegin(GL_QUADS);
    for (int i = 0; i < count && text[i]; i++, x += width)
    {
        const unsigned char c = (unsigned char)text[i];
        if (c == ' ') continue;
        const int cell = FontHasGlyph(c) ? c : kFontMissingGlyph;
        const float u0 = (float)(cell % kFontColumns) / kFontColumns,
                    v0 = (float)(cell / kFontColumns) / kFontRows;
        const float u1 = u0 + 1.0f / kFontColumns, v1 = v0 + 1.0f / kFontRows;
        glTexCoord2f(u0, v0);
        glVertex2f(x, y);
        glTexCoord2f(u1, v0);
        glVertex2f(x + width, y);
        glTexCoord2f(u1, v1);
        glVertex2f(x + width, y + height);
        glTexCoord2f(u0, v1);
        glVertex2f(x, y + height);
    }
    glEnd();
}

void TextPart(float x, float y, float height, const char* text, int count, float r, float g, float b, float a)
{
    UseFont();
    // Without a font texture (it could not be made, and said so) quads would be blank boxes.
    if (!gFontTexture) return;
    const float shadow = height / 14.0f < 1.0f ? 1.0f : height / 14.0f;
    glColor4f(0.0f, 0.0f, 0.0f, 0.8f * a);
    Glyphs(x + shadow, y + shadow, height, text, count);
    glColor4f(r, g, b, a);
    Glyphs(x, y, height, text, count);
}

// A height at which text fits into width, at most `height`.
float Fitted(const char* text, float height, float width)
{
    const float needed = TextWidth(text, height);
    return needed > width && needed > 0.0f ? height * width / needed : height;
}

void DrawFlash(int w, int h)
{
    const screenFlash& f = gScreenFlash;
    if (!f.duration) return;
    const uint32_t gone = gCurrentTime - f.start;
    if (gone >= f.duration) return;
    const float left = 1.0f - (float)gone / (float)f.duration;
    Rectangle(0, 0, (float)w, (float)h, f.colour[0], f.colour[1], f.colour[2], f.opacity * left);
}

// Lines 1 to 4 at the top left, 5 to 8 at the top right, below the notices' band when it is there.
void DrawHudText(int w, int h, float top)
{
    const float height = HudTextHeight(h), margin = height * 0.6f;
    for (int i = 0; i < kHudTextLines; i++)
    {
        const hudTextLine& line = gHudTextLines[i];
        if (!line.text[0]) continue;
        const float size = Fitted(line.text, height, w * 0.48f);
        const float y = top + margin + (i % 4) * height * 1.2f;
        const float x = i < 4 ? margin : w - margin - TextWidth(line.text, size);
        DrawText(x, y, size, line.text, line.colour[0], line.colour[1], line.colour[2], 1.0f);
    }
}

// Messages centred above the cross-hair, the oldest on top; each fades in its last half second.
void DrawMessages(int w, int h)
{
    int shown = 0;
    for (const screenMessage& m : gScreenMessages)
        shown += m.shown && (uint32_t)(gCurrentTime - m.start) < m.duration;
    if (!shown) return;
    const float height = MessageHeight(h), step = height * 1.25f;
    float y = h * 0.42f - shown * step;
    if (y < height) y = height;
    for (const screenMessage& m : gScreenMessages)
    {
        const uint32_t gone = gCurrentTime - m.start;
        if (!m.shown || gone >= m.duration) continue;
        const uint32_t left = m.duration - gone;
        const float a = left < 500 ? left / 500.0f : 1.0f;
        const float size = Fitted(m.text, height, w * 0.94f);
        DrawText((w - TextWidth(m.text, size)) * 0.5f, y + (height - size) * 0.5f, size, m.text, m.colour[0],
                 m.colour[1], m.colour[2], a);
        y += step;
    }
}

// Problem lines in a band at the top of the screen; returns the band's height (0: none).
float DrawNotices(int w, int h)
{
    const char* texts[kNotices];
    const int n = ConsoleNotices(gCurrentTime, texts, kNotices);
    if (!n) return 0.0f;
    const float height = HudTextHeight(h) * 0.8f, margin = height * 0.4f;
    const float band = margin * 2 + n * height * 1.15f;
    Rectangle(0, 0, (float)w, band, 0.0f, 0.0f, 0.0f, 0.6f);
    for (int i = 0; i < n; i++)
        DrawText(margin, margin + i * height * 1.15f, Fitted(texts[i], height, w - 2 * margin), texts[i],
                 1.0f, 0.8f, 0.35f, 1.0f);
    return band;
}

// The console over the upper half: the scroll-back, long lines wrapped, above the typed line.
void DrawConsole(int w, int h)
{
    const float height = ConsoleTextHeight(h), margin = height * 0.5f, step = height * 1.15f;
    const float bottom = h * 0.55f;
    Rectangle(0, 0, (float)w, bottom, 0.02f, 0.03f, 0.06f, 0.88f);
    Rectangle(0, bottom - 2.0f, (float)w, bottom, 0.9f, 0.6f, 0.2f, 0.9f);
    const int columns = (int)((w - 2 * margin) / (height * gCellAspect));
    if (columns < 1) return;

    // The typed line, with its cursor.
    const float inputY = bottom - margin - height;
    const char* input = ConsoleInputLine();
    const int cursor = ConsoleCursor();
    // A line longer than the console shows the part around the cursor.
    const int first = cursor + 3 > columns ? cursor + 3 - columns : 0;
    DrawText(margin, inputY, height, "> ", 0.9f, 0.8f, 0.4f, 1.0f);
    const float textX = margin + 2 * height * gCellAspect;
    TextPart(textX, inputY, height, input + first, columns - 2, 1.0f, 1.0f, 1.0f, 1.0f);
    const float cursorX = textX + (cursor - first) * height * gCellAspect;
    Rectangle(cursorX, inputY + height * 0.85f, cursorX + height * gCellAspect, inputY + height * 0.95f, 1.0f,
              1.0f, 1.0f, 0.9f);

    // The scroll-back, newest at the bottom, each line in as many screen lines as it needs.
    float y = inputY - step * 1.2f;
    if (ConsoleScroll() > 0)
    {
        DrawText(margin, y, height, "(scrolled back: Page Down for newer lines)", 0.6f, 0.6f, 0.7f, 1.0f);
        y -= step;
    }
    for (int n = ConsoleScroll(); y > -height; n++)
    {
        const char* line = ConsoleLineFromNewest(n);
        if (!line) break;
        const int length = (int)strlen(line);
        const int rows = length ? (length + columns - 1) / columns : 1;
        const int echo = line[0] == '>' && line[1] == ' ';
        for (int row = rows - 1; row >= 0 && y > -height; row--, y -= step)
            TextPart(margin, y, height, line + row * columns, columns, echo ? 0.9f : 0.85f,
                     echo ? 0.8f : 0.85f, echo ? 0.4f : 0.85f, 1.0f);
    }
}

} // namespace

void LoadTextFont()
{
    UseFont();
}

float HudTextHeight(int windowHeight)
{
    const float h = std::round(windowHeight / 30.0f);
    return h < 12.0f ? 12.0f : h;
}

float MessageHeight(int windowHeight)
{
    const float h = std::round(windowHeight / 16.0f);
    return h < 16.0f ? 16.0f : h;
}

float ConsoleTextHeight(int windowHeight)
{
    const float h = std::round(windowHeight / 40.0f);
    return h < 10.0f ? 10.0f : h;
}

float TextWidth(const char* text, float height)
{
    if (!gFontTried) UseFont();
    return (float)strlen(text) * height * gCellAspect;
}

void DrawText(float x, float y, float height, const char* text, float r, float g, float b, float a)
{
    TextPart(x, y, height, text, (int)strlen(text), r, g, b, a);
}

void DrawOverlay()
{
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    const int w = viewport[2], h = viewport[3];
    if (w <= 0 || h <= 0) return;

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, w, h, 0.0, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    SetBlendingToMasking();

    DrawFlash(w, h);
    const float notices = gConsoleOpen ? 0.0f : DrawNotices(w, h);
    DrawHudText(w, h, notices);
    // The console covers the messages' place; they wait, as the game does, until it closes.
    if (gConsoleOpen)
        DrawConsole(w, h);
    else
        DrawMessages(w, h);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
