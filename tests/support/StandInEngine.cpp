// A native stand-in for the engine: records its working folder and each
// argument on a line of its own in ran.txt beside itself.
#include <climits>
#include <cstdio>
#include <string>
#include <unistd.h>

int main(int argc, char** argv) {
    char self[PATH_MAX] = {};
    char here[PATH_MAX] = {};
    if (::readlink("/proc/self/exe", self, sizeof self - 1) <= 0 || !::getcwd(here, sizeof here))
        return 1;
    std::string folder(self);
    folder.erase(folder.find_last_of('/') + 1);
    std::string record = std::string(here) + "\n";
    for (int i = 1; i < argc; ++i)
        record += std::string(argv[i]) + "\n";
    const std::string temporary = folder + "ran.tmp";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file)
        return 1;
    std::fwrite(record.data(), 1, record.size(), file);
    std::fclose(file);
    return std::rename(temporary.c_str(), (folder + "ran.txt").c_str()) == 0 ? 0 : 1;
}
