// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimClient.h"

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <poll.h>
#include <regex>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

using namespace simtest;

namespace {

// The exchange-sim program sits next to this test program in the build tree.
std::string ProgramPath()
{
    const auto self = std::filesystem::read_symlink("/proc/self/exe");
    return (self.parent_path().parent_path() / "tools" / "exchange-sim" / "exchange-sim").string();
}

// Runs exchange-sim with its standard output and error on pipes.
class Program {
public:
    explicit Program(const std::vector<std::string>& args)
    {
        int out[2];
        int err[2];
        if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
            return;
        const std::string path = ProgramPath();
        std::vector<char*> argv{const_cast<char*>(path.c_str())};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(err[1], STDERR_FILENO);
            execv(path.c_str(), argv.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }

    ~Program()
    {
        if (pid > 0) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (outFd >= 0)
            close(outFd);
        if (errFd >= 0)
            close(errFd);
    }

    // The next line of standard output; empty when none comes in time.
    std::string ReadLine(int timeoutMs = 5000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            if (const auto end = output.find('\n'); end != std::string::npos) {
                std::string line = output.substr(0, end);
                output.erase(0, end + 1);
                return line;
            }
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd readable{outFd, POLLIN, 0};
            if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0)
                return {};
            char buffer[4096];
            const ssize_t got = read(outFd, buffer, sizeof buffer);
            if (got <= 0)
                return {};
            output.append(buffer, static_cast<std::size_t>(got));
        }
    }

    // Everything still to come on both pipes, then the exit status (-1 when it did not end normally).
    int Wait(std::string& rest, std::string& errors)
    {
        rest = output + Drain(outFd);
        errors = Drain(errFd);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    void Signal(int signal) { kill(pid, signal); }

private:
    static std::string Drain(int fd)
    {
        std::string text;
        char buffer[4096];
        ssize_t got;
        while ((got = read(fd, buffer, sizeof buffer)) > 0)
            text.append(buffer, static_cast<std::size_t>(got));
        return text;
    }

    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string output;
};

class ExchangeSimProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(ProgramPath())) << "build the exchange-sim target: " << ProgramPath();
        std::string pattern = (std::filesystem::temp_directory_path() / "exsim-prog-XXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::string folder;
};

TEST_F(ExchangeSimProgram, ServesWithItsOptionsLogsRequestsAndEndsOnEitherSignal)
{
    for (int signal : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(signal);
        const std::string seed = folder + "/demo.seed";
        std::ofstream(seed) << "entry 3 0 1 \"Caff\xC3\xA8\"\n";
        Program program({"--port", "0", "--pppoe-port", "0", "--seed", seed, "--save", seed, "--refuse-access", "FE32",
                         "--dial-delay", "0"});

        std::smatch ports;
        const std::string listening = program.ReadLine();
        ASSERT_TRUE(std::regex_match(listening, ports,
                                     std::regex("exchange-sim listening on 127\\.0\\.0\\.1 programming port "
                                                "([0-9]+) pppoe port ([0-9]+)")))
            << listening;

        SimClient client(static_cast<std::uint16_t>(std::stoi(ports[1])));
        client.Send(Hex("02 00 00 00 00 FE 29 00 00 00 00"));
        EXPECT_EQ(ToHex(client.ReadFrame()), "02 00 00 00 00 FE 32");
        SimClient device(static_cast<std::uint16_t>(std::stoi(ports[2])));
        device.Send(Hex("02 00 0B 00 00 FF 31 00 00 00 00 30 32 31 32 33 34 35 36 37 38 00"));
        EXPECT_EQ(ToHex(device.ReadFrame()), "02 00 00 00 00 FF 4B");

        program.Signal(signal);
        std::string rest;
        std::string errors;
        EXPECT_EQ(program.Wait(rest, errors), 0) << errors;
        EXPECT_NE(rest.find("[prog 1] CMD_REQUEST_ACCESS\n"), std::string::npos) << rest;
        EXPECT_NE(rest.find("[prog 1] -> status 0xFE32\n"), std::string::npos) << rest;
        EXPECT_NE(rest.find("[pppoe 1] CMD_DIAL data \"0212345678\\0\"\n"), std::string::npos) << rest;
    }
}

