// The level geometry's spatial index. A uniform grid over the ground plane was chosen over a
// bounding-volume tree: levels are wide and flat, movers step a few centimetres at a time, and a
// grid answers a step from one to four cells whatever the level's size (a tree walks a path that
// grows with it). Triangles too large to list cell by cell go to a short list every query tests.
// Records are listed by list position, in ascending order in every cell, so that the collision
// code can test candidates in list order and give the same answer as a scan of the whole lists.
#include "world/level_index.h"

#include "world/geometry_lists.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace
{

const int kMaxGridSide = 2048;         // cells along x or z
const float kMinCellSize = 0.25f;      // world units; a step is a few hundredths
const float kCellsPerRecord = 1.5f;    // cell side in units of the mean spacing of the records
const uint32_t kEntriesPerRecord = 16; // beyond this many cell entries the largest records
                                       // go to the list every query tests

struct footprint
{
    float minX, maxX, minZ, maxZ;
};

struct kindIndex
{
    std::vector<void*> records;       // list order
    std::vector<uint32_t> cellStart;  // columns * rows + 1 offsets into entries
    std::vector<uint32_t> entries;    // list positions, ascending within each cell
    std::vector<uint32_t> everywhere; // tested by every query, ascending
    std::vector<footprint> prints;    // each record's footprint, widened by the margin
    std::vector<uint32_t> stamp;      // the walk that last offered each record
    uint32_t walk = 0;
    std::vector<uint32_t> cellScratch; // one cell's records not yet offered
    std::vector<uint32_t> gathered;    // GatherLevelCandidates' answer
};

struct levelGrid
{
    bool built = false;
    float originX = 0.0f, originZ = 0.0f, cell = 1.0f;
    int columns = 1, rows = 1;
    float margin = 0.001f; // footprints are widened by this against rounding
    kindIndex kinds[kLevelIndexKinds];
    // What the index was built from: the lists' tails and the platform count.
    const fourcorner* quadTail = nullptr;
    const platfor* platformTail = nullptr;
    const vertWall* wallTail = nullptr;
    int platformCount = 0;
};

levelGrid grid;

const vector_type* TriangleOf(int kind, void* record)
{
    switch (kind)
    {
    case kLevelQuads:
        return static_cast<fourcorner*>(record)->collisionTriangle;
    case kLevelPlatforms:
        return static_cast<platfor*>(record)->points;
    default:
        return static_cast<vertWall*>(record)->triangle;
    }
}

// The ground-plane bounds of the parallelogram t0, t1, t1 + t2 - t0, t2: the segment test
// counts its far corner as a hit of the triangle itself.
footprint FootprintOf(const vector_type t[3])
{
    const float fx = t[1].x + t[2].x - t[0].x, fz = t[1].z + t[2].z - t[0].z;
    footprint f;
    f.minX = std::fmin(std::fmin(t[0].x, t[1].x), std::fmin(t[2].x, fx));
    f.maxX = std::fmax(std::fmax(t[0].x, t[1].x), std::fmax(t[2].x, fx));
    f.minZ = std::fmin(std::fmin(t[0].z, t[1].z), std::fmin(t[2].z, fz));
    f.maxZ = std::fmax(std::fmax(t[0].z, t[1].z), std::fmax(t[2].z, fz));
    return f;
}

bool Finite(const footprint& f)
{
    return std::isfinite(f.minX) && std::isfinite(f.maxX) && std::isfinite(f.minZ) && std::isfinite(f.maxZ);
}

// Cell column or row of a coordinate, clamped into the grid.
int CellOf(float value, float origin, int count)
{
    float c = std::floor((value - origin) / grid.cell);
    if (!(c >= 0.0f)) return 0;
    if (c >= (float)count) return count - 1;
    return (int)c;
}

bool ListsChanged()
{
    return !grid.built || grid.quadTail != quadPtr || grid.platformTail != platPtr ||
           grid.wallTail != wallPtr || grid.platformCount != gNumPlatforms;
}

void EnsureLevelIndex()
{
    if (ListsChanged()) BuildLevelIndex();
}

void ClearKinds()
{
    for (kindIndex& k : grid.kinds)
        k = kindIndex();
}

void ChooseGrid(const std::vector<footprint>& all)
{
    float minX = 0.0f, maxX = 0.0f, minZ = 0.0f, maxZ = 0.0f, largest = 0.0f;
    std::vector<float> sizes;
    sizes.reserve(all.size());
    for (const footprint& f : all)
    {
        if (sizes.empty()) minX = f.minX, maxX = f.maxX, minZ = f.minZ, maxZ = f.maxZ;
        minX = std::fmin(minX, f.minX), maxX = std::fmax(maxX, f.maxX);
        minZ = std::fmin(minZ, f.minZ), maxZ = std::fmax(maxZ, f.maxZ);
        sizes.push_back(std::fmax(f.maxX - f.minX, f.maxZ - f.minZ));
    }
    for (float v : {minX, maxX, minZ, maxZ})
        largest = std::fmax(largest, std::fabs(v));
    grid.margin = 0.001f + 1e-5f * largest;
    const float width = (maxX - minX) + 2.0f * grid.margin;
    const float depth = (maxZ - minZ) + 2.0f * grid.margin;

    // The typical record should touch a cell or two, and a cell hold a few records.
    float cell = kMinCellSize;
    if (!sizes.empty())
    {
        std::nth_element(sizes.begin(), sizes.begin() + sizes.size() / 2, sizes.end());
        cell = std::fmax(cell, sizes[sizes.size() / 2]);
        cell = std::fmax(cell, kCellsPerRecord * std::sqrt(width * depth / (float)sizes.size()));
    }
    const double maxCells = std::max<double>(4096.0, 4.0 * (double)all.size());
    for (;;)
    {
        double columns = std::ceil(width / cell), rows = std::ceil(depth / cell);
        if (columns <= kMaxGridSide && rows <= kMaxGridSide && columns * rows <= maxCells) break;
        cell *= 1.5f;
    }
    grid.cell = cell;
    grid.originX = minX - grid.margin;
    grid.originZ = minZ - grid.margin;
    grid.columns = std::max(1, (int)std::ceil(width / cell));
    grid.rows = std::max(1, (int)std::ceil(depth / cell));
}

struct cellRange
{
    int c0, c1, r0, r1;
    uint32_t Count() const { return (uint32_t)(c1 - c0 + 1) * (uint32_t)(r1 - r0 + 1); }
};

cellRange RangeOf(const footprint& f)
{
    cellRange r;
    r.c0 = CellOf(f.minX - grid.margin, grid.originX, grid.columns);
    r.c1 = CellOf(f.maxX + grid.margin, grid.originX, grid.columns);
    r.r0 = CellOf(f.minZ - grid.margin, grid.originZ, grid.rows);
    r.r1 = CellOf(f.maxZ + grid.margin, grid.originZ, grid.rows);
    return r;
}

void FillKind(kindIndex& k, const std::vector<footprint>& prints, const std::vector<char>& finite)
{
    const size_t n = k.records.size();
    std::vector<cellRange> ranges(n);
    std::vector<char> binned(n, 0);
    uint64_t total = 0;
    for (size_t i = 0; i < n; i++)
    {
        if (!finite[i]) continue;
        ranges[i] = RangeOf(prints[i]);
        binned[i] = 1;
        total += ranges[i].Count();
    }
    // A few huge triangles (a sky, a ground plane) would be listed in every cell: they are
    // tested by every query instead, which costs less than the entries would.
    const uint64_t cap = (uint64_t)kEntriesPerRecord * n + 65536u;
    if (total > cap)
    {
        std::vector<uint32_t> bySize;
        for (size_t i = 0; i < n; i++)
            if (binned[i]) bySize.push_back((uint32_t)i);
        std::sort(bySize.begin(), bySize.end(),
                  [&](uint32_t a, uint32_t b) { return ranges[a].Count() > ranges[b].Count(); });
        for (uint32_t i : bySize)
        {
            if (total <= cap) break;
            total -= ranges[i].Count();
            binned[i] = 0;
        }
    }
    for (size_t i = 0; i < n; i++)
        if (!binned[i]) k.everywhere.push_back((uint32_t)i);

    const size_t cells = (size_t)grid.columns * (size_t)grid.rows;
    k.cellStart.assign(cells + 1, 0);
    for (size_t i = 0; i < n; i++)
    {
        if (!binned[i]) continue;
        for (int r = ranges[i].r0; r <= ranges[i].r1; r++)
            for (int c = ranges[i].c0; c <= ranges[i].c1; c++)
                k.cellStart[(size_t)r * grid.columns + c + 1]++;
    }
    for (size_t c = 0; c < cells; c++)
        k.cellStart[c + 1] += k.cellStart[c];
    k.entries.resize(k.cellStart[cells]);
    std::vector<uint32_t> next(k.cellStart.begin(), k.cellStart.end() - 1);
    for (size_t i = 0; i < n; i++)
    {
        if (!binned[i]) continue;
        for (int r = ranges[i].r0; r <= ranges[i].r1; r++)
            for (int c = ranges[i].c0; c <= ranges[i].c1; c++)
                k.entries[next[(size_t)r * grid.columns + c]++] = (uint32_t)i;
    }
    k.stamp.assign(n, 0);
    k.prints.resize(n);
    for (size_t i = 0; i < n; i++)
        k.prints[i] = {prints[i].minX - grid.margin, prints[i].maxX + grid.margin,
                       prints[i].minZ - grid.margin, prints[i].maxZ + grid.margin};
}

// Comparisons for the query path, where the library's NaN-aware calls would cost a call each.
inline float Lesser(float a, float b)
{
    return b < a ? b : a;
}

inline float Greater(float a, float b)
{
    return b > a ? b : a;
}

uint32_t StartWalk(kindIndex& k)
{
    if (++k.walk == 0)
    {
        std::fill(k.stamp.begin(), k.stamp.end(), 0);
        k.walk = 1;
    }
    return k.walk;
}

// Parameter (0 at a, 1 at a + d) at which the segment enters the band [low, high] of one axis;
// 0 when it does not move along that axis (the caller only asks for bands it lies in).
float EnterBand(float a, float d, float low, float high)
{
    if (d == 0.0f) return 0.0f;
    float t = Lesser((low - a) / d, (high - a) / d);
    return Greater(t, 0.0f);
}

float ExitBand(float a, float d, float low, float high)
{
    if (d == 0.0f) return 1.0f;
    float t = Greater((low - a) / d, (high - a) / d);
    return Lesser(t, 1.0f);
}

} // namespace

