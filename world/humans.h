// The actor roster (the record itself is model/actor_record.h): creating actors from model
// files, naming, lookup, removal and the per-frame drawing order (farthest first).
#pragma once

#include "model/actor_record.h"

#include <cstdint>

struct mesh_mod;

enum
{
    kMaxHumans = 256 // the drawing-order table holds this many
};

// The roster's head record (never an actor; the roster is baseHuman->next, ...), its shared
// cursor (roster functions leave it on the last record they touched; AddHuman leaves it on the
// new actor) and the actor that script instructions act on.
extern human_being* baseHuman;
extern human_being* humanPtr;
extern human_being* selHuman;

// Raised whenever the roster gains, loses or reorders actors (the functions below are the only
// ones that relink it), so that what is derived from its order knows when to be rebuilt.
extern uint32_t gRosterVersion;

// The levelOrder the next actor appended gets; back to 0 when the roster is emptied.
extern int32_t gNextLevelOrder;

// Allocates the roster head when it is still null.
void EnsureHumanRoster();

// Defaults for every field but name, model, scale, the queued pose fields, viewDistance and next.
void ZeroHuman(human_being* h);

// Creates an actor for the model file "<level folder>Models/<modelFile>", or under the data
// root when the level lacks it, with a private copy of the cached model (loading it into the
// cache first through gLoadModelHook when it is not cached). Returns the actor, appended at
// the roster's tail and named by BuildFreeHumanNameByModelSignature, or null with nothing
// changed: a name that is absolute or holds a ".." component (refused with a console line), no
// such file, the model could not be loaded, or the roster already holds kMaxHumans. Why it
// returned null is left in gAddHumanFailure; every reason but kAddHumanNoModel has been said on
// the console already.
human_being* AddHuman(const char* modelFile);
enum
{
    kAddHumanNoModel = 1, // no such model file in either Models folder
    kAddHumanRefused,     // the name leads out of the data folder
    kAddHumanRosterFull,  // kMaxHumans actors already
    kAddHumanModelFailed  // the file is there but did not load
};
extern int gAddHumanFailure;

// The cache entry for modelFile, loaded from path into a new entry at the cache's tail when it
// is not cached yet (through gLoadModelHook). Null, with a console line, when it cannot be had.
mesh_mod* ObtainCachedModel(const char* modelFile, const char* path);

// Appends an actor with the defaults, scale 100, an empty name, no model and the next
// levelOrder at the roster's tail and leaves humanPtr on it; for loaders that fill the record
// themselves. Null, with a console line, when the roster already holds kMaxHumans actors.
human_being* AppendNewHuman();

// Gives h a private copy of entry in place of its model (a model file changed on disk): the new
// copy at h's scale, in h's pose pair, the old copy disposed of. Materials a script set on the
// old copy are not carried over. Null entry or h is ignored.
void RenewHumanModel(human_being* h, mesh_mod* entry);

// Unlinks and disposes of an actor. Null or an actor not in the roster is ignored. Clears
// selHuman when it was the actor; humanPtr is left on the record before it.
void RemoveHuman(human_being* h);

// Frees the actor's model copy, scripts and variables and the record; does not unlink.
// selHuman and humanPtr stop pointing at it.
void DisposeHuman(human_being* h);

// Disposes of every actor and empties the roster (used when a level is unloaded).
void RemoveAllHumans();

// Number of actors in the roster.
int CountHumans();

// First actor whose name equals name exactly, else null.
human_being* GetHumanByName(const char* name);
// 1 when an actor of the level bore name before it was removed (the level's unload forgets
// them): a script that looks such an actor up finds nobody, and that is no mistake.
int HumanNameWasUsed(const char* name);
// The actor whose levelOrder is order, else null. Leaves humanPtr alone.
human_being* GetHumanByLevelOrder(int32_t order);

// 1 when another roster actor has the same name as h.
int HumanNameAlreadyUsed(human_being* h);

// Names h "<model file name><n>" with the smallest n >= 1 that no other actor's name takes,
// letters compared regardless of case: the level's own numbering goes on, so beside "Crate1"
// and "Crate2" a crate is "Crate3" (spelt as the first of them in level order), never "crate1".
// The model part is cut so that the number always fits. Null is ignored.
void BuildFreeHumanNameByModelSignature(human_being* h);

// First record from first on whose sortNumber is n, else null.
human_being* GetHumanByNumber(human_being* first, int n);

// Raises by one the sortNumber of the records numbered count-1 down to from.
void IncreaseHumanNumbers(human_being* first, int from, int count);

// Re-links the roster farthest first (distance to the eye, or to the origin for onHud
// actors); equal distances keep their roster order. Allocates nothing. Actors beyond
// kMaxHumans stay behind the sorted ones in their order.
void SortHumansForBlending();

// Hooks the later pieces register; all null by default.
// Disposes of an actor's scripts and empties its list (the script scheduler).
extern void (*gDisposeHumanScriptsHook)(human_being* h);
// Disposes of an actor's own variables and empties its list (the script variables).
extern void (*gDisposeHumanVariablesHook)(human_being* h);
// Told just before an actor's record is freed, so pointers to it can be dropped.
extern void (*gHumanDisposedHook)(human_being* h);
// The player's eye position for the drawing order; the origin while null.
extern vector_type (*gEyePositionHook)();
// The loaded level's folder (ending with the separator) and the data root; "" while null.
extern const char* (*gLevelFolderHook)();
extern const char* (*gRoutePathHook)();
