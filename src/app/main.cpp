#include "app/ui/Program.h"
#include "platform/ProgramResources.h"

int main(int argc, char** argv) { return RunProgram(argc, argv, ProgramResources()); }
