// Skeleton posing and pose files: the bone-chain transform, the pose A / pose B channel loads,
// capturing the current shape, and the "VXR_Poses" and keyframe pose file readers and writer.
// Timing of pose changes belongs to the blending code; this file never looks at the clock.
#include "model/posing.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "core/safe_write.h"
#include "model/actor_record.h"
#include "model/mesh_records.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

namespace
{

// More parent links than this can only be a cycle in a malformed skeleton.
const int kMaxBoneChain = 1024;

// Longest pose file line kept; the rest of a longer line is dropped.
const int kPoseLineSize = 1024;

// Private copies learn to read their own pose file as soon as the posing code is linked in.
struct PoseImportRegistration
{
    PoseImportRegistration() { gImportModelPosesHook = ImportModelAnimations; }
} poseImportRegistration;

// One line of a pose file, ended by CR, LF or CR LF (a CR LF file must not read as a file of
// blank lines). Returns 0 only at the end of the file with nothing read. *cut is set when the
// line was longer than the buffer; the rest of it is skipped.
int ReadPoseLine(FILE* f, char* line, int size, int* cut)
{
    int n = 0;
    int c;
    *cut = 0;
    while ((c = fgetc(f)) != EOF)
    {
        if (c == '\n') break;
        if (c == '\r')
        {
            int d = fgetc(f);
            if (d != '\n' && d != EOF) ungetc(d, f);
            break;
        }
        if (n < size - 1)
            line[n++] = (char)c;
        else
            *cut = 1;
    }
    line[n] = 0;
    return c != EOF || n > 0 || *cut;
}

void CopyName(char* dst, const char* src, int size)
{
    snprintf(dst, size, "%s", src ? src : "");
}

// Appends a pose named name behind the last pose and leaves poseCursor on it.
pose_struct* AppendPose(mesh_mod* model, const char* name, const char* path, int lineNumber)
{
    pose_struct* pose = static_cast<pose_struct*>(calloc(1, sizeof(pose_struct)));
    if (strlen(name) >= sizeof pose->name)
    {
        char message[200], console[1300];
        snprintf(message, sizeof message, "pose name cut to %d characters: %.*s", (int)sizeof pose->name - 1,
                 (int)sizeof pose->name - 1, name);
        snprintf(console, sizeof console, "//Pose name cut to %d characters in %s: %.*s",
                 (int)sizeof pose->name - 1, path ? path : "(made pose)", (int)sizeof pose->name - 1, name);
        ReportContentProblem(path, lineNumber, message, console);
    }
    CopyName(pose->name, name, sizeof pose->name);
    pose_struct* tail = &model->poseListHead;
    while (tail->next)
        tail = tail->next;
    tail->next = pose;
    model->poseCursor = pose;
    return pose;
}

pose_entry* AppendEntry(pose_struct* pose, pose_entry** tail, bonus* bone)
{
    pose_entry* entry = static_cast<pose_entry*>(calloc(1, sizeof(pose_entry)));
    entry->bone = bone;
    entry->active = 1;
    if (!*tail)
    {
        *tail = &pose->entryListHead;
        while ((*tail)->next)
            *tail = (*tail)->next;
    }
    (*tail)->next = entry;
    *tail = entry;
    return entry;
}

// Splits the bone word off the front of a pose file line (after blanks) and returns the bone it
// names, or null. The word is cut to a signature as the model loader cuts it; *cutWords counts
// the cut ones, *rest is left just after the word.
bonus* FindBone(mesh_mod* model, const char* line, const char** rest, int* cutWords)
{
    while (*line == ' ' || *line == '\t')
        line++;
    size_t length = strcspn(line, " \t");
    *rest = line + length;
    if (length == 0) return nullptr;
    // One character more than a signature holds is enough to tell a word that must be cut.
    char probe[kBoneSignatureSize + 1];
    snprintf(probe, sizeof probe, "%.*s", (int)(length < sizeof probe ? length : sizeof probe - 1), line);
    char signature[kBoneSignatureSize];
    if (CopyBoneSignature(signature, probe)) ++*cutWords;
    return GetBonePtrBySignature(model->boneListHead.next, signature);
}

void ReportCutBoneWords(const char* path, int cutWords)
{
    if (!cutWords) return;
    char message[200], console[1300];
    snprintf(message, sizeof message, "%d bone names longer than %d characters were cut to %d", cutWords,
             kBoneSignatureSize - 1, kBoneSignatureSize - 1);
    snprintf(console, sizeof console, "//Pose file %s: %s", path, message);
    ReportContentProblem(path, 0, message, console);
}

void ReportPoseLineCut(const char* path, int lineNumber)
{
    ReportContentProblemF(path, lineNumber, "longer than %d characters, the rest is ignored",
                          kPoseLineSize - 1);
}

// A pose line naming a bone the model does not have is left out: a misspelt bone name leaves the
// pose without that bone.
void ReportUnknownBone(const char* path, int lineNumber, const char* line)
{
    while (*line == ' ' || *line == '\t')
        line++;
    ReportContentProblemF(path, lineNumber, "bone \"%.*s\" is not in the model, the line is left out",
                          (int)strcspn(line, " \t"), line);
}

// slot 0: pose A values, 1: pose B values.
void LoadPoseIntoSlot(mesh_mod* model, const char* name, int slot)
{
    pose_struct* pose = GetPosePtrBySignature(model->poseListHead.next, name);
    if (!pose) return;
    model->poseStamp++;
    for (pose_entry* e = pose->entryListHead.next; e; e = e->next)
    {
        bonus* b = e->bone;
        if (!e->active || !b) continue;
        b->rotationX[slot] = e->rotationX;
        b->rotationY[slot] = e->rotationY;
        b->rotationZ[slot] = e->rotationZ;
        b->moveX[slot] = e->moveX;
        b->moveY[slot] = e->moveY;
        b->moveZ[slot] = e->moveZ;
    }
}

void MorphChannel(float* channel, float value, float percent)
{
    channel[0] = channel[1] + (channel[0] - channel[1]) * 0.01f * percent;
    channel[1] = value;
}

// Keyframe format, read from the first line:
//   <tab><signature> (<ax>,<ay>,<az>) <angle>   a bone key of the current pose; axis in 1e-5
//   *END*...                                   ignored
//   anything else                              starts a pose named by the whole line
void ReadKeyframePoses(mesh_mod* model, FILE* f, const char* path)
{
    char line[kPoseLineSize];
    int cut;
    pose_struct* pose = nullptr;
    pose_entry* tail = nullptr;
    int orphanKeys = 0;
    int cutWords = 0;
    for (int lineNumber = 1; ReadPoseLine(f, line, sizeof line, &cut); lineNumber++)
    {
        if (cut) ReportPoseLineCut(path, lineNumber);
        if (line[0] == '\t')
        {
            if (!pose)
            {
                if (gProblemSink)
                    ReportContentProblem(path, lineNumber, "bone key before the first pose, ignored",
                                         nullptr);
                orphanKeys++;
                continue;
            }
            const char* rest = line + 1;
            long ax, ay, az, angle;
            bonus* bone = FindBone(model, line + 1, &rest, &cutWords);
            if (sscanf(rest, " (%ld,%ld,%ld) %ld", &ax, &ay, &az, &angle) != 4)
            {
                char message[200], console[1300];
                snprintf(message, sizeof message, "unreadable bone key skipped: %.80s", line + 1);
                snprintf(console, sizeof console, "//Unreadable bone key in %s skipped: %.80s", path,
                         line + 1);
                ReportContentProblem(path, lineNumber, message, console);
                continue;
            }
            if (!bone)
            {
                ReportUnknownBone(path, lineNumber, line + 1);
                continue;
            }
            vector_type r = GetEularAngles((float)angle, ax * 0.00001f, ay * 0.00001f, az * 0.00001f);
            pose_entry* e = AppendEntry(pose, &tail, bone);
            e->rotationX = r.x;
            e->rotationY = r.y;
            e->rotationZ = r.z;
        }
        else if (IsTag(line, "*END*"))
        {
            continue;
        }
        else
        {
            pose = AppendPose(model, line, path, lineNumber);
            tail = &pose->entryListHead;
        }
    }
    // A checker has heard each of them with its line already.
    if (orphanKeys && !gProblemSink)
        OutputToConsoleF("//%d bone keys before the first pose in %s ignored.", orphanKeys, path);
    ReportCutBoneWords(path, cutWords);
}

} // namespace