void BuildLevelIndex()
{
    ClearKinds();
    int platforms = 0;
    for (fourcorner* q = baseQ.next; q; q = q->next)
        grid.kinds[kLevelQuads].records.push_back(q);
    for (platfor* p = baseP.next; p && platforms < gNumPlatforms; p = p->next, platforms++)
        grid.kinds[kLevelPlatforms].records.push_back(p);
    for (vertWall* w = baseWall.next; w; w = w->next)
        grid.kinds[kLevelWalls].records.push_back(w);

    std::vector<footprint> prints[kLevelIndexKinds];
    std::vector<char> finite[kLevelIndexKinds];
    std::vector<footprint> all;
    for (int kind = 0; kind < kLevelIndexKinds; kind++)
        for (void* record : grid.kinds[kind].records)
        {
            footprint f = FootprintOf(TriangleOf(kind, record));
            prints[kind].push_back(f);
            finite[kind].push_back(Finite(f) ? 1 : 0);
            if (Finite(f)) all.push_back(f);
        }
    ChooseGrid(all);
    for (int kind = 0; kind < kLevelIndexKinds; kind++)
        FillKind(grid.kinds[kind], prints[kind], finite[kind]);

    grid.quadTail = quadPtr;
    grid.platformTail = platPtr;
    grid.wallTail = wallPtr;
    grid.platformCount = gNumPlatforms;
    grid.built = true;
}

