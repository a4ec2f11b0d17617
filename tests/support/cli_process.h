// Runs vandor-cli as a child process with exactly the given arguments (no shell in between, so empty
// and quoted arguments reach it as they are), in a given folder, and collects its exit status and both
// output streams byte for byte.
//
//   const CliRun r = vandor::test::runCli({"run", "p.hex", "--steps", "10"}, dir);
//   EXPECT_EQ(r.status, 0);
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace vandor::test {

struct CliRun {
    int status = -1;  // the exit code; -1 when the program could not start or did not exit normally
    std::string out, err;
};

inline CliRun runCli(const std::vector<std::string>& args, const std::filesystem::path& cwd,
                     const std::string& program = VANDOR_CLI_PATH) {
    CliRun r;
    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return r;
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return r;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], 2);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());

    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);

    // Both pipes are drained together so that a child filling one of them never blocks.
    pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
    std::string* sinks[2] = {&r.out, &r.err};
    for (int open = 2; open > 0;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[8192];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    for (const pollfd& p : fds)
        if (p.fd >= 0) close(p.fd);
    if (spawned != 0) return r;
    int raw = 0;
    if (waitpid(pid, &raw, 0) == pid && WIFEXITED(raw)) r.status = WEXITSTATUS(raw);
    return r;
}

}  // namespace vandor::test
