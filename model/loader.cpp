// Model file loader and the start-up model cache: reads the model format into a mesh_mod,
// derives normals, bone extents and element lists, and never writes past the record's arrays.
#include "model/loader.h"

#include "core/content_files.h"
#include "core/output.h"
#include "core/problems.h"
#include "model/bounds.h"
#include "model/posing.h"
#include "resources/paths.h"
#include "resources/textures.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

#include <dirent.h>
#include <strings.h>
#include <unistd.h>

const char kModelPathFormatSpecifier[] = "%sModels/%s";

// A problem line is reported this many times per model at most; a broken file of thousands of
// lines must not bury the console.
static const int kMaxReportedProblems = 12;

// The weight of a vertex line that names a first bone but gives no weight: the first bone
// alone, as if the line had no second bone.
static const int kDefaultBoneWeight = 100;

struct modelFileReader
{
    FILE* file;
    const char* path;
    char line[kMaxLineLength + 1];
    int lineNumber;
    int atEnd;
    modelLoadReport* report;
    int problems;
    int vertexLimitReported;
    int bones; // bone lines read, kept or not
};

static void ReportProblem(modelFileReader* r, const char* format, ...) __attribute__((format(printf, 2, 3)));

static void ReportProblem(modelFileReader* r, const char* format, ...)
{
    r->problems++;
    if (r->report) r->report->problems++;
    // A checker hears every problem; the console is spared a broken file's thousands of lines.
    if (r->problems > kMaxReportedProblems && !gProblemSink) return;
    char text[600];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char console[1200];
    snprintf(console, sizeof console, "//Model %s, line %d: %s%s", r->path, r->lineNumber, text,
             r->problems == kMaxReportedProblems ? " (further problems are not reported)" : "");
    ReportContentProblem(r->path, r->lineNumber, text, console);
}

// Next line into r->line. Returns 0 when the file has no more lines; a last line without a line
// end still counts. A line ends at CR, LF or CR LF: a file saved with CR LF must read as the
// same lines, or its second header line would be taken for a vertex.
static int NextLine(modelFileReader* r)
{
    r->line[0] = 0;
    if (r->atEnd) return 0;
    int cut = 0;
    int result = ReadBoundedLine(r->file, r->line, sizeof r->line, 1, &cut);
    r->lineNumber++;
    if (cut) ReportProblem(r, "longer than %d characters; the rest is ignored", kMaxLineLength);
    if (result == -1)
    {
        r->atEnd = 1;
        return r->line[0] != 0;
    }
    return 1;
}

static int IsBlank(const char* text)
{
    for (; *text; text++)
        if (*text != ' ' && *text != '\t') return 0;
    return 1;
}

// Copies a bone word into a signature field; longer words are cut to the field, reported once.
static void CopySignature(modelFileReader* r, char* dest, const char* word)
{
    if (CopyBoneSignature(dest, word))
        ReportProblem(r, "bone name \"%.40s\" is cut to %d characters", word, kBoneSignatureSize - 1);
}

static void AppendBone(mesh_mod* model, bonus* bone)
{
    bone->next = nullptr;
    model->boneCursor->next = bone;
    model->boneCursor = bone;
}

static void ReportVertexLimit(modelFileReader* r)
{
    if (!r->vertexLimitReported)
        ReportProblem(r, "more than %d vertices; the rest are left out", kMaxMaterialTexCoords);
    r->vertexLimitReported = 1;
}

static vtx_typ* AppendVertex(mesh_mod* model, std::vector<vtx_typ*>* byNumber)
{
    vtx_typ* v = static_cast<vtx_typ*>(calloc(1, sizeof(vtx_typ)));
    v->number = (int32_t)byNumber->size();
    v->weight = 100;
    snprintf(v->boneSignature, sizeof v->boneSignature, "None");
    snprintf(v->secondBoneSignature, sizeof v->secondBoneSignature, "None");
    v->next = nullptr;
    model->vertexCursor->next = v;
    model->vertexCursor = v;
    byNumber->push_back(v);
    return v;
}