vector_type PoseVertex(bonus* bone, float x, float y, float z)
{
    vector_type p = fastVector_Set(x, y, z);
    for (int links = 0; bone && links < kMaxBoneChain; links++)
    {
        p = RotateVector(p, bone->pivot, bone->rotationX[2], bone->rotationY[2], bone->rotationZ[2]);
        p.x += bone->moveX[2];
        p.y += bone->moveY[2];
        p.z += bone->moveZ[2];
        if (bone->parent == bone || !bone->parent) break;
        bone = bone->parent;
    }
    return p;
}

vector_type PoseWeightedVertex(const vtx_typ* vertex)
{
    vector_type origin = fastVector_Set(0.0f, 0.0f, 0.0f);
    if (!vertex || vertex->detached) return origin;
    int weight = vertex->weight;
    if (weight > 100) weight = 100;
    if (weight < 0) weight = 0;
    vector_type p1 = PoseVertex(vertex->bone, vertex->x, vertex->y, vertex->z);
    if (weight == 100) return p1;
    vector_type p2 = PoseVertex(vertex->secondBone, vertex->x, vertex->y, vertex->z);
    if (weight == 0) return p2;
    // The integer quotient is the model format's rule: weights 51..99 all give the first bone.
    float q = (float)(100 / weight);
    return fastVector_Set(p2.x - (p2.x - p1.x) / q, p2.y - (p2.y - p1.y) / q, p2.z - (p2.z - p1.z) / q);
}

