#include <cstdio>

// The windows are not built yet: say what would start.
int main(int argc, char** argv)
{
    std::printf("Quillmark1.1.0.0: the editor windows are not built yet; would open %s\n",
                argc > 1 ? argv[1] : "a new drawing");
    return 0;
}