// Vertex line: "%d %f %f %f [first second weight [parent]]". A line with a parent also defines
// the bone named by its first word, pivoting at the line's position. Vertices are numbered by
// their place in the section, so a line that is no vertex (a blank one too) still takes its
// place, as a vertex at the origin without bones: triangles after it keep their corners.
static void ReadVertexLine(modelFileReader* r, mesh_mod* model, std::vector<vtx_typ*>* byNumber)
{
    char first[kMaxLineLength + 1] = "";
    char second[kMaxLineLength + 1] = "";
    char parent[kMaxLineLength + 1] = "";
    int number = 0, weight = kDefaultBoneWeight;
    float x = 0.0f, y = 0.0f, z = 0.0f;
    int fields = sscanf(r->line, "%d %f %f %f %513s %513s %d %513s", &number, &x, &y, &z, first, second,
                        &weight, parent);
    int full = (int)byNumber->size() >= kMaxMaterialTexCoords;
    if (fields < 4)
    {
        if (full) return ReportVertexLimit(r);
        ReportProblem(r, "not a vertex line: \"%.40s\"; vertex %d is put at the origin", r->line,
                      (int)byNumber->size());
        AppendVertex(model, byNumber);
        return;
    }
    if (fields < 7) weight = kDefaultBoneWeight;
    if (fields < 6) second[0] = 0;
    if (fields < 8) parent[0] = 0;
    if (weight < 0 || weight > 100)
    {
        ReportProblem(r, "bone weight %d is outside 0 to 100", weight);
        weight = weight < 0 ? 0 : 100;
    }
    float scale = meshwork_modelScaleFactor;
    if (parent[0] && r->bones >= kMaxModelBones)
    {
        if (r->bones == kMaxModelBones)
            ReportProblem(r, "more than %d bones; the rest are left out", kMaxModelBones);
        r->bones++;
    }
    else if (parent[0])
    {
        bonus* bone = NewBone();
        CopySignature(r, bone->signature, first);
        CopySignature(r, bone->parentSignature, parent);
        bone->parent = nullptr;
        vector_Set(&bone->pivot, x / scale, y / scale, z / scale);
        AppendBone(model, bone);
        r->bones++;
    }
    // The bone above is kept even past the vertex limit: vertices before the limit may name it.
    if (full) return ReportVertexLimit(r);
    vtx_typ* v = AppendVertex(model, byNumber);
    v->number = number;
    v->x = x / scale;
    v->y = y / scale;
    v->z = z / scale;
    v->weight = first[0] ? weight : 100;
    if (first[0]) CopySignature(r, v->boneSignature, first);
    if (second[0]) CopySignature(r, v->secondBoneSignature, second);
}

static int ValidVertexNumber(int n, const std::vector<vtx_typ*>& byNumber)
{
    return n >= 0 && n < (int)byNumber.size() && n < kMaxMaterialTexCoords;
}

static void ResolveVertexBones(mesh_mod* model, vtx_typ* v)
{
    bonus* firstBone = model->boneListHead.next;
    v->bone = GetBonePtrBySignature(firstBone, v->boneSignature);
    v->secondBone = GetBonePtrBySignature(firstBone, v->secondBoneSignature);
}

static vector_type RestPosition(const vtx_typ* v)
{
    return fastVector_Set(v->x, v->y, v->z);
}