void SetModelPoses(mesh_mod* model, const char* nameA, const char* nameB)
{
    if (!model) return;
    if (model->owner) model->owner->poseQueued = 0;
    LoadPoseIntoSlot(model, nameA, 0);
    LoadPoseIntoSlot(model, nameB, 1);
}

void MorphModelPoses(mesh_mod* model, const char* name, float* percent)
{
    float p = percent ? *percent : 100.0f;
    pose_struct* pose = model ? GetPosePtrBySignature(model->poseListHead.next, name) : nullptr;
    if (pose)
    {
        model->poseStamp++;
        for (pose_entry* e = pose->entryListHead.next; e; e = e->next)
        {
            bonus* b = e->bone;
            if (!e->active || !b) continue;
            MorphChannel(b->rotationX, e->rotationX, p);
            MorphChannel(b->rotationY, e->rotationY, p);
            MorphChannel(b->rotationZ, e->rotationZ, p);
            MorphChannel(b->moveX, e->moveX, p);
            MorphChannel(b->moveY, e->moveY, p);
            MorphChannel(b->moveZ, e->moveZ, p);
        }
    }
    if (percent) *percent = 100.0f;
}

void SetNonePoseState(mesh_mod* model)
{
    if (!model) return;
    model->poseStamp++;
    for (bonus* b = model->boneListHead.next; b; b = b->next)
    {
        b->rotationX[0] = b->rotationX[1] = 0.0f;
        b->rotationY[0] = b->rotationY[1] = 0.0f;
        b->rotationZ[0] = b->rotationZ[1] = 0.0f;
    }
}

void MakePoseFromCurrent(mesh_mod* model, const char* name)
{
    if (!model || !name) return;
    // Compare with the name as it will be stored, so a long name finds its own pose again.
    char stored[kPoseNameSize];
    CopyName(stored, name, sizeof stored);
    pose_struct* pose = nullptr;
    for (pose_struct* p = model->poseListHead.next; p; p = p->next)
        if (VXR_EqualString(p->name, stored))
        {
            pose = p;
            break;
        }
    if (!pose) pose = AppendPose(model, name, nullptr, 0);

    pose_entry* previous = &pose->entryListHead;
    for (bonus* b = model->boneListHead.next; b; b = b->next)
    {
        pose_entry* e = previous->next;
        if (!e)
        {
            e = static_cast<pose_entry*>(calloc(1, sizeof(pose_entry)));
            previous->next = e;
        }
        e->bone = b;
        e->rotationX = b->rotationX[2];
        e->rotationY = b->rotationY[2];
        e->rotationZ = b->rotationZ[2];
        e->moveX = b->moveX[2];
        e->moveY = b->moveY[2];
        e->moveZ = b->moveZ[2];
        e->active = b->inPoses;
        previous = e;
    }
}

void DisposeModelPoses(mesh_mod* model)
{
    if (!model) return;
    FreePoseList(model->poseListHead.next);
    model->poseListHead.next = nullptr;
    model->poseCursor = &model->poseListHead;
}

int ImportModelAnimations(mesh_mod* model, const char* path)
{
    if (!model || !path) return 0;
    FILE* f = OpenContentFile(path, kContentText);
    if (!f) return 0;
    DisposeModelPoses(model);
    char line[kPoseLineSize];
    int cut;
    if (ReadPoseLine(f, line, sizeof line, &cut) && !cut && strcmp(line, "VXR_Poses") == 0)
    {
        fclose(f);
        return LoadModelPosesVXR(model, path);
    }
    rewind(f);
    ReadKeyframePoses(model, f, path);
    fclose(f);
    return 1;
}

