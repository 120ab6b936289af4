// Fuzzes the model file reader: the input is a model file. A loaded model is also made into an
// actor's copy (sharing its triangles) and a level model's copy (triangles of its own), blended,
// posed through the pose cache, bounded and rescaled as the game uses them, and the three are
// freed in an order the input chooses, so whatever the reader lets through meets the sharing too.
#include "fuzz_support.h"

#include "model/bounds.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/pose_cache.h"
#include "model/posing.h"
#include "world/humans.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The texture files the materials name are not in the sandbox, so no GL is needed.
    std::string path = fuzz::WriteFile("Models/fuzzmodel", data, size);
    mesh_mod* model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    if (!LoadMeshworkModel(model, path.c_str()))
    {
        DisposeMeshworkModel(model);
        return 0;
    }
    human_being* actor = static_cast<human_being*>(calloc(1, sizeof(human_being)));
    ZeroHuman(actor);
    actor->model = MakePrivateModelCopy(model, actor);
    mesh_mod* level = MakePrivateModelCopy(model, nullptr);
    mesh_mod* copy = actor->model;
    BlendModelChannels(copy, 50.0f);
    SetNonePoseState(copy);
    MakePoseFromCurrent(copy, "fuzz");
    SetModelPoses(copy, "fuzz", "");
    BlendModelChannels(copy, 25.0f);
    int count = 0;
    const float(*posed)[3] = PosedModelVertices(copy, &count);
    if (count < copy->vertexCount || (count && !posed)) abort();
    UpdateModelBoxes(copy, vector_type{1.0f, 2.0f, 3.0f}, vector_type{10.0f, 20.0f, 30.0f});
    ScaleModelTo(actor, 2.0f, 0.5f, 1.0f, 0);
    PosedModelVertices(copy, &count);
    UpdateModelBoxes(copy, vector_type{1.0f, 2.0f, 4.0f}, vector_type{10.0f, 20.0f, 30.0f});
    ModelRestNormals(level, &count);
    UpdateModelBoxes(level, vector_type{0.0f, 0.0f, 0.0f}, vector_type{0.0f, 0.0f, 0.0f});

    mesh_mod* order[3] = {model, copy, level};
    const int first = size ? data[size - 1] % 3 : 0;
    std::swap(order[0], order[first]);
    if (size > 1 && data[size - 2] & 1) std::swap(order[1], order[2]);
    for (mesh_mod* m : order)
        DisposeMeshworkModel(m);
    free(actor);
    return 0;
}
