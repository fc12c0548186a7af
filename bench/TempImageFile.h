#pragma once
// The largest image written to a file of its own in the temporary folder for
// as long as the object lives, for the benchmarks that read a file.

#include "bench/LargestImage.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

namespace korvex::bench {

class TempImageFile {
public:
    explicit TempImageFile(TvVideo video = TvVideo::Carried)
        // A name of its own per object: two objects of one image must not
        // remove each other's file.
        : path_(std::filesystem::temp_directory_path() /
                ("korvex-bench-" + std::to_string(::getpid()) + "-" + std::to_string(NextNumber()) + "-" +
                 std::to_string(static_cast<int>(video)) + ".bin"))
    {
        if (!WriteLargestImage(path_, video))
            throw std::runtime_error("cannot write " + path_.string());
    }
    ~TempImageFile()
    {
        std::error_code ignored;
        std::filesystem::remove(path_, ignored);
    }
    TempImageFile(const TempImageFile&) = delete;
    TempImageFile& operator=(const TempImageFile&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    static int NextNumber()
    {
        static int next = 0;
        return next++;
    }

    std::filesystem::path path_;
};

} // namespace korvex::bench