// "VXR_Poses" format:
//   VXR_Poses                       first line, content not checked
//   <pose name>                     then per pose: its name (up to 63 characters),
//   {                               an opening line (content not checked),
//   <signature> mx,my,mz,rx,ry,rz,active   one line per entry,
//   }                               and the closing line.
int LoadModelPosesVXR(mesh_mod* model, const char* path)
{
    if (!model) return 0;
    DisposeModelPoses(model);
    if (!path) return 0;
    FILE* f = OpenContentFile(path, kContentText);
    if (!f)
    {
        {
            char message[200], console[1300];
            snprintf(message, sizeof message, "cannot be opened: %s", strerror(errno));
            snprintf(console, sizeof console, "//Could not open the pose file %s: %s", path, strerror(errno));
            ReportContentProblem(path, 0, message, console);
        }
        return 0;
    }
    char line[kPoseLineSize];
    int cut;
    if (!ReadPoseLine(f, line, sizeof line, &cut))
    {
        fclose(f);
        return 1;
    }
    int cutWords = 0;
    int lineNumber = 1;
    while (ReadPoseLine(f, line, sizeof line, &cut))
    {
        lineNumber++;
        if (cut) ReportPoseLineCut(path, lineNumber);
        pose_struct* pose = AppendPose(model, line, path, lineNumber);
        pose_entry* tail = &pose->entryListHead;
        if (!ReadPoseLine(f, line, sizeof line, &cut)) break;
        lineNumber++;
        if (strcmp(line, "}") == 0) continue;
        while (ReadPoseLine(f, line, sizeof line, &cut))
        {
            lineNumber++;
            if (cut) ReportPoseLineCut(path, lineNumber);
            if (strcmp(line, "}") == 0) break;
            const char* rest = line;
            bonus* bone = FindBone(model, line, &rest, &cutWords);
            if (!bone)
            {
                ReportUnknownBone(path, lineNumber, line);
                continue;
            }
            pose_entry* e = AppendEntry(pose, &tail, bone);
            int values = sscanf(rest, "%f,%f,%f,%f,%f,%f,%d", &e->moveX, &e->moveY, &e->moveZ, &e->rotationX,
                                &e->rotationY, &e->rotationZ, &e->active);
            // Six numbers make an entry; the active flag may be left out (it stays 1).
            if (values < 6)
                ReportContentProblemF(path, lineNumber,
                                      "entry of bone %s has %d of its 6 numbers, the rest are 0",
                                      bone->signature, values < 0 ? 0 : values);
        }
    }
    fclose(f);
    ReportCutBoneWords(path, cutWords);
    return 1;
}

int SaveModelPosesVXR(mesh_mod* model, const char* path)
{
    if (!model || !path) return 0;
    safeWrite w;
    if (!BeginSafeWrite(&w, path)) return 0;
    FILE* f = w.file;
    int ok = fprintf(f, "VXR_Poses\n") >= 0;
    for (pose_struct* pose = model->poseListHead.next; pose && ok; pose = pose->next)
    {
        ok = fprintf(f, "%s\n{\n", pose->name) >= 0;
        for (pose_entry* e = pose->entryListHead.next; e && ok; e = e->next)
        {
            // An entry without a bone cannot be named in the file.
            if (!e->bone) continue;
            ok = fprintf(f, "%s %f,%f,%f,%f,%f,%f,%d\n", e->bone->signature, e->moveX, e->moveY, e->moveZ,
                         e->rotationX, e->rotationY, e->rotationZ, e->active) >= 0;
        }
        if (ok) ok = fprintf(f, "}\n") >= 0;
    }
    return EndSafeWrite(&w, ok);
}

int PoseFileMayBeReplaced(const char* path)
{
    if (!path) return 0;
    const char* why = nullptr;
    int state = ContentPathState(path, kContentText);
    if (state == kContentFolder)
        why = "it is a folder";
    else if (state == kContentRefused)
        why = "it cannot be read to see that it is one";
    else if (state == kContentFile)
    {
        size_t length = strlen(path);
        int namedAsPoses = length >= 6 && strcmp(path + length - 6, "_poses") == 0;
        FILE* f = namedAsPoses ? nullptr : OpenContentFile(path, kContentText);
        if (f)
        {
            char line[kPoseLineSize];
            int cut = 0;
            int hasLine = ReadPoseLine(f, line, sizeof line, &cut);
            int empty = !hasLine && fgetc(f) == EOF;
            fclose(f);
            if (!empty && (!hasLine || cut || strcmp(line, "VXR_Poses") != 0))
                why = "its first line is not \"VXR_Poses\"";
        }
        else if (!namedAsPoses)
            why = "it cannot be read to see that it is one";
    }
    else if (ContentNameTaken(path) && access(path, F_OK) == 0)
        why = "it cannot be read to see that it is one";
    if (!why) return 1;
    OutputToConsoleF("//savePoses: %s is not a pose file (%s); it is left as it is and nothing was written",
                     path, why);
    return 0;
}
