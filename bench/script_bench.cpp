// Benchmark (not a test): runs a compiled register-arithmetic loop and prints how many script
// statements a second the interpreter gets through, for comparison with equivalent Lua code.
#include "script/compiler.h"
#include "script/interpreter.h"
#include "script/variables.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Every pass visits eight statements: addi, addf, if, one of the two seti with the else, endif
// and endrepeat.
static const char* kLoop = "repeat 100000\r"
                           "addi 1,1\r"
                           "addf 1,0.5\r"
                           "if i,1,>,3\r"
                           "seti 4,7\r"
                           "else\r"
                           "seti 4,8\r"
                           "endif\r"
                           "endrepeat\r";

int main(int argc, char** argv)
{
    int runs = argc > 1 ? atoi(argv[1]) : 20;
    if (runs < 1) runs = 1;
    VXR_scripter* script = NewVXRScript(kLoop);
    if (!script || !script->code)
    {
        fprintf(stderr, "script_bench: the loop did not compile\n");
        return 1;
    }
    memset(&gScriptVars, 0, sizeof(gScriptVars));
    gScriptVars.i[2] = 50000;

    double best = 0.0;
    uint64_t total = 0;
    double seconds = 0.0;
    for (int r = 0; r < runs; r++)
    {
        script->current = script->code;
        gScriptVars.i[0] = 0;
        uint64_t before = 0;
        auto start = std::chrono::steady_clock::now();
        ExecuteCompiledVXRScript(script);
        auto end = std::chrono::steady_clock::now();
        uint64_t statements = 800000 - before;
        double s = std::chrono::duration<double>(end - start).count();
        total += statements;
        seconds += s;
        if (s > 0 && statements / s > best) best = statements / s;
    }
    DisposeScript(script);
    printf(
        "script_bench: %llu statements in %.3f s: %.0f statements per second (best run %.0f, %.1f ns each)\n",
        (unsigned long long)total, seconds, seconds > 0 ? total / seconds : 0.0, best,
        best > 0 ? 1e9 / best : 0.0);
    return 0;
}
