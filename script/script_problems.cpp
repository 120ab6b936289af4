// The problems of a compiled script beyond what its compiler says: undecodable arguments, tests
// that never hold, idles without a time, and unbalanced blocks.
#include "script/script_problems.h"

#include "script/instruction_checks.h"

std::string VXR_StatementProblem(const VXR_Statement* s)
{
    if (s->kind == kStmtInstruction)
    {
        const VXR_Instruction* in = s->instruction;
        if (!in || !in->decode || s->operands.ok) return std::string();
        if (s->operands.fault)
        {
            char problem[160];
            VXR_DescribeRecordFault(&s->operands, problem, sizeof problem);
            return std::string(in->name) + ": " + problem;
        }
        return std::string(in->name) + ": the arguments \"" + s->args + "\" cannot be used";
    }
    if (s->kind == kStmtIf && s->decoded.test == kTestFalse)
    {
        if (s->decoded.registerFault)
            return "if: register " + std::to_string(s->decoded.badRegister) + " is not 1 to 16";
        return std::string("if: the condition \"") + s->args +
               "\" cannot be tested (kind i, f, b or s, two registers, an operator <, >, <=, >=, = or !=; b "
               "and s only = and !=)";
    }
    if (s->kind == kStmtIdle && !s->decoded.ready)
        return std::string("idle: the time \"") + s->args + "\" cannot be read";
    return std::string();
}

// The blocks of a script as written: every endif, else, endrepeat and exitrepeat needs its open
// if or repeat, every if and repeat its end, and endloop a loop before it.
void VXR_StructureProblems(const VXR_Statement* first, std::vector<std::pair<int, std::string>>* out)
{
    std::vector<const VXR_Statement*> open; // if and repeat statements not yet closed
    int loops = 0;
    auto innermost = [&](char kind) -> bool { return !open.empty() && open.back()->kind == kind; };
    auto say = [&](const VXR_Statement* s, const std::string& text) { out->push_back({(int)s->line, text}); };
    for (const VXR_Statement* s = first; s; s = s->next)
    {
        switch (s->kind)
        {
        case kStmtIf:
        case kStmtRepeat:
            open.push_back(s);
            if ((int)open.size() == kMaxScriptNesting + 1)
                say(s, "blocks nested deeper than " + std::to_string(kMaxScriptNesting));
            break;
        case kStmtElse:
            if (!innermost(kStmtIf)) say(s, "else without if");
            break;
        case kStmtEndif:
            if (innermost(kStmtIf))
                open.pop_back();
            else
                say(s, "endif without if");
            break;
        case kStmtEndrepeat:
            if (innermost(kStmtRepeat))
                open.pop_back();
            else
                say(s, "endrepeat without repeat");
            break;
        case kStmtExitrepeat:
        {
            bool inRepeat = false;
            for (const VXR_Statement* o : open)
                inRepeat = inRepeat || o->kind == kStmtRepeat;
            if (!inRepeat) say(s, "exitrepeat outside a repeat");
            break;
        }
        case kStmtLoop:
            loops++;
            break;
        case kStmtEndloop:
            if (!loops) say(s, "endloop without loop");
            break;
        }
    }
    for (const VXR_Statement* s : open)
        say(s, s->kind == kStmtIf ? "if without endif" : "repeat without endrepeat");
}
