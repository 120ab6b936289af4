// The GL blend modes the scene and the layer over it share.
#include "app/blend_modes.h"

#include <GL/gl.h>

void SetBlendingToMasking()
{
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}
