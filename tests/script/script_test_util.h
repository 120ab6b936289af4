// Helpers the compiler, interpreter and scheduling tests share: console capture, statement
// access and probe instructions that tests patch into compiled statements.
#pragma once

#include "app/output.h"
#include "app/timing.h"
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/scheduling.h"
#include "script/variables.h"
#include "world/humans.h"
#include "world/level.h"

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace scrtest
{

inline std::vector<std::string>& ConsoleLines()
{
    static std::vector<std::string> lines;
    return lines;
}

inline void CaptureConsoleLine(const char* text)
{
    ConsoleLines().push_back(text);
}

// Collects console lines while alive.
struct ConsoleCapture
{
    outputProc saved;
    ConsoleCapture() : saved(toConsole)
    {
        ConsoleLines().clear();
        toConsole = CaptureConsoleLine;
    }
    ~ConsoleCapture() { toConsole = saved; }
    bool Contains(const std::string& part) const
    {
        for (const std::string& line : ConsoleLines())
        {
            if (line.find(part) != std::string::npos) return true;
        }
        return false;
    }
};

inline VXR_Statement* StatementAt(VXR_scripter* script, int index)
{
    VXR_Statement* s = script ? script->code : nullptr;
    for (int i = 0; s && i < index; i++)
        s = s->next;
    return s;
}

inline int StatementCount(VXR_scripter* script)
{
    int n = 0;
    for (VXR_Statement* s = script ? script->code : nullptr; s; s = s->next)
        n++;
    return n;
}

// A probe instruction runs the test's current action; tests patch it into a statement compiled
// from any real instruction line.
inline std::function<void(char*)>& ProbeAction()
{
    static std::function<void(char*)> action;
    return action;
}

inline void ProbeHandler(char* args)
{
    if (ProbeAction()) ProbeAction()(args);
}

inline VXR_Instruction* ProbeInstruction()
{
    static VXR_Instruction probe = {"probe", ProbeHandler};
    return &probe;
}

inline void PatchProbe(VXR_scripter* script, int index)
{
    VXR_Statement* s = StatementAt(script, index);
    if (s) s->instruction = ProbeInstruction();
}

// Registers, clock, level flag, selection and lists back to an empty engine.
inline void ResetScriptWorld()
{
    memset(&gScriptVars, 0, sizeof(gScriptVars));
    levelChanged = 0;
    gCurrentTime = 1000;
    gOldTime = 1000;
    ProbeAction() = nullptr;
    VXR_Init();
    selHuman = nullptr;
    gHumanScriptTarget = nullptr;
}

} // namespace scrtest
