// A child program for the process seam tests:
//   seam_child EXIT_CODE STDOUT_TEXT STDERR_TEXT   prints its working directory
//                                                  and the texts, then exits
//   seam_child sleep                               sleeps for a minute
//   seam_child args ARGUMENT...                    prints each argument as
//                                                  "[ARGUMENT]" on a line
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "sleep") {
        std::this_thread::sleep_for(std::chrono::minutes(1));
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "args") {
        for (int i = 2; i < argc; ++i)
            std::printf("[%s]\n", argv[i]);
        return 0;
    }
    if (argc != 4)
        return 100;
    std::printf("%s\n%s\n", std::filesystem::current_path().string().c_str(), argv[2]);
    std::fprintf(stderr, "%s\n", argv[3]);
    return std::atoi(argv[1]);
}