TEST_F(ExchangeSimProgram, SavesEveryEditToTheSaveFile)
{
    const std::string save = folder + "/saved.seed";
    Program program({"--port", "0", "--save", save});
    std::smatch port;
    const std::string listening = program.ReadLine();
    ASSERT_TRUE(std::regex_match(listening, port, std::regex(".* programming port ([0-9]+)"))) << listening;
    SimClient client(static_cast<std::uint16_t>(std::stoi(port[1])));
    client.Send(Concat({Hex("02 00 00 00 00 FE 29 00 00 00 00"),
                        RequestFrame(0xFE12, 7, 0x2D20, exsim::DirectoryRecord(0x4081, "01 23", "Verdi Ugo")),
                        Hex("02 00 00 00 00 FE 15 00 00 00 00")}));
    EXPECT_EQ(ToHex(client.Read(14)), "02 00 00 00 00 FE 03 02 00 00 00 00 FE 02");

    program.Signal(SIGTERM);
    std::string rest;
    std::string errors;
    EXPECT_EQ(program.Wait(rest, errors), 0) << errors;
    EXPECT_NE(rest.find("CMD_WRITE_RECORD TBL_DIRECTORY index 0x0007 (7) data \"4081\\0\" \"0\\0\" \"01 23\\0\" "
                        "\"Verdi Ugo\\0\""),
              std::string::npos)
        << rest;
    std::ifstream in(save);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("\nentry 7 4081 \"01 23\" \"Verdi Ugo\"\n"), std::string::npos) << text.str();
    EXPECT_NE(text.str().find("\nentry 250 7fff"), std::string::npos) << "the default exchange is saved along";
}

// As the demo starts it: the program that runs beside it is its parent, and its end stops the simulator.
TEST_F(ExchangeSimProgram, StopsWithItsParent)
{
    int out[2];
    ASSERT_EQ(pipe2(out, O_CLOEXEC), 0);
    const std::string script = "'" + ProgramPath() + "' --port 0 --stop-with-parent & echo $!; sleep 0.3";
    const pid_t shell = fork();
    if (shell == 0) {
        dup2(out[1], STDOUT_FILENO);
        execl("/bin/sh", "sh", "-c", script.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    // Everything the shell and the simulator print, up to the end of the pipe: the simulator's end.
    std::string printed;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        pollfd readable{out[0], POLLIN, 0};
        if (left.count() <= 0 || poll(&readable, 1, int(left.count())) <= 0)
            break;
        char buffer[512];
        const ssize_t got = read(out[0], buffer, sizeof buffer);
        if (got <= 0)
            break;
        printed.append(buffer, size_t(got));
    }
    close(out[0]);
    waitpid(shell, nullptr, 0);
    // The pipe ends once the simulator has exited; it says why.
    const bool stopped = printed.find("stopping on SIGTERM") != std::string::npos;
    if (const pid_t simulator = pid_t(std::atoi(printed.c_str())); !stopped && simulator > 0)
        kill(simulator, SIGKILL);
    EXPECT_TRUE(stopped) << printed;
}

TEST_F(ExchangeSimProgram, HelpAndUsageErrors)
{
    const std::string badSeed = folder + "/bad.seed";
    std::ofstream(badSeed) << "digits 3\nnonsense\n";
    const struct {
        std::vector<std::string> args;
        int status;
        const char* out;
        const char* err;
    } cases[] = {
        {{"--help"}, 0, "Usage: exchange-sim", ""},
        {{"--bogus"}, 2, "", "exchange-sim: unknown option --bogus\nTry exchange-sim --help\n"},
        {{"--seed", folder + "/absent.seed"}, 1, "", "absent.seed: No such file or directory"},
        {{"--seed", badSeed}, 1, "", "bad.seed: line 2: unknown item nonsense"},
        {{"--port", "0", "--bind", "1.2.3"}, 1, "", "exchange-sim: not an IPv4 address: 1.2.3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0]);
        Program program(c.args);
        std::string out;
        std::string err;
        EXPECT_EQ(program.Wait(out, err), c.status);
        EXPECT_NE(out.find(c.out), std::string::npos) << out;
        EXPECT_NE(err.find(c.err), std::string::npos) << err;
    }
}

} // namespace
