#include "irtool.h"

int main(int argc, char **argv)
{
    return lumo::ir::recordMain(argc, argv);
}