// Triangle line: "%d %d %d", three vertex numbers by position in the vertex section.
static void ReadTriangleLine(modelFileReader* r, mesh_mod* model, model_material* slot, int slotIndex,
                             int* slotTriangles, const std::vector<vtx_typ*>& byNumber)
{
    int n[3];
    if (sscanf(r->line, "%d %d %d", &n[0], &n[1], &n[2]) != 3)
    {
        ReportProblem(r, "not a triangle line: \"%.40s\"", r->line);
        return;
    }
    for (int k = 0; k < 3; k++)
        if (!ValidVertexNumber(n[k], byNumber))
        {
            ReportProblem(r, "triangle names vertex %d, but the vertices are numbered 0 to %d", n[k],
                          (int)model->vertexCount - 1);
            return;
        }
    if (*slotTriangles >= kMaxMaterialIndices / 3)
    {
        if (*slotTriangles == kMaxMaterialIndices / 3)
            ReportProblem(r, "material %d has more than %d triangles; the rest are left out", slotIndex,
                          kMaxMaterialIndices / 3);
        (*slotTriangles)++;
        return;
    }
    trio* t = static_cast<trio*>(calloc(1, sizeof(trio)));
    for (int k = 0; k < 3; k++)
    {
        t->vertices[k] = byNumber[n[k]];
        t->vertexNumbers[k] = n[k];
        ResolveVertexBones(model, t->vertices[k]);
    }
    t->material = slot;
    t->normal = GetNormalOfTrig(RestPosition(t->vertices[0]), RestPosition(t->vertices[1]),
                                RestPosition(t->vertices[2]));
    t->next = nullptr;
    model->triangleCursor->next = t;
    model->triangleCursor = t;
    slot->used = 1;
    model->triangleCount++;
    (*slotTriangles)++;
}

// UV line: "%d %f %f", a vertex number and its texture coordinate; v is flipped while
// gSwapTextureV is set because pictures are uploaded with their first row at t = 0.
static void ReadUVLine(modelFileReader* r, const std::vector<vtx_typ*>& byNumber)
{
    int n = 0;
    float u = 0.0f, v = 0.0f;
    if (sscanf(r->line, "%d %f %f", &n, &u, &v) != 3)
    {
        ReportProblem(r, "not a texture coordinate line: \"%.40s\"", r->line);
        return;
    }
    if (!ValidVertexNumber(n, byNumber))
    {
        ReportProblem(r, "texture coordinate for vertex %d, which does not exist", n);
        return;
    }
    if (gSwapTextureV) v = 1.0f - v;
    byNumber[n]->u = u;
    byNumber[n]->v = v;
}

static int IsSectionEnd(const char* line)
{
    return IsTag(line, "MATERIAL") || IsTag(line, "END");
}

static int FileCanBeRead(const char* path, int kind)
{
    return ContentFileExists(path, kind);
}

// Header: "MATERIAL name r g b smooth kind transparency reserved f f f f f f blended", or with
// any other character than a space after "MATERIAL" the same without the name.
static void ReadMaterialHeader(modelFileReader* r, model_material* slot, int slotIndex)
{
    char name[kMaxLineLength + 1];
    int rgb[3] = {0, 0, 0};
    float* f = slot->reserved2;
    int fields, expected;
    if (r->line[8] == ' ')
    {
        fields = sscanf(r->line, "MATERIAL %513s %d %d %d %d %d %d %d %f %f %f %f %f %f %d", name, &rgb[0],
                        &rgb[1], &rgb[2], &slot->smoothShading, &slot->kind, &slot->transparency,
                        &slot->reserved1, &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &slot->blended);
        expected = 15;
    }
    else
    {
        fields = sscanf(r->line, "MATERIAL %d %d %d %d %d %d %d %f %f %f %f %f %f %d", &rgb[0], &rgb[1],
                        &rgb[2], &slot->smoothShading, &slot->kind, &slot->transparency, &slot->reserved1,
                        &f[0], &f[1], &f[2], &f[3], &f[4], &f[5], &slot->blended);
        expected = 14;
    }
    if (fields < expected)
        ReportProblem(r, "material %d header is incomplete; missing values are 0", slotIndex);
    slot->red = rgb[0] * 1.5259021893143654e-05f;
    slot->green = rgb[1] * 1.5259021893143654e-05f;
    slot->blue = rgb[2] * 1.5259021893143654e-05f;
    slot->animationStart = 0;
    // alpha is an opacity from 0 to 1; a percentage outside 0 to 100 is taken at the nearer end
    // (the record keeps the value as read).
    int transparency = slot->transparency;
    if (transparency < 0 || transparency > 100)
    {
        ReportProblem(r, "material %d transparency %d is outside 0 to 100", slotIndex, transparency);
        transparency = transparency < 0 ? 0 : 100;
    }
    int opacity = (int)(255.0 - transparency * 2.55);
    slot->alpha = opacity * 0.003921568859368563f;
}

