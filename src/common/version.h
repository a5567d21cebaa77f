#pragma once

#include <QString>

// The program's version, set once in the top-level CMakeLists.txt (project
// VERSION): what --version prints and what the package and the AppStream
// release carry.
QString program_version();
