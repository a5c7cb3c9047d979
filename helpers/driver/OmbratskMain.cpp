// Ombratsk.exe: the tasks helper program.
#include "helpers/driver/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(ItemKind::Tasks, argc, argv);
}
