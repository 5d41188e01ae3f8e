// Batch commands of the graphics jobs.
#include "cli/BatchCommand.h"

void RegisterGraphicsCommands(TBatchCommands& commands)
{
    (void)commands;
}
