#include "app/application.h"

int main(int argc, char *argv[])
{
    return runTredora(argc, argv);
}
