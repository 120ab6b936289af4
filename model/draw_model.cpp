// Model drawing: the channel blend, the box update, the posed vertices of the model's pose cache
// and one indexed draw per used material with its colour, texture, blend and depth-write rules.
#include "model/draw_model.h"

#include "model/actor_record.h"
#include "model/bounds.h"
#include "model/mesh_records.h"
#include "model/pose_cache.h"

#include <GL/gl.h>

vector_type tintColor = {1.0f, 1.0f, 1.0f};

// slot is the drawn model's; its element list and texture coordinates are those of the model's
// source, of whose list at most sourceTriangles triangles are drawn.
static void DrawMaterial(const model_material* slot, int sourceTriangles)
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
    if (triangles > sourceTriangles) triangles = sourceTriangles;
    if (triangles > kMaxMaterialIndices / 3) triangles = kMaxMaterialIndices / 3;
    if (triangles > 0 && slot->indices && slot->texCoords)
        glDrawElements(GL_TRIANGLES, triangles * 3, GL_UNSIGNED_INT, slot->indices);
}

static void DrawPosedModel(mesh_mod* model, float x, float y, float z, float rx, float ry, float rz)
{
    int positionCount = 0, normalCount = 0;
    const float(*positions)[3] = PosedModelVertices(model, &positionCount);
    const float(*normals)[3] = ModelRestNormals(model, &normalCount);
    // Element lists name vertex numbers below vertexCount; both arrays must reach that far.
    if (!positions || !normals || positionCount < model->vertexCount || normalCount < model->vertexCount)
        return;
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, 0, normals);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, positions);

    int lit = model->owner && model->owner->lit;
    vector_type savedTint = tintColor;
    if (lit)
    {
        tintColor = fastVector_Set(1.0f, 1.0f, 1.0f);
        glDisable(GL_LIGHTING);
    }
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(rz, 0.0f, 0.0f, 1.0f);
    glRotatef(ry, 0.0f, 1.0f, 0.0f);
    glRotatef(rx, 1.0f, 0.0f, 0.0f);
    const mesh_mod* source = ModelDataSource(model);
    for (int i = 0; i < kMaxModelMaterials; i++)
        if (model->materials[i].used)
            DrawMaterial(&model->materials[i], source->materials[i].elementTriangles);
    glPopMatrix();
    if (lit)
    {
        tintColor = savedTint;
        glEnable(GL_LIGHTING);
    }
}

vector_type DrawMeshworkModel(mesh_mod* model, float x, float y, float z, float rx, float ry, float rz,
                              float blendPercent, int culled)
{
    if (!model) return fastVector_Set(0.0f, 0.0f, 0.0f);
    // Culling tests last frame's box, which a model never drawn does not have yet.
    if (!model->boxValid) culled = 0;
    // Blending, posing and boxing are redone by the pose cache only when the pose channels, the
    // blend, the position, rotation, pivots or extents differ from the last call, so the frames
    // between two ticks, and every frame of a standing actor, reuse the last results.
    BlendModelPose(model, blendPercent);
    UpdateModelBoxes(model, fastVector_Set(x, y, z), fastVector_Set(rx, ry, rz));
    if (!culled) DrawPosedModel(model, x, y, z, rx, ry, rz);
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
