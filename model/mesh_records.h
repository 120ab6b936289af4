// The in-memory model: records for vertices, triangles, bones, poses and material slots, the
// model cache head, private per-actor copies and their disposal, and the per-frame channel blend.
#pragma once

#include "core/vecmath.h"

#include <cstdint>

struct human_being;
struct bonus;
struct mesh_mod;
struct model_pose_cache;

// Limits that follow from the record sizes.
enum
{
    kMaxModelMaterials = 8,
    kMaxMaterialIndices = 6000,   // three vertex numbers per triangle: 2000 triangles per material
    kMaxMaterialTexCoords = 2000, // vertex numbers 0 to 1999
    kBoneSignatureSize = 5,       // at most 4 characters
    kModelNameSize = 64,
    kModelFolderSize = 1024,
    kPoseNameSize = 64,
    kMaxPosedVertices = 10000,
    // Bones a model file may define besides the root "None". Every bone is boxed and posed at
    // every drawing call, so a damaged file must not bring thousands of them.
    kMaxModelBones = 256
};

// One material slot; lives inside mesh_mod only, never allocated by itself. Colour, kind,
// texture, alpha, blending and animation are the model's own (scripts change them on one actor);
// the element list and texture coordinates are read-only data of the loaded model, shared by
// every private copy made from it.
struct model_material
{
    float red, green, blue;
    int32_t smoothShading; // 0: level quads of this material are lit with the face normal
    int32_t kind;          // 4: textured with textureId; anything else: plain colour
    int32_t transparency;  // percent, as read from the file
    float alpha;           // opacity derived from transparency
    int32_t reserved1;
    float reserved2[6];
    int32_t blended;             // 1: drawn with blending on and depth writes off
    const int32_t* indices;      // three vertex numbers per triangle; null while the slot has none
    const float (*texCoords)[2]; // (u, v) by vertex number, one for each vertex of the model
    int32_t elementTriangles;    // triangles in indices
    int32_t used;                // only used materials are drawn
    int32_t animationStart;      // game time a script texture animation began; 0 = none
    unsigned int textureId;      // GL texture name
};

struct vtx_typ
{
    int32_t number; // as given in the file; lookups go by list position, not by this
    float x, y, z;  // rest position in model units
    float u, v;
    vector_type normal;                           // unit normal in the rest pose
    char boneSignature[kBoneSignatureSize];       // "None" when the vertex has no bone
    char secondBoneSignature[kBoneSignatureSize]; // "None" when there is none
    int32_t weight;                               // share of the first bone in percent
    bonus* bone;
    bonus* secondBone;
    int32_t detached; // 1: in no triangle; not posed, sits at the model origin
    vtx_typ* next;
};

struct trio
{
    vtx_typ* vertices[3]; // corners (of an actor's copy's triangles, its source's vertices)
    int32_t vertexNumbers[3];
    float u[3];
    float v[3];
    model_material* material; // the slot of the loaded model it was listed under
    vector_type normal;       // face normal of the rest positions
    trio* next;
};

// Pose channels: [0] pose A, [1] pose B, [2] current value (written by BlendModelChannels).
struct bonus
{
    float minX, maxX, minY, maxY, minZ, maxZ; // rest-pose extent of the triangles this bone moves
    vector_type pivot;                        // joint position the bone rotates about
    char signature[kBoneSignatureSize];
    char parentSignature[kBoneSignatureSize];
    float rotationX[3], rotationY[3], rotationZ[3];
    float moveX[3], moveY[3], moveZ[3];
    vector_type boxCorners[8]; // world space, after the last drawing call
    vector_type boxCenter;     // posed, model space
    vector_type boxPlanes[6][3];
    int32_t inPoses; // 1; becomes the active flag of poses captured from the current state
    bonus* next;
    bonus* parent; // the root "None" is its own parent; null when parentSignature names no bone
};

struct pose_entry
{
    bonus* bone;
    float rotationX, rotationY, rotationZ;
    float moveX, moveY, moveZ;
    int32_t active; // applied only when non-zero
    pose_entry* next;
};

struct pose_struct
{
    pose_entry entryListHead; // dummy head; entries start at entryListHead.next
    char name[kPoseNameSize];
    pose_struct* next;
};

// One model: either a cache entry (never drawn) or a private copy owned by an actor or a level.
// Every list starts at an embedded dummy head; the cursors are left on the last element touched,
// appends leave them on the new tail. A copy shares with its source what it never writes: the
// slots' element lists and texture coordinates, the rest normals used for drawing and, in an
// actor's copy, the triangles. The source stays allocated while it has copies, even when it is
// disposed of first, so a cache entry may be freed or replaced while actors still use it.
struct mesh_mod
{
    vtx_typ vertexListHead;
    vtx_typ* vertexCursor;
    trio triangleListHead;
    trio* triangleCursor;
    bonus boneListHead; // the first real bone is always the root "None"
    bonus* boneCursor;
    pose_struct poseListHead;
    pose_struct* poseCursor;
    vector_type boxCorners[8]; // world-space bounds, rebuilt by every drawing call
    vector_type boxPlanes[6][3];
    vector_type topPoint;
    // World-space bounds of every bone box and the model box as of the last box update (valid
    // with boxValid): line queries and steps skip a model whose bounds a segment cannot touch.
    vector_type boxMin, boxMax;
    vector_type placementRotation; // how a level model was placed
    vector_type placementPosition;
    float placementScale; // percent
    model_material materials[kMaxModelMaterials];
    int32_t vertexCount;
    int32_t triangleCount;
    char name[kModelNameSize];     // file name; the model cache's key
    char folder[kModelFolderSize]; // path up to and including the last separator
    int32_t boxValid;              // 0 until drawn once; while 0 the drawing call ignores culling
    human_being* owner;            // null in a cache entry
    mesh_mod* source;              // the model whose shared data a copy uses; null: owns it all
    int32_t copies;                // live copies whose source is this model
    int32_t disposeWhenUnshared;   // disposed of while copies lived: freed with the last of them
    int32_t sharedTriangles;       // 1: the triangle list is source's (an actor's copy)
    vtx_typ* vertexBlock;          // a copy's vertices, allocated as one block; else null
    int32_t vertexBlockCount;      // vertices in vertexBlock
    bonus* boneBlock;              // a copy's bones, allocated as one block; else null
    int32_t boneBlockCount;        // bones in boneBlock
    float (*restNormals)[3];       // rest normal by vertex number for drawing; built on first use
    int32_t restNormalCount;       // entries of restNormals
    model_pose_cache* poseCache;   // posed vertices and boxes of the last drawing (pose_cache_record.h)
    // Raised by every function of the model code that writes bone channels (poses, morphs,
    // blends, resets). Code that writes channels, pivots or extents itself calls ForgetModelPose.
    uint32_t poseStamp;
    mesh_mod* next; // model cache or level model list
};

