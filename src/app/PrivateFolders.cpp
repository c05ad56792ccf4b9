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

juce::String quoted(const std::string& path)
{
    return "\"" + juce::String::fromUTF8(path.c_str()) + "\"";
}

// What a failed call on path left in errno, taken before anything else can change it.
juce::String failed(const std::string& path, const char* what)
{
    const int error = errno;
    return quoted(path) + " " + what + " (" + juce::String(std::strerror(error)) + ")";
}

bool ownedByRootOrUs(const struct stat& info)
{
    return info.st_uid == 0 || info.st_uid == ::geteuid();
}

bool othersCanWrite(const struct stat& info)
{
    return (info.st_mode & S_IWOTH) != 0 || ((info.st_mode & S_IWGRP) != 0 && !isOwnGroup(info.st_gid));
}

// Why someone but root and this user could rename or replace what lies in a folder that leads to path (path
// itself aside); empty when nobody can. In a sticky folder (/tmp) only an entry's owner, the folder's owner
// and root can, so one of root's or ours keeps safe what is really root's or ours inside it. A link is judged
// by the folder that holds it; the folders it leads through are judged when the resolved path is walked too.
juce::String whyOthersCouldChange(const std::string& path)
{
    for (auto slash = path.find('/'); slash != std::string::npos; slash = path.find('/', slash + 1))
    {
        const auto folder = slash == 0 ? std::string("/") : path.substr(0, slash);
        struct stat info {};

        if (::lstat(folder.c_str(), &info) != 0)
            return failed(folder, "cannot be read");

        if (S_ISLNK(info.st_mode))
            continue;

        if (!S_ISDIR(info.st_mode))
            return quoted(folder) + " is not a folder";

        if (!ownedByRootOrUs(info))
            return quoted(folder) + " belongs to another user";

        if (!othersCanWrite(info))
            continue;

        if ((info.st_mode & S_ISVTX) == 0)
            return quoted(folder) + " can be written by others and has no sticky bit";

        // Whose the next folder is, is checked on the next step, or for path itself when it is made private
        // (made then as a real folder of ours, when still missing).
        const auto next = path.substr(0, path.find('/', slash + 1));
        struct stat inside {};

        if (::lstat(next.c_str(), &inside) == 0 && !S_ISDIR(inside.st_mode))
            return quoted(next) + " in the shared " + quoted(folder) + " is not a real folder";
    }

    return {};
}

juce::String whyChainIsUnsafe(const juce::File& folder)
{
    if (const auto why = whyOthersCouldChange(folder.getFullPathName().toStdString()); why.isNotEmpty())
        return why;

    const auto parent = folder.getParentDirectory().getFullPathName().toStdString();
    char resolved[PATH_MAX];

    if (::realpath(parent.c_str(), resolved) == nullptr)
        return failed(parent, "cannot be resolved");

    return whyOthersCouldChange(std::string(resolved) + "/" + folder.getFileName().toStdString());
}

// Creates our folder with mode 0700, or accepts an existing real folder of this user's and narrows its
// mode to 0700; otherwise tells why not: missing, not a folder, a link or someone else's.
juce::String whyNotPrivate(const juce::File& folder)
{
    const auto path = folder.getFullPathName().toStdString();

    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
        return failed(path, "cannot be made");

    // Checked and narrowed through one handle, so a link swapped in meanwhile is refused, not followed.
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);

    if (fd < 0)
        return failed(path, "is not a real folder");

    struct stat info {};
    juce::String why;

    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid())
        why = quoted(path) + " is not this user's own";
    else if ((info.st_mode & 077) != 0 && ::fchmod(fd, 0700) != 0)
        why = failed(path, "cannot be made private");

    ::close(fd);
    return why;
}
}  // namespace

juce::File PrivateFolders::cache(juce::String* refusal)
{
    auto base = absoluteFromEnvironment("XDG_CACHE_HOME");

    if (base == juce::File())
        base = juce::File::getSpecialLocation(juce::File::userHomeDirectory).getChildFile(".cache");

    // Another user who can swap a folder on the way could swap what we run, lock or listen on.
    const auto folder = base.getChildFile("BrelmDiscovery");
    folder.getParentDirectory().createDirectory();
    auto why = whyChainIsUnsafe(folder);

    if (why.isEmpty())
        why = whyNotPrivate(folder);

    if (why.isEmpty())
        return folder;

    if (refusal != nullptr)
        *refusal = "no private folder at " + quoted(folder.getFullPathName().toStdString()) + ": " + why;

    return {};
}

juce::File PrivateFolders::runtime(juce::String* refusal)
{
    const auto folder = absoluteFromEnvironment("XDG_RUNTIME_DIR");
    struct stat info {};

    if (folder != juce::File() && ::lstat(folder.getFullPathName().toRawUTF8(), &info) == 0 && S_ISDIR(info.st_mode)
        && info.st_uid == ::geteuid() && (info.st_mode & 022) == 0)
        return folder;

    return cache(refusal);
}
