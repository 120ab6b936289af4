// Scene drawing: clear, camera, fog, light, the level's quads, the actors farthest first, the HUD
// actors over everything, the text layer, then the frame is shown. Nothing is drawn while a level has just
// changed, so a half-built world never reaches the screen.
#include "app/draw.h"
#include "app/blend_modes.h"
#include "app/level_batches.h"
#include "app/overlay.h"
#include "world/camera.h"
#include "platform/window.h"
#include "world/geometry.h"
#include "world/humans.h"
#include "world/level.h"
#include "model/bounds.h"
#include "model/mesh_records.h"

#include <GL/gl.h>

int doFog = 0;
float gFogStart = 0.0f;
float gFogEnd = 200.0f;
float fogColor[4] = {1.0f, 1.0f, 1.0f, 0.0f};
float LightAmbient[4] = {0.1f, 0.1f, 0.1f, 1.0f};
float LightDiffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
float light0Pos[4] = {-3.247273f, 2.095f, 2.036085f, 1.0f};

void SetStandardMatrix()
{
    glLoadIdentity();
    glRotatef(zangle, 0.0f, 0.0f, 1.0f);
    glRotatef(updownangle, 1.0f, 0.0f, 0.0f);
    glRotatef(viewangle, 0.0f, 1.0f, 0.0f);
    glTranslatef(entfl, updown, entf);
}

static void DrawActor(human_being* h, int culled)
{
    humanPtr = h;
    DrawMeshworkModel(h->model, h->position.x, h->position.y, h->position.z, h->rotation.x, h->rotation.y,
                      h->rotation.z, h->blendPercent, culled);
}

// The world's actors farthest first, so that blended models over one another come out right;
// then the heads-up actors in a pass of their own, in the same order among themselves: the depth
// buffer cleared, so that no wall or guard in front of the eye hides them, without fog, and with
// the light fixed to the eye, so that they look the same whichever way the player looks. A HUD
// actor's position and rotation are relative to the eye, and it is never culled.
static void DrawHumans()
{
    if (!baseHuman) return;
    glEnable(GL_CULL_FACE);
    SortHumansForBlending();
    SetBlendingToMasking();
    int huds = 0;
    for (human_being* h = baseHuman->next; h; h = h->next)
    {
        if (h->onHud)
        {
            huds++;
            continue;
        }
        DrawActor(h, h->model ? CheckBoxWithPlanes(h->model->boxCorners) : 0);
    }
    if (huds)
    {
        glDepthMask(GL_TRUE);
        glClear(GL_DEPTH_BUFFER_BIT);
        glDisable(GL_FOG);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, light0Pos);
        for (human_being* h = baseHuman->next; h; h = h->next)
            if (h->onHud) DrawActor(h, 0);
        SetStandardMatrix();
    }
    glDisable(GL_CULL_FACE);
}

int DrawGLScene()
{
    if (levelChanged) return 1;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetStandardMatrix();

    // Fog is set up every frame and follows doFog: a script that turns it off gets a clear view
    // in the same frame.
    glFogi(GL_FOG_MODE, GL_LINEAR);
    fogColor[0] = tintColor.x;
    fogColor[1] = tintColor.y;
    fogColor[2] = tintColor.z;
    fogColor[3] = 0.0f;
    glFogfv(GL_FOG_COLOR, fogColor);
    glFogf(GL_FOG_DENSITY, 0.0f);
    glHint(GL_FOG_HINT, GL_NICEST);
    glFogf(GL_FOG_START, gFogStart);
    glFogf(GL_FOG_END, gFogEnd);
    if (doFog)
        glEnable(GL_FOG);
    else
        glDisable(GL_FOG);

    for (int i = 0; i < 3; i++)
    {
        LightAmbient[i] = 0.1f;
        LightDiffuse[i] = 0.5f;
    }
    glEnable(GL_LIGHTING);
    glLightfv(GL_LIGHT0, GL_AMBIENT, LightAmbient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, LightDiffuse);
    glLightfv(GL_LIGHT0, GL_POSITION, light0Pos);

    SetStandardMatrix();
    RecalculatePlanes();
    SetBlendingToMasking();

    DrawLevelQuads();
    DrawHumans();

    // Blended materials switch depth writes off; the next frame's clear needs them on.
    glDepthMask(GL_TRUE);
    DrawOverlay();
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFlush();
    PLT_SwapBuffers();
    return 1;
}
