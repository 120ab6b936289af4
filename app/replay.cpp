// The seam between the game and its outside: live reading, recording and replaying of the clock,
// the input, the window events and the few answers asked for at no set place (app/replay.h says
// what a recording holds and why that is enough). Its own lines go to standard output only: a
// line in the game's console would show in a replay's picture and not in the recorded one's.
#include "app/replay.h"

#include "app/content_hash.h"
#include "app/settings.h"
#include "app/screen.h"
#include "app/timing.h"
#include "core/clock.h"
#include "core/content_memory.h"
#include "core/output.h"
#include "platform/keys.h"
#include "resources/paths.h"
#include "script/interpreter.h"
#include "script/random.h"
#include "script/variables.h"
#include "world/camera.h"
#include "world/humans.h"

#include <csignal>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <vector>

int gOutsideMode = kOutsideLive;

namespace
{

// A state check every this many ticks (one a second).
const long kCheckEveryTicks = 50;
// A recording's pending entries go to the file at least this often (ms of the clock), so a crash
// loses at most this much; a fatal signal writes the rest.
const int64_t kFlushEveryMs = 1000;
const int kFlushPendingBytes = 16384;
// A replay's script run goes on past the watchdog's limit when it was not stopped in the
// recording (this machine may be slower), but not beyond this many times the limit.
const double kReplayWatchdogSlack = 10.0;

recordingWriter gWriter = {-1, {0}, 0, -1, 0, 0, {0}, 0};
recordingReader gReader;
char gFilePath[1100];

// Both modes: the input as of the last tick (recorded changes are taken against it), the ticks
// of the pass under way, the ticks and passes so far.
recordedInput gLastInput;
int gTicksThisPass = 0;
int gPassRan = 0;            // a pass has run (its ticks are counted in gTicksThisPass)
int gRecordedPassNoTick = 0; // a replay: the recorded pass ran no tick
long gTicks = 0;
long gPasses = 0;
uint64_t gWatchdogReadings = 0;

// Recording.
int64_t gLastFlushMs = 0;
int gHeaderWritten = 0;
std::vector<std::string> gEarlyLines; // outside lines from before the header was written
outputProc gLinesSink = nullptr;
int gCapturingLines = 0;
struct sigaction gOldActions[NSIG];
const int kFlushSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTERM, SIGINT, SIGHUP, SIGQUIT};

// Replaying: one entry read ahead, and the answers read ahead that wait for their question.
enum
{
    kPeekNone = 0,
    kPeekHave,
    kPeekEnd,    // the file ended after a whole block
    kPeekProblem // cut short or damaged
};
recordingOp gPeek;
int gPeekState = kPeekNone;
struct answer
{
    int kind;
    int64_t value;
    std::string text;
};
const size_t kAnswersMax = 256;
std::vector<answer> gAnswers;
int gReplayDone = 0;
char gReplayEnd[80] = "";
int gRecordedEnd = 0; // the recording's end entry was reached
uint32_t gRecordedEndCheck = 0;
char gRecordedEndReason[kRecordedLineMax + 1] = "";
int gDiverged = 0;
long gDivergedAtPass = 0;
long gChecksAlike = 0;
int gUserClosed = 0;
int gResizeWarned = 0;

void Say(const char* format, ...)
{
    char line[1400];
    va_list args;
    va_start(args, format);
    vsnprintf(line, sizeof line, format, args);
    va_end(args);
    // A recording's texts (its engine, its date, why its game ended) are a stranger's bytes.
    MyOutputToConsole(PrintableText(line, 0).c_str());
}

void Write(const recordingOp& op)
{
    if (gOutsideMode != kOutsideRecorded) return;
    WriteRecordingOp(&gWriter, &op);
}

void WriteValue(int kind, int64_t value)
{
    static recordingOp op; // the entry record is large; one does for every small entry
    op.kind = kind;
    op.value = value;
    Write(op);
}

void WriteLine(const char* text)
{
    static recordingOp op;
    op.kind = kOpLine;
    op.value = 0;
    snprintf(op.text, sizeof op.text, "%s", text);
    if (op.text[0]) Write(op);
}

// ---------------------------------------------------------------------------------------------
// Replay reading