// Texture of slot i: "<model path><i>.png", else "<model path><i>.bmp". A slot whose texture
// cannot be had is drawn in plain colour.
static void LoadMaterialTexture(const char* path, model_material* slot, int slotIndex,
                                modelLoadReport* report)
{
    char png[1100], bmp[1100];
    int pngLength = snprintf(png, sizeof png, "%s%d.png", path, slotIndex);
    int bmpLength = snprintf(bmp, sizeof bmp, "%s%d.bmp", path, slotIndex);
    if (report)
    {
        report->textureWanted[slotIndex] = 1;
        snprintf(report->texturePath[slotIndex], sizeof report->texturePath[slotIndex], "%s", png);
    }
    GLuint id = 0;
    int loaded = 0;
    if (pngLength < (int)sizeof png && bmpLength < (int)sizeof bmp)
    {
        if (FileCanBeRead(png, kContentPicture))
            loaded = LoadTextureFile(png, &id);
        else
            loaded = LoadTextureFile(bmp, &id);
    }
    if (loaded)
        slot->textureId = id;
    else
    {
        slot->textureId = 0;
        slot->kind = 0;
        // A picture that is there but does not decode has been reported by the texture loader;
        // one that is not there at all is said here, at the level file line that wanted the
        // model when there is one (gProblemFile), else at the model file.
        if (!ContentNameTaken(png) && !ContentNameTaken(bmp))
        {
            char message[2400], console[2600];
            snprintf(message, sizeof message, "material %d is textured, but neither %s nor %s exists", slotIndex,
                     png, bmp);
            if (gProblemFile)
            {
                char placed[2500];
                snprintf(placed, sizeof placed, "model %s: %s", path, message);
                snprintf(console, sizeof console, "//%s, line %d: %s", gProblemFile, gProblemLine, placed);
                ReportContentProblem(gProblemFile, gProblemLine, placed, console);
            }
            else
            {
                snprintf(console, sizeof console, "//%s: %s", path, message);
                ReportContentProblem(path, 0, message, console);
            }
        }
    }
    if (report) report->textureLoaded[slotIndex] = loaded;
}

// Each corner of the slot's triangles takes the texture coordinate its vertex has now, so a
// vertex shared by two materials can carry a different one in each.
static void TakeTextureCoordinates(trio* first, const model_material* slot)
{
    for (trio* t = first; t; t = t->next)
        if (t->material == slot)
            for (int k = 0; k < 3; k++)
            {
                t->u[k] = t->vertices[k]->u;
                t->v[k] = t->vertices[k]->v;
            }
}

static int SplitModelPath(mesh_mod* model, const char* path)
{
    const char* slash = strrchr(path, kDirectoryDevider);
    size_t folderLength = slash ? (size_t)(slash - path) + 1 : 0;
    const char* name = path + folderLength;
    if (folderLength >= sizeof model->folder || strlen(name) >= sizeof model->name) return 0;
    memcpy(model->folder, path, folderLength);
    model->folder[folderLength] = 0;
    snprintf(model->name, sizeof model->name, "%s", name);
    return 1;
}

int LoadMeshworkModel(mesh_mod* model, const char* path)
{
    return LoadMeshworkModelReport(model, path, nullptr);
}

