// Batch commands of the analyses jobs.
#include "cli/BatchCommand.h"

void RegisterAnalysesCommands(TBatchCommands& commands)
{
    (void)commands;
}