int Peek()
{
    if (gPeekState == kPeekNone)
    {
        const int got = ReadRecordingOp(&gReader, &gPeek);
        gPeekState = got > 0 ? kPeekHave : got == 0 ? kPeekEnd : kPeekProblem;
    }
    return gPeekState == kPeekHave ? gPeek.kind : kOpNone;
}

void Take()
{
    gPeekState = kPeekNone;
}

void Diverged(const char* what, ...)
{
    if (gDiverged) return;
    gDiverged = 1;
    gDivergedAtPass = gPasses;
    char text[400];
    va_list args;
    va_start(args, what);
    vsnprintf(text, sizeof text, what, args);
    va_end(args);
    Say("//Replay: the game went its own way at pass %ld (game time %u ms): %s", gPasses, gCurrentTime, text);
}

// The answers that follow the entry just taken wait for their questions.
void ReadAhead()
{
    while (IsRecordingAnnotation(Peek()))
    {
        if (gAnswers.size() >= kAnswersMax)
        {
            // No game asks that much between two ticks: the file is damaged.
            snprintf(gReader.problem, sizeof gReader.problem,
                     "is damaged (more than %zu answers in a row) at byte %lld", kAnswersMax,
                     gReader.blockAt);
            gPeekState = kPeekProblem;
            return;
        }
        gAnswers.push_back({gPeek.kind, gPeek.value, gPeek.kind == kOpLine ? gPeek.text : ""});
        Take();
    }
}

// Takes the waiting answer of the kind; 0 when there is none.
int TakeAnswer(int kind, answer* out)
{
    for (size_t i = 0; i < gAnswers.size(); i++)
        if (gAnswers[i].kind == kind)
        {
            if (out) *out = gAnswers[i];
            gAnswers.erase(gAnswers.begin() + (long)i);
            return 1;
        }
    return 0;
}

const char* AnswerName(int kind)
{
    switch (kind)
    {
    case kOpWatchdog:
        return "a script run stopped by the watchdog";
    case kOpVirtual:
        return "the cursor put back to the centre";
    case kOpLine:
        return "a console line from outside";
    default:
        return "a state check";
    }
}

// Before the next entry of the set order is taken, every answer read ahead must have been asked
// for: one left over is something the recorded game did that this one did not.
void TakeInOrder()
{
    if (!gAnswers.empty()) Diverged("the recorded game had %s here", AnswerName(gAnswers[0].kind));
    gAnswers.clear();
    Take();
}

// Whether the pass that ran ticked as the recorded one did.
void CheckPassTicks()
{
    if (gPassRan && gRecordedPassNoTick != (gTicksThisPass == 0))
        Diverged(gTicksThisPass ? "this game ran a tick in a pass the recorded one ran none in"
                                : "this game ran no tick in a pass the recorded one ticked in");
}

int StreamEnded()
{
    Peek();
    return gPeekState == kPeekEnd || gPeekState == kPeekProblem;
}

// ---------------------------------------------------------------------------------------------
// Recording

void CaptureOutsideLine(const char* text)
{
    if (gLinesSink) gLinesSink(text);
    if (!text || !text[0]) return;
    if (gHeaderWritten)
        WriteLine(text);
    else if (gEarlyLines.size() < kAnswersMax)
        gEarlyLines.push_back(text);
}

int WatchdogDecision(double seconds)
{
    gWatchdogReadings++;
    if (gOutsideMode == kOutsideRecorded)
    {
        const int stop = seconds >= gScriptRunTimeLimit;
        if (stop) WriteValue(kOpWatchdog, (int64_t)gWatchdogReadings);
        return stop;
    }
    for (size_t i = 0; i < gAnswers.size(); i++)
        if (gAnswers[i].kind == kOpWatchdog && (uint64_t)gAnswers[i].value == gWatchdogReadings)
        {
            gAnswers.erase(gAnswers.begin() + (long)i);
            return 1;
        }
    if (seconds < gScriptRunTimeLimit * kReplayWatchdogSlack) return 0;
    Diverged("a script ran far longer than it did in the recorded game");
    return 1;
}

void FlushOnSignal(int sig, siginfo_t* info, void*)
{
    FlushRecordingInSignal(&gWriter);
    sigaction(sig, &gOldActions[sig], nullptr);
    // A fault comes back when the handler returns, now to the handler before; a signal that was
    // sent is sent again.
    const bool fault = sig == SIGSEGV || sig == SIGBUS || sig == SIGFPE || sig == SIGILL;
    if (!fault || !info || info->si_code <= 0) raise(sig);
}

