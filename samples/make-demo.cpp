// Writes the demo image to the file named on the command line.
#include "samples/DemoImage.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.bin\n", argv[0]);
        return 2;
    }
    const auto bytes = korvex::samples::MakeDemoImage();
    std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write the demo image\n", argv[1]);
        return 1;
    }
    return 0;
}
