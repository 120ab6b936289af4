// The level editor's memory, kept by the engine because a script cannot keep it well: the history
// of edits that undo takes back and redo does again, and the clipboard of copy and paste. An edit
// is any change to what a save writes of the level's actors (their person lines) and its start.
// The script that edits says where one edit ends (CommitLevelEdit), so that a move made over many
// ticks is one step. Actors are known by their levelOrder, which outlives their records: an undo
// that brings back a removed actor gives it its place again.
#pragma once

struct human_being;

// Steps kept; the oldest goes when one more is made.
const int kMaxEditSteps = 1000;

// An empty history that starts from the level as it is now, as its files hold it. Every level
// load calls it.
void ResetLevelEdits();

// Ends the edit under way: what changed since the last step (or the load) becomes one step, and
// whatever could be redone is dropped. 1 when something had changed, else 0 (no step).
int CommitLevelEdit();

// Takes back the last step (ending the edit under way first), or does the last step taken back
// again: each actor of the step is put back as it was (removed, made again in its place, or
// changed where it differs) and the start with them. 1 when there was a step.
int UndoLevelEdit();
int RedoLevelEdit();

// Steps undo can take back, steps redo can do again, and 1 when the level is not as its files
// were last read or written (a step since, or an edit under way).
void LevelEditCounts(int* undoable, int* redoable, int* unsaved);

// The level's files now hold the level as it is: the edit under way becomes a step, and the
// history remembers where the files stand (a save writes over none of it).
void NoteLevelSaved();

// The clipboard: the actor's person line. 0 for null.
int CopyActorToClipboard(const human_being* h);
// A new actor made from the clipboard, named as the next of its model (not after the copied
// actor), with the next levelOrder; null when the clipboard is empty or the actor cannot be made.
human_being* PasteActorFromClipboard();