int LoadMeshworkModelReport(mesh_mod* model, const char* path, modelLoadReport* report)
{
    if (report) memset(report, 0, sizeof *report);
    if (!model || !path) return 0;
    FILE* file = OpenContentFile(path, kContentText);
    if (!file) return 0;
    if (!SplitModelPath(model, path))
    {
        // A cut name would never match its cache key, and the model would be loaded again and
        // again; a path that does not fit is refused instead.
        char message[200], console[1200];
        snprintf(message, sizeof message, "the path is too long (names hold %d characters, folders %d)",
                 kModelNameSize - 1, kModelFolderSize - 1);
        snprintf(console, sizeof console, "//Model %.900s: %s", path, message);
        ReportContentProblem(path, 0, message, console);
        fclose(file);
        return 0;
    }

    modelFileReader r;
    memset(&r, 0, sizeof r);
    r.file = file;
    r.path = path;
    r.report = report;

    model->boxValid = 0;
    model->owner = nullptr;
    model->poseListHead.next = nullptr;
    model->poseCursor = &model->poseListHead;
    memset(model->materials, 0, sizeof model->materials);
    model->vertexCount = 0;
    model->triangleCount = 0;

    NextLine(&r);
    NextLine(&r);

    model->vertexListHead.next = nullptr;
    model->vertexCursor = &model->vertexListHead;
    model->triangleListHead.next = nullptr;
    model->triangleCursor = &model->triangleListHead;
    bonus* root = NewBone();
    snprintf(root->signature, sizeof root->signature, "None");
    snprintf(root->parentSignature, sizeof root->parentSignature, "None");
    root->parent = nullptr;
    vector_Set(&root->pivot, 0.0f, 0.0f, 0.0f);
    root->next = nullptr;
    model->boneListHead.next = root;
    model->boneCursor = root;

    // Vertices by number, at most kMaxMaterialTexCoords of them.
    std::vector<vtx_typ*> byNumber;
    int haveLine = NextLine(&r);
    while (haveLine && !IsTag(r.line, "EDGES"))
    {
        ReadVertexLine(&r, model, &byNumber);
        haveLine = NextLine(&r);
    }
    model->vertexCount = (int32_t)byNumber.size();

    while (haveLine && !IsTag(r.line, "M"))
        haveLine = NextLine(&r);

    int slotTriangles[kMaxModelMaterials] = {0};
    int slotIndex = 0;
    for (; slotIndex < kMaxModelMaterials && haveLine && !IsTag(r.line, "END"); slotIndex++)
    {
        model_material* slot = &model->materials[slotIndex];
        slot->used = 0;
        ReadMaterialHeader(&r, slot, slotIndex);
        if (slot->kind == 4) LoadMaterialTexture(path, slot, slotIndex, report);
        trio* firstOfSection = model->triangleCursor;
        int inUVBlock = 0;
        haveLine = NextLine(&r);
        while (haveLine && !IsSectionEnd(r.line))
        {
            if (IsTag(r.line, "UVS"))
                inUVBlock = 1;
            else if (IsBlank(r.line))
                ;
            else if (inUVBlock)
                ReadUVLine(&r, byNumber);
            else
                ReadTriangleLine(&r, model, slot, slotIndex, &slotTriangles[slotIndex], byNumber);
            haveLine = NextLine(&r);
        }
        TakeTextureCoordinates(firstOfSection->next, slot);
    }
    if (report) report->materialSections = slotIndex;
    if (slotIndex == kMaxModelMaterials && haveLine && !IsTag(r.line, "END"))
        ReportProblem(&r, "more than %d materials; the rest are ignored", kMaxModelMaterials);

    BuildMeshworkModelVertexNormals(model);
    LinkBones(model->boneListHead.next);
    GetMeshworkModelHighs(model->triangleListHead.next, model->boneListHead.next);
    PrepareModelElementLists(model);
    fclose(file);
    return 1;
}

