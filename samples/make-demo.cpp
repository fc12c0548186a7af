// Writes a demo image to the file named on the command line: the European
// one, or with --gbk the one whose names are Chinese in GBK.
#include "samples/DemoImage.h"

#include <cstdio>
#include <cstring>
#include <fstream>

int main(int argc, char** argv)
{
    const bool gbk = argc == 3 && std::strcmp(argv[1], "--gbk") == 0;
    if (argc != 2 && !gbk) {
        std::fprintf(stderr, "usage: %s [--gbk] OUTPUT.bin\n", argv[0]);
        return 2;
    }
    const char* path = argv[argc - 1];
    const auto bytes = korvex::samples::MakeDemoImage(gbk ? korvex::samples::DemoNames::ChineseGbk
                                                          : korvex::samples::DemoNames::European);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "%s: cannot write the demo image\n", path);
        return 1;
    }
    return 0;
}
