// The scratch data folder the level tests share: a level folder under it, models in the
// level's and the root's "Models", two actor scripts, and captured console and dialog lines.
#pragma once

#include "app/script_hooks.h"
#include "core/output.h"
#include "model/loader.h"
#include "model/model_fixtures.h"
#include "resources/paths.h"
#include "script/scheduling.h"
#include "test_util.h"
#include "world/humans.h"
#include "world/level.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

// A one-triangle model whose second vertex lies at x = size / 660.
inline std::string TriangleModel(int size)
{
    return "triangle\nmodel\n0 0 0 0\n1 " + std::to_string(size) +
           " 0 0\n2 0 660 0\nEDGES\nMATERIAL Plain 65535 65535 65535 1 0 0 0 0 0 0 0 0 0 0\n0 1 2\nEND\n";
}

class LevelFolderTest : public ::testing::Test
{
  protected:
    TempDir dir;
    std::string level; // a level folder, ending with the separator
    ConsoleCapture console;
    outputProc savedDialog = toDialog;

    void SetUp() override
    {
        toDialog = [](const char* text) { LevelDialogs().push_back(text); }, LevelDialogs().clear();
        snprintf(routePath, sizeof routePath, "%s/", dir.path.c_str());
        level = dir / "levels/one/";
        // Levels load their scripts and actors' scripts through the hooks the game registers.
        RegisterScriptHooks(), VXR_Init(), RegisterModelLoader();
        // The level's own model is found before the data root's one of the same name.
        WriteTextFile(dir / "Models/box", TriangleModel(660));
        WriteTextFile(level + "Models/box", TriangleModel(1320));
        WriteTextFile(dir / "Models/crate", TriangleModel(330));
        WriteTextFile(dir / "Data/guard", "addi 1,1\n");
        WriteTextFile(dir / "Data/look", "addi 2,1\n");
    }

    void TearDown() override
    {
        ReturnToNothing(), EmptyModelCache();
        currentLevelFolder[0] = 0, levelChanged = 0, routePath[0] = 0, toDialog = savedDialog;
        // Other suites of this program start from the roster's bare hooks.
        gLoadModelHook = nullptr, gImportModelPosesHook = nullptr,
        gLevelFolderHook = gRoutePathHook = nullptr;
    }

    std::vector<human_being*> Actors() { return ListOf(baseHuman->next); }
    static std::vector<std::string>& LevelDialogs()
    {
        static std::vector<std::string> lines;
        return lines;
    }
    // Second vertex's x: the model's size after scaling.
    static float ModelSize(const human_being* h) { return h->model->vertexListHead.next->next->x; }
    std::vector<std::string>& LevelConsole() { return ConsoleCapture::Lines(); }

    // Runs one instruction as a script line does and ends the tick's console period, as the tick
    // does; returns what it said.
    std::string Run(const char* instruction, const char* args = "")
    {
        LevelConsole().clear(), ExecuteVXRCommand(instruction, args), EndConsolePeriod();
        return Said();
    }
    // Runs each script line "instruction arguments" as Run does.
    void RunLines(std::initializer_list<std::string> lines)
    {
        for (const std::string& line : lines)
        {
            const size_t space = std::min(line.find(' '), line.size());
            Run(line.substr(0, space).c_str(), line.c_str() + std::min(space + 1, line.size()));
        }
    }
    // The console lines captured, each ended by a line feed.
    std::string Said()
    {
        std::string out;
        for (const std::string& line : LevelConsole())
            out += line + "\n";
        return out;
    }
};
