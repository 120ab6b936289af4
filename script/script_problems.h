// What is wrong with a compiled script that its compiler does not say itself: statements whose
// arguments could not be decoded, an if that can never hold, an idle without a time, and blocks
// opened or closed without their partner. The content checker lists them; the live reload keeps
// the running version of a script whose new text has any.
#pragma once

#include "script/interpreter.h" // kMaxScriptNesting
#include "script/script_records.h"

#include <string>
#include <utility>
#include <vector>

// The statement's own problem (one at most), or an empty text.
std::string VXR_StatementProblem(const VXR_Statement* s);

// The block problems of the statement chain from first, each with its line.
void VXR_StructureProblems(const VXR_Statement* first, std::vector<std::pair<int, std::string>>* out);
