// The floor of a batch: the same pictures through the same worker pool, only loaded and checked
// (BMP files) or decoded into grey pixels (PNG files): no binarising, tracing or reading. Prints
// the pictures decoded and the wall time.
//   BatchDecode LIST JOBS
#include "BmpLoad.h"
#include "FileReaders.h"
#include "Pool.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: BatchDecode LIST JOBS\n");
        return 64;
    }
    std::ifstream list(argv[1]);
    std::vector<std::string> files;
    for (std::string line; std::getline(list, line);)
        if (!line.empty())
            files.push_back(line);
    Batch::PoolOptions pool;
    pool.jobs = static_cast<unsigned>(std::stoul(argv[2]));
    std::size_t decoded = 0;
    const auto start = std::chrono::steady_clock::now();
    Batch::RunInOrder(
        files, pool,
        [] {
            return [](const std::string& file, const Batch::Deadline&) {
                if (file.ends_with(".png")) {
                    std::ifstream in(file, std::ios::binary);
                    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
                    std::string error;
                    if (!Imaging::Lept::ReadPng(bytes.data(), bytes.size(), error))
                        return Batch::PictureOutcome::Refusal(error);
                    Batch::PictureOutcome outcome;
                    outcome.cards.resize(1);
                    return outcome;
                }
                BMPunit::BmpFile bmp;
                Algemeen::StringConsole quiet;
                if (!BMPunit::LoadBitmapFile(bmp, file, quiet) || !BMPunit::CheckBitmapHeader(bmp, quiet))
                    return Batch::PictureOutcome::Refusal("not a picture");
                const korvane::Picture picture = BMPunit::TakePicture(std::move(bmp));
                Batch::PictureOutcome outcome;
                outcome.cards.resize(picture.IsSound() ? 1 : 0);
                return outcome;
            };
        },
        [&](std::size_t, Batch::PictureOutcome&& outcome) { decoded += outcome.refused ? 0 : 1; });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%zu %.3f\n", decoded, seconds);
    return decoded == files.size() ? 0 : 1;
}
