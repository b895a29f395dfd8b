// Median times of the card store's three operations for a card of 26 rows
// of 9 cells, with the project's own INI layer, which the programs use, and
// on Windows also with the platform's private-profile functions. A
// save flushes its data to the disk; it is timed again without that flush,
// to show what the flush costs on the disk the bench store lies on.
// Usage: card_bench [runs]   (at least 1000 runs; prints one line a figure)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "card_store.h"
#include "file_ops.h"
#include "lookup.h"
#include "paths.h"

#ifdef _WIN32
#include <windows.h>

#include "windows_profile.h"
#else
#include <sys/stat.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

double MedianMicroseconds(int runs, const std::function<void()>& operation) {
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        operation();
        times.push_back(std::chrono::duration<double, std::micro>(Clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[static_cast<std::size_t>(runs / 2)];
}

std::string Grid() {
    std::string content;
    for (int row = 1; row <= morvane::kMaxCardRows; ++row) {
        if (row > 1) content += "\r\n";
        for (int cell = 1; cell <= 9; ++cell) {
            if (cell > 1) content += ",";
            content += static_cast<char>('A' + row - 1) + std::to_string(cell) + "x";
        }
    }
    return content;
}

// The machine's file system less the flush of a save's data.
class WithoutDataFlush final : public morvane::files::FileSystem {
public:
    bool FlushToDisk(const morvane::FilePath&) override { return true; }
};

std::string Printable(const morvane::FilePath& path) {
#ifdef _WIN32
    const int length = WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0,
                                           nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(std::max(length, 0)), '\0');
    WideCharToMultiByte(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), utf8.data(), length, nullptr, nullptr);
    return utf8;
#else
    return path;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = std::max(1000, argc > 1 ? std::atoi(argv[1]) : 1000);
    const morvane::FilePath directory =
        morvane::ProgramDirectory() + morvane::kPathSeparator + morvane::PathFromAscii("bench-store");
#ifdef _WIN32
    CreateDirectoryW(directory.c_str(), nullptr);
    CreateDirectoryW(morvane::CardStoreDirectory(directory).c_str(), nullptr);
    const char* platform = "wine/Windows";
#else
    mkdir(directory.c_str(), 0755);
    mkdir(morvane::CardStoreDirectory(directory).c_str(), 0755);
    const char* platform = "native";
#endif
    const morvane::FilePath card = *morvane::CardFilePath(directory, morvane::PathFromAscii("bench"));
    const std::string content = Grid();

    struct Implementation {
        const char* name;
        morvane::Profile& profile;
    };
    std::vector<Implementation> implementations = {{"own", morvane::OwnProfile()}};
#ifdef _WIN32
    implementations.push_back({"platform", morvane::WindowsProfile()});
#endif
    std::printf("card of 26 rows x 9 cells, median of %d runs, %s, store %s\n", runs, platform,
                Printable(morvane::CardStoreDirectory(directory)).c_str());
    for (const Implementation& implementation : implementations) {
        morvane::Profile& profile = implementation.profile;
        if (!morvane::SaveCard(profile, card, "SN-1", content) || morvane::ReadCardContent(profile, card) != content ||
            morvane::AnswerQuery(profile, card, "B3", "E7", "H2") != "B3xE7xH2x") {
            std::printf("%s: the card did not round-trip\n", implementation.name);
            return 1;
        }
        const double save = MedianMicroseconds(runs, [&] { morvane::SaveCard(profile, card, "SN-1", content); });
        WithoutDataFlush without_data_flush;
        double unflushed_save = 0;
        {
            morvane::files::FileSystemOverride no_flush(without_data_flush);
            unflushed_save = MedianMicroseconds(runs, [&] { morvane::SaveCard(profile, card, "SN-1", content); });
        }
        const double read = MedianMicroseconds(runs, [&] { morvane::ReadCardContent(profile, card); });
        const double query = MedianMicroseconds(runs, [&] { morvane::AnswerQuery(profile, card, "B3", "E7", "H2"); });
        std::printf("%-8s save card            %10.1f us  (without the data flush: %.1f us)\n", implementation.name,
                    save, unflushed_save);
        std::printf("%-8s read card content    %10.1f us\n", implementation.name, read);
        std::printf("%-8s answer a query       %10.1f us\n", implementation.name, query);
    }
    morvane::files::Remove(card);
    return 0;
}
