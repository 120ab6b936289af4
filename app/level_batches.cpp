// The level's drawing batches: built from the quad list whenever gLevelGeometryVersion moves,
// drawn with client-side vertex arrays (OpenGL 1.1), one glDrawArrays per run of a visible chunk.
#include "app/level_batches.h"

#include "model/bounds.h"
#include "model/draw_model.h"
#include "model/mesh_records.h"
#include "world/geometry.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

levelDrawStats gLevelDrawStats;

namespace
{

// A quad whose texture is this is never drawn, whatever its material.
const unsigned int kNoQuadTexture = (unsigned int)-1;
// Chunks hold about this many triangles: enough that a frame makes few calls, few enough that
// culling leaves out most of a large level.
const int kTrianglesPerChunk = 512;
const int kMaxChunks = 4096;
// Blended quads keep their list order; a run of them ends after this many.
const int kTrianglesPerBlendedRun = 256;

// The layout of GL_T2F_N3F_V3F.
struct batchVertex
{
    float u, v;
    float nx, ny, nz;
    float x, y, z;
};

struct levelRun
{
    const model_material* material;
    unsigned int texture;
    int32_t first, count; // vertices
};

struct levelChunk
{
    vector_type corners[8]; // the box of its triangles, for the view-volume test
    int32_t firstRun, runCount;
};

struct levelBatches
{
    bool built = false;
    uint32_t version = 0;
    std::vector<batchVertex> vertices;
    std::vector<levelRun> runs;
    std::vector<levelChunk> chunks; // opaque chunks, then one per blended run
};

levelBatches batches;

bool Drawable(const fourcorner* q)
{
    if (q->texture == kNoQuadTexture || (q->flags & kQuadInvisible)) return false;
    const trio* t = q->triangle;
    return t && t->material && t->vertices[0] && t->vertices[1] && t->vertices[2];
}

void AppendTriangle(const fourcorner* q)
{
    const trio* t = q->triangle;
    const bool smooth = t->material->smoothShading != 0;
    for (int k = 0; k < 3; k++)
    {
        const vtx_typ* v = t->vertices[k];
        const vector_type n = smooth ? v->normal : q->normal;
        batches.vertices.push_back({t->u[k], t->v[k], n.x, n.y, n.z, v->x, v->y, v->z});
    }
}

// Appends the quads (already in drawing order) as runs of one material and texture, and a chunk
// holding them with the box of their vertices.
void AppendChunk(const std::vector<const fourcorner*>& quads)
{
    if (quads.empty()) return;
    levelChunk chunk;
    chunk.firstRun = (int32_t)batches.runs.size();
    const size_t firstVertex = batches.vertices.size();
    for (const fourcorner* q : quads)
    {
        const model_material* m = q->triangle->material;
        if (batches.runs.size() == (size_t)chunk.firstRun || batches.runs.back().material != m ||
            batches.runs.back().texture != q->texture)
            batches.runs.push_back({m, q->texture, (int32_t)batches.vertices.size(), 0});
        AppendTriangle(q);
        batches.runs.back().count += 3;
    }
    chunk.runCount = (int32_t)batches.runs.size() - chunk.firstRun;
    vector_type lo = {batches.vertices[firstVertex].x, batches.vertices[firstVertex].y,
                      batches.vertices[firstVertex].z};
    vector_type hi = lo;
    for (size_t i = firstVertex; i < batches.vertices.size(); i++)
    {
        const batchVertex& v = batches.vertices[i];
        lo.x = std::fmin(lo.x, v.x), lo.y = std::fmin(lo.y, v.y), lo.z = std::fmin(lo.z, v.z);
        hi.x = std::fmax(hi.x, v.x), hi.y = std::fmax(hi.y, v.y), hi.z = std::fmax(hi.z, v.z);
    }
    for (int c = 0; c < 8; c++)
        chunk.corners[c] = fastVector_Set(c & 1 ? hi.x : lo.x, c & 2 ? hi.y : lo.y, c & 4 ? hi.z : lo.z);
    batches.chunks.push_back(chunk);
}

// Opaque quads into chunks of a grid over their centres on the ground plane; within a chunk the
// quads of one material and texture go together, in list order.
void BuildOpaqueChunks(const std::vector<const fourcorner*>& opaque)
{
    if (opaque.empty()) return;
    std::vector<float> cx(opaque.size()), cz(opaque.size());
    float minX = 0, maxX = 0, minZ = 0, maxZ = 0;
    for (size_t i = 0; i < opaque.size(); i++)
    {
        const trio* t = opaque[i]->triangle;
        cx[i] = (t->vertices[0]->x + t->vertices[1]->x + t->vertices[2]->x) / 3.0f;
        cz[i] = (t->vertices[0]->z + t->vertices[1]->z + t->vertices[2]->z) / 3.0f;
        if (!std::isfinite(cx[i]) || !std::isfinite(cz[i])) cx[i] = cz[i] = 0.0f;
        if (i == 0) minX = maxX = cx[i], minZ = maxZ = cz[i];
        minX = std::fmin(minX, cx[i]), maxX = std::fmax(maxX, cx[i]);
        minZ = std::fmin(minZ, cz[i]), maxZ = std::fmax(maxZ, cz[i]);
    }
    const int wanted = std::max(1, std::min(kMaxChunks, (int)(opaque.size() / kTrianglesPerChunk)));
    const double width = std::max(1e-3, (double)maxX - minX), depth = std::max(1e-3, (double)maxZ - minZ);
    const double side = std::sqrt(width * depth / wanted);
    const int columns = std::max(1, std::min(kMaxChunks, (int)std::ceil(width / side)));
    const int rows = std::max(1, std::min(kMaxChunks / columns, (int)std::ceil(depth / side)));

    std::vector<std::vector<const fourcorner*>> cells((size_t)columns * rows);
    for (size_t i = 0; i < opaque.size(); i++)
    {
        int c = std::min(columns - 1, std::max(0, (int)((cx[i] - minX) / width * columns)));
        int r = std::min(rows - 1, std::max(0, (int)((cz[i] - minZ) / depth * rows)));
        cells[(size_t)r * columns + c].push_back(opaque[i]);
    }
    std::vector<const fourcorner*> ordered;
    for (std::vector<const fourcorner*>& cell : cells)
    {
        // Group by material and texture in order of first appearance; stable, so list order holds
        // within a group.
        std::vector<std::pair<const model_material*, unsigned int>> keys;
        std::vector<int> group(cell.size());
        for (size_t i = 0; i < cell.size(); i++)
        {
            auto key = std::make_pair(static_cast<const model_material*>(cell[i]->triangle->material),
                                      cell[i]->texture);
            auto found = std::find(keys.begin(), keys.end(), key);
            group[i] = (int)(found - keys.begin());
            if (found == keys.end()) keys.push_back(key);
        }
        ordered.clear();
        for (size_t g = 0; g < keys.size(); g++)
            for (size_t i = 0; i < cell.size(); i++)
                if (group[i] == (int)g) ordered.push_back(cell[i]);
        AppendChunk(ordered);
    }
}

void BuildLevelBatches()
{
    DisposeLevelBatches();
    std::vector<const fourcorner*> opaque, blended;
    for (const fourcorner* q = baseQ.next; q; q = q->next)
        if (Drawable(q)) (q->triangle->material->blended == 1 ? blended : opaque).push_back(q);
    batches.vertices.reserve((opaque.size() + blended.size()) * 3);
    BuildOpaqueChunks(opaque);
    std::vector<const fourcorner*> run;
    for (size_t i = 0; i < blended.size(); i++)
    {
        run.push_back(blended[i]);
        const bool last = i + 1 == blended.size();
        if (last || run.size() >= (size_t)kTrianglesPerBlendedRun ||
            blended[i + 1]->triangle->material != blended[i]->triangle->material ||
            blended[i + 1]->texture != blended[i]->texture)
        {
            AppendChunk(run);
            run.clear();
        }
    }
    batches.built = true;
    batches.version = gLevelGeometryVersion;
}

void DrawRun(const levelRun& run)
{
    const model_material* m = run.material;
    if (m->kind == 4)
    {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, run.texture);
        glColor4f(tintColor.x, tintColor.y, tintColor.z, 1.0f);
    }
    else
    {
        glDisable(GL_TEXTURE_2D);
        glColor4f(tintColor.x + m->red - 1.0f, tintColor.y + m->green - 1.0f, tintColor.z + m->blue - 1.0f,
                  m->alpha);
    }
    if (m->blended == 1)
        glEnable(GL_BLEND);
    else
        glDisable(GL_BLEND);
    glDrawArrays(GL_TRIANGLES, run.first, run.count);
    gLevelDrawStats.trianglesDrawn += run.count / 3;
}

} // namespace

void DisposeLevelBatches()
{
    batches = levelBatches();
}

void DrawLevelQuads()
{
    if (!batches.built || batches.version != gLevelGeometryVersion) BuildLevelBatches();
    gLevelDrawStats = {(int)batches.chunks.size(), 0, 0};
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    if (batches.vertices.empty()) return;

    const batchVertex* first = batches.vertices.data();
    const GLsizei stride = sizeof(batchVertex);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, &first->x);
    glNormalPointer(GL_FLOAT, stride, &first->nx);
    glTexCoordPointer(2, GL_FLOAT, stride, &first->u);
    for (const levelChunk& chunk : batches.chunks)
    {
        if (CheckBoxWithPlanes(chunk.corners)) continue;
        gLevelDrawStats.chunksDrawn++;
        for (int32_t r = 0; r < chunk.runCount; r++)
            DrawRun(batches.runs[chunk.firstRun + r]);
    }
}
