#pragma once

#include "update/UpdateVersion.h"
#include "update/UpdaterConfiguration.h"

namespace verandel {

// What an executable was built with for its updater: the feed and the key its updates must be signed
// with, and the version it compares releases with. thisProgram() is defined in ProgramBuild.cpp, which
// each executable compiles with its own definitions, so the test copies of the program relink the same
// objects with a version and key of their own. Nothing at run time changes the key.
struct ProgramBuild
{
    UpdaterConfiguration updater;
    UpdateVersion version;

    static ProgramBuild thisProgram();
};

} // namespace verandel
