#include "app/PrivateFolders.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
juce::File absoluteFromEnvironment(const char* name)
{
    const auto value = juce::SystemStats::getEnvironmentVariable(name, {});
    return juce::File::isAbsolutePath(value) ? juce::File(value) : juce::File();
}

// Creates our folder with mode 0700, or accepts an existing real folder of this user's and narrows its
// mode to 0700; false when it is missing, not a folder, a link or someone else's.
bool makePrivate(const juce::File& folder)
{
    if (folder == juce::File())
        return false;

    folder.getParentDirectory().createDirectory();
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

    const auto folder = base.getChildFile("BrelmDiscovery");
    return makePrivate(folder) ? folder : juce::File();
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
