// Ombratsk.exe: the tasks helper program.
#include "helpers/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(ItemKind::Tasks, argc, argv);
}
