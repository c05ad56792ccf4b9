#include "app/DetachedProcess.h"

#include <cerrno>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <system_error>
#include <thread>
#include <vector>

extern char** environ;

bool DetachedProcess::start(const juce::StringArray& arguments)
{
    if (arguments.isEmpty() || arguments[0].isEmpty())
        return false;

    std::vector<std::string> texts;
    for (const auto& argument : arguments)
        texts.push_back(argument.toStdString());
    std::vector<char*> argv;
    for (auto& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&files);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&files, 3);
    // Its own session: a signal to our process group (Ctrl+C in a terminal) does not reach it.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    const bool started = ::posix_spawnp(&pid, argv[0], &files, &attributes, argv.data(), environ) == 0;

    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&files);

    if (started)
    {
        // A browser may live for hours; the wait costs a sleeping thread, never the message thread.
        try
        {
            std::thread([pid] {
                int status = 0;
                while (::waitpid(pid, &status, 0) < 0 && errno == EINTR)
                {
                }
            }).detach();
        }
        catch (const std::system_error&)
        {
            // Started all the same; it stays a defunct entry until we exit.
        }
    }
    return started;
}
