// Ombranot.exe: the notes helper program.
#include "helpers/HelperDriver.h"

int main(int argc, char** argv)
{
    return HelperProgramMain(ItemKind::Notes, argc, argv);
}
