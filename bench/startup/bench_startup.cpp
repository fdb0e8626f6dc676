// SPDX-License-Identifier: GPL-3.0-or-later
// The program's start against a plain window with a four-column list: from exec to the first painted
// window, each started afresh in turn with its own empty settings, the time taken by a preloaded watcher.
// The goal is the program at most 1.15 times the plain window. Run it on the display to be measured (a
// window manager maximises both alike); without one the offscreen platform is used.

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace {

long long NowNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000000000LL + now.tv_nsec;
}

// Microseconds from exec to the first paint, or nothing when the program did not report it.
std::optional<long long> TimeOneStart(const char* program, const std::filesystem::path& home)
{
    std::filesystem::remove_all(home);
    std::filesystem::create_directories(home / "config");
    std::filesystem::create_directories(home / "data");
    std::filesystem::create_directories(home / "runtime");
    std::filesystem::permissions(home / "runtime", std::filesystem::perms::owner_all);
    std::vector<std::string> settings = {"LD_PRELOAD=" BENCH_STARTUP_WATCHER,
                                         "XDG_CONFIG_HOME=" + (home / "config").string(),
                                         "XDG_DATA_HOME=" + (home / "data").string(),
                                         "XDG_RUNTIME_DIR=" + (home / "runtime").string(), "TMPDIR=" + home.string()};
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        settings.emplace_back("QT_QPA_PLATFORM=offscreen");
    int output[2];
    if (pipe(output) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, output[0]);
    // What the programs print about the platform is not what is measured.
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const long long t0 = NowNs();
    settings.push_back("BENCH_STARTUP_T0=" + std::to_string(t0));
    std::vector<char*> environment;
    for (char** variable = environ; *variable; ++variable)
        environment.push_back(*variable);
    for (std::string& setting : settings)
        environment.push_back(setting.data());
    environment.push_back(nullptr);
    char* arguments[] = {const_cast<char*>(program), nullptr};
    pid_t child = 0;
    const int spawned = posix_spawn(&child, program, &actions, nullptr, arguments, environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(output[1]);
    std::string text;
    char buffer[64];
    for (ssize_t got; (got = read(output[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, size_t(got));
    close(output[0]);
    if (spawned != 0)
        return std::nullopt;
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || text.empty())
        return std::nullopt;
    return std::atoll(text.c_str());
}

double Median(std::vector<long long> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? double(values[middle]) : (double(values[middle - 1]) + double(values[middle])) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::filesystem::path home =
        std::filesystem::temp_directory_path() / ("bench_startup." + std::to_string(getpid()));
    std::vector<long long> program;
    std::vector<long long> plain;
    // One start of each first, unmeasured, so that both find the libraries in the page cache.
    for (int round = -1; round < rounds; ++round) {
        const auto ours = TimeOneStart(BENCH_STARTUP_PROGRAM, home);
        const auto theirs = TimeOneStart(BENCH_STARTUP_BASELINE, home);
        if (!ours || !theirs) {
            std::fprintf(stderr, "bench_startup: a start did not report its first paint\n");
            std::filesystem::remove_all(home);
            return 1;
        }
        if (round >= 0) {
            program.push_back(*ours);
            plain.push_back(*theirs);
        }
    }
    std::filesystem::remove_all(home);
    const double ours = Median(program) / 1000;
    const double theirs = Median(plain) / 1000;
    std::printf("start to first paint, median of %d: program %.1f ms, plain window %.1f ms, ratio %.2f (at most 1.15 "
                "wanted)\n",
                rounds, ours, theirs, ours / theirs);
    return 0;
}
