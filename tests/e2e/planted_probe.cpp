// The control of the planted-DLL test: an ordinary program that loads the DLLs named on its
// command line the usual way (LoadLibraryA by name). Started from the folder with the planted
// DLLs, it must load the planted ones, which shows that the test's set-up would catch a
// program that does.
#include <windows.h>

int main(int argc, char** argv) {
    int loaded = 0;
    for (int i = 1; i < argc; ++i)
        if (LoadLibraryA(argv[i])) ++loaded;
    return loaded == argc - 1 ? 0 : 1;
}
