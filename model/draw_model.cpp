// Model drawing: CPU posing into the shared pvert/pnorm arrays, the box update, and one indexed
// draw per used material with its colour, texture, blend and depth-write rules.
#include "model/draw_model.h"

#include "core/output.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "model/posing.h"
#include "world/humans.h"

#include <GL/gl.h>

vector_type tintColor = {1.0f, 1.0f, 1.0f};

// Poses every vertex into pvert and its rest normal into pnorm, vertex i of the list at index i.
// The element lists index these arrays by vertex number, so the arrays are filled in list order.
static void PoseModelVertices(mesh_mod* model)
{
    static const mesh_mod* reportedModel = nullptr;
    int i = 0;
    for (vtx_typ* v = model->vertexListHead.next; v; v = v->next, i++)
    {
        if (i >= kMaxPosedVertices)
        {
            if (reportedModel != model)
                OutputToConsoleF("//Model %s has more than %d vertices; only those are posed.", model->name,
                                 kMaxPosedVertices);
            reportedModel = model;
            break;
        }
        vector_type p = PoseWeightedVertex(v);
        pvert[i][0] = p.x;
        pvert[i][1] = p.y;
        pvert[i][2] = p.z;
        pnorm[i][0] = v->normal.x;
        pnorm[i][1] = v->normal.y;
        pnorm[i][2] = v->normal.z;
    }
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, pnorm);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, pvert);
}

static void DrawMaterial(const model_material* slot)
{
    if (slot->kind == 4)
    {
        glBindTexture(GL_TEXTURE_2D, slot->textureId);
        glEnable(GL_TEXTURE_2D);
    }
    else
    {
        // The tint darkens by subtraction: a tint of (1, 1, 1) shows the material colour as it is.
        glDisable(GL_TEXTURE_2D);
        glColor4f(tintColor.x + slot->red - 1.0f, tintColor.y + slot->green - 1.0f,
                  tintColor.z + slot->blue - 1.0f, slot->alpha);
    }
    if (slot->blended == 1)
    {
        glDepthMask(GL_FALSE);
        glEnable(GL_BLEND);
    }
    else
    {
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
    }
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, 0, slot->texCoords);
    if (slot->kind == 4) glColor4f(tintColor.x, tintColor.y, tintColor.z, 1.0f);
    int triangles = slot->elementTriangles;
    if (triangles > kMaxMaterialIndices / 3) triangles = kMaxMaterialIndices / 3;
    if (triangles > 0) glDrawElements(GL_TRIANGLES, triangles * 3, GL_UNSIGNED_INT, slot->indices);
}

vector_type DrawMeshworkModel(mesh_mod* model, float x, float y, float z, float rx, float ry, float rz,
                              float blendPercent, int culled)
{
    if (!model) return fastVector_Set(0.0f, 0.0f, 0.0f);
    glPushMatrix();
    // Culling tests last frame's box, which a model never drawn does not have yet.
    if (!model->boxValid) culled = 0;

    BlendModelChannels(model, blendPercent);
    if (!culled) PoseModelVertices(model);
    UpdateModelBoxes(model, fastVector_Set(x, y, z), fastVector_Set(rx, ry, rz));
    model->boxValid = 1;

    if (!culled)
    {
        int lit = model->owner && model->owner->lit;
        vector_type savedTint = tintColor;
        if (lit)
        {
            tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
            glDisable(GL_LIGHTING);
        }
        glTranslatef(x, y, z);
        glRotatef(rz, 0.0f, 0.0f, 1.0f);
        glRotatef(ry, 0.0f, 1.0f, 0.0f);
        glRotatef(rx, 1.0f, 0.0f, 0.0f);
        for (int i = 0; i < kMaxModelMaterials; i++)
            if (model->materials[i].used) DrawMaterial(&model->materials[i]);
        if (lit)
        {
            tintColor = savedTint;
            glEnable(GL_LIGHTING);
        }
    }
    glPopMatrix();
    return fastVector_Set(x, y, z);
}

void DrawModelBoneBoxes(const mesh_mod* model)
{
    if (!model) return;
    static const int edges[12][2] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {4, 5}, {5, 6},
                                     {6, 7}, {7, 4}, {0, 4}, {1, 5}, {2, 6}, {3, 7}};
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glBegin(GL_LINES);
    for (const bonus* b = model->boneListHead.next; b; b = b->next)
        for (const auto& e : edges)
        {
            glVertex3f(b->boxCorners[e[0]].x, b->boxCorners[e[0]].y, b->boxCorners[e[0]].z);
            glVertex3f(b->boxCorners[e[1]].x, b->boxCorners[e[1]].y, b->boxCorners[e[1]].z);
        }
    glEnd();
}
