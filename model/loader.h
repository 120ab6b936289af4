// Model files: the line-oriented model format read into a mesh_mod, the normals and element
// lists derived from it, and the model cache built at start-up from the precache file "cache".
#pragma once

#include "model/mesh_records.h"

#include <string>
#include <vector>

// Start-up model path: data folder prefix and the name read from the precache file.
extern const char kModelPathFormatSpecifier[]; // "%sModels/%s"

// What one load found out about a model's textures and its problem lines, for tools that want
// to say what went wrong. Filled by LoadMeshworkModelReport; every field is reset first.
struct modelLoadReport
{
    int materialSections;                       // sections read (at most 8)
    int textureWanted[kMaxModelMaterials];      // the header asked for a texture (kind 4)
    int textureLoaded[kMaxModelMaterials];      // and one was loaded into textureId
    char texturePath[kMaxModelMaterials][1100]; // the PNG name tried first
    int problems;                               // lines reported as faulty or over the limits
};

// Fills model from the model file at path. Model file format, one item a line, fields apart by
// spaces or tabs, a line ending at CR, LF or CR LF:
//   two header lines (ignored)
//   vertex lines:   number x y z [firstBone secondBone weight [parent]]   (up to "EDGES")
//   edge lines:     ignored, from "EDGES" up to the first line beginning with "M"
//   up to eight material sections, up to "END":
//     "MATERIAL name r g b smooth kind transparency reserved f f f f f f blended"
//     (or "MATERIAL<tab>r g b ..." without the name), then triangle lines "a b c", then
//     optionally "UVS" and lines "n u v"
// Coordinates are divided by meshwork_modelScaleFactor. Vertex numbers are positions in the
// vertex section: a line there that is no vertex (a blank one too) becomes a vertex at the
// origin without bones, with a console line. Bone words are cut to 4 characters.
// folder and name come from path (split after the last '/'). The pose list is
// emptied; the pose file is not read here. Returns 1, or 0 (nothing cached, a console line)
// when model is null, the file cannot be opened or its name does not fit the record.
// Lines that break the record limits (2000 vertices, vertex numbers out of range, 2000 triangles
// per material, kMaxModelBones bones) are left out with a console line; a transparency outside
// 0 to 100 gives the alpha of the nearer end. Does not touch model->next.
int LoadMeshworkModel(mesh_mod* model, const char* path);
// LoadMeshworkModel that also fills report (when not null).
int LoadMeshworkModelReport(mesh_mod* model, const char* path, modelLoadReport* report);

// Rest-pose vertex normals: the mean of the face normals of the triangles a vertex is in, made
// unit length; a vertex in no triangle gets (0, 0, 1) and is marked detached.
void BuildMeshworkModelVertexNormals(mesh_mod* model);

// Each used material's element list (three vertex numbers a triangle) and its texture
// coordinates by vertex number, from the triangles in list order, in arrays sized to what the
// slot holds (replacing the model's earlier ones). The model owns them and its private copies
// share them; nothing is done for a copy or a model that has copies.
void PrepareModelElementLists(mesh_mod* model);

// Rebuilds the model cache from empty from the precache file "<routePath>cache": one model file
// name a line (under "<routePath>Models/"), ended by the first empty line or the end of the
// file. Each model's pose file "<model path>_poses" is imported with it. Missing files give
// the console lines "//Model precache file was not found!" and "//Failed to load model: <name>".
// Entries of an earlier call are freed (actors and level models hold private copies). Registers the
// loader hooks first.
void ImportAllMeshworkModels();

// 1 when a file name in a Models folder may be a model file: not a material picture (.png,
// .bmp), a pose file (_poses), a hidden file or an editor's backup (~).
int IsModelFileName(const char* name);
// The model files of the Models folder under folder (routePath for the data folder's) and its
// subfolders, as make names them ("crate", "props/barrel"), sorted; read beneath the data folder.
void ListModelFiles(const char* folder, std::vector<std::string>* names);

// Lets actors load models that are not cached yet (gLoadModelHook) and private copies import
// their own pose file (gImportModelPosesHook). Safe to call more than once.
void RegisterModelLoader();