void HoldSignals(bool on)
{
    for (int sig : kFlushSignals)
    {
        if (on)
        {
            struct sigaction action;
            memset(&action, 0, sizeof action);
            action.sa_sigaction = FlushOnSignal;
            action.sa_flags = SA_SIGINFO;
            sigemptyset(&action.sa_mask);
            sigaction(sig, &action, &gOldActions[sig]);
        }
        else
            sigaction(sig, &gOldActions[sig], nullptr);
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The state check

uint32_t GameStateCheck()
{
    uint32_t h = 2166136261u; // FNV-1a 32
    auto add = [&h](const void* data, size_t n)
    {
        const unsigned char* p = (const unsigned char*)data;
        for (size_t i = 0; i < n; i++)
            h = (h ^ p[i]) * 16777619u;
    };
    add(&gCurrentTime, sizeof gCurrentTime);
    const float camera[6] = {entfl, updown, entf, viewangle, updownangle, zangle};
    add(camera, sizeof camera);
    for (human_being* a = baseHuman ? baseHuman->next : nullptr; a; a = a->next)
    {
        add(a->name, strnlen(a->name, sizeof a->name));
        add(&a->position, sizeof a->position);
        add(&a->rotation, sizeof a->rotation);
        const int32_t state[5] = {a->health, a->type, a->team, a->walking, a->onHud};
        add(state, sizeof state);
        add(&a->blendPercent, sizeof a->blendPercent);
    }
    add(gScriptVars.f, sizeof gScriptVars.f);
    add(gScriptVars.i, sizeof gScriptVars.i);
    add(gScriptVars.b, sizeof gScriptVars.b);
    for (int r = 0; r < kScriptRegisterCount; r++)
        add(gScriptVars.s[r], strnlen(gScriptVars.s[r], sizeof gScriptVars.s[r]));
    add(VXR_RandomState(), sizeof(randomState));
    return h;
}

// ---------------------------------------------------------------------------------------------
// Recording

int OpenRecording(const char* path, char* err, int errSize)
{
    snprintf(gFilePath, sizeof gFilePath, "%s", path);
    if (!OpenRecordingWriter(&gWriter, path, err, errSize)) return 0;
    gOutsideMode = kOutsideRecorded;
    gHeaderWritten = 0;
    gEarlyLines.clear();
    return 1;
}

void MakeRecordingHeader(recordingHeader* h, uint32_t seed, int soundUp, int drawWidth, int drawHeight)
{
    memset(h, 0, sizeof *h);
    h->format = kRecordingFormat;
    snprintf(h->engine, sizeof h->engine, "%s", KESROW_VERSION);
    const time_t now = time(nullptr);
    struct tm utc;
    if (gmtime_r(&now, &utc)) strftime(h->created, sizeof h->created, "%Y-%m-%dT%H:%M:%SZ", &utc);
    // The folder's own name only: a recording goes with bug reports, and the path above it is
    // the player's business.
    char folder[1024];
    if (!getcwd(folder, sizeof folder)) folder[0] = 0;
    const char* name = strrchr(folder, '/');
    snprintf(h->dataFolder, sizeof h->dataFolder, "%s", name && name[1] ? name + 1 : folder);
    snprintf(h->start, sizeof h->start, "Data%cgame script", kDirectoryDevider);
    const contentHash content = HashDataFolder(".", gFilePath);
    h->dataHash = content.hash;
    h->dataFiles = content.files;
    h->seed = seed;
    h->fixedStep = gFixedStepMs;
    h->sound = soundUp ? 1 : 0;
    h->drawWidth = drawWidth;
    h->drawHeight = drawHeight;
    h->cursorWidth = screenRect.right - screenRect.left;
    h->cursorHeight = screenRect.bottom - screenRect.top;
    h->fullscreen = fullscreen ? 1 : 0;
    h->settings = gSettings;
    h->clockStart = prevTime;
    h->contentMemory = gContentMemoryLimit;
}

void StartRecording(const recordingHeader* header)
{
    if (gOutsideMode != kOutsideRecorded) return;
    if (!WriteRecordingHeader(&gWriter, header))
    {
        Say("//Recording %s: %s; the game is not recorded", gFilePath, gWriter.failure);
        return;
    }
    gHeaderWritten = 1;
    for (const std::string& line : gEarlyLines)
        WriteLine(line.c_str());
    gEarlyLines.clear();
    FlushRecordingWriter(&gWriter);
    gLastFlushMs = prevTime;
    gWatchdogHook = WatchdogDecision;
    HoldSignals(true);
    Say("//Recording to %s", gFilePath);
}

int StopRecording(const char* reason)
{
    if (gOutsideMode != kOutsideRecorded || gWriter.fd < 0) return 0;
    if (gPassRan && gTicksThisPass == 0) MarkPassWithoutTick(&gWriter);
    static recordingOp end;
    end.kind = kOpEnd;
    end.value = GameStateCheck();
    snprintf(end.text, sizeof end.text, "%.60s", reason && reason[0] ? reason : "quit");
    Write(end);
    HoldSignals(false);
    gWatchdogHook = nullptr;
    const int ok = CloseRecordingWriter(&gWriter) && gHeaderWritten;
    if (!ok && gHeaderWritten)
        Say("//Recording %s: %s; the recording ends there", gFilePath, gWriter.failure);
    else if (ok)
        Say("//Recorded %ld passes into %s (%lld bytes)", gPasses, gFilePath, gWriter.bytes);
    return ok;
}

// ---------------------------------------------------------------------------------------------
// Replaying

int OpenReplay(const char* path, recordingHeader* header)
{
    snprintf(gFilePath, sizeof gFilePath, "%s", path);
    char err[300];
    if (!OpenRecordingReader(&gReader, path, header, err, sizeof err))
    {
        char line[1500];
        snprintf(line, sizeof line, "The recording \"%s\" %s.", path, err);
        OutputToDialog(line);
        return 0;
    }
    gOutsideMode = kOutsideReplayed;
    gWatchdogHook = WatchdogDecision;
    gPeekState = kPeekNone;
    gAnswers.clear();
    // The answers of the start-up (console lines, a watchdog stop in the start-up script).
    ReadAhead();
    Say("//Replay of %s: recorded %s with Kesrow %s", path,
        header->created[0] ? header->created : "(no date)", header->engine);
    return 1;
}

void CompareReplayStart(const recordingHeader* header, const char* engine)
{
    if (strcmp(header->engine, engine) != 0)
        Say("//Replay: recorded with Kesrow %s, replayed with %s: the game may go its own way",
            header->engine, engine);
    const contentHash here = HashDataFolder(".", gFilePath);
    if (here.hash != header->dataHash)
        Say("//Replay: the data folder's content differs from the recorded game's (%d files here, %d then): "
            "the game may go its own way",
            here.files, header->dataFiles);
}

int ReplayFinished()
{
    return gReplayDone;
}

const char* ReplayEndReason()
{
    return gReplayEnd;
}

static void EndReplayHere()
{
    gReplayDone = 1;
    if (Peek() == kOpEnd)
    {
        gRecordedEnd = 1;
        gRecordedEndCheck = (uint32_t)gPeek.value;
        snprintf(gRecordedEndReason, sizeof gRecordedEndReason, "%s", gPeek.text);
        snprintf(gReplayEnd, sizeof gReplayEnd, "%.60s", gPeek.text);
        TakeInOrder();
        return;
    }
    if (gPeekState == kPeekHave)
    {
        Diverged("the recording goes on with something else than a pass");
        snprintf(gReplayEnd, sizeof gReplayEnd, "recording does not match");
        return;
    }
    const int cut = gPeekState == kPeekEnd || !strncmp(gReader.problem, "is cut short", 12);
    snprintf(gReplayEnd, sizeof gReplayEnd, cut ? "recording cut short" : "recording damaged");
}

int FinishReplay(const char* endReason, long passes, int stoppedEarly)
{
    if (gOutsideMode != kOutsideReplayed) return 0;
    int status = 0;
    CheckPassTicks();
    if (!gReplayDone && !stoppedEarly && !gUserClosed)
    {
        // The game ended by itself: so must the recorded one have, here and for the same reason.
        if (Peek() == kOpEnd)
        {
            EndReplayHere();
            if (strcmp(gRecordedEndReason, endReason) != 0)
                Diverged("the recorded game ended with \"%s\", this one with \"%s\"", gRecordedEndReason,
                         endReason);
        }
        else if (gPeekState == kPeekHave)
            Diverged("this game ended (%s), the recorded one went on", endReason);
        else
            EndReplayHere();
    }
    else if (gRecordedEnd && strcmp(gRecordedEndReason, "frame limit") != 0)
        // The recorded game ended itself after this pass; this one went on.
        Diverged("the recorded game ended here (%s), this one did not", gRecordedEndReason);
    if (gRecordedEnd && gRecordedEndCheck != GameStateCheck())
        Diverged("its state at the end differs from the recorded game's");

    if (gReplayDone && !gRecordedEnd && gReader.problem[0])
    {
        Say("//Replay: %s %s: the replay ended there, after %ld passes", gFilePath, gReader.problem, passes);
        status = 1;
    }
    else if (gReplayDone && !gRecordedEnd && !gDiverged)
    {
        Say("//Replay: %s is cut short after its last whole block (byte %lld): the game that recorded it did "
            "not end it; the replay ended there, after %ld passes",
            gFilePath, gReader.nextBlockAt, passes);
        status = 1;
    }
    if (gDiverged)
    {
        Say("//Replay: %ld passes replayed; the game went its own way from pass %ld on", passes,
            gDivergedAtPass);
        status = 1;
    }
    else if (!status)
        Say("//Replay: %ld passes replayed as recorded (%ld state checks alike)", passes, gChecksAlike);
    CloseRecordingReader(&gReader);
    gWatchdogHook = nullptr;
    return status;
}

// ---------------------------------------------------------------------------------------------
// The seam

int NextPassClock(int64_t* nowMs)
{
    if (gOutsideMode == kOutsideReplayed)
    {
        if (gReplayDone) return 0;
        if (Peek() != kOpPass)
        {
            EndReplayHere();
            return 0;
        }
        CheckPassTicks();
        *nowMs = prevTime + gPeek.value;
        gRecordedPassNoTick = gPeek.noTick;
        TakeInOrder();
        ReadAhead();
    }
    else
    {
        *nowMs = gFixedStepMs ? prevTime + gFixedStepMs : ReadClockMs();
        if (gOutsideMode == kOutsideRecorded && gHeaderWritten)
        {
            if (gPassRan && gTicksThisPass == 0) MarkPassWithoutTick(&gWriter);
            // The pass before is whole: a good moment to put the pending entries in the file.
            if (gWriter.used >= kFlushPendingBytes || *nowMs - gLastFlushMs >= kFlushEveryMs)
            {
                FlushRecordingWriter(&gWriter);
                gLastFlushMs = *nowMs;
            }
            WriteValue(kOpPass, *nowMs - prevTime);
        }
    }
    gTicksThisPass = 0;
    gPassRan = 1;
    gPasses++;
    return 1;
}

void SampleTickInput(tickInput* in)
{
    if (gOutsideMode == kOutsideReplayed)
    {
        in->typedCount = 0;
        if (gTicksThisPass > 0 && !StreamEnded())
        {
            if (Peek() == kOpNextTick)
            {
                TakeInOrder();
                ReadAhead();
            }
            else
                Diverged("this game ran a tick more in a pass than the recorded one");
        }
        if (Peek() == kOpTick)
        {
            if (!ApplyTickOp(&gLastInput, &gPeek))
            {
                snprintf(gReader.problem, sizeof gReader.problem, "is damaged (a cursor out of bounds)");
                gPeekState = kPeekProblem;
            }
            else
            {
                in->typedCount = gPeek.typedCount < kTypedMax ? gPeek.typedCount : kTypedMax;
                memcpy(in->typed, gPeek.typed, sizeof(int) * (size_t)in->typedCount);
                TakeInOrder();
                ReadAhead();
            }
        }
        memcpy(in->keys, gLastInput.keys, sizeof in->keys);
        in->cursorX = gLastInput.cursorX;
        in->cursorY = gLastInput.cursorY;
    }
    else
    {
        for (int code = 0; code < 256; code++)
            in->keys[code] = PLT_GetAsyncKeyState(code);
        in->typedCount = PLT_TakeTypedInput(in->typed, kTypedMax);
        PLT_GetCursor(&in->cursorX, &in->cursorY);
        if (gOutsideMode == kOutsideRecorded && gHeaderWritten)
        {
            static recordingOp op;
            if (gTicksThisPass > 0) WriteValue(kOpNextTick, 0);
            if (MakeTickOp(&gLastInput, in->keys, in->typed, in->typedCount, in->cursorX, in->cursorY, &op))
                Write(op);
        }
    }
    gTicksThisPass++;
}

int OutsideCursorIsVirtual()
{
    if (gOutsideMode != kOutsideReplayed)
    {
        const int isVirtual = PLT_CursorIsVirtual();
        if (gOutsideMode == kOutsideRecorded) WriteValue(kOpVirtual, isVirtual);
        return isVirtual;
    }
    answer a;
    if (TakeAnswer(kOpVirtual, &a)) return a.value != 0;
    if (!gReplayDone && !StreamEnded())
        Diverged("the mouse view put the cursor back where the recorded one did not");
    return 1;
}

void OutsideShowCursor(int show)
{
    if (gOutsideMode != kOutsideReplayed) PLT_ShowCursor(show);
}

void OutsideWarpCursor(int x, int y)
{
    if (gOutsideMode != kOutsideReplayed) PLT_WarpCursor(x, y);
}

int NextWindowEvent(PLT_Event* event)
{
    if (gOutsideMode != kOutsideReplayed)
    {
        if (!PLT_PollEvent(event)) return 0;
        if (gOutsideMode == kOutsideRecorded && gHeaderWritten)
        {
            static recordingOp op;
            op.kind = kOpNone;
            if (event->kind == kPltEventResize)
            {
                op.kind = kOpResize;
                op.size[0] = event->a;
                op.size[1] = event->b;
                op.size[2] = event->c;
                op.size[3] = event->d;
            }
            else if (event->kind == kPltEventFocus)
            {
                op.kind = kOpFocus;
                op.value = event->a;
            }
            else if (event->kind == kPltEventQuit)
                op.kind = kOpClosed;
            if (op.kind != kOpNone) Write(op);
        }
        return 1;
    }
    // The replay's own window: closing it ends the replay; nothing else of it reaches the game.
    PLT_Event own;
    while (PLT_PollEvent(&own))
        if (own.kind == kPltEventQuit)
        {
            gUserClosed = 1;
            *event = own;
            return 1;
        }
    const int kind = Peek();
    if (kind != kOpResize && kind != kOpFocus && kind != kOpClosed) return 0;
    event->a = event->b = event->c = event->d = 0;
    if (kind == kOpResize)
    {
        event->kind = kPltEventResize;
        event->a = gPeek.size[0];
        event->b = gPeek.size[1];
        event->c = gPeek.size[2];
        event->d = gPeek.size[3];
        // The picture is the recorded one only in a window of the recorded size.
        if (!PLT_SetWindowSize(event->c, event->d, event->a, event->b) && !gResizeWarned)
        {
            gResizeWarned = 1;
            Say("//Replay: the window cannot take the recorded size %dx%d here: the pictures will differ",
                event->a, event->b);
        }
    }
    else if (kind == kOpFocus)
    {
        event->kind = kPltEventFocus;
        event->a = (int)gPeek.value;
    }
    else
        event->kind = kPltEventQuit;
    TakeInOrder();
    ReadAhead();
    return 1;
}

void BeginOutsideLines()
{
    if (gOutsideMode != kOutsideRecorded || gCapturingLines) return;
    gCapturingLines = 1;
    gLinesSink = toConsole;
    toConsole = CaptureOutsideLine;
}

void EndOutsideLines()
{
    if (!gCapturingLines) return;
    gCapturingLines = 0;
    toConsole = gLinesSink;
    gLinesSink = nullptr;
}

void ReplayOutsideLines()
{
    if (gOutsideMode != kOutsideReplayed) return;
    answer a;
    while (TakeAnswer(kOpLine, &a))
        OutputToConsole(a.text.c_str());
}

void TickEnded()
{
    gTicks++;
    if (gOutsideMode == kOutsideLive || gTicks % kCheckEveryTicks != 0) return;
    if (gOutsideMode == kOutsideRecorded)
    {
        WriteValue(kOpCheck, GameStateCheck());
        return;
    }
    answer a;
    if (TakeAnswer(kOpCheck, &a))
    {
        if ((uint32_t)a.value == GameStateCheck())
            gChecksAlike++;
        else
            Diverged("its state differs from the recorded game's");
    }
    else if (!gReplayDone && !StreamEnded())
        Diverged("the recording has no state check after tick %ld", gTicks);
}
