// Benchmark (not a test): the interpreter against Lua 5.4 on the same loops, in one run. Each
// loop is timed in-process (a compiled script run once, minus a one-pass run), through the game
// executable (a data folder whose game script runs the loop then quits, minus a one-pass run),
// and in lua5.4 with locals (a global for the named-variable loop). Prints ns a pass and ratios;
// all times are processor time, so a busy machine slows each side alike rather than at random.
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/variables.h"

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

struct BenchLoop
{
    const char* name;
    const char* body;  // script statements of one pass
    const char* setup; // script statements before the loop
    const char* lua;   // Lua statements of one pass; the locals x, y are 0 and 1, the global v is 0
};

static const BenchLoop kLoops[] = {
    {"addi", "addi 1,1\r", "seti 1,0\r", "x = x + 1"},
    {"if/else", "if i,1,<,2\raddi 1,1\relse\raddi 2,1\rendif\r", "seti 1,0\rseti 2,1\r",
     "if x < y then x = x + 1 else y = y + 1 end"},
    {"addf", "addf 1,0.5\r", "setf 1,0\r", "x = x + 0.5"},
    {"loadi/storei", "loadi \"v\",1\raddi 1,1\rstorei \"v\",1\r", "def \"v\"\r", "v = v + 1"},
};

// Processor time, not wall time: the machine may be shared, and Lua's os.clock counts the same.
static double CpuNow()
{
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

// Processor time of the children waited for so far.
static double ChildrenCpu()
{
    rusage u;
    getrusage(RUSAGE_CHILDREN, &u);
    return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

static std::string LoopText(const BenchLoop& loop, long passes)
{
    return std::string(loop.setup) + "repeat " + std::to_string(passes) + "\r" + loop.body + "endrepeat\r";
}

// Seconds for one run of the loop compiled in-process.
static double InProcessSeconds(const BenchLoop& loop, long passes)
{
    VXR_scripter* script = NewVXRScript(LoopText(loop, passes).c_str());
    if (!script || !script->code) return -1.0;
    double start = CpuNow();
    ExecuteCompiledVXRScript(script);
    double seconds = CpuNow() - start;
    DisposeScript(script);
    return seconds;
}

// Processor seconds of a shell command and its children, or -1 when it failed.
static double CommandSeconds(const std::string& command)
{
    double start = ChildrenCpu();
    int status = system(command.c_str());
    double seconds = ChildrenCpu() - start;
    return status == 0 ? seconds : -1.0;
}

static std::string gExe;     // the game executable beside this program, or "" when it cannot run
static std::string gScratch; // data folders for the executable runs

static double ExecutableSeconds(const BenchLoop& loop, long passes)
{
    if (gExe.empty()) return -1.0;
    std::string dir = gScratch + "/run";
    mkdir(dir.c_str(), 0755);
    mkdir((dir + "/Data").c_str(), 0755);
    FILE* f = fopen((dir + "/Data/game script").c_str(), "w");
    if (!f) return -1.0;
    fprintf(f, "%squit\r", LoopText(loop, passes).c_str());
    fclose(f);
    return CommandSeconds("\"" + gExe + "\" --data \"" + dir +
                          "\" --windowed 64x48 --frames 50 --fixed-step 20 --mute > /dev/null 2>&1");
}

static bool gHaveLua = false;

static double LuaSeconds(const BenchLoop& loop, long passes)
{
    if (!gHaveLua) return -1.0;
    std::string file = gScratch + "/loop.lua";
    FILE* f = fopen(file.c_str(), "w");
    if (!f) return -1.0;
    // The loop is timed inside Lua, so the interpreter's start-up is not counted.
    fprintf(f,
            "v = 0\nlocal x, y = 0, 1\nlocal t = os.clock()\nfor i = 1, %ld do %s end\n"
            "io.write(os.clock() - t, '\\n')\n",
            passes, loop.lua);
    fclose(f);
    FILE* p = popen(("lua5.4 \"" + file + "\"").c_str(), "r");
    if (!p) return -1.0;
    double seconds = -1.0;
    if (fscanf(p, "%lf", &seconds) != 1) seconds = -1.0;
    pclose(p);
    return seconds;
}

// Best of several rounds of (many passes - one pass), as ns a pass.
template <typename F> static double NsAPass(F run, const BenchLoop& loop, long passes, int rounds)
{
    double best = -1.0;
    for (int r = 0; r < rounds; r++)
    {
        double many = run(loop, passes), one = run(loop, 1);
        if (many < 0 || one < 0) return -1.0;
        double ns = (many - one) * 1e9 / (passes - 1);
        if (best < 0 || ns < best) best = ns;
    }
    return best;
}

static void FindExecutable()
{
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (n <= 0) return;
    self[n] = 0;
    std::string exe = std::string(self);
    exe = exe.substr(0, exe.rfind('/')) + "/kesrow";
    if (access(exe.c_str(), X_OK) != 0)
    {
        printf("(no game executable at %s: the executable column is skipped)\n", exe.c_str());
        return;
    }
    if (!getenv("DISPLAY"))
    {
        printf("(no DISPLAY: run under xvfb-run -a for the executable column)\n");
        return;
    }
    gExe = exe;
}

static void PrintColumn(double ns)
{
    if (ns < 0)
        printf("  %10s", "-");
    else
        printf("  %7.2f ns", ns);
}

static void PrintRatio(double ns, double lua)
{
    if (ns < 0 || lua <= 0)
        printf("  %8s", "-");
    else
        printf("  %7.2fx", ns / lua);
}

int main(int argc, char** argv)
{
    long passes = argc > 1 ? atol(argv[1]) : 20000000;
    int rounds = argc > 2 ? atoi(argv[2]) : 3;
    if (passes < 2) passes = 2;
    if (rounds < 1) rounds = 1;
    char scratch[] = "/tmp/kesrow_bench_XXXXXX";
    if (!mkdtemp(scratch))
    {
        fprintf(stderr, "script_bench: no scratch folder\n");
        return 1;
    }
    gScratch = scratch;
    setenv("ALSOFT_DRIVERS", "null", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    gHaveLua = system("command -v lua5.4 > /dev/null 2>&1") == 0;
    if (!gHaveLua)
        printf("(lua5.4 not found: install the package lua5.4, e.g. apt-get install lua5.4; Lua skipped)\n");
    FindExecutable();
    InstallVXRVariablePointer("v", nullptr, 1);

    printf("%ld passes a loop (%ld through the executable), best of %d rounds\n", passes, passes * 5, rounds);
    printf("%-14s  %13s  %13s  %13s  %9s  %9s\n", "loop", "in-process", "executable", "Lua 5.4", "in/Lua",
           "exe/Lua");
    for (const BenchLoop& loop : kLoops)
    {
        double inProcess = NsAPass(InProcessSeconds, loop, passes, rounds);
        double lua = NsAPass(LuaSeconds, loop, passes, rounds);
        // The executable's start-up varies by milliseconds from run to run: more passes keep
        // that small beside the loop.
        double exe = NsAPass(ExecutableSeconds, loop, passes * 5, rounds);
        printf("%-14s", loop.name);
        PrintColumn(inProcess);
        PrintColumn(exe);
        PrintColumn(lua);
        PrintRatio(inProcess, lua);
        PrintRatio(exe, lua);
        printf("\n");
        fflush(stdout);
    }
    system(("rm -rf \"" + gScratch + "\"").c_str());
    return 0;
}
