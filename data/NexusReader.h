#pragma once
// NEXUS character matrices read into the program's table: every cell the
// object's state with its path in pointer notation, named by the state labels
// where the file gives them.
//
//   TReadResult read = ReadNexusMatrix(path);
//   if (read.Ok) { read.Data ...; read.Notes: how each character was mapped }
#include "data/ImportSource.h"
#include "data/NexusMatrix.h"

// .nex, .nexus, .nxs
bool IsNexusPath(const QString& path);

TReadResult ReadNexusMatrix(const QString& path,
                            TNexusRootRule rootRule = TNexusRootRule::FirstObject);
TReadResult ReadNexusMatrixText(const QString& text,
                                TNexusRootRule rootRule = TNexusRootRule::FirstObject);
