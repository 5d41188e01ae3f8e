// Batch commands of the parsimony jobs.
#include "cli/BatchCommand.h"

void RegisterParsimonyCommands(TBatchCommands& commands)
{
    (void)commands;
}
