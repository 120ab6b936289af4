// Scene drawing: clear, camera, fog, light, then the frame is shown. Nothing is drawn while a
// level has just changed, so a half-built world never reaches the screen.
#include "app/draw.h"
#include "world/camera.h"
#include "platform/window.h"
#include "world/level.h"

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

void SetBlendingToMasking()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

int DrawGLScene()
{
    if (levelChanged) return 1;

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SetStandardMatrix();

    // Fog is set up every frame but only ever switched on: once a frame enabled it, it stays.
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
    if (doFog) glEnable(GL_FOG);

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
    SetBlendingToMasking();

    glDepthMask(GL_TRUE);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glFlush();
    PLT_SwapBuffers();
    return 1;
}
