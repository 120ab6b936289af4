// The edit history and the clipboard of the level editor. A step holds, for every actor it
// changed, its person line before and after (none for an actor not there); the start is one more
// entry. Lines are the level writer's own, so a step undone gives back exactly what a save of it
// would have written.
#include "world/level_edits.h"

#include "core/output.h"
#include "world/humans.h"
#include "world/level_state.h"
#include "world/level_files.h"

#include <climits>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace
{

// The start's key among the actors' levelOrders.
const int32_t kStartKey = INT32_MIN;

// What a save writes of the level, by levelOrder: actors' person lines and the start.
typedef std::map<int32_t, std::string> levelState;

struct editChange
{
    int32_t order;
    bool before, after; // the actor was there before the step, is there after it
    std::string beforeLine, afterLine;
};
typedef std::vector<editChange> editStep;

struct editHistory
{
    std::deque<editStep> steps;
    size_t done = 0;      // steps[0, done) are done; the rest can be redone
    long savedAt = 0;     // done when the files last held the level; -1 when no step leads there
    levelState committed; // the level as of the last step
    std::string clipboard;
};

editHistory gHistory;

std::string StartLine(const levelStart& s)
{
    const float values[6] = {s.eye.x, s.eye.y, s.eye.z, s.pitch, s.heading, s.roll};
    std::string text;
    char number[64];
    for (int i = 0; i < 6; i++)
    {
        FormatLevelNumber(values[i], number, sizeof number);
        text += (i ? "," : "") + std::string(number);
    }
    return text;
}

levelState CurrentState()
{
    levelState state;
    for (human_being* h = baseHuman ? baseHuman->next : nullptr; h; h = h->next)
        if (h->model) state[h->levelOrder] = PersonLineOf(h);
    state[kStartKey] = StartLine(gLevelStart);
    return state;
}

editStep Difference(const levelState& from, const levelState& to)
{
    editStep step;
    auto a = from.begin(), b = to.begin();
    while (a != from.end() || b != to.end())
    {
        if (b == to.end() || (a != from.end() && a->first < b->first))
        {
            step.push_back({a->first, true, false, a->second, std::string()});
            ++a;
        }
        else if (a == from.end() || b->first < a->first)
        {
            step.push_back({b->first, false, true, std::string(), b->second});
            ++b;
        }
        else
        {
            if (a->second != b->second) step.push_back({a->first, true, true, a->second, b->second});
            ++a;
            ++b;
        }
    }
    return step;
}

// Puts one actor (or the start) as a step says it was or is.
void PutBack(int32_t order, bool there, const std::string& line)
{
    if (order == kStartKey)
    {
        levelStart s = gLevelStart;
        if (sscanf(line.c_str(), "%f,%f,%f,%f,%f,%f", &s.eye.x, &s.eye.y, &s.eye.z, &s.pitch, &s.heading,
                   &s.roll) == 6)
            gLevelStart = s;
        return;
    }
    human_being* h = GetHumanByLevelOrder(order);
    if (!there)
    {
        if (h) RemoveHuman(h);
        return;
    }
    if (h)
    {
        ApplyPersonLine(h, line.c_str());
        return;
    }
    personRecord record;
    char text[kLevelLineMax + 1];
    snprintf(text, sizeof text, "%s", line.c_str());
    if (!ParsePersonLine(text, &record, "(edit history)", 0)) return;
    char listPath[1100];
    snprintf(listPath, sizeof listPath, "%sperson", currentLevelFolder);
    h = AddHumanFromPersonRecord(&record, listPath, 0, 0);
    if (h) h->levelOrder = order;
}

void DropOldestSteps()
{
    while (gHistory.steps.size() > (size_t)kMaxEditSteps)
    {
        gHistory.steps.pop_front();
        gHistory.done--;
        gHistory.savedAt = gHistory.savedAt > 0 ? gHistory.savedAt - 1 : -1;
    }
}

} // namespace

void ResetLevelEdits()
{
    gHistory.steps.clear();
    gHistory.done = 0;
    gHistory.savedAt = 0;
    gHistory.committed = CurrentState();
}

int CommitLevelEdit()
{
    levelState now = CurrentState();
    editStep step = Difference(gHistory.committed, now);
    if (step.empty()) return 0;
    gHistory.steps.resize(gHistory.done);
    // The files' state was among the steps now dropped: no undo or redo leads back to it.
    if (gHistory.savedAt > (long)gHistory.done) gHistory.savedAt = -1;
    gHistory.steps.push_back(step);
    gHistory.done++;
    gHistory.committed = now;
    DropOldestSteps();
    return 1;
}

int UndoLevelEdit()
{
    CommitLevelEdit();
    if (gHistory.done == 0) return 0;
    const editStep& step = gHistory.steps[--gHistory.done];
    for (auto c = step.rbegin(); c != step.rend(); ++c)
        PutBack(c->order, c->before, c->beforeLine);
    gHistory.committed = CurrentState();
    return 1;
}

int RedoLevelEdit()
{
    // An edit under way is a new step, which leaves nothing to redo.
    if (CommitLevelEdit() || gHistory.done == gHistory.steps.size()) return 0;
    const editStep& step = gHistory.steps[gHistory.done++];
    for (const editChange& c : step)
        PutBack(c.order, c.after, c.afterLine);
    gHistory.committed = CurrentState();
    return 1;
}

void LevelEditCounts(int* undoable, int* redoable, int* unsaved)
{
    const bool pending = CurrentState() != gHistory.committed;
    // An edit under way is one more step to take back, and it ends what could be redone.
    if (undoable) *undoable = (int)gHistory.done + (pending ? 1 : 0);
    if (redoable) *redoable = pending ? 0 : (int)(gHistory.steps.size() - gHistory.done);
    if (unsaved) *unsaved = pending || gHistory.savedAt != (long)gHistory.done;
}

void NoteLevelSaved()
{
    CommitLevelEdit();
    gHistory.savedAt = (long)gHistory.done;
}

int CopyActorToClipboard(const human_being* h)
{
    if (!h || !h->model) return 0;
    gHistory.clipboard = PersonLineOf(h);
    return 1;
}

human_being* PasteActorFromClipboard()
{
    if (gHistory.clipboard.empty()) return nullptr;
    personRecord record;
    char text[kLevelLineMax + 1];
    snprintf(text, sizeof text, "%s", gHistory.clipboard.c_str());
    if (!ParsePersonLine(text, &record, "(clipboard)", 0)) return nullptr;
    // The copy is a new actor of its model: named as the level numbers that model.
    record.name[0] = 0;
    char listPath[1100];
    snprintf(listPath, sizeof listPath, "%sperson", currentLevelFolder);
    return AddHumanFromPersonRecord(&record, listPath, 0, 0);
}
