// Fuzzes the model file reader: the input is a model file. A loaded model is also made into a
// private copy, blended and posed vertex by vertex and bounded, as an actor's model would be, so
// that whatever the reader lets through is used the way the game uses it.
#include "fuzz_support.h"

#include "model/bounds.h"
#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/posing.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The texture files the materials name are not in the sandbox, so no GL is needed.
    std::string path = fuzz::WriteFile("Models/fuzzmodel", data, size);
    mesh_mod* model = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    if (LoadMeshworkModel(model, path.c_str()))
    {
        mesh_mod* copy = MakePrivateModelCopy(model, nullptr);
        BlendModelChannels(copy, 50.0f);
        SetNonePoseState(copy);
        MakePoseFromCurrent(copy, "fuzz");
        SetModelPoses(copy, "fuzz", "");
        BlendModelChannels(copy, 25.0f);
        int posed = 0;
        for (vtx_typ* v = copy->vertexListHead.next; v && posed < kMaxPosedVertices; v = v->next, posed++)
        {
            vector_type p = PoseWeightedVertex(v);
            pvert[posed][0] = p.x;
        }
        UpdateModelBoxes(copy, vector_type{1.0f, 2.0f, 3.0f}, vector_type{10.0f, 20.0f, 30.0f});
        DisposeMeshworkModel(copy);
    }
    DisposeMeshworkModel(model);
    return 0;
}