// Head of the model cache (a dummy record; entries start at baseMesh->next) and its cursor.
// EnsureModelCache allocates the head when it is still null.
extern mesh_mod* baseMesh;
extern mesh_mod* meshPtr;
void EnsureModelCache();

// File coordinates are divided by this when a model is loaded.
extern float meshwork_modelScaleFactor;

// The n-th vertex in list order from first (0-based); the last vertex when the list ends
// first, first itself for n <= 0, null only for an empty list.
vtx_typ* GetVertexPtrByNumber(vtx_typ* first, int n);

// First bone from first on whose signature equals signature exactly, else null.
bonus* GetBonePtrBySignature(bonus* first, const char* signature);

// Copies a bone word from a model or pose file into a signature field (kBoneSignatureSize
// bytes): longer words are cut to the field's 4 characters, the one rule of all readers, so a
// pose entry names the same bone as the model line it was written for. Returns 1 when cut.
int CopyBoneSignature(char* signature, const char* word);

// Resolves every bone's parent from its parentSignature among the bones from first on.
void LinkBones(bonus* first);

// A zeroed bone with inPoses 1; the caller fills it in and links it.
bonus* NewBone();

// First pose from first on whose name begins with name (so "" finds the first pose and
// "Walk" finds "Walking"); null for a null first or when none matches.
pose_struct* GetPosePtrBySignature(pose_struct* first, const char* name);

// Finds a cache entry whose name equals name exactly; null when none. Leaves meshPtr alone.
mesh_mod* FindCachedModel(const char* name);

// Appends an entry behind the last cache entry (next null) and leaves meshPtr on it.
void AppendCachedModel(mesh_mod* entry);

// Turns copy, a member-wise copy of entry, into a private copy: its own bones (parents
// relinked), vertices (bones re-resolved, allocated as one block) and poses, pose A and B
// rotations reset. With copy's owner set (an actor's copy) the triangles are its source's: an
// actor never writes them, and its rest extents go by vertex number.
// Without an owner (a level model, whose vertices are placed in the world for good) the copy
// gets triangles of its own whose corners are its own vertices. The slots' element lists, texture
// coordinates and the triangles' material slots stay those of the source, which copy now holds:
// source is entry (or entry's source) and its copies count one more. The poses come from the
// "<folder><name>_poses" file through gImportModelPosesHook when that hook is set and reads the
// file; otherwise the copy gets a deep copy of the entry's poses. Disposing of the copy never
// touches the entry's lists. next is left for the caller.
void BuildModelPrivateMallocs(mesh_mod* copy, mesh_mod* entry);

// Heap copy of entry made private with BuildModelPrivateMallocs for owner (null: a level
// model), owner set, next null. Null when entry is null.
mesh_mod* MakePrivateModelCopy(mesh_mod* entry, human_being* owner);

// Frees a model: its vertices, bones, poses, pose cache, the triangles it does not share, the
// element lists and normals it owns, and the record. A model that still has copies is only
// marked and freed with its last copy; a copy lets go of its source. A null model is ignored; a
// model still linked in the model cache is refused.
void DisposeMeshworkModel(mesh_mod* model);

// Frees the model's pose cache (the next drawing makes a new one).
void FreeModelPoseCache(mesh_mod* model);

// The model whose triangles and element lists model reads: its source, or model itself.
mesh_mod* ModelDataSource(mesh_mod* model);

// Frees the poses from first on, with all their entries.
void FreePoseList(pose_struct* first);

// a - 360 for a >= 0, else a + 360.
float InverseDegree(float a);

// Sets every bone's current channel values from pose A and pose B at percent (100: pose A,
// 0: pose B); rotations more than half a turn apart blend the short way round.
void BlendModelChannels(mesh_mod* model, float percent);

// Reads a pose file into a private copy, replacing its (empty) pose list. Returns 1 when the
// file was read, 0 when it could not be opened. Registered by the pose-file code; while null,
// private copies get a copy of their cache entry's poses.
extern int (*gImportModelPosesHook)(mesh_mod* model, const char* path);
// Loads a model file into an empty cache entry; 1 on success. Registered by the model loader;
// while null, a model that is not cached yet cannot be had.
extern int (*gLoadModelHook)(mesh_mod* model, const char* path);