void BuildMeshworkModelVertexNormals(mesh_mod* model)
{
    if (!model) return;
    std::vector<vtx_typ*> byNumber;
    for (vtx_typ* v = model->vertexListHead.next; v && (int)byNumber.size() < model->vertexCount; v = v->next)
        byNumber.push_back(v);
    std::vector<vector_type> sums(byNumber.size(), vector_type{0.0f, 0.0f, 0.0f});
    std::vector<int> counts(byNumber.size(), 0);
    for (trio* t = model->triangleListHead.next; t; t = t->next)
        for (int k = 0; k < 3; k++)
        {
            int n = t->vertexNumbers[k];
            if (n < 0 || n >= (int)byNumber.size()) continue;
            // A corner number that appears twice in one triangle counts that triangle once.
            if ((k > 0 && t->vertexNumbers[0] == n) || (k > 1 && t->vertexNumbers[1] == n)) continue;
            sums[n].x += t->normal.x;
            sums[n].y += t->normal.y;
            sums[n].z += t->normal.z;
            counts[n]++;
        }
    for (size_t n = 0; n < byNumber.size(); n++)
    {
        vtx_typ* v = byNumber[n];
        if (counts[n] == 0)
        {
            vector_Set(&v->normal, 0.0f, 0.0f, 1.0f);
            v->detached = 1;
            continue;
        }
        vector_type mean = sums[n];
        mean.x /= counts[n];
        mean.y /= counts[n];
        mean.z /= counts[n];
        float length = sqrtf(mean.x * mean.x + mean.y * mean.y + mean.z * mean.z);
        if (length == 0.0f) length = 1.0f;
        vector_Set(&v->normal, mean.x / length, mean.y / length, mean.z / length);
    }
}

void PrepareModelElementLists(mesh_mod* model)
{
    // A copy reads its source's lists, and a source's copies read its own: neither is rebuilt.
    if (!model || model->source || model->copies > 0) return;
    // Which triangles go into each slot: the same test as the lists are filled by below.
    auto accepted = [&](const trio* t)
    {
        const model_material* slot = t->material;
        if (slot < model->materials || slot >= model->materials + kMaxModelMaterials) return -1;
        for (int k = 0; k < 3; k++)
            if (t->vertexNumbers[k] < 0 || t->vertexNumbers[k] >= kMaxMaterialTexCoords) return -1;
        return (int)(slot - model->materials);
    };
    int counts[kMaxModelMaterials] = {0};
    int highest = model->vertexCount - 1; // texture coordinates by vertex number reach this far
    for (const trio* t = model->triangleListHead.next; t; t = t->next)
    {
        int i = accepted(t);
        if (i < 0 || counts[i] >= kMaxMaterialIndices / 3) continue;
        counts[i]++;
        for (int k = 0; k < 3; k++)
            if (t->vertexNumbers[k] > highest) highest = t->vertexNumbers[k];
    }
    // Sized to what the slot holds: these lists are what every copy of the model shares.
    int32_t* indices[kMaxModelMaterials];
    float(*texCoords[kMaxModelMaterials])[2];
    for (int i = 0; i < kMaxModelMaterials; i++)
    {
        model_material* slot = &model->materials[i];
        free(const_cast<int32_t*>(slot->indices));
        free(const_cast<float(*)[2]>(slot->texCoords));
        indices[i] = counts[i] ? static_cast<int32_t*>(malloc(sizeof(int32_t) * 3 * counts[i])) : nullptr;
        texCoords[i] = counts[i] ? static_cast<float(*)[2]>(calloc(highest + 1, sizeof(float[2]))) : nullptr;
        slot->indices = indices[i];
        slot->texCoords = texCoords[i];
        slot->elementTriangles = 0;
    }
    for (const trio* t = model->triangleListHead.next; t; t = t->next)
    {
        int i = accepted(t);
        if (i < 0) continue;
        model_material* slot = &model->materials[i];
        if (slot->elementTriangles >= counts[i]) continue;
        int32_t* slotIndices = &indices[i][slot->elementTriangles * 3];
        for (int k = 0; k < 3; k++)
        {
            slotIndices[k] = t->vertexNumbers[k];
            texCoords[i][t->vertexNumbers[k]][0] = t->u[k];
            texCoords[i][t->vertexNumbers[k]][1] = t->v[k];
        }
        slot->elementTriangles++;
    }
}

