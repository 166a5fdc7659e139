// The autoplacer application's entry point.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("autoplacer: automatic component placement for KiCad boards");
        return 0;
    }
    std::fputs("autoplacer: no subcommand given (try --help)\n", stderr);
    return 2;
}
