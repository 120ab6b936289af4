// Script text to statements: file reading, line splitting and preparation, the statement chain,
// instruction lookup and the macro registry. Every copy into a fixed field is bounded.
#include "script/compiler.h"

#include "core/output.h"
#include "core/problems.h"
#include "core/vecmath.h"
#include "script/decode.h"
#include "script/interpreter.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

macroScript baseMacro;
macroScript* macroPtr = &baseMacro;

// The control keywords, numbered by statement kind (1 to 10).
static const char* const kControlKeywords[] = {
    "", "if", "else", "endif", "idle", "repeat", "endrepeat", "exitrepeat", "loop", "endloop", "exitloop"};
static const int kControlKeywordCount = 11;

static int ControlKind(const char* command)
{
    for (int k = 1; k < kControlKeywordCount; k++)
    {
        if (strcmp(command, kControlKeywords[k]) == 0) return k;
    }
    return kStmtInstruction;
}

static int IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Console lines name the script by its file, or say that it has none.
static const char* ScriptName(const char* sourceName)
{
    return (sourceName && sourceName[0]) ? sourceName : "(no file)";
}

// ---------------------------------------------------------------------------------------------
// Files and strings

int ReadWholeFile(FILE* file, char* buffer)
{
    if (!buffer) return 0;
    buffer[0] = 0;
    if (!file) return 1;
    size_t n = fread(buffer, 1, kScriptTextMax, file);
    buffer[n] = 0;
    if (n < (size_t)kScriptTextMax) return 1;
    return fgetc(file) == EOF ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Instruction table

VXR_Instruction* GetVXRInstruction(const char* name)
{
    if (!name || !name[0]) return nullptr;
    for (VXR_Instruction* entry = gAllInstructions; entry->name && strcmp(entry->name, "NULL") != 0; entry++)
    {
        if (strcmp(entry->name, name) == 0) return entry;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Lines
//
// line    -> ['#' ['#']] blanks command [blanks arguments] ["//" comment]
// command -> the first word, ended by a blank or the line end; at most 31 characters
// The argument text loses every blank outside double quotes; a quote toggles the quoted state
// and stays. What remains holds at most 64 characters.

// Returns a bit set: 1 the command was cut, 2 the arguments were cut.
static int SplitLine(char* line, char* command, char* args)
{
    int cut = 0;
    command[0] = 0;
    args[0] = 0;
    char* comment = strstr(line, "//");
    if (comment) *comment = 0;

    const char* p = line;
    while (IsBlank(*p))
        p++;
    int n = 0;
    while (*p && !IsBlank(*p))
    {
        if (n < kScriptCommandMax)
            command[n++] = *p;
        else
            cut |= 1;
        p++;
    }
    command[n] = 0;
    while (IsBlank(*p))
        p++;

    int quoted = 0;
    n = 0;
    for (; *p; p++)
    {
        if (*p == '"')
            quoted = !quoted;
        else if (!quoted && IsBlank(*p))
            continue;
        if (n < kScriptArgsMax)
            args[n++] = *p;
        else
            cut |= 2;
    }
    args[n] = 0;
    return cut;
}

void MakeVXRCommandOutOfLine(char* line, char* command, char* args)
{
    if (!command || !args) return;
    if (!line)
    {
        command[0] = 0;
        args[0] = 0;
        return;
    }
    SplitLine(line, command, args);
}

// ---------------------------------------------------------------------------------------------
// Macros

int32_t VXR_MacroCode(const char* name)
{
    // Bytes are taken unsigned: a name byte of 0x80 or above then shifts no negative value, and
    // four bytes still make four distinct codes.
    uint32_t code = 0;
    for (int i = 0; i < 4 && name && name[i]; i++)
        code |= (uint32_t)(unsigned char)name[i] << (8 * (3 - i));
    return (int32_t)code;
}

VXR_scripter* GetMacroScript(int32_t code)
{
    for (macroScript* m = baseMacro.next; m; m = m->next)
    {
        if (m->code == code)
        {
            macroPtr = m;
            return m->script;
        }
    }
    return nullptr;
}

void RegisterMacro(int32_t code, VXR_scripter* script)
{
    macroPtr = &baseMacro;
    while (macroPtr->next)
    {
        macroPtr = macroPtr->next;
        if (macroPtr->code == code)
        {
            macroPtr->script = script;
            return;
        }
    }
    macroScript* entry = (macroScript*)calloc(1, sizeof(macroScript));
    if (!entry)
    {
        OutputToConsole("//Out of memory: macro not registered");
        return;
    }
    entry->code = code;
    entry->script = script;
    macroPtr->next = entry;
    macroPtr = entry;
}

void DisposeMacros()
{
    macroScript* m = baseMacro.next;
    while (m)
    {
        macroScript* next = m->next;
        free(m);
        m = next;
    }
    baseMacro.next = nullptr;
    macroPtr = &baseMacro;
}

// A disposed script must never be reached through the registry again.
static void DropMacrosOfScript(VXR_scripter* script)
{
    macroScript* before = &baseMacro;
    while (before->next)
    {
        macroScript* m = before->next;
        if (m->script == script)
        {
            before->next = m->next;
            if (macroPtr == m) macroPtr = &baseMacro;
            free(m);
        }
        else
        {
            before = m;
        }
    }
}

// A problem of the line being compiled: the console line "//Script NAME, line N: MESSAGE".
static void ReportLineProblem(const char* sourceName, int lineNumber, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

static void ReportLineProblem(const char* sourceName, int lineNumber, const char* format, ...)
{
    char message[300];
    va_list args;
    va_start(args, format);
    vsnprintf(message, sizeof message, format, args);
    va_end(args);
    char console[1400];
    snprintf(console, sizeof console, "//Script %s, line %d: %s", ScriptName(sourceName), lineNumber,
             message);
    ReportContentProblem(sourceName && sourceName[0] ? sourceName : nullptr, lineNumber, message, console);
}

// "macro" argument: a name in double quotes; the closing quote may be missing. The name is the
// text up to the next quote, so `macro ""` declares the empty name, which `mac ""` runs.
static void DeclareMacro(VXR_scripter* script, const char* args, const char* sourceName, int lineNumber)
{
    if (args[0] != '"')
    {
        ReportLineProblem(sourceName, lineNumber, "macro needs its name in double quotes; no macro declared");
        return;
    }
    const char* name = args + 1;
    int len = 0;
    while (name[len] && name[len] != '"')
        len++;
    char kept[kMacroNameMax + 1];
    int keep = len < kMacroNameMax ? len : kMacroNameMax;
    memcpy(kept, name, keep);
    kept[keep] = 0;
    if (len > kMacroNameMax)
        ReportLineProblem(sourceName, lineNumber, "macro name longer than %d characters cut to \"%s\"",
                          kMacroNameMax, kept);
    RegisterMacro(VXR_MacroCode(kept), script);
}

// ---------------------------------------------------------------------------------------------
// Compiling

void RemoveCompiledCodeFromScript(VXR_scripter* script)
{
    if (!script) return;
    VXR_Statement* s = script->code;
    while (s)
    {
        VXR_Statement* next = s->next;
        free(s);
        s = next;
    }
    script->code = nullptr;
    script->current = nullptr;
}

// Compiles one finished source line; returns the new tail of the chain.
static VXR_Statement* CompileLine(VXR_scripter* script, char* line, int lineNumber, int lineWasCut,
                                  VXR_Statement* tail, const char* sourceName)
{
    // One '#' in front is skipped, and a second one after it.
    char* p = line;
    if (p[0] == '#')
    {
        p++;
        if (p[0] == '#') p++;
    }
    char command[kScriptCommandMax + 1];
    char args[kScriptArgsMax + 1];
    if (lineWasCut)
        ReportLineProblem(sourceName, lineNumber, "line longer than %d characters cut: %.40s...",
                          kScriptLineMax, line);
    int cut = SplitLine(p, command, args);
    if (cut & 1)
        ReportLineProblem(sourceName, lineNumber, "command longer than %d characters: %s...",
                          kScriptCommandMax, command);
    if (!command[0]) return tail;

    if (strcmp(command, "macro") == 0)
    {
        DeclareMacro(script, args, sourceName, lineNumber);
        return tail;
    }
    int kind = ControlKind(command);
    VXR_Instruction* instruction = nullptr;
    if (kind == kStmtInstruction)
    {
        instruction = GetVXRInstruction(command);
        if (!instruction)
        {
            // Dropped as the language says; a misspelt keyword is still worth a line.
            if (!(cut & 1))
                ReportLineProblem(sourceName, lineNumber, "unknown instruction \"%s\", line left out",
                                  command);
            return tail;
        }
    }
    if (cut & 2)
        ReportLineProblem(sourceName, lineNumber, "arguments of %s longer than %d characters cut: %s",
                          command, kScriptArgsMax, args);

    VXR_Statement* s = (VXR_Statement*)calloc(1, sizeof(VXR_Statement));
    if (!s)
    {
        OutputToConsoleF("//Script %s: out of memory while compiling", ScriptName(sourceName));
        return tail;
    }
    s->instruction = instruction;
    memcpy(s->args, args, sizeof(s->args));
    s->kind = (char)kind;
    s->line = lineNumber;
    // A decoder that refuses a path reports it at this line.
    const char* outerFile = gProblemFile;
    int outerLine = gProblemLine;
    gProblemFile = sourceName && sourceName[0] ? sourceName : nullptr;
    gProblemLine = lineNumber;
    VXR_DecodeStatement(s);
    s->op = VXR_RunOp(s);
    gProblemFile = outerFile;
    gProblemLine = outerLine;
    if (tail)
        tail->next = s;
    else
        script->code = s;
    return s;
}

static void CompileScriptNamed(VXR_scripter* script, const char* sourceName)
{
    if (!script) return;
    RemoveCompiledCodeFromScript(script);
    // The text field is always terminated within its size, whatever wrote it.
    script->text[kScriptTextSize - 1] = 0;
    size_t length = strlen(script->text);
    if (length == 0) return;
    if (script->text[length - 1] != '\r' && length + 1 < (size_t)kScriptTextSize)
    {
        script->text[length] = '\r';
        script->text[length + 1] = 0;
        length++;
    }

    char line[kScriptLineMax + 1];
    int lineLength = 0;
    int lineWasCut = 0;
    int lineNumber = 1;
    VXR_Statement* tail = nullptr;
    for (size_t i = 0; i <= length; i++)
    {
        char c = script->text[i];
        // The end of the text closes a last line that has no line end of its own.
        if (c == '\r' || c == '\n' || c == 0)
        {
            line[lineLength] = 0;
            if (lineLength > 0) tail = CompileLine(script, line, lineNumber, lineWasCut, tail, sourceName);
            lineLength = 0;
            lineWasCut = 0;
            if (!(c == '\n' && i > 0 && script->text[i - 1] == '\r')) lineNumber++;
            continue;
        }
        if (lineLength < kScriptLineMax)
            line[lineLength++] = c;
        else
            lineWasCut = 1;
    }
    VXR_LinkBranches(script->code);
    script->current = script->code;
}

void CompileScript(VXR_scripter* script)
{
    if (!script) return;
    CompileScriptNamed(script, script->path);
}

VXR_scripter* NewVXRScriptNamed(const char* text, const char* sourceName)
{
    VXR_scripter* script = (VXR_scripter*)calloc(1, sizeof(VXR_scripter));
    if (!script)
    {
        OutputToConsoleF("//Script %s: out of memory", ScriptName(sourceName));
        return nullptr;
    }
    if (text)
    {
        size_t length = strlen(text);
        if (length > (size_t)kScriptTextMax)
        {
            char message[120], console[1200];
            snprintf(message, sizeof message, "longer than %d characters, the rest is ignored",
                     kScriptTextMax);
            snprintf(console, sizeof console, "//Script %s: %s", ScriptName(sourceName), message);
            ReportContentProblem(sourceName && sourceName[0] ? sourceName : nullptr, 0, message, console);
            length = kScriptTextMax;
        }
        memcpy(script->text, text, length);
        script->text[length] = 0;
    }
    CompileScriptNamed(script, sourceName);
    return script;
}

VXR_scripter* NewVXRScript(const char* text)
{
    return NewVXRScriptNamed(text, "");
}

void DisposeScript(VXR_scripter* script)
{
    if (!script) return;
    RemoveCompiledCodeFromScript(script);
    DropMacrosOfScript(script);
    VXR_ForgetDisposedScript(script);
    if (scriptPtr == script) scriptPtr = nullptr;
    free(script);
}
