// Program entry of Morvex.
#include <cstdio>

int main(int argc, char** argv)
{
    (void)argc;
    (void)argv;
    std::puts("Morvex: the main window is not built yet.");
    return 0;
}