int IsModelFileName(const char* name)
{
    const size_t n = strlen(name);
    auto endsWith = [&](const char* tail)
    {
        const size_t t = strlen(tail);
        return n >= t && strcasecmp(name + n - t, tail) == 0;
    };
    return n > 0 && name[0] != '.' && name[n - 1] != '~' && !endsWith(".png") && !endsWith(".bmp") &&
           !endsWith("_poses");
}

// Adds the model files of folder (ending with the separator) to names with prefix in front.
static void AddModelFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>* names,
                          int depth)
{
    int fd = OpenContentFolder(folder.c_str(), nullptr, 0);
    DIR* dir = fd >= 0 ? fdopendir(fd) : nullptr;
    if (!dir)
    {
        if (fd >= 0) close(fd);
        return;
    }
    std::vector<std::string> entries;
    while (dirent* e = readdir(dir))
        if (strcmp(e->d_name, ".") && strcmp(e->d_name, "..")) entries.push_back(e->d_name);
    closedir(dir);
    for (const std::string& name : entries)
    {
        std::string path = folder + name;
        int state = ContentPathState(path.c_str(), kContentText);
        if (state == kContentFolder && depth < 4)
            AddModelFiles(path + "/", prefix + name + "/", names, depth + 1);
        else if (state == kContentFile && IsModelFileName(name.c_str()))
            names->push_back(prefix + name);
    }
}

void ListModelFiles(const char* folder, std::vector<std::string>* names)
{
    names->clear();
    AddModelFiles(std::string(folder ? folder : "") + "Models/", "", names, 0);
    std::sort(names->begin(), names->end());
}

void RegisterModelLoader()
{
    gLoadModelHook = LoadMeshworkModel;
    if (!gImportModelPosesHook) gImportModelPosesHook = ImportModelAnimations;
}

// Models linked into the game are loadable on demand before start-up has run.
static struct modelLoaderRegistration
{
    modelLoaderRegistration() { RegisterModelLoader(); }
} gModelLoaderRegistration;

void ImportAllMeshworkModels()
{
    RegisterModelLoader();
    EnsureModelCache();
    // Entries of an earlier import are freed: actors and level models hold private copies, never
    // the entries themselves. Their texture objects stay, as the copies draw with them.
    mesh_mod* earlier = baseMesh->next;
    baseMesh->next = nullptr;
    while (earlier)
    {
        mesh_mod* next = earlier->next;
        DisposeMeshworkModel(earlier);
        earlier = next;
    }
    meshPtr = baseMesh;

    char cachePath[1100];
    snprintf(cachePath, sizeof cachePath, "%scache", routePath);
    FILE* cache = OpenContentFile(cachePath, kContentText);
    if (!cache)
    {
        OutputToConsoleF("//Model precache file was not found! (looked for %s)", cachePath);
        return;
    }
    char line[kMaxLineLength + 1];
    int atEnd = 0;
    for (int lineNumber = 1; !atEnd; lineNumber++)
    {
        atEnd = Read1Line(cache, line) == -1;
        if (!line[0]) break;
        if (!VXR_ListEntryStaysInDataFolder(line, "Model precache file", cachePath, lineNumber)) continue;
        char path[1600];
        snprintf(path, sizeof path, kModelPathFormatSpecifier, routePath, line);
        if (!FileCanBeRead(path, kContentText))
        {
            char message[1800], console[700];
            snprintf(message, sizeof message, "model file %s not found", path);
            snprintf(console, sizeof console, "//Failed to load model: %s", line);
            ReportContentProblem(cachePath, lineNumber, message, console);
            continue;
        }
        mesh_mod* entry = static_cast<mesh_mod*>(calloc(1, sizeof(mesh_mod)));
        if (!LoadMeshworkModel(entry, path))
        {
            // An entry that did not load would sit in the cache under a name it never got.
            free(entry);
            OutputToConsoleF("//Failed to load model: %s", line);
            continue;
        }
        char posePath[1700];
        snprintf(posePath, sizeof posePath, "%s_poses", path);
        ImportModelAnimations(entry, posePath);
        meshPtr->next = entry;
        meshPtr = entry;
        entry->next = nullptr;
    }
    fclose(cache);
}
