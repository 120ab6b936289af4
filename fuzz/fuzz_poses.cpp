// Fuzzes the pose file readers, both formats ("VXR_Poses" and the key-frame format): the input is
// a pose file read into a private copy of the demo's humanoid. The poses read are then applied,
// morphed and blended, saved and read back; the copy read back must hold as many poses.
#include "fuzz_support.h"

#include "model/loader.h"
#include "model/mesh_records.h"
#include "model/posing.h"

#include <cstdlib>

static mesh_mod* gHumanoid = nullptr;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    std::string path = fuzz::CopySourceFile("demo/Models/humanoid", "Models/humanoid");
    gHumanoid = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
    if (!LoadMeshworkModel(gHumanoid, path.c_str())) abort();
    return 0;
}

static int CountPoses(const mesh_mod* model)
{
    int n = 0;
    for (const pose_struct* p = model->poseListHead.next; p; p = p->next)
        n++;
    return n;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string path = fuzz::WriteFile("Models/fuzz_poses", data, size);
    mesh_mod* copy = MakePrivateModelCopy(gHumanoid, nullptr);
    ImportModelAnimations(copy, path.c_str());
    const pose_struct* first = copy->poseListHead.next;
    if (first)
    {
        char name[kPoseNameSize];
        snprintf(name, sizeof name, "%s", first->name);
        SetModelPoses(copy, name, first->next ? first->next->name : name);
        float percent = 40.0f;
        BlendModelChannels(copy, percent);
        MorphModelPoses(copy, name, &percent);
        BlendModelChannels(copy, 60.0f);
        MakePoseFromCurrent(copy, name);
    }
    int poses = CountPoses(copy);
    std::string saved = fuzz::Sandbox() + "Models/fuzz_saved_poses";
    if (SaveModelPosesVXR(copy, saved.c_str()))
    {
        mesh_mod* again = MakePrivateModelCopy(gHumanoid, nullptr);
        LoadModelPosesVXR(again, saved.c_str());
        if (CountPoses(again) != poses) abort();
        DisposeMeshworkModel(again);
    }
    LoadModelPosesVXR(copy, path.c_str());
    DisposeMeshworkModel(copy);
    return 0;
}
