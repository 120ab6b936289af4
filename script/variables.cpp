// Script registers and named variables: install, lookup and the typed accessors. Owns the
// storage of the variables scripts define; engine-bound entries only point at engine globals.
#include "script/variables.h"

#include "core/output.h"
#include "core/vecmath.h"
#include "world/humans.h"

#include <cstdlib>
#include <cstring>

variable_list gScriptVars;
vaPtr gGameVariables;
vaPtr* gVarPtr = &gGameVariables;
float gGameSpeedFactor = 1.0f;
uint32_t gVariableGeneration = 1;

// Every list change goes through here; 0 is kept for "never resolved".
static void VariablesChanged()
{
    if (++gVariableGeneration == 0) gVariableGeneration = 1;
}

// Engine-bound entries point at one 32-bit int or float.
static const int kBoundStorageSize = 4;

int VXR_CopyText(char* dst, int size, const char* src)
{
    if (!dst || size <= 0) return 0;
    if (!src) src = "";
    int n = 0;
    while (n < size - 1 && src[n])
        n++;
    memcpy(dst, src, n);
    dst[n] = 0;
    return src[n] != 0;
}

static vaPtr* NewVariableEntry(const char* name, void* pointer, int ownStorage)
{
    vaPtr* entry = (vaPtr*)calloc(1, sizeof(vaPtr));
    if (!entry) return nullptr;
    if (VXR_CopyText(entry->name, sizeof(entry->name), name))
        OutputToConsoleF("//Script variable name longer than %d characters, cut: %s", kVariableNameSize - 1,
                         entry->name);
    if (ownStorage)
    {
        entry->value = calloc(1, kVariableStorageSize);
        if (!entry->value)
        {
            free(entry);
            return nullptr;
        }
    }
    else
        entry->value = pointer;
    entry->ownsStorage = ownStorage ? 1 : 0;
    entry->next = nullptr;
    return entry;
}

static vaPtr* FindInList(vaPtr* first, const char* name)
{
    for (vaPtr* v = first; v; v = v->next)
        if (VXR_EqualString(v->name, name)) return v;
    return nullptr;
}

// Compares as the stored name would, so a name that was cut at install is still found by its full text.
static vaPtr* FindByStoredName(vaPtr* first, const char* name)
{
    char key[kVariableNameSize];
    VXR_CopyText(key, sizeof(key), name);
    return FindInList(first, key);
}

void InstallVXRVariablePointer(const char* name, void* pointer, int ownStorage)
{
    if (!name) return;
    // A second definition would never be reached by a lookup; refusing it keeps scripts that
    // define inside a loop from growing the list every pass.
    vaPtr* existing = FindByStoredName(gGameVariables.next, name);
    if (existing)
    {
        gVarPtr = existing;
        return;
    }
    vaPtr* entry = NewVariableEntry(name, pointer, ownStorage);
    if (!entry) return;
    vaPtr* last = &gGameVariables;
    while (last->next)
        last = last->next;
    last->next = entry;
    gVarPtr = entry;
    VariablesChanged();
}

void InstallHumanVariablePointer(human_being* actor, const char* name, void* pointer, int ownStorage)
{
    if (!actor || !name) return;
    if (FindByStoredName(actor->variables, name)) return;
    vaPtr* entry = NewVariableEntry(name, pointer, ownStorage);
    if (!entry) return;
    VariablesChanged();
    if (!actor->variables)
    {
        actor->variables = entry;
        return;
    }
    vaPtr* last = actor->variables;
    while (last->next)
        last = last->next;
    last->next = entry;
}

vaPtr* GetHumanVarEntry(human_being* actor, const char* name)
{
    if (!actor || !name) return nullptr;
    return FindByStoredName(actor->variables, name);
}

vaPtr* GetVarEntry(const char* name)
{
    if (!name) return nullptr;
    if (selHuman)
    {
        vaPtr* own = GetHumanVarEntry(selHuman, name);
        if (own) return own;
    }
    vaPtr* global = FindByStoredName(gGameVariables.next, name);
    if (global) gVarPtr = global;
    return global;
}

int GetVarStorageSize(const vaPtr* entry)
{
    if (!entry || !entry->value) return 0;
    return entry->ownsStorage ? kVariableStorageSize : kBoundStorageSize;
}

vaPtr* VXR_ResolveVariableAgain(const char* name, VXR_VariableRef* ref)
{
    ref->entry = GetVarEntry(name);
    ref->global = ref->entry && ref->entry == gVarPtr;
    ref->generation = gVariableGeneration;
    ref->actor = selHuman;
    return ref->entry;
}

void VXR_EntryText(const vaPtr* v, char* out, int outSize)
{
    if (!out || outSize <= 0) return;
    out[0] = 0;
    int size = GetVarStorageSize(v);
    if (size <= 0) return;
    const char* text = (const char*)v->value;
    int n = 0;
    while (n < size && n < outSize - 1 && text[n])
        n++;
    memcpy(out, text, n);
    out[n] = 0;
}

void VXR_SetEntryText(vaPtr* v, const char* text)
{
    int size = GetVarStorageSize(v);
    if (size <= 0) return;
    VXR_CopyText((char*)v->value, size, text);
}

int GetInt(const char* name)
{
    return VXR_EntryInt(GetVarEntry(name));
}

float GetFloat(const char* name)
{
    return VXR_EntryFloat(GetVarEntry(name));
}

int GetBoolean(const char* name)
{
    return GetInt(name);
}

char* GetString_VXR(const char* name)
{
    static char empty[1];
    vaPtr* v = GetVarEntry(name);
    if (!v || !v->value)
    {
        empty[0] = 0;
        return empty;
    }
    return (char*)v->value;
}

void GetVarText(const char* name, char* out, int outSize)
{
    VXR_EntryText(GetVarEntry(name), out, outSize);
}

void SetInt(const char* name, int value)
{
    VXR_SetEntryInt(GetVarEntry(name), value);
}

void SetFloat(const char* name, float value)
{
    VXR_SetEntryFloat(GetVarEntry(name), value);
}

void SetBoolean(const char* name, int value)
{
    SetInt(name, value);
}

void SetString_VXR(const char* name, const char* text)
{
    VXR_SetEntryText(GetVarEntry(name), text);
}

void DisposeVariableList(vaPtr* first)
{
    VariablesChanged();
    while (first)
    {
        vaPtr* next = first->next;
        if (first->ownsStorage) free(first->value);
        free(first);
        first = next;
    }
}

void DisposeHumanVariables(human_being* actor)
{
    if (!actor) return;
    DisposeVariableList(actor->variables);
    actor->variables = nullptr;
    VariablesChanged();
}

void ClearGlobalVariables()
{
    DisposeVariableList(gGameVariables.next);
    gGameVariables.next = nullptr;
    gVarPtr = &gGameVariables;
}

void (*gEngineVariablesHook)() = nullptr;

void InstallEngineVariables()
{
    if (gEngineVariablesHook) gEngineVariablesHook();
    InstallVXRVariablePointer("gameSpeed", &gGameSpeedFactor, 0);
}
