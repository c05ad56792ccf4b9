#include "app/PrivateFolders.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

namespace
{
juce::File absoluteFromEnvironment(const char* name)
{
    // Only a leading '/' makes a path absolute here; JUCE would also take "~/x" and expand it.
    const auto value = juce::SystemStats::getEnvironmentVariable(name, {});
    return value.startsWithChar('/') ? juce::File(value) : juce::File();
}

// A group that holds nobody but this user, as the per-user groups of many systems do.
bool isOwnGroup(gid_t gid)
{
    const auto* group = ::getgrgid(gid);
    const auto* user = ::getpwuid(::geteuid());

    if (group == nullptr || user == nullptr || gid != user->pw_gid || std::strcmp(group->gr_name, user->pw_name) != 0)
        return false;

    for (auto** member = group->gr_mem; *member != nullptr; ++member)
        if (std::strcmp(*member, user->pw_name) != 0)
            return false;

    return true;
}

// Whether only root and this user can rename or replace what lies in each folder that leads to path (path
// itself aside). A link is judged by the folder that holds it; the folders it leads through are judged
// when the resolved path is walked too.
bool othersCannotChange(const std::string& path)
{
    for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    {
        struct stat info {};

        if (::lstat(slash == 0 ? "/" : path.substr(0, slash).c_str(), &info) != 0)
            return false;

        if (S_ISLNK(info.st_mode))
            continue;

        if (!S_ISDIR(info.st_mode) || (info.st_uid != 0 && info.st_uid != ::geteuid())
            || (info.st_mode & S_IWOTH) != 0 || ((info.st_mode & S_IWGRP) != 0 && !isOwnGroup(info.st_gid)))
            return false;
    }

    return true;
}

bool folderChainIsSafe(const juce::File& folder)
{
    const auto path = folder.getFullPathName().toStdString();
    char resolved[PATH_MAX];

    if (!othersCannotChange(path)
        || ::realpath(folder.getParentDirectory().getFullPathName().toRawUTF8(), resolved) == nullptr)
        return false;

    return othersCannotChange(std::string(resolved) + "/" + folder.getFileName().toStdString());
}

// Creates our folder with mode 0700, or accepts an existing real folder of this user's and narrows its
// mode to 0700; false when it is missing, not a folder, a link or someone else's.
bool makePrivate(const juce::File& folder)
{
    if (folder == juce::File())
        return false;

    const auto path = folder.getFullPathName();

    if (::mkdir(path.toRawUTF8(), 0700) != 0 && errno != EEXIST)
        return false;

    // Checked and narrowed through one handle, so a link swapped in meanwhile is refused, not followed.
    const int fd = ::open(path.toRawUTF8(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

    if (fd < 0)
        return false;

    struct stat info {};
    const bool ours = ::fstat(fd, &info) == 0 && info.st_uid == ::geteuid()
                      && ((info.st_mode & 077) == 0 || ::fchmod(fd, 0700) == 0);
    ::close(fd);
    return ours;
}
}  // namespace

juce::File PrivateFolders::cache()
{
    auto base = absoluteFromEnvironment("XDG_CACHE_HOME");

    if (base == juce::File())
        base = juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(".cache");

    // Another user who can swap a folder on the way could swap what we run, lock or listen on.
    const auto folder = base.getChildFile("BrelmDiscovery");
    folder.getParentDirectory().createDirectory();
    return folderChainIsSafe(folder) && makePrivate(folder) ? folder : juce::File();
}

juce::File PrivateFolders::runtime()
{
    const auto folder = absoluteFromEnvironment("XDG_RUNTIME_DIR");
    struct stat info {};

    if (folder != juce::File() && ::lstat(folder.getFullPathName().toRawUTF8(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0)
        return folder;

    return cache();
}