void DisposeLevelIndex()
{
    ClearKinds();
    grid.built = false;
}

void GetLevelIndexGrid(float* originX, float* originZ, float* cellSize, int* columns, int* rows)
{
    EnsureLevelIndex();
    *originX = grid.originX, *originZ = grid.originZ, *cellSize = grid.cell;
    *columns = grid.columns, *rows = grid.rows;
}

int LevelIndexCount(int kind)
{
    EnsureLevelIndex();
    return (int)grid.kinds[kind].records.size();
}

fourcorner* LevelQuadAt(uint32_t i)
{
    return static_cast<fourcorner*>(grid.kinds[kLevelQuads].records[i]);
}

platfor* LevelPlatformAt(uint32_t i)
{
    return static_cast<platfor*>(grid.kinds[kLevelPlatforms].records[i]);
}

vertWall* LevelWallAt(uint32_t i)
{
    return static_cast<vertWall*>(grid.kinds[kLevelWalls].records[i]);
}

void WalkLevelCells(int kind, const vector_type* from, const vector_type* to, levelCellVisitor visit,
                    void* context)
{
    EnsureLevelIndex();
    kindIndex& k = grid.kinds[kind];
    if (k.records.empty()) return;
    const uint32_t walk = StartWalk(k);

    const float ax = from->x, az = from->z, dx = to->x - from->x, dz = to->z - from->z;
    if (!std::isfinite(ax) || !std::isfinite(az) || !std::isfinite(dx) || !std::isfinite(dz))
    {
        // No cell can be named for such a segment: every record is a candidate.
        k.cellScratch.resize(k.records.size());
        for (size_t i = 0; i < k.records.size(); i++)
            k.cellScratch[i] = (uint32_t)i;
        visit(context, k.cellScratch.data(), (int)k.cellScratch.size(), 0.0f);
        return;
    }
    if (!k.everywhere.empty() && !visit(context, k.everywhere.data(), (int)k.everywhere.size(), 0.0f)) return;

    // The segment's own rounding grows with its length and distance from the origin.
    const float largest =
        Greater(Greater(std::fabs(ax), std::fabs(az)), Greater(std::fabs(to->x), std::fabs(to->z)));
    const float m = grid.margin + 1e-5f * (largest + std::fabs(dx) + std::fabs(dz));
    const float gridMaxX = grid.originX + grid.cell * grid.columns;
    const float gridMaxZ = grid.originZ + grid.cell * grid.rows;
    const float lowX = Lesser(ax, ax + dx) - m, highX = Greater(ax, ax + dx) + m;
    const float lowZ = Lesser(az, az + dz) - m, highZ = Greater(az, az + dz) + m;
    if (highX < grid.originX || lowX > gridMaxX || highZ < grid.originZ || lowZ > gridMaxZ) return;

    const int r0 = CellOf(lowZ, grid.originZ, grid.rows), r1 = CellOf(highZ, grid.originZ, grid.rows);
    const int rowStep = dz >= 0.0f ? 1 : -1;
    const int firstRow = dz >= 0.0f ? r0 : r1, lastRow = dz >= 0.0f ? r1 : r0;
    auto rowLow = [&](int r) { return grid.originZ + grid.cell * r - m; };
    auto rowHigh = [&](int r) { return grid.originZ + grid.cell * (r + 1) + m; };
    auto colLow = [&](int c) { return grid.originX + grid.cell * c - m; };
    auto colHigh = [&](int c) { return grid.originX + grid.cell * (c + 1) + m; };

    for (int r = firstRow;; r += rowStep)
    {
        const float tIn = EnterBand(az, dz, rowLow(r), rowHigh(r));
        const float tOut = ExitBand(az, dz, rowLow(r), rowHigh(r));
        const bool lastOfRows = r == lastRow;
        const float tNextRow =
            lastOfRows ? 2.0f : EnterBand(az, dz, rowLow(r + rowStep), rowHigh(r + rowStep));
        if (tIn <= tOut)
        {
            const float xa = ax + tIn * dx, xb = ax + tOut * dx;
            const int c0 = CellOf(Lesser(xa, xb) - m, grid.originX, grid.columns);
            const int c1 = CellOf(Greater(xa, xb) + m, grid.originX, grid.columns);
            const int colStep = dx >= 0.0f ? 1 : -1;
            const int firstCol = dx >= 0.0f ? c0 : c1, lastCol = dx >= 0.0f ? c1 : c0;
            for (int c = firstCol;; c += colStep)
            {
                const size_t cell = (size_t)r * grid.columns + c;
                k.cellScratch.clear();
                for (uint32_t e = k.cellStart[cell]; e < k.cellStart[cell + 1]; e++)
                {
                    const uint32_t i = k.entries[e];
                    if (k.stamp[i] == walk) continue;
                    k.stamp[i] = walk;
                    // A cell is larger than the segment's reach in it: records beside the
                    // segment's bounds are left out here.
                    const footprint& f = k.prints[i];
                    if (f.maxX < lowX || f.minX > highX || f.maxZ < lowZ || f.minZ > highZ) continue;
                    k.cellScratch.push_back(i);
                }
                const bool lastOfCols = c == lastCol;
                float tRest = tNextRow;
                if (!lastOfCols)
                    tRest = Lesser(
                        tRest, Greater(tIn, EnterBand(ax, dx, colLow(c + colStep), colHigh(c + colStep))));
                if (!k.cellScratch.empty() &&
                    !visit(context, k.cellScratch.data(), (int)k.cellScratch.size(), tRest))
                    return;
                if (lastOfCols) break;
            }
        }
        if (lastOfRows) break;
    }
}

namespace
{

bool Collect(void* context, const uint32_t* positions, int count, float)
{
    std::vector<uint32_t>* out = static_cast<std::vector<uint32_t>*>(context);
    out->insert(out->end(), positions, positions + count);
    return true;
}

} // namespace

int GatherLevelCandidates(int kind, const vector_type* from, const vector_type* to,
                          const uint32_t** positions)
{
    EnsureLevelIndex();
    kindIndex& k = grid.kinds[kind];
    k.gathered.clear();
    WalkLevelCells(kind, from, to, Collect, &k.gathered);
    std::sort(k.gathered.begin(), k.gathered.end());
    *positions = k.gathered.data();
    return (int)k.gathered.size();
}
