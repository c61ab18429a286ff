#pragma once
// Starting the programs the SSH benches time: the check and the OpenSSH client.

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

#include <string>
#include <vector>

extern char** environ;

enum class ErrorOutput { Kept, WithOutput };

// Starts `args` (looked up on PATH) with standard output written to `output`
// and standard error kept or sent there too; the process id, or -1.
inline pid_t SpawnProgram(std::vector<std::string> args, const char* output = "/dev/null",
                          ErrorOutput error = ErrorOutput::WithOutput) {
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, output, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (error == ErrorOutput::WithOutput) {
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
    }
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}
