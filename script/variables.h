// Script registers and named script variables: the shared register file, the global variable
// list with the engine-bound settings, and each actor's own list. Lookups follow the selected actor.
#pragma once

#include <cstdint>
#include <cstring>

struct human_being;

// Each text register holds at most this many characters before its terminator.
const int kScriptStringMax = 31;
const int kScriptRegisterCount = 16;
// Storage that `def` gives a variable of its own; holds an int, a float or a 31-character text.
const int kVariableStorageSize = 32;
const int kVariableNameSize = 68;

// The register file every script shares. Script text numbers registers from 1.
struct variable_list
{
    double f[kScriptRegisterCount];
    int32_t i[kScriptRegisterCount];
    int32_t b[kScriptRegisterCount];
    char s[kScriptRegisterCount][kScriptStringMax + 1];
};

// One named variable. An entry that does not own its storage is bound to a 32-bit engine
// global (an int or a float); the accessor used decides how the bytes are read.
struct vaPtr
{
    char name[kVariableNameSize];
    void* value;
    int32_t ownsStorage;
    vaPtr* next;
};

// Bumped whenever any variable list changes: an entry installed, a list freed (an actor removed,
// a reset). A name resolved under one generation is valid until the next.
extern uint32_t gVariableGeneration;

// A name's entry kept between runs of a statement: valid while gVariableGeneration and the
// selected actor are those it was resolved under. The actor is compared, never dereferenced.
struct VXR_VariableRef
{
    uint32_t generation; // 0: not resolved yet
    const human_being* actor;
    vaPtr* entry;   // null: no variable of that name
    int32_t global; // the entry is in the global list
};

// Zero-filled at start and never reset: a level change keeps the registers.
extern variable_list gScriptVars;
// Head of the global list (not a variable itself); entries follow from its next in install order.
extern vaPtr gGameVariables;
// Left on the global entry last found or installed.
extern vaPtr* gVarPtr;
// A game speed setting that only scripts read and write, through the variable "gameSpeed".
extern float gGameSpeedFactor;

// Appends an entry to the global list. With ownStorage non-zero the entry gets 32 zeroed bytes
// of its own and pointer is ignored. A name the global list already holds is not installed
// again: the existing entry stays in force and gVarPtr is left on it.
void InstallVXRVariablePointer(const char* name, void* pointer, int ownStorage);
// Appends an entry to the actor's list unless the list already holds the name. Null actor: ignored.
void InstallHumanVariablePointer(human_being* actor, const char* name, void* pointer, int ownStorage);
vaPtr* GetHumanVarEntry(human_being* actor, const char* name);
// The selected actor's entry of that name if there is one, else the first global entry, else null.
vaPtr* GetVarEntry(const char* name);

// The selected actor (world/humans.h): lookups search its list first.
extern human_being* selHuman;

// GetVarEntry(name), kept in ref.
vaPtr* VXR_ResolveVariableAgain(const char* name, VXR_VariableRef* ref);
// GetVarEntry(name) through ref: looks the name up only when ref is stale, and moves gVarPtr
// as GetVarEntry does.
inline vaPtr* VXR_ResolveVariable(const char* name, VXR_VariableRef* ref)
{
    if (ref->generation != gVariableGeneration || ref->actor != selHuman)
        return VXR_ResolveVariableAgain(name, ref);
    if (ref->global) gVarPtr = ref->entry;
    return ref->entry;
}

// Reading and writing one entry; a null entry reads as 0, 0.0 or "" and takes no writes. Reads
// and writes go through memcpy: owned storage is malloc-aligned, but the bytes may have been
// written as another type, and memcpy is the defined way to reinterpret them.
inline int VXR_EntryInt(const vaPtr* v)
{
    int32_t x = 0;
    if (v && v->value) memcpy(&x, v->value, sizeof(x));
    return x;
}

inline float VXR_EntryFloat(const vaPtr* v)
{
    float x = 0.0f;
    if (v && v->value) memcpy(&x, v->value, sizeof(x));
    return x;
}

inline void VXR_SetEntryInt(vaPtr* v, int value)
{
    int32_t x = value;
    if (v && v->value) memcpy(v->value, &x, sizeof(x));
}

inline void VXR_SetEntryFloat(vaPtr* v, float value)
{
    if (v && v->value) memcpy(v->value, &value, sizeof(value));
}
// Text reads never go past the entry's storage; writes are cut to what it holds, terminated.
void VXR_EntryText(const vaPtr* entry, char* out, int outSize);
void VXR_SetEntryText(vaPtr* entry, const char* text);

// Unknown names read as 0, 0.0 or the empty text; setters ignore unknown names.
int GetInt(const char* name);
float GetFloat(const char* name);
int GetBoolean(const char* name);
// The storage itself, not a copy. Use GetVarText to read it with its size bound respected.
char* GetString_VXR(const char* name);
void SetInt(const char* name, int value);
void SetFloat(const char* name, float value);
void SetBoolean(const char* name, int value);
// Copies text, cut to what the storage holds (31 characters in owned storage, 3 in an
// engine-bound 32-bit global), always terminated.
void SetString_VXR(const char* name, const char* text);

// Bytes of storage behind an entry: 32 when owned, 4 for an engine-bound int or float.
int GetVarStorageSize(const vaPtr* entry);
// Copies the variable's text into out (outSize bytes), never reading past its storage even when
// the bytes hold no terminator (an engine int read as text). Unknown names give "".
void GetVarText(const char* name, char* out, int outSize);

// Frees every entry of a list starting at first, with the storage the entries own.
void DisposeVariableList(vaPtr* first);
// Frees the actor's variables and leaves its list empty. Null actor: ignored.
void DisposeHumanVariables(human_being* actor);
// Empties the global list (engine reset) and leaves gVarPtr on its head.
void ClearGlobalVariables();
// Binds "doMouseView", "doFog", "gFogStart", "gFogEnd" and "gameSpeed", in that order. All but
// "gameSpeed" live above the script layer: the program binds them through gEngineVariablesHook,
// which it registers at start-up.
void InstallEngineVariables();
extern void (*gEngineVariablesHook)();

// Copies at most size - 1 characters of src into dst and terminates it. Returns 1 when src was cut.
int VXR_CopyText(char* dst, int size, const char* src);
